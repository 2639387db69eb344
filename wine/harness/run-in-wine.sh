#!/usr/bin/env bash
# CMAKE_CROSSCOMPILING_EMULATOR for the cross build: runs one Windows program
# in a fresh clone of the template prefix, with its own HOME and its own X
# display, and removes it all afterwards.
#
#   run-in-wine.sh PROGRAM.exe [ARGS...]
#
# Every .exe and .dll of the build tree is copied into C:\tavrin\bin, so a
# test finds its fixtures beside itself; arguments that name such files are
# rewritten to their C:\tavrin\bin path. The prefix has no Z: drive: nothing
# on the Linux side is reachable from the program. Q: is a spare drive mapped
# to an empty scratch folder, for tests that need a drive root to stay intact.
# Whatever the program leaves in C:\tavrin\out is copied to
# $TAVRIN_ARTIFACTS_DIR when that is set, BMP screenshots converted to PNG.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
program=$1
shift

find_template() {
  [ -n "${TAVRIN_WINE_TEMPLATE:-}" ] && { echo "$TAVRIN_WINE_TEMPLATE"; return; }
  local dir
  dir=$(cd "$(dirname "$program")" && pwd)
  while [ "$dir" != / ]; do
    if [ -d "$dir/wine-template" ] || [ -f "$dir/wine-template.unsupported" ]; then
      echo "$dir/wine-template"
      return
    fi
    dir=$(dirname "$dir")
  done
}
template=$(find_template)
if [ -n "$template" ] && [ -f "$template.unsupported" ]; then
  echo "run-in-wine: SKIPPED: this machine cannot run 32-bit x86 code (see make-template.sh)" >&2
  exit 77
fi
if [ -z "$template" ] || [ ! -f "$template/.tavrin-ready" ]; then
  echo "run-in-wine: no template prefix; run wine/harness/make-template.sh first" >&2
  exit 2
fi
build_root=$(dirname "$template")

scratch=$(mktemp -d /tmp/tavrin-wine.XXXXXX)
export WINEPREFIX=$scratch/prefix HOME=$scratch/home
WINEARCH=$(cat "$template/.tavrin-arch")
source "$here/wine-env.sh"
XVFB_PID=
cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null
  if [ -n "${TAVRIN_ARTIFACTS_DIR:-}" ] && [ -d "$WINEPREFIX/drive_c/tavrin/out" ]; then
    mkdir -p "$TAVRIN_ARTIFACTS_DIR"
    for f in "$WINEPREFIX/drive_c/tavrin/out"/*; do
      [ -e "$f" ] || continue
      case "$f" in
        *.bmp) /usr/bin/convert "$f" "$TAVRIN_ARTIFACTS_DIR/$(basename "${f%.bmp}").png" ;;
        *) cp -r "$f" "$TAVRIN_ARTIFACTS_DIR/" ;;
      esac
    done
  fi
  [ "${TAVRIN_KEEP_PREFIX:-0}" = 1 ] && echo "run-in-wine: kept $scratch" >&2 || rm -rf "$scratch"
}
trap cleanup EXIT
trap 'exit 143' TERM INT

# Clone: hard links for the bulk, real copies of the registry files that
# wineserver rewrites.
cp -al "$template" "$WINEPREFIX"
rm -f "$WINEPREFIX"/*.reg
cp "$template"/*.reg "$WINEPREFIX"/
mkdir -p "$HOME" "$WINEPREFIX/drive_c/tavrin/bin" "$WINEPREFIX/drive_c/tavrin/out" "$scratch/q-drive"
rm -f "$WINEPREFIX/dosdevices/z:"
ln -s "$scratch/q-drive" "$WINEPREFIX/dosdevices/q:"
if [ -e "$WINEPREFIX/dosdevices/z:" ]; then
  echo "run-in-wine: refusing to run with a Z: drive" >&2
  exit 2
fi

bin=$WINEPREFIX/drive_c/tavrin/bin
find "$build_root" -path "$template" -prune -o -path '*/CMakeFiles' -prune -o \
  -type f \( -name '*.exe' -o -name '*.dll' \) -print |
  while read -r f; do cp "$f" "$bin/"; done
[ -f "$bin/$(basename "$program")" ] || cp "$program" "$bin/"

args=()
for a in "$@"; do
  if [ -f "$a" ] && [ -f "$bin/$(basename "$a")" ]; then
    args+=("C:\\tavrin\\bin\\$(basename "$a")")
  else
    args+=("$a")
  fi
done

start_private_display
wineserver -p
cd "$WINEPREFIX/drive_c/tavrin/bin"
"$WINE" "C:\\tavrin\\bin\\$(basename "$program")" "${args[@]}"
