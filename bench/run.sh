#!/usr/bin/env bash
# Benchmark: reports figures, checks nothing. Medians of RUNS runs (default 5) of
#  1. the size of Setup.exe against programs that only show one dialog, built alike;
#  2. the time from launch to the dialog being visible, against the program that shows the
#     same dialog and nothing else;
#  3. the time of the registration itself (from Yes to the keys written, seen by the next box
#     appearing) against Wine's `reg import` of the same keys, run as a user would by hand.
# Usage: bash bench/run.sh   (builds first; runs on a virtual display of the build)
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
runs=${RUNS:-5}
"$top/tools/setup-machine.sh"
# The figures are of the 32-bit program itself, which a kernel without 32-bit emulation
# cannot run.
if [ "$("$top/tools/wine-bits.sh")" = 64 ]; then
  echo "$(basename "$0"): this kernel runs no 32-bit program" >&2
  exit 1
fi
"$top/tools/build.sh" >/dev/null
build=$top/build
prefix=$build/wine/bench
unset DISPLAY     # measured on the build's own virtual display, not the user's
. "$top/tools/wine-env.sh" "$prefix" win10 unmanaged
trap 'wineserver -k 2>/dev/null; "$top/tools/virtual-display.sh" "$prefix/.display" stop' EXIT

now() { date +%s%N; }
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
driver() { wine "$build/tests/e2e/driver.exe" "$@"; }
clean_keys() {
  wine reg delete 'HKEY_CLASSES_ROOT\Morvane' /f >/dev/null 2>&1 || true
  wine reg delete 'HKEY_CLASSES_ROOT\.mv1' /f >/dev/null 2>&1 || true
}

# Milliseconds from starting PROGRAM to a visible window captioned CAPTION.
launch_ms() {   # launch_ms PROGRAM CAPTION
  local start end
  start=$(now)
  wine "$1" &
  local pid=$!
  # xdotool's own --sync looks only twice a second; look every 10 ms instead.
  until xdotool search --onlyvisible --name "^$2\$" >/dev/null 2>&1; do
    [ $(($(now) - start)) -lt 60000000000 ] || break
    sleep 0.01
  done
  end=$(now)
  driver click cancel     # both programs end on the Cancel button of the same dialog
  wait "$pid"
  echo $(((end - start) / 1000000))
}

# Registration as the user does it, timed inside the driver from the click on Yes.
registration_ms() {
  clean_keys
  (cd "$build" && wine Setup.exe) &
  local pid=$!
  driver click toggle
  driver click apply
  driver time-change
  driver answer no >/dev/null
  wait "$pid"
}

reg_file=$build/wine/bench-association.reg
printf '%s\r\n' 'Windows Registry Editor Version 5.00' '' \
  '[HKEY_CLASSES_ROOT\Morvane\shell\復元(&R)\command]' '@="Z:\\bench\\Morvane %1"' '' \
  '[HKEY_CLASSES_ROOT\.mv1]' '@="Morvane"' '' \
  '[HKEY_CLASSES_ROOT\Morvane\DefaultIcon]' '@="Z:\\bench\\Morvane.exe,1"' '' |
  iconv -f UTF-8 -t UTF-16LE | { printf '\xff\xfe'; cat; } > "$reg_file"
reg_import_ms() {
  clean_keys
  local start end
  start=$(now)
  wine reg import "$(winepath -w "$reg_file")" >/dev/null 2>&1
  end=$(now)
  echo $(((end - start) / 1000000))
}

setup_size=$(stat -c %s "$build/Setup.exe")
bare_size=$(stat -c %s "$build/bench/BareDialog.exe")
same_size=$(stat -c %s "$build/bench/BareSetupDialog.exe")

launch_setup=$(for _ in $(seq "$runs"); do launch_ms "$build/Setup.exe" 'ファイルの関連付け'; done | median)
launch_bare=$(for _ in $(seq "$runs"); do launch_ms "$build/bench/BareSetupDialog.exe" 'ファイルの関連付け'; done | median)
register=$(for _ in $(seq "$runs"); do registration_ms; done | median)
import=$(for _ in $(seq "$runs"); do reg_import_ms; done | median)
clean_keys

printf '%-52s %12s %12s %7s\n' "measure (median of $runs)" "Setup.exe" "reference" "ratio"
printf '%-52s %12s %12s %7s\n' "size, bytes, vs a minimal one-dialog program" "$setup_size" "$bare_size" "$(ratio "$setup_size" "$bare_size")"
printf '%-52s %12s %12s %7s\n' "size, bytes, vs a program showing the same dialog" "$setup_size" "$same_size" "$(ratio "$setup_size" "$same_size")"
printf '%-52s %12s %12s %7s\n' "launch to visible dialog, ms" "$launch_setup" "$launch_bare" "$(ratio "$launch_setup" "$launch_bare")"
printf '%-52s %12s %12s %7s\n' "registration, ms, vs reg import by hand" "$register" "$import" "$(ratio "$register" "$import")"
