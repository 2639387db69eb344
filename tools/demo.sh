#!/usr/bin/env bash
# The demo: builds the real Windows binaries, shows what they import, and
# walks one uninstall of a sample Tavrin installation through the uninstaller
# sources on the native Win32 model, printing every item before and after
# beside its expected outcome. Exits non-zero when an outcome differs.
#
#   bash tools/demo.sh [yes|no]     (the answer to the data directory question)
set -euo pipefail
cd "$(dirname "$0")/.."
answer=${1:-yes}
bash tools/install-deps.sh

cmake --preset cross >/dev/null
cmake --build --preset cross --target uninstaller Quorlin >/dev/null
echo "== The shipped binaries"
for f in build/cross/uninstaller/uninstaller.exe build/cross/quorlin/Quorlin.dll; do
  printf '%s (%s bytes) imports:' "$f" "$(stat -c %s "$f")"
  i686-w64-mingw32-objdump -p "$f" | sed -n 's/^\tDLL Name: / /p' | tr -d '\n'
  echo
done
echo

cmake --preset native >/dev/null
cmake --build --preset native --target uninstall_walkthrough >/dev/null
echo "== One uninstall of a sample installation"
build/native/demo/uninstall_walkthrough "$answer"
