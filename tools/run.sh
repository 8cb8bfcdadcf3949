#!/usr/bin/env bash
# Sets up this machine, builds the utility and starts it under Wine, in the current folder
# (the folder of Morvane.exe, whose path the association records). The prefix is the
# project's own, build/wine/run, unless WINEPREFIX names another.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/tools/setup-machine.sh"
setup=$("$top/tools/runnable-build.sh")/Setup.exe

[ -n "${DISPLAY:-}" ] || echo "run.sh: no display; the utility runs on a virtual one" >&2
. "$top/tools/wine-env.sh" "${WINEPREFIX:-$top/build/wine/run}"
exec wine "$setup"
