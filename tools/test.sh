#!/usr/bin/env bash
# Sets up this machine, builds the utility and its tests, and runs every test under Wine.
# Where the kernel cannot run 32-bit programs, the tests that run programs use a 64-bit
# build of the same sources (build/x64), and the 32-bit Setup.exe is checked as a file.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/tools/setup-machine.sh"
build=$top/build
if [ "$("$top/tools/wine-bits.sh")" = 64 ]; then
  echo "test.sh: this kernel runs no 32-bit program; the programs under test are 64-bit builds" >&2
  TARGET=Setup "$top/tools/build.sh"
  build=$top/build/x64
  "$top/tools/build.sh" "$build" "$top/cmake/mingw-x86_64.cmake" -DSETUP_SHIPPED_EXE="$top/build/Setup.exe"
else
  "$top/tools/build.sh"
fi
cd "$build"
# Dialogs appear on virtual displays of the build's own, never on the user's screen.
unset DISPLAY
status=0
ctest --output-on-failure -j "$(($(nproc) * 2))" "$@" || status=$?
# The prefixes' servers and virtual displays outlive the tests; end them.
for prefix in "$build"/wine/*/; do
  [ -f "$prefix/system.reg" ] && WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
  "$top/tools/virtual-display.sh" "$prefix/.display" stop
done
exit $status
