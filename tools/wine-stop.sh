#!/usr/bin/env bash
# Usage: wine-stop.sh PREFIX...
# Ends what the runs in each PREFIX left running: its wineserver, and with it every Wine
# program of the prefix, and its virtual display (see wine-env.sh).
set -u
tools=$(cd "$(dirname "$0")" && pwd)
server=$("$tools/wine-paths.sh" "$("$tools/wine-bits.sh")" | sed -n 2p)
for prefix in "$@"; do
  [ -n "$server" ] && [ -f "$prefix/system.reg" ] && WINEPREFIX=$prefix "$server" -k 2>/dev/null
  "$tools/virtual-display.sh" "$prefix/.display" stop
done
exit 0
