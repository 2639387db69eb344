#!/usr/bin/env bash
# The demo: builds the binaries, installs a sample Tavrin into a throwaway Wine
# prefix, runs the uninstaller and answers its question, then has the caption
# hook library follow the foreground window across two processes. Prints every
# outcome beside the expected one, saves screenshots under out/demo, and exits
# non-zero when anything differs.
#
#   bash tools/demo.sh [yes|no]     (the answer to the data directory question)
set -euo pipefail
cd "$(dirname "$0")/.."
answer=${1:-yes}
bash tools/install-deps.sh

# Runs a build step quietly, showing its output only when it fails.
quiet() {
  local log
  log=$(mktemp)
  if ! "$@" >"$log" 2>&1; then
    cat "$log"
    rm -f "$log"
    return 1
  fi
  rm -f "$log"
}

quiet cmake --preset cross
quiet cmake --build --preset cross
echo "== The shipped binaries (i686)"
for f in build/cross/uninstaller/uninstaller.exe build/cross/quorlin/Quorlin.dll; do
  printf '%s (%s bytes) imports:' "$f" "$(stat -c %s "$f")"
  i686-w64-mingw32-objdump -p "$f" | sed -n 's/^\tDLL Name: / /p' | tr -d '\n'
  echo
done

# The shipped i686 build where this machine runs 32-bit code; otherwise the
# same sources built for x86-64 under 64-bit Wine.
wine/harness/make-template.sh build/cross/wine-template win32
if [ -f build/cross/wine-template/.tavrin-ready ]; then
  build=build/cross
else
  echo "== This machine runs no 32-bit code: the demo uses the x86-64 build"
  quiet cmake --preset cross64
  quiet cmake --build --preset cross64
  wine/harness/make-template.sh build/cross64/wine-template win64
  build=build/cross64
fi

artifacts=$PWD/out/demo
rm -rf "$artifacts"
status=0
echo
echo "== Uninstall of a sample Tavrin, answering ${answer}"
TAVRIN_ARTIFACTS_DIR=$artifacts wine/harness/run-in-wine.sh \
  "$build/wine/uninstaller/uninstall_demo.exe" "$answer" || status=1
echo
echo "== The caption window following the foreground window"
TAVRIN_ARTIFACTS_DIR=$artifacts wine/harness/run-in-wine.sh \
  "$build/wine/quorlin/caption_demo.exe" || status=1
echo
echo "Screenshots:"
ls -1 "$artifacts"/*.png 2>/dev/null || echo "(none)"
exit $status
