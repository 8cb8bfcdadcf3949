#!/usr/bin/env bash
# Sets up this machine, builds the utility and starts it under Wine, in the current folder
# (the folder of Morvane.exe, whose path the association records). The prefix is the
# project's own, build/wine/run, unless WINEPREFIX names another.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/tools/setup-machine.sh"
setup=$("$top/tools/runnable-build.sh")/Setup.exe

had_display=${DISPLAY:-}
. "$top/tools/wine-env.sh" "${WINEPREFIX:-$top/build/wine/run}"
if [ -z "$had_display" ]; then
  # Nothing shows it otherwise: say where it is and how to look at it.
  echo "run.sh: no DISPLAY; the dialog is on the virtual display $DISPLAY. To see it, run this" \
       "in another terminal and open the picture:" >&2
  echo "  DISPLAY=$DISPLAY import -window root $top/build/screen.png" >&2
  echo "and to click a point of that picture: DISPLAY=$DISPLAY xdotool mousemove X Y click 1" >&2
fi
exec wine "$setup"
