#!/usr/bin/env bash
# Sets up this machine, builds the utility and its tests, and runs every test under Wine.
# Where the kernel cannot run 32-bit programs, the tests run a 64-bit build of the same
# sources (build/x64; see runnable-build.sh).
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/tools/setup-machine.sh"
# Booting the Wine prefix that the tests' prefixes are copied from takes many seconds,
# mostly waiting: it goes on while the build compiles.
build=$("$top/tools/runnable-build.sh" --folder)
( . "$top/tools/wine-env.sh" "$build/wine/nt40" nt40 ) >/dev/null 2>&1 &
"$top/tools/runnable-build.sh" >/dev/null
wait || true    # should that have failed, each test prepares its prefix itself, and says so
cd "$build"
status=0
ctest --output-on-failure -j "$(($(nproc) * 2))" "$@" || status=$?
# Each test's prefix is ended by ctest once its last test has ended; the prefix booted above
# is ended here too should ctest have picked none of its tests.
shopt -s nullglob
"$top/tools/wine-stop.sh" "$build"/wine/*/
exit $status
