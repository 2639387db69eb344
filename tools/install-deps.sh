#!/usr/bin/env bash
# Installs, through apt-get and only when missing, everything the build, the
# tests and the demo need on a fresh Debian 12 machine: host compiler, CMake,
# Ninja, GoogleTest (libraries for the host, sources for the cross builds),
# the i686 and x86-64 MinGW-w64 cross compilers (posix thread model), 32-bit
# and 64-bit Wine, Xvfb, and ImageMagick for the demo's screenshots.
set -euo pipefail

packages=(git g++ cmake ninja-build googletest libgtest-dev libgmock-dev
          g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix wine wine32:i386 wine64 xvfb imagemagick)

have() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
missing=()
for p in "${packages[@]}"; do
  have "$p" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
