#!/usr/bin/env bash
# Installs what a Debian 12 or 13 machine lacks to build Setup.exe and run it and its tests
# under Wine with code page 932: 32-bit Wine where the kernel runs 32-bit programs, and
# where it runs none, 64-bit Wine for 64-bit builds of the same sources (the 32-bit
# compiler stays: Setup.exe ships as a 32-bit program). Safe to run again: it skips what is
# there. Packages come from the suites the machine is set up with (install-packages.sh).
set -u
tools=$(cd "$(dirname "$0")" && pwd)

bits=$("$tools/wine-bits.sh") || exit 1
if [ "$bits" = 32 ]; then
  # wine32 only suggests its preloader, which Setup.exe needs (see wine-paths.sh).
  packages="wine wine32:i386 wine32-preloader:i386 wine64 g++-mingw-w64-i686-posix"
  commands=i686-w64-mingw32-g++-posix
else
  packages="wine wine64 g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix"
  commands="i686-w64-mingw32-g++-posix x86_64-w64-mingw32-g++-posix"
fi
# locales holds the Japanese locale's definition, which localedef below compiles.
packages="$packages xvfb xdotool xauth locales python3 fontconfig fonts-ipafont-gothic fonts-wine
          imagemagick x11-utils cmake make googletest shellcheck"
# shellcheck disable=SC2086   # a list of packages
"$tools/install-packages.sh" $packages || exit 1

# The compilers, and every other command that the scripts and the tests call.
for tool in $commands cmake make python3 Xvfb xdotool xev import localedef fc-list shellcheck; do
  command -v "$tool" >/dev/null 2>&1 || { echo "setup-machine: $tool is missing after the install" >&2; exit 1; }
done
for file in /usr/src/googletest/CMakeLists.txt /usr/share/wine/fonts/marlett.ttf; do
  [ -f "$file" ] || { echo "setup-machine: $file is missing after the install" >&2; exit 1; }
done
"$tools/wine-paths.sh" "$bits" >/dev/null || exit 1

# Wine takes code page 932 as the ANSI code page only when the Japanese locale exists.
# localedef adds it to the compiled locales and leaves every other one as it is.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
  as=()
  [ "$(id -u)" = 0 ] || as=(sudo)
  echo "setup-machine: compiling the ja_JP.UTF-8 locale" >&2
  "${as[@]}" localedef -i ja_JP -f UTF-8 ja_JP.UTF-8 || exit 1
fi
exit 0
