#!/usr/bin/env bash
# Benchmark: reports figures, checks nothing. Over RUNS rounds (default 200, and a
# multiple of 4):
#  1. the size of Setup.exe against programs that only show one dialog, built alike: with
#     MinGW-w64's usual C runtime, and without one (the floor for a program of this kind);
#  2. the time from launch to the dialog's window being mapped on the display (visible),
#     against the programs that show the same dialog and nothing else, and against the
#     floor that also does what Setup.exe does before its dialog shows (centres it, and
#     looks for the association);
#  3. the time of the registration itself (from Yes to the keys written, seen by the next box
#     appearing) against Wine's `reg import` of the same keys, run as a user would by hand.
# Sizes are those of the 32-bit files, which ship. The times are of the programs this
# machine runs: the 32-bit ones, or where the kernel runs no 32-bit program, 64-bit builds
# of Setup.exe and of every reference alike. Each time is given as its median with the
# least and the most. Each ratio is paired: every round launches Setup.exe and each program
# that shows the dialog one after the other, and every fourth round also registers once
# and imports once, so each round gives one ratio of each kind it measured, and the row
# gives the median of the rounds' ratios with its 95 % interval (a bootstrap over the
# rounds). The launch order turns by one place each round, so that each program is
# launched first, second, third and fourth equally often and whatever drifts during the
# run, the machine's load or Wine's caches, meets them all alike; registration and import
# swap places each time. A first start of each program after the prefix is made warms
# those caches and is not counted.
# Usage: bash bench/run.sh   (builds first; runs on a virtual display of the build)
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
runs=$(((${RUNS:-200} + 3) / 4 * 4))    # every order of the rotation as often as the others
"$top/tools/setup-machine.sh"
programs="Setup BareDialog BareSetupDialog BareSetupDialogNoRuntime BareSetupDialogStartupWork"
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
trap 'kill "${watcher-}" 2>/dev/null; "$top/tools/wine-stop.sh" "$prefix"' EXIT

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
driver() { wine "$timed/tests/e2e/driver.exe" "$@"; }

