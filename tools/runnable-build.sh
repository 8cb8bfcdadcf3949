#!/usr/bin/env bash
# Usage: runnable-build.sh [--folder | TARGET...]
# Builds the TARGETs (when none is named: the utility and its tests) as this machine can run
# them under Wine, and prints the build folder: build/, with the MinGW-w64 i686 toolchain;
# or, where the kernel runs no 32-bit program, build/x64, a 64-bit build of the same
# sources. There the tests also read the 32-bit Setup.exe, which ships, as a file: it is
# built in build/ beside them. Build output goes to stderr. --folder only prints the folder.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
build=$top/build
[ "$("$top/tools/wine-bits.sh")" = 32 ] || build=$top/build/x64
if [ "${1:-}" = --folder ]; then
  echo "$build"
  exit 0
fi
if [ "$build" = "$top/build" ]; then
  TARGET="$*" "$top/tools/build.sh" >&2
else
  echo "$(basename "$0"): this kernel runs no 32-bit program; the programs run are 64-bit builds" >&2
  if [ $# = 0 ]; then
    TARGET=Setup "$top/tools/build.sh" "$top/build" "$top/cmake/mingw-i686.cmake" -DSETUP_BUILD_TESTS=OFF >&2
  fi
  TARGET="$*" "$top/tools/build.sh" "$build" "$top/cmake/mingw-x86_64.cmake" \
    -DSETUP_SHIPPED_EXE="$top/build/Setup.exe" >&2
fi
echo "$build"
