#!/usr/bin/env bash
# Sets up this machine, builds the utility and its tests, and runs every test under Wine.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/tools/setup-machine.sh"
"$top/tools/build.sh"
cd "$top/build"
# Dialogs appear on a virtual display of the build's own, never on the user's screen.
DISPLAY=$("$top/tools/virtual-display.sh" "$top/build/wine")
export DISPLAY
status=0
ctest --output-on-failure -j "$(nproc)" "$@" || status=$?
# The prefixes' servers and the virtual display outlive the tests; end them.
for prefix in "$top"/build/wine/*/; do
  [ -f "$prefix/system.reg" ] && WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
done
"$top/tools/virtual-display.sh" "$top/build/wine" stop
exit $status