# Milliseconds from starting PROGRAM to its window captioned CAPTION being mapped. One
# watcher of the display tells of each window as it is mapped, so that nothing polls the
# display, and takes the CPU, while a program starts. A window mapped meanwhile that is not
# the program's dialog (gone already, or of another caption) is passed over. A program that
# maps no such window, the display quiet for a minute, ends the benchmark: there is no
# figure to give.
exec {mapped}< <(exec stdbuf -oL xev -root -event substructure)
watcher=$!
passed_over=$timed/wine/bench-passed-over
: > "$passed_over"
next_event() {   # next_event: the next event's first line into event, its time into at, its window into window
  local line
  event=
  until [[ $event == *"Notify event,"* ]]; do
    read -r -t 60 -u "$mapped" event || return 1
  done
  at=${EPOCHREALTIME/./}
  read -r -t 60 -u "$mapped" line || return 1
  window=${line#*window }
  window=${window%%,*}
}
# A launch that shows nothing leaves what there was to see: the program's standard error,
# whether it still ran and where each of its threads waited, every window, and Wine's
# processes.
launch_err=$timed/wine/bench-launch.err
launch_failure=$timed/wine/bench-launch-failure.log
launch_failed() {   # launch_failed PID PROGRAM
  {
    echo "== $2 (process $1), its standard error:"
    cat "$launch_err"
    if kill -0 "$1" 2>/dev/null; then
      echo "== still running; its threads (name, state, waiting in):"
      for task in /proc/"$1"/task/*; do
        echo "$(cat "$task/comm") $(awk '{ print $3 }' "$task/stat") $(cat "$task/wchan")"
      done
    else
      wait "$1"
      echo "== ended, status $?"
    fi
    echo "== the windows:"
    DRIVER_LOG="" driver windows
    echo "== Wine's processes:"
    ps -eo pid,stat,wchan:24,etime,args | grep -i -e '[w]ine' -e '[.]exe'
  } > "$launch_failure" 2>&1
  kill "$1" 2>/dev/null
}
launch_ms() {   # launch_ms PROGRAM CAPTION
  local start at='' event='' window='' name
  while read -r -t 0.001 -u "$mapped" _; do :; done    # what the registration left
  start=${EPOCHREALTIME/./}
  wine "$1" 2> "$launch_err" &
  local pid=$!
  until [[ $event == MapNotify* ]] && name=$(xdotool getwindowname "$window" 2>/dev/null) && [ "$name" = "$2" ]; do
    [[ $event == MapNotify* ]] && echo "$1: window $window, ${name:-gone}" >> "$passed_over"
    if ! next_event; then
      launch_failed "$pid" "$1"
      echo "bench/run.sh: $1 showed no window \"$2\"; nothing happened on the display for 60 s; what was running then: $launch_failure" >&2
      return 1
    fi
  done
  local shown=$at dialog=$window
  # Every program is ended alike, and at once: a click through the driver would start one
  # more Wine process for each launch, and take longer than the launch itself. The display
  # has done all the program asked of it once its dialog is destroyed: only then can no
  # event of it be taken for the next program's.
  kill "$pid"
  wait "$pid" 2>/dev/null
  until [[ $event == DestroyNotify* && $window == "$dialog" ]]; do
    next_event || { echo "bench/run.sh: $1's dialog was not destroyed within 60 s of its end" >&2; return 1; }
  done
  echo $(((shown - start) / 1000))
}

# Registration as the user does it, timed inside the driver from the click on Yes. The
# driver logs each call, and Wine's errors, in DRIVER_LOG, and so do the deletions before
# it; a call that fails, or a box other than the restart offer after Yes, ends the benchmark
# and leaves that log, with the windows on the display then.
export DRIVER_LOG=$timed/wine/bench-driver.log
clean_keys() {
  local key
  for key in 'HKEY_CLASSES_ROOT\Morvane' 'HKEY_CLASSES_ROOT\.mv1'; do
    echo "reg delete $key /f" >> "$DRIVER_LOG"
    WINEDEBUG=err+all wine reg delete "$key" /f >> "$DRIVER_LOG" 2>&1
    echo "(exit status $?)" >> "$DRIVER_LOG"
  done
}
registration_failed() {   # registration_failed WHAT
  DRIVER_LOG="" driver windows >> "$DRIVER_LOG" 2>&1
  echo "bench/run.sh: the registration failed: $1; its log and the windows then: $DRIVER_LOG" >&2
  return 1
}
logged() {   # logged DRIVER-COMMAND...
  WINEDEBUG=err+all driver "$@" 2>>"$DRIVER_LOG" && return
  echo "(driver $*: exit status $?)" >> "$DRIVER_LOG"
  registration_failed "\"driver $*\" failed"
}
restart_offer='再起動すると設定が有効になります。再起動しますか？'
registration_ms() {
  : > "$DRIVER_LOG"
  clean_keys
  (cd "$timed" && exec wine Setup.exe) &
  local pid=$! ms box
  if logged click toggle && logged click apply && ms=$(logged time-change) && box=$(logged answer no) &&
     { [ "$box" = "$restart_offer" ] || registration_failed "after Yes came \"$box\", not the restart offer"; } &&
     logged gone; then
    wait "$pid"
    echo "$ms"
    return
  fi
  kill "$pid" 2>/dev/null
  return 1
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
  start=${EPOCHREALTIME/./}
  wine reg import "$(winepath -w "$reg_file")" >/dev/null 2>&1
  end=${EPOCHREALTIME/./}
  echo $(((end - start) / 1000))
}

size() { stat -c %s "$build/$1.exe"; }
setup_size=$(size Setup)
bare_size=$(size bench/BareDialog)
same_size=$(size bench/BareSetupDialog)
floor_size=$(size bench/BareSetupDialogNoRuntime)

caption='ファイルの関連付け'
times=$timed/wine/bench-times   # lines: ROUND WHAT MS
: > "$times"
same_dialog=(Setup bench/BareSetupDialog bench/BareSetupDialogNoRuntime bench/BareSetupDialogStartupWork)
for program in "${same_dialog[@]}"; do
  launch_ms "$timed/$program.exe" "$caption" >/dev/null || exit 1     # the warm-up
done
started=$(date +%s)
for round in $(seq 0 $((runs - 1))); do
  for place in 0 1 2 3; do
    program=${same_dialog[(round + place) % 4]}
    ms=$(launch_ms "$timed/$program.exe" "$caption") || exit 1
    echo "$round $program $ms" >> "$times"
  done
  # A registration takes several seconds of clicks around the part it times: every fourth
  # round registers once and imports once.
  case $((round % 8)) in
    0) ms=$(registration_ms) || exit 1; echo "$round registration $ms" >> "$times"
       echo "$round import $(reg_import_ms)" >> "$times" ;;
    4) echo "$round import $(reg_import_ms)" >> "$times"
       ms=$(registration_ms) || exit 1; echo "$round registration $ms" >> "$times" ;;
  esac
done
clean_keys
took=$(($(date +%s) - started))

row() { printf '%-72s %16s %16s %18s\n' "$@"; }
row "measure ($runs rounds; median (least-most); $bits-bit builds)" "Setup.exe" "reference" "ratio (95 % interval)"
row "size, bytes, vs a minimal one-dialog program" "$setup_size" "$bare_size" "$(ratio "$setup_size" "$bare_size")"
row "size, bytes, vs the same dialog and icon, C runtime" "$setup_size" "$same_size" "$(ratio "$setup_size" "$same_size")"
row "size, bytes, vs the same dialog and icon, no C runtime (floor)" "$setup_size" "$floor_size" "$(ratio "$setup_size" "$floor_size")"
# A row of times: each side's median with its least and most, and the median of the rounds'
# ratios with its 95 % interval, from 10000 resamplings of the rounds (seeded: the same
# times give the same interval).
times_row() {   # times_row MEASURE SETUP-WHAT REFERENCE-WHAT
  python3 - "$times" "$2" "$3" <<'EOT' | { IFS=$'\t' read -r a b r; row "$1" "$a" "$b" "$r"; }
import random, statistics, sys
path, one, other = sys.argv[1:]
rounds = {}
for line in open(path):
    r, what, ms = line.split()
    rounds.setdefault(r, {})[what] = float(ms)
pairs = [(t[one], t[other]) for t in rounds.values() if one in t and other in t]
figure = lambda v: "%g (%g-%g)" % (statistics.median(v), min(v), max(v))
ratios = [a / b for a, b in pairs]
rng = random.Random(1)
medians = sorted(statistics.median(rng.choices(ratios, k=len(ratios))) for _ in range(10000))
print("%s\t%s\t%.3f %.3f\u2013%.3f" % (figure([a for a, _ in pairs]), figure([b for _, b in pairs]),
      statistics.median(ratios), medians[249], medians[9749]))
EOT
}
times_row "launch to visible dialog, ms, vs the same dialog, C runtime" Setup bench/BareSetupDialog
times_row "launch to visible dialog, ms, vs the same dialog, no C runtime" Setup bench/BareSetupDialogNoRuntime
times_row "launch to visible dialog, ms, vs that, with Setup.exe's start-up work" Setup bench/BareSetupDialogStartupWork
times_row "registration, ms, vs reg import by hand" registration import
echo "($runs rounds in $((took / 60)) min $((took % 60)) s; windows passed over while timing a launch: $(wc -l < "$passed_over"), listed in $passed_over)"
