#!/usr/bin/env bash
# Builds Setup.exe and the tests into build/ with the MinGW-w64 i686 toolchain.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
cmake -S "$top" -B "$top/build" -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-i686.cmake" >/dev/null
cmake --build "$top/build" -j "$(nproc)"
