#!/usr/bin/env bash
# Builds the utility and its tests as this machine can run them under Wine, and prints the
# build folder: build/, with the MinGW-w64 i686 toolchain; or, where the kernel runs no
# 32-bit program, build/x64, a 64-bit build of the same sources, beside the 32-bit
# Setup.exe in build/ that the tests then check as a file. Build output goes to stderr.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
if [ "$("$top/tools/wine-bits.sh")" = 32 ]; then
  "$top/tools/build.sh" >&2
  echo "$top/build"
else
  echo "$(basename "$0"): this kernel runs no 32-bit program; the programs run are 64-bit builds" >&2
  TARGET=Setup "$top/tools/build.sh" >&2
  "$top/tools/build.sh" "$top/build/x64" "$top/cmake/mingw-x86_64.cmake" -DSETUP_SHIPPED_EXE="$top/build/Setup.exe" >&2
  echo "$top/build/x64"
fi
