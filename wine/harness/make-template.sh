#!/usr/bin/env bash
# Boots one Wine prefix that every end-to-end test clones: virtual desktop,
# real Desktop/Documents folders instead of links into $HOME, and no Z: drive,
# because the code under test deletes directory trees.
#
#   make-template.sh TEMPLATE_DIR [win32|win64]
set -euo pipefail
template=$1
export WINEARCH=${2:-win32}
[ -f "$template/.tavrin-ready" ] && exit 0
[ -f "$template.unsupported" ] && exit 0
here=$(cd "$(dirname "$0")" && pwd)
rm -rf "$template" "$template.home"
mkdir -p "$template.home"
export WINEPREFIX=$template HOME=$template.home
source "$here/wine-env.sh"
start_private_display
trap 'wineserver -k 2>/dev/null || true; kill "$XVFB_PID" 2>/dev/null || true' EXIT

# A kernel without IA-32 emulation (some virtual machines run 64-bit user
# code only) cannot start Wine's 32-bit loader at all: execve fails with
# ENOEXEC. The tests of a win32 template then report themselves skipped
# instead of failing for a reason that is not theirs.
if ! timeout 120 "$WINE" wineboot.exe -i >"$template.boot.log" 2>&1; then
  if grep -q -i 'exec format error' "$template.boot.log"; then
    echo "make-template: this machine cannot run 32-bit x86 code; Wine tests will be skipped" >&2
    cat "$template.boot.log" >&2
    rm -rf "$template"
    touch "$template.unsupported"
    exit 0
  fi
  cat "$template.boot.log" >&2
  exit 1
fi
"$WINE" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
"$WINE" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1280x1024 /f >/dev/null 2>&1
wineserver -w

# Shell folders that are links into $HOME become plain folders of the prefix.
for link in "$template"/drive_c/users/*/*; do
  if [ -L "$link" ]; then
    rm "$link"
    mkdir "$link"
  fi
done
rm -f "$template/dosdevices/z:"
[ ! -e "$template/dosdevices/z:" ]
echo "$WINEARCH" >"$template/.tavrin-arch"
touch "$template/.tavrin-ready"
