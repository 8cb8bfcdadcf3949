#!/usr/bin/env bash
# Sets up this machine, builds the utility and starts it under Wine, in the current folder
# (the folder of Morvane.exe, whose path the association records). The prefix is the
# project's own, build/wine/run, unless WINEPREFIX names another.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/tools/setup-machine.sh"
"$top/tools/build.sh"
setup=$top/build/Setup.exe
if [ "$("$top/tools/wine-bits.sh")" = 64 ]; then
  echo "run.sh: this kernel runs no 32-bit program; starting a 64-bit build of the same sources" >&2
  TARGET=Setup "$top/tools/build.sh" "$top/build/x64" "$top/cmake/mingw-x86_64.cmake" -DSETUP_SHIPPED_EXE="$top/build/Setup.exe"
  setup=$top/build/x64/Setup.exe
fi

[ -n "${DISPLAY:-}" ] || echo "run.sh: no display; the utility runs on a virtual one" >&2
. "$top/tools/wine-env.sh" "${WINEPREFIX:-$top/build/wine/run}"
exec wine "$setup"
