#!/usr/bin/env bash
# Usage: bash tools/release.sh   (JOBS=N journeys side by side where they run emulated; 2)
# Makes a release from the committed tree: builds it, runs every test, and then runs the
# very Setup.exe that ships, the 32-bit one, through the end-to-end journeys of the tests on
# every Windows version they cover. Where the kernel runs 32-bit programs, the tests have
# just done that natively. Where it runs none, the tests ran 64-bit builds, so the shipped
# file is run here under QEMU's user-mode emulator, in a 64-bit prefix with its 32-bit half:
# only Setup.exe itself runs emulated, each journey within JOURNEY_MINUTES (30). Writes
# dist/Setup.exe, dist/SHA256SUMS and dist/REPORT.md. Any failure ends it with a non-zero
# status and a message that names the step and the report, build/release/REPORT.md, and
# leaves dist/ as it was: the previous release stays whole.
set -u
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top" || exit 1
dist=$top/dist
work=$top/build/release
jobs=${JOBS:-2}
journey_minutes=${JOURNEY_MINUTES:-30}
started=$(date +%s)

elapsed() { local s=$(($(date +%s) - ${1:-$started})); printf '%d:%02d' $((s / 60)) $((s % 60)); }
step_name="" step_started=$started steps=""
step() {      # step NAME: a new step begins
  [ -z "$step_name" ] || steps+="| $step_name | $(elapsed "$step_started") |"$'\n'
  step_name=$1 step_started=$(date +%s)
  echo "[$(elapsed)] $1"
}
failure=""
fail() {      # fail WHY: ends the release at the current step
  failure="$step_name: $1"
  echo "release.sh: FAILED at \"$step_name\": $1" >&2
  write_report "$work/REPORT.md"
  echo "release.sh: what was done is in $work/REPORT.md; dist/ is as it was" >&2
  exit 1
}

bits=$(tools/wine-bits.sh)
commit="" subject=""
tests=""       # table rows: test, result, seconds
journeys=""    # table rows: version, journey, how it ran, result, time

write_report() {   # write_report FILE
  local when
  when=$(date -u '+%Y-%m-%d %H:%M UTC')
  mkdir -p "$(dirname "$1")"
  {
    echo "# Setup.exe release"
    echo
    if [ -n "$failure" ]; then
      echo "**FAILED** at $failure. No Setup.exe was released."
    else
      echo "Setup.exe, $(stat -c %s "$staged/Setup.exe") bytes, SHA-256 \`$(cut -d' ' -f1 "$staged/SHA256SUMS")\`."
    fi
    echo
    echo "- Commit: \`${commit:-?}\` ${subject:-}"
    echo "- Made: $when, on a machine whose kernel $([ "$bits" = 32 ] && echo "runs 32-bit programs" || echo "runs no 32-bit program")"
    echo "- System: $(. /etc/os-release 2>/dev/null && echo "$PRETTY_NAME") $(cat /etc/debian_version 2>/dev/null)"
    echo "- GCC: $(i686-w64-mingw32-g++-posix --version 2>/dev/null | head -n 1); package g++-mingw-w64-i686-posix $(tool_version g++-mingw-w64-i686-posix)"
    echo "- binutils: $(i686-w64-mingw32-ld --version 2>/dev/null | head -n 1); package binutils-mingw-w64-i686 $(tool_version binutils-mingw-w64-i686)"
    echo "- MinGW-w64 headers and import libraries: package mingw-w64-i686-dev $(tool_version mingw-w64-i686-dev)"
    echo "- Wine: $("$(tools/wine-paths.sh 64 2>/dev/null | head -n 1)" --version 2>/dev/null); package wine64 $(tool_version wine64)"
    [ "$bits" = 32 ] || echo "- QEMU: $(qemu-i386-static --version 2>/dev/null | head -n 1); packages qemu-user-static $(tool_version qemu-user-static), wine32:i386 $(tool_version wine32:i386), wine32-preloader:i386 $(tool_version wine32-preloader:i386)"
    echo "- Time taken: $(elapsed)"
    echo
    echo "## Steps"
    echo
    echo "| step | time |"
    echo "|---|---:|"
    printf '%s' "$steps"
    echo "| $step_name | $(elapsed "$step_started") |"
    echo
    echo "## Tests"
    echo
    if [ -n "$tests" ]; then
      echo "$suite_builds"
      echo
      echo "| test | result | seconds |"
      echo "|---|---|---:|"
      printf '%s' "$tests"
    else
      echo "(none ran)"
    fi
    echo
    echo "## The shipped Setup.exe, end to end"
    echo
    if [ -n "$journeys" ]; then
      echo "| Windows version | journey | ran | result | time |"
      echo "|---|---|---|---|---:|"
      printf '%s' "$journeys"
    else
      echo "(none ran)"
    fi
  } > "$1"
}
tool_version() { dpkg-query -W -f '${Version}' "$1" 2>/dev/null || echo "not installed"; }

