#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks to build Setup.exe and run it and its tests
# under Wine with code page 932: 32-bit Wine where the kernel runs 32-bit programs, and
# where it runs none, 64-bit Wine for 64-bit builds of the same sources (the 32-bit
# compiler stays: Setup.exe ships as a 32-bit program). Safe to run again: it skips what is
# there.
set -u
tools=$(cd "$(dirname "$0")" && pwd)

if [ "$("$tools/wine-bits.sh")" = 32 ]; then
  wine_packages="wine wine32:i386 wine64" compilers=g++-mingw-w64-i686-posix
  commands=i686-w64-mingw32-g++-posix
else
  wine_packages="wine wine64" compilers="g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix"
  commands="i686-w64-mingw32-g++-posix x86_64-w64-mingw32-g++-posix"
fi

# The compilers, and every other command that the scripts and the tests call.
commands="$commands cmake make python3 Xvfb xdotool import localedef fc-list"
need_install=0
for tool in $commands; do
  command -v "$tool" >/dev/null 2>&1 || need_install=1
done
for package in $wine_packages; do
  dpkg -s "$package" >/dev/null 2>&1 || need_install=1
done
[ -d /usr/src/googletest ] || need_install=1
[ -f /usr/share/wine/fonts/marlett.ttf ] || need_install=1
fc-list 2>/dev/null | grep -q IPAPGothic || need_install=1

if [ "$need_install" = 1 ]; then
  SUDO=""
  [ "$(id -u)" = 0 ] || SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  case $wine_packages in *:i386*) $SUDO dpkg --add-architecture i386 ;; esac
  # The security suite's i386 index sometimes fails to download; the other indexes still
  # arrive and the install below takes everything from bookworm itself.
  $SUDO apt-get update || echo "setup-machine: apt-get update reported an error; going on" >&2
  # shellcheck disable=SC2086   # lists of packages
  $SUDO apt-get install -y --no-install-recommends -t bookworm \
    $wine_packages $compilers xvfb xdotool xauth locales python3 fontconfig \
    fonts-ipafont-gothic fonts-wine imagemagick cmake make googletest || exit 1
fi
for tool in $commands; do
  command -v "$tool" >/dev/null 2>&1 || { echo "setup-machine: $tool is missing after the install" >&2; exit 1; }
done

# Wine takes code page 932 as the ANSI code page only when the Japanese locale exists.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
  SUDO=""
  [ "$(id -u)" = 0 ] || SUDO="sudo"
  $SUDO localedef -i ja_JP -f UTF-8 ja_JP.UTF-8 || exit 1
fi
exit 0
