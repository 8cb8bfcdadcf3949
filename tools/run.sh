#!/usr/bin/env bash
# Usage: run.sh [FOLDER]
# Sets up this machine, builds the utility alone and starts it under Wine, in FOLDER or the
# current folder: the folder of Morvane.exe, whose path the association records. The prefix
# is the project's own, build/wine/run, unless WINEPREFIX names another (a 32-bit one where
# the kernel runs 32-bit programs, a 64-bit one where it runs none). The prefix is set to
# report Windows 10, and to have its windows framed by the window manager when there is a
# DISPLAY, by Wine itself when there is none (see wine-prefix.sh).
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
if [ $# -gt 0 ]; then
  [ -d "$1" ] || { echo "run.sh: there is no folder $1" >&2; exit 2; }
  cd "$1"
fi
"$top/tools/setup-machine.sh"
setup=$("$top/tools/runnable-build.sh" Setup)/Setup.exe

if [ -n "${DISPLAY:-}" ]; then
  # The one command that shows the dialog on the user's own screen.
  . "$top/tools/wine-env.sh" "${WINEPREFIX:-$top/build/wine/run}" win10 user
else
  # A virtual display has no window manager: Wine draws the frames itself, caption and
  # close box included. Nothing shows it otherwise: say where it is and how to look at it.
  . "$top/tools/wine-env.sh" "${WINEPREFIX:-$top/build/wine/run}" win10
  echo "run.sh: no DISPLAY; the dialog is on the virtual display $DISPLAY. To see it, run this" \
       "in another terminal and open the picture:" >&2
  echo "  DISPLAY=$DISPLAY import -window root $top/build/screen.png" >&2
  echo "and to click a point of that picture: DISPLAY=$DISPLAY xdotool mousemove X Y click 1" >&2
fi
exec wine "$setup"
