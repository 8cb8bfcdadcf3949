#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks to build Setup.exe and run it and its
# tests under 32-bit Wine with code page 932 (and, for a kernel that runs no 32-bit
# program, 64-bit builds of them under 64-bit Wine). Safe to run again: it skips what is there.
set -u

need_install=0
for tool in i686-w64-mingw32-g++-posix i686-w64-mingw32-windres x86_64-w64-mingw32-g++-posix wine cmake Xvfb xdotool localedef fc-list; do
  command -v "$tool" >/dev/null 2>&1 || need_install=1
done
[ -d /usr/src/googletest ] || need_install=1
fc-list 2>/dev/null | grep -q IPAPGothic || need_install=1
dpkg -s wine32:i386 >/dev/null 2>&1 || need_install=1

if [ "$need_install" = 1 ]; then
  SUDO=""
  [ "$(id -u)" = 0 ] || SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO dpkg --add-architecture i386
  # The security suite's i386 index sometimes fails to download; the other indexes still
  # arrive and the install below takes everything from bookworm itself.
  $SUDO apt-get update || echo "setup-machine: apt-get update reported an error; going on" >&2
  $SUDO apt-get install -y --no-install-recommends -t bookworm \
    wine wine32:i386 wine64 g++-mingw-w64-i686 g++-mingw-w64-x86-64-posix xvfb xdotool xauth locales \
    fonts-ipafont-gothic fonts-wine imagemagick cmake make googletest || exit 1
fi

# Wine takes code page 932 as the ANSI code page only when the Japanese locale exists.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
  SUDO=""
  [ "$(id -u)" = 0 ] || SUDO="sudo"
  $SUDO localedef -i ja_JP -f UTF-8 ja_JP.UTF-8 || exit 1
fi
exit 0
