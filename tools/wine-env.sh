# shellcheck shell=bash
# Sourced by the scripts that run Windows programs: . wine-env.sh PREFIX [VERSION [virtual|user]]
# Exports what every such run needs: the prefix, 32 bits (64 where the kernel runs no 32-bit
# program), code page 932 (Wine takes it from LANG), Wine's own messages off, no offer to
# install its .NET and HTML add-ons, and no debugger waiting after a crash; both of those
# would wait for a click. Gives the run its screen: by default a virtual display of the
# prefix's own, whatever DISPLAY says, so that tests never draw or click on the user's
# screen (programs of one prefix must share a display; programs of two prefixes must not
# share one when one of them clicks by screen position); "user" keeps the user's DISPLAY, for
# a person to use the dialog. Prepares the prefix (see wine-prefix.sh): on a virtual display,
# which has no window manager, Wine frames the windows itself.
wine_env_tools=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
export WINEPREFIX=$1 WINEARCH=win32 WINEDEBUG=${WINEDEBUG:--all} LANG=ja_JP.UTF-8
# Wine's menu builder is off: it would copy the prefix's menus and file associations, the
# utility's own among them, into the user's desktop (~/.local/share), and it runs as a
# program of its own just when the association changes.
export WINEDLLOVERRIDES="mscoree=d;mshtml=d;winedbg.exe=d;winemenubuilder.exe=d"
# Where the kernel runs no 32-bit program, the prefix is a 64-bit one for 64-bit builds.
wine_env_bits=$("$wine_env_tools/wine-bits.sh") || return 1
[ "$wine_env_bits" = 32 ] || export WINEARCH=win64
# "wine" is the loader of those programs, and "wineserver" a server to keep, end or wait
# for the prefix's own, wherever Wine's packages put them. Wine picks the server it starts.
{ read -r WINELOADER && read -r SETUP_WINESERVER; } < <("$wine_env_tools/wine-paths.sh" "$wine_env_bits") || return 1
export PATH=$wine_env_tools/wine:$PATH WINELOADER SETUP_WINESERVER
if [ "${3:-virtual}" = user ]; then
  wine_env_windows=managed
else
  wine_env_windows=unmanaged
  unset WAYLAND_DISPLAY
  DISPLAY=$("$wine_env_tools/virtual-display.sh" "$1/.display")
  export DISPLAY
fi
"$wine_env_tools/wine-prefix.sh" "$1" "${2:-win10}" "$wine_env_windows"
