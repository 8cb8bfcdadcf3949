#!/usr/bin/env bash
# Sets up this machine, builds the utility and its tests, and runs every test under Wine.
# Where the kernel cannot run 32-bit programs, the tests run a 64-bit build of the same
# sources (build/x64; see runnable-build.sh).
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/tools/setup-machine.sh"
build=$("$top/tools/runnable-build.sh")
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
