#!/usr/bin/env bash
# Usage: wine-paths.sh 32|64
# Prints Wine's loader for 32-bit (package wine32:i386) or 64-bit (wine64) programs, and on
# a second line a wineserver, wherever the installed packages put them: Debian 12 and 13
# in /usr/lib/wine (wine, wine64, wineserver32, wineserver64), later packages in a folder
# of each architecture (/usr/lib/i386-linux-gnu/wine/wine and wineserver beside it), with
# no wineserver on the PATH. For 32-bit programs it also needs Wine's preloader beside the
# loader. Says what is missing, and fails, when any of them is not installed.
set -u
me="wine-paths.sh"
case ${1:-} in
  32) package=wine32:i386 loader=wine ;;
  64) package=wine64 loader='wine(64)?' ;;
  *) echo "usage: $me 32|64" >&2; exit 2 ;;
esac
installed() {   # installed PACKAGE NAME-PATTERN: the first program of PACKAGE so named
  dpkg-query -L "$1" 2>/dev/null | grep -E "/($2)\$" |
    while read -r file; do [ -f "$file" ] && [ -x "$file" ] && echo "$file"; done | head -n 1
}
missing() { echo "$me: $1 is not installed: $2" >&2; exit 1; }

if [ -n "${SETUP_I386_ROOT:-}" ]; then
  # Inside with-i386-emulation.sh: the loaders of the kit that i386-kit.sh made.
  wine=$(sed -n "s/^$1 //p" "$SETUP_I386_ROOT/../loaders" 2>/dev/null)
  package="$package in the kit $(dirname "$SETUP_I386_ROOT")"
else
  wine=$(installed "$package" "$loader")
fi
[ -n "$wine" ] || missing "Wine's $1-bit loader (package $package)" "no Wine to run the $1-bit programs"
# The 64-bit server serves both kinds of program, and Debian's own wineserver prefers it.
server=$(installed wine64 'wineserver(64)?')
[ -n "$server" ] || server=$(installed "$package" 'wineserver(32|64)?')
[ -n "$server" ] || missing "the wineserver of package $package" "Wine cannot run without it"
if [ "$1" = 32 ]; then
  # Linux may place a position-independent loader, as Debian 13's is, at 0x400000, the one
  # address where Setup.exe can load (it carries no relocations): Wine then refuses to start
  # it, with status c0000018. The preloader reserves the low addresses before Wine loads.
  # Wine runs it only from the loader's own folder.
  [ -x "$(dirname "$wine")/wine-preloader" ] ||
    missing "Wine's preloader, $(dirname "$wine")/wine-preloader (package wine32-preloader:i386)" \
            "without it Wine's loader may take the address where Setup.exe must load, and Wine refuses to start it (status c0000018)"
fi
echo "$wine"
echo "$server"
