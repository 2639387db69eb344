#!/usr/bin/env bash
# Installs, through apt-get and only when missing, everything the build, the
# tests and the demo need on a fresh Debian 12 machine: host compiler, CMake,
# GoogleTest, the i686 MinGW-w64 cross compiler, 32-bit Wine and Xvfb.
set -euo pipefail

need=()
have() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
  rm -f /var/lib/apt/lists/lock
  updated=0
fi

for p in git g++ cmake make ninja-build libgtest-dev g++-mingw-w64-i686 \
         binutils-mingw-w64-i686 wine wine32:i386 xvfb x11-utils imagemagick \
         clang-format python3; do
  have "$p" || need+=("$p")
done

if [ ${#need[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
fi