step "the tree is committed"
changes=$(git status --porcelain 2>&1) || fail "this is not a git checkout: $changes"
commit=$(git rev-parse HEAD)
subject=$(git log -1 --format=%s)
if [ -n "$changes" ]; then
  echo "$changes" | sed 's/^/  /' >&2
  fail "the tree has uncommitted changes; a release is made of a commit only"
fi
rm -rf "$work"
mkdir -p "$work"

step "set up, build and run every test"
suite_log=$work/suite.log
bash tools/test.sh > "$suite_log" 2>&1
suite_status=$?
build=$(tools/runnable-build.sh --folder)
setup=$top/build/Setup.exe
# "  3/17 Test #10: end_to_end.win98 .......   Passed   40.01 sec"
tests=$(sed -n 's/^ *[0-9]*\/[0-9]* Test *#[0-9]*: \([^ ]*\) \.* *\(.*[A-Za-z)]\) *\([0-9.]*\) sec$/| \1 | \2 | \3 |/p' "$suite_log" | sort)
[ -z "$tests" ] || tests+=$'\n'
if [ "$bits" = 32 ]; then
  suite_builds="The tests ran the 32-bit builds, the shipped Setup.exe among them."
else
  suite_builds="This kernel runs no 32-bit program: the tests ran 64-bit builds of the same sources, and read the shipped 32-bit Setup.exe as a file."
fi
if [ "$suite_status" != 0 ]; then
  grep -E 'Failed|FAIL|rror' "$suite_log" | tail -n 20 | sed 's/^/  /' >&2
  fail "the tests failed (exit status $suite_status; the whole output is in $suite_log)"
fi
[ -f "$setup" ] || fail "the build left no $setup"
echo "  $(grep -E 'tests passed' "$suite_log")"

# The suite's own end-to-end runs: each version, and which journey it goes through.
list=$(cd "$build" && ctest -N -V -R '^end_to_end\.' |
  sed -n 's/.*Test command: .*run\.sh" "\([a-z0-9]*\)" "\([a-z]*\)".*/\1 \2/p' | sort -k2,2 -k1,1)
[ -n "$list" ] || fail "the tests list no end-to-end run"

if [ "$bits" = 32 ]; then
  step "the shipped Setup.exe, end to end (natively, in the tests)"
  while read -r version run; do
    row=$(grep -F "| end_to_end.$version |" <<<"$tests")    # "| test | result | seconds |"
    journeys+="| $version | $run | natively, in the tests | ${row#*| end_to_end.$version | }"$'\n'
  done <<<"$list"
