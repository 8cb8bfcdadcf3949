#!/usr/bin/env bash
# Benchmark: reports figures, checks nothing. The least, median and most of RUNS runs
# (default 12, and a multiple of 3) of
#  1. the size of Setup.exe against programs that only show one dialog, built alike: with
#     MinGW-w64's usual C runtime, and without one (the floor for a program of this kind);
#  2. the time from launch to the dialog being visible, against the programs that show the
#     same dialog and nothing else;
#  3. the time of the registration itself (from Yes to the keys written, seen by the next box
#     appearing) against Wine's `reg import` of the same keys, run as a user would by hand.
# Sizes are those of the 32-bit files, which ship. The times are of the programs this
# machine runs: the 32-bit ones, or where the kernel runs no 32-bit program, 64-bit builds
# of Setup.exe and of every reference alike. The three programs that show the dialog take
# turns, and their order turns by one place each round, so that each is launched first,
# second and third equally often and whatever drifts during the run, the machine's load or
# Wine's caches, meets them all alike; a first start of each after the prefix is made warms
# those caches and is not counted.
# Usage: bash bench/run.sh   (builds first; runs on a virtual display of the build)
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
runs=$(((${RUNS:-12} + 2) / 3 * 3))    # every order of the rotation as often as the others
"$top/tools/setup-machine.sh"
programs="Setup BareDialog BareSetupDialog BareSetupDialogNoRuntime"
build=$top/build
log=$build/bench-build.log
mkdir -p "$build"
# The builds speak only when they fail: then their last lines, and what failed.
failed() {
  tail -n 30 "$log" >&2
  echo "bench/run.sh: $1 failed; the whole output is in $log" >&2
  exit 1
}
TARGET=$programs "$top/tools/build.sh" >"$log" 2>&1 || failed "building the 32-bit programs"
timed=$("$top/tools/runnable-build.sh" $programs driver 2>>"$log") || failed "building the programs to time"
bits=$("$top/tools/wine-bits.sh")
prefix=$timed/wine/bench
. "$top/tools/wine-env.sh" "$prefix" win10
trap '"$top/tools/wine-stop.sh" "$prefix"' EXIT

now() { date +%s%N; }
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
spread() { sort -n | awk '{ v[NR] = $1 } END { printf "%s-%s", v[1], v[NR] }'; }   # "least-most"
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
driver() { wine "$timed/tests/e2e/driver.exe" "$@"; }
clean_keys() {
  wine reg delete 'HKEY_CLASSES_ROOT\Morvane' /f >/dev/null 2>&1 || true
  wine reg delete 'HKEY_CLASSES_ROOT\.mv1' /f >/dev/null 2>&1 || true
}

# Milliseconds from starting PROGRAM to a visible window captioned CAPTION. A window that
# never comes ends the benchmark: there is no figure to give.
launch_ms() {   # launch_ms PROGRAM CAPTION
  local start end
  start=$(now)
  wine "$1" &
  local pid=$!
  # xdotool's own --sync looks only twice a second; look every 10 ms instead.
  until xdotool search --onlyvisible --name "^$2\$" >/dev/null 2>&1; do
    if [ $(($(now) - start)) -ge 60000000000 ]; then
      kill "$pid" 2>/dev/null
      echo "bench/run.sh: $1 showed no window \"$2\" within 60 s" >&2
      return 1
    fi
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
  (cd "$timed" && wine Setup.exe) &
  local pid=$!
  driver click toggle
  driver click apply
  if ! driver time-change; then
    echo "bench/run.sh: the registration showed no restart offer" >&2
    kill "$pid" 2>/dev/null
    return 1
  fi
  driver answer no >/dev/null
  wait "$pid"
}

reg_file=$timed/wine/bench-association.reg
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

size() { stat -c %s "$build/$1.exe"; }
setup_size=$(size Setup)
bare_size=$(size bench/BareDialog)
same_size=$(size bench/BareSetupDialog)
floor_size=$(size bench/BareSetupDialogNoRuntime)

caption='ファイルの関連付け'
launched=$timed/wine/launches
: > "$launched"
same_dialog=(Setup bench/BareSetupDialog bench/BareSetupDialogNoRuntime)
for program in "${same_dialog[@]}"; do
  launch_ms "$timed/$program.exe" "$caption" >/dev/null || exit 1     # the warm-up
done
for round in $(seq 0 $((runs - 1))); do
  for place in 0 1 2; do
    program=${same_dialog[(round + place) % 3]}
    ms=$(launch_ms "$timed/$program.exe" "$caption") || exit 1
    echo "$program $ms" >> "$launched"
  done
done
launches() { awk -v p="$1" '$1 == p { print $2 }' "$launched"; }    # launches PROGRAM
registrations=$(for _ in $(seq "$runs"); do registration_ms || exit 1; done) || exit 1
imports=$(for _ in $(seq "$runs"); do reg_import_ms; done)
clean_keys

row() { printf '%-62s %16s %16s %6s\n' "$@"; }
# A row of times: each as its median, with the least and the most in brackets, and the
# ratio of the medians.
figure() { printf '%s (%s)' "$(median <<<"$1")" "$(spread <<<"$1")"; }
times_row() {   # times_row MEASURE SETUP-TIMES REFERENCE-TIMES
  row "$1" "$(figure "$2")" "$(figure "$3")" "$(ratio "$(median <<<"$2")" "$(median <<<"$3")")"
}
row "measure ($runs runs: median (least-most); $bits-bit builds)" "Setup.exe" "reference" "ratio"
row "size, bytes, vs a minimal one-dialog program" "$setup_size" "$bare_size" "$(ratio "$setup_size" "$bare_size")"
row "size, bytes, vs the same dialog and icon, C runtime" "$setup_size" "$same_size" "$(ratio "$setup_size" "$same_size")"
row "size, bytes, vs the same dialog and icon, no C runtime (floor)" "$setup_size" "$floor_size" "$(ratio "$setup_size" "$floor_size")"
times_row "launch to visible dialog, ms, vs the same dialog, C runtime" "$(launches Setup)" "$(launches bench/BareSetupDialog)"
times_row "launch to visible dialog, ms, vs the same dialog, no C runtime" "$(launches Setup)" \
  "$(launches bench/BareSetupDialogNoRuntime)"
times_row "registration, ms, vs reg import by hand" "$registrations" "$imports"
