#!/usr/bin/env bash
# Runs a cross-built test program under 32-bit Wine, as ctest's emulator: ANSI code page
# 932, the Windows version in SETUP_WINE_VERSION, a prefix of the build's own
# (SETUP_WINE_PREFIX), and a virtual display of that prefix's own.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
version=${SETUP_WINE_VERSION:-win10}
prefix=${SETUP_WINE_PREFIX:-$PWD/wine/$version}

. "$here/../tools/wine-env.sh" "$prefix" "$version"
exec wine "$@"
