#!/usr/bin/env bash
# Renders the dialog, and the dialog with its confirmation box, under Wine with the Japanese
# font, into docs/dialog.png and docs/confirm.png. Where the kernel runs no 32-bit program,
# they show the 64-bit build of the same sources: the same dialog from the same resources.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/tools/setup-machine.sh"
build=$("$top/tools/runnable-build.sh" Setup driver)
prefix=$build/wine/shot
. "$top/tools/wine-env.sh" "$prefix" win10
trap '"$top/tools/wine-stop.sh" "$prefix"' EXIT
wine reg delete 'HKEY_CLASSES_ROOT\Morvane' /f >/dev/null 2>&1 || true

driver() { wine "$build/tests/e2e/driver.exe" "$@"; }
# Captures a part of the screen with a margin of 8 pixels.
capture() {   # capture FILE X Y WIDTH HEIGHT
  import -window root -crop "$(($4 + 16))x$(($5 + 16))+$(($2 - 8))+$(($3 - 8))" +repage "$1"
}

mkdir -p "$top/docs"
(cd "$build" && wine Setup.exe) &
read -r x y width height _ <<<"$(driver dialog)"
sleep 1
capture "$top/docs/dialog.png" "$x" "$y" "$width" "$height"

driver click toggle
driver click apply
read -r bx by bwidth bheight <<<"$(driver box)"
sleep 1
left=$((x < bx ? x : bx)) top_=$((y < by ? y : by))
right=$((x + width > bx + bwidth ? x + width : bx + bwidth))
bottom=$((y + height > by + bheight ? y + height : by + bheight))
capture "$top/docs/confirm.png" "$left" "$top_" $((right - left)) $((bottom - top_))

driver answer no >/dev/null
driver click cancel
wait
echo "wrote docs/dialog.png and docs/confirm.png"
