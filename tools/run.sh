#!/usr/bin/env bash
# Sets up this machine, builds the utility and starts it under Wine, in the current folder
# (the folder of Morvane.exe, whose path the association records). The prefix is the
# project's own, build/wine/run, unless WINEPREFIX names another.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/tools/setup-machine.sh"
"$top/tools/build.sh"

export WINEPREFIX=${WINEPREFIX:-$top/build/wine/run}
"$top/tools/wine-prefix.sh" "$WINEPREFIX"
export WINEARCH=win32 WINEDEBUG=${WINEDEBUG:--all} LANG=ja_JP.UTF-8 WINEDLLOVERRIDES="mscoree=d;mshtml=d"
if [ -z "${DISPLAY:-}" ]; then
  echo "run.sh: no display; the utility runs on a virtual one" >&2
  DISPLAY=$("$top/tools/virtual-display.sh" "$top/build/wine")
  export DISPLAY
fi
exec wine "$top/build/Setup.exe"
