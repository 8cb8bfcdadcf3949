#!/usr/bin/env bash
# Usage: wine-prefix.sh PREFIX [WINDOWS-VERSION [managed|unmanaged]], run by wine-env.sh,
# whose environment it works in.
# Makes PREFIX a 32-bit Wine prefix ready for the utility: created once, the Windows version
# Wine reports set (win10 unless given), and the dialog's face "ＭＳ Ｐゴシック" mapped onto an
# installed Japanese font. Several callers may race here; a lock lets one of them work.
# Unmanaged windows are framed by Wine itself instead of a window manager; on a bare
# virtual display that also spares a two-second wait for one each time a window closes.
set -eu
prefix=$1
version=${2:-win10}
windows=${3:-managed}

mkdir -p "$prefix"
export WINEPREFIX=$prefix WINEDEBUG=-all
# The prefix's own wineserver would keep the lock's descriptor open; it gets none.
exec 9>"$prefix.lock"
flock 9

if [ ! -f "$prefix/system.reg" ]; then
  wineboot -i 9>&- >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'ＭＳ Ｐゴシック' /d IPAPGothic /f 9>&- >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'ＭＳ ゴシック' /d IPAGothic /f 9>&- >/dev/null 2>&1
fi
if [ "$(cat "$prefix/.settings" 2>/dev/null)" != "$version $windows" ]; then
  wine reg add 'HKCU\Software\Wine' /v Version /d "$version" /f 9>&- >/dev/null 2>&1
  managed=Y
  [ "$windows" = unmanaged ] && managed=N
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d "$managed" /f 9>&- >/dev/null 2>&1
  echo "$version $windows" > "$prefix/.settings"
fi
wineserver -w 9>&- 2>/dev/null || true
