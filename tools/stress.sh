#!/usr/bin/env bash
# Usage: bash tools/stress.sh [RUNS [BUSY]]   (20 runs, 2 busy processes unless given)
# Runs the end-to-end journeys RUNS times in a row, at the suite's parallelism, while BUSY
# processes keep the processors busy, and reports each journey that failed: in which run,
# at which step, and the folder of the evidence that the step kept. Every run's whole
# output stays in build/stress/. Run tools/test.sh once first: this builds nothing and
# sets nothing up. Not part of the suite: it takes about as long as RUNS test runs.
set -u
top=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-20} busy=${2:-2}
build=$("$top/tools/runnable-build.sh" --folder)
[ -f "$build/CTestTestfile.cmake" ] || { echo "stress.sh: no build in $build: run tools/test.sh first" >&2; exit 2; }
logs=$top/build/stress
rm -rf "$logs"
mkdir -p "$logs"

busy_pids=()
stop_busy() { [ ${#busy_pids[@]} = 0 ] || kill "${busy_pids[@]}" 2>/dev/null; }
trap stop_busy EXIT
trap 'exit 130' INT TERM
for ((i = 0; i < busy; i++)); do
  sh -c 'while :; do :; done' &
  busy_pids+=($!)
done

started=$(date +%s)
failed_runs=0
for ((run = 1; run <= runs; run++)); do
  (cd "$build" && ctest --output-on-failure -j "$(($(nproc) * 2))" -R '^end_to_end\.') > "$logs/run-$run.log" 2>&1
  status=$?
  failures=$(grep -E '^ *[0-9]+/[0-9]+ Test +#[0-9]+: end_to_end\.[a-z0-9]+ .*(Failed|Timeout|Exception|Not Run)' "$logs/run-$run.log" |
    sed 's/.*: \(end_to_end\.[a-z0-9]*\) .*/\1/')
  [ "$status" = 0 ] && [ -z "$failures" ] || failed_runs=$((failed_runs + 1))
  echo "run $run of $runs: $([ "$status" = 0 ] && echo "every journey passed" || echo "FAILED: $(echo $failures)") [$(($(date +%s) - started)) s]"
  for test in $failures; do
    echo "$run $test" >> "$logs/failures"
    # The journey's own lines name each failed step and its evidence.
    grep -E "^FAIL ${test#end_to_end.}: " "$logs/run-$run.log" | sed 's/^/    /'
  done
done

echo
echo "$runs runs of the journeys, $busy busy processes, $(($(date +%s) - started)) s; the logs are in $logs"
if [ -f "$logs/failures" ]; then
  echo "failures of each journey:"
  awk '{ n[$2]++; r[$2] = r[$2] " " $1 } END { for (t in n) printf "  %s: %d (runs%s)\n", t, n[t], r[t] }' "$logs/failures" | sort
fi
echo "$((runs - failed_runs)) passed, $failed_runs failed"
[ "$failed_runs" = 0 ]
