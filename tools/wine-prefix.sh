#!/usr/bin/env bash
# Usage: wine-prefix.sh PREFIX [WINDOWS-VERSION [managed|unmanaged]], run by wine-env.sh,
# whose environment it works in.
# Makes PREFIX a Wine prefix ready for the utility: the Windows version Wine reports to its
# programs (HKCU\Software\Wine, value Version: win10 unless given), whether a window
# manager frames the windows (HKCU\Software\Wine\X11 Driver, value Managed), both recorded
# in PREFIX/.settings; and, in a new prefix, Wine's Marlett font in its Fonts folder and the
# dialog's face "ＭＳ Ｐゴシック" mapped onto an installed Japanese font. Booting a prefix
# takes many seconds, so the build's prefixes of one folder are copies of one booted once,
# .template beside them. Several callers may race here; locks let one of them work.
# Unmanaged windows are framed by Wine itself instead of a window manager; on a bare
# virtual display that also spares a two-second wait for one each time a window closes.
set -eu
prefix=$1
version=${2:-win10}
windows=${3:-managed}
top=$(cd "$(dirname "$0")/.." && pwd)

mkdir -p "$prefix"
export WINEDEBUG=-all
# A prefix's wineserver would keep a lock's descriptor open; it gets none.
exec 9>"$prefix.lock"
flock 9

boot() {          # boot PREFIX: a new prefix with the dialog's fonts
  WINEPREFIX=$1 wineboot -i 8>&- 9>&- >/dev/null 2>&1
  # Wine draws the caption buttons' glyphs with its Marlett font, which it looks for in the
  # prefix's Fonts folder and through fontconfig, not in its own font folder, where the
  # package puts it (and wineboot leaves the Fonts folder empty): without a copy the close
  # box shows the letter "r" in another font.
  cp /usr/share/wine/fonts/marlett.ttf "$1/drive_c/windows/Fonts/"
  WINEPREFIX=$1 wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'ＭＳ Ｐゴシック' /d IPAPGothic /f 8>&- 9>&- >/dev/null 2>&1
  WINEPREFIX=$1 wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'ＭＳ ゴシック' /d IPAGothic /f 8>&- 9>&- >/dev/null 2>&1
  WINEPREFIX=$1 wineserver -w 8>&- 9>&- 2>/dev/null || true   # the registry is on disk once it has gone
}

if [ ! -f "$prefix/system.reg" ]; then
  case $prefix in
    "$top"/build/*)
      template=$(dirname "$prefix")/.template
      exec 8>"$template.lock"
      flock 8
      [ -f "$template/system.reg" ] || boot "$template"
      # system32, most of a prefix, holds the system's own files, which no run changes:
      # linked, not copied. The template server's own file is made anew for each prefix.
      tar -C "$template" --exclude=./drive_c/windows/system32 --exclude=./wineserver -cf - . |
        tar -C "$prefix" -xf -
      cp -al "$template/drive_c/windows/system32" "$prefix/drive_c/windows/"
      exec 8>&-
      ;;
    *) boot "$prefix" ;;    # a prefix of the user's own gets nothing beside it
  esac
fi
export WINEPREFIX=$prefix
if [ "$(cat "$prefix/.settings" 2>/dev/null)" != "$version $windows" ]; then
  wine reg add 'HKCU\Software\Wine' /v Version /d "$version" /f 9>&- >/dev/null 2>&1
  managed=Y
  [ "$windows" = unmanaged ] && managed=N
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d "$managed" /f 9>&- >/dev/null 2>&1
  echo "$version $windows" > "$prefix/.settings"
fi
wineserver -w 9>&- 2>/dev/null || true