else
  step "install QEMU's user-mode emulator and 32-bit Wine"
  tools/install-packages.sh qemu-user-static wine32:i386 wine32-preloader:i386 2>&1 | tee "$work/install.log" | sed 's/^/  /' >&2
  [ "${PIPESTATUS[0]}" = 0 ] || fail "the install failed (see $work/install.log)"
  # Without the preloader no emulated start of Setup.exe succeeds (see wine-paths.sh).
  why=$(tools/wine-paths.sh 32 2>&1 >/dev/null) || fail "${why#wine-paths.sh: }"

  # Wine's own programs of the prefix run natively; its 32-bit half is made by 32-bit
  # programs, which run emulated. This boot proves that the half can be made; each journey
  # then boots a prefix of its own from a template, as the tests do.
  step "boot a 64-bit Wine prefix with its 32-bit half, under the emulator"
  tools/with-i386-emulation.sh bash -c '. tools/wine-env.sh "$1" win10' boot "$work/wine/boot" \
    > "$work/boot.log" 2>&1 || fail "the prefix could not be made (see $work/boot.log)"
  tools/wine-stop.sh "$work/wine/boot"
  [ -f "$work/wine/boot/drive_c/windows/syswow64/kernel32.dll" ] || fail "the prefix has no 32-bit half"

  step "the shipped Setup.exe, end to end, emulated ($(echo "$list" | wc -l) versions, $jobs at a time)"
  journey() {   # journey VERSION RUN: one run of the suite's script on the shipped file
    local version=$1 run=$2 begun status
    begun=$(date +%s)
    # A Wine process that hangs would hold the release for ever: timeout ends the journey's
    # whole process group.
    DRIVER_WAIT_SECONDS=180 timeout -k 30 $((journey_minutes * 60)) tools/with-i386-emulation.sh \
      bash tests/e2e/run.sh "$version" "$run" "$setup" "$build/tests/e2e" "$work/wine/e2e-$version" \
      > "$work/e2e-$version.log" 2>&1
    status=$?
    tools/wine-stop.sh "$work/wine/e2e-$version"
    [ "$status" != 124 ] || echo "$version: timed out after $journey_minutes min" >> "$work/e2e-$version.log"
    echo "$version $run $status $(elapsed "$begun") $(tail -n 1 "$work/e2e-$version.log" | tr -d '\n')" >> "$work/journeys"
    echo "  [$(elapsed)] $version ($run): $([ $status = 0 ] && echo passed || echo FAILED), $(elapsed "$begun")"
  }
  : > "$work/journeys"
  running=0
  while read -r version run; do
    # Once one has failed the file will not ship: the rest need not run.
    awk '$3 != 0 { found = 1 } END { exit !found }' "$work/journeys" && break
    journey "$version" "$run" &
    running=$((running + 1))
    if [ "$running" -ge "$jobs" ]; then
      wait -n
      running=$((running - 1))
    fi
  done <<<"$list"
  wait
  failed=""
  how="Setup.exe emulated (QEMU user mode), Wine's own programs natively"
  while read -r version run status time summary; do
    if [ "$status" = 0 ]; then
      journeys+="| $version | $run | $how | passed: $summary | $time |"$'\n'
    else
      journeys+="| $version | $run | $how | **FAILED**: $summary | $time |"$'\n'
      failed+=" $version"
    fi
  done < <(sort "$work/journeys")
  while read -r version run; do
    grep -q "^$version " "$work/journeys" || journeys+="| $version | $run | | not run: another journey had failed | |"$'\n'
  done <<<"$list"
  if [ -n "$failed" ]; then
    for version in $failed; do
      grep -E '^FAIL|^  (expected|actual)|timed out after' "$work/e2e-$version.log" | head -n 10 | sed 's/^/  /' >&2
      # What Wine said of the last start of Setup.exe, such as a load address it could not have.
      grep -v '^trace:' "$work/wine/e2e-$version/.e2e/setup.err" 2>/dev/null | tail -n 3 | sed "s/^/  $version, Setup.exe: /" >&2
    done
    fail "the shipped Setup.exe failed its journey on:$failed (logs: $work/e2e-VERSION.log)"
  fi
fi

# The new release is put together beside dist/ and takes its place whole.
step "write dist/"
staged=$work/dist
mkdir -p "$staged"
cp "$setup" "$staged/Setup.exe" || fail "could not copy $setup"
(cd "$staged" && sha256sum Setup.exe > SHA256SUMS) || fail "could not sum Setup.exe"
write_report "$staged/REPORT.md"
rm -rf "$dist.old"
[ ! -e "$dist" ] || mv "$dist" "$dist.old" || fail "could not move the previous $dist aside"
if ! mv "$staged" "$dist"; then
  [ ! -e "$dist.old" ] || mv "$dist.old" "$dist"
  fail "could not move $staged to $dist"
fi
rm -rf "$dist.old"
echo "[$(elapsed)] released $commit:"
sed 's/^/  /' "$dist/SHA256SUMS"
echo "  the report is dist/REPORT.md"
