#!/usr/bin/env bash
# Sets up this machine, builds the utility and its tests, and runs every test under Wine.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/tools/setup-machine.sh"
"$top/tools/build.sh"
cd "$top/build"
ctest --output-on-failure -j "$(nproc)" "$@"
