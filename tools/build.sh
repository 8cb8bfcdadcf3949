#!/usr/bin/env bash
# Usage: build.sh [BUILD-DIR [TOOLCHAIN-FILE [CMAKE-OPTION...]]]
# Builds Setup.exe and the tests, by default into build/ with the MinGW-w64 i686 toolchain.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build}
toolchain=${2:-$top/cmake/mingw-i686.cmake}
shift $(($# < 2 ? $# : 2))
cmake -S "$top" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" "$@" >/dev/null
cmake --build "$build" -j "$(nproc)"
