#!/usr/bin/env bash
# Runs every test: the native tier (the production sources against the Win32
# stand-in, with ASan and UBSan), the checks of the shipped i686 files and
# their Wine tier, and the Wine tier of the x86-64 build. Installs whatever is
# missing first.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh

cmake --preset native
cmake --build --preset native
ctest --preset native

cmake --preset cross
cmake --build --preset cross
ctest --preset cross

# The same sources built for x86-64 and run under 64-bit Wine: the end-to-end
# tier for machines whose kernel runs no 32-bit code, where the i686 Wine
# tests above report themselves skipped.
cmake --preset cross64
cmake --build --preset cross64
ctest --preset cross64
