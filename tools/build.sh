#!/usr/bin/env bash
# Usage: [TARGET="NAME..."] build.sh [BUILD-DIR [TOOLCHAIN-FILE [CMAKE-OPTION...]]]
# Builds Setup.exe and the tests (or only the TARGETs), by default into build/ with the
# MinGW-w64 i686 toolchain.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build}
toolchain=${2:-$top/cmake/mingw-i686.cmake}
shift $(($# < 2 ? $# : 2))
cmake -S "$top" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" "$@" >/dev/null
# shellcheck disable=SC2086   # one word a target
cmake --build "$build" -j "$(nproc)" ${TARGET:+--target $TARGET}
