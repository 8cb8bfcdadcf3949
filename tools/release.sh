#!/usr/bin/env bash
# Usage: bash tools/release.sh
# Makes a release from the committed tree: builds it and runs every test, whose end-to-end
# journeys run the very Setup.exe that ships, the 32-bit one, on every Windows version they
# cover: natively where the kernel runs 32-bit programs, and under QEMU's user-mode
# emulator where it runs none (see tools/test.sh). Writes dist/Setup.exe, dist/SHA256SUMS
# and dist/REPORT.md. Any failure ends it with a non-zero status and a message that names
# the step and the report, build/release/REPORT.md, and leaves dist/ as it was: the
# previous release stays whole.
set -u
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top" || exit 1
dist=$top/dist
work=$top/build/release
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
    [ "$bits" = 32 ] || echo "- Emulation, unpacked into build/i386 and not installed: $(paste -sd, "$top/build/i386/versions" 2>/dev/null | sed 's/,/, /g')"
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
  how="natively, in the tests"
else
  suite_builds="This kernel runs no 32-bit program: the tests ran 64-bit builds of the same sources, read the shipped 32-bit Setup.exe as a file, and ran it end to end under QEMU's user-mode emulator."
  how="in the tests: Setup.exe emulated (QEMU user mode), Wine's own programs natively"
fi
if [ "$suite_status" != 0 ]; then
  grep -E 'Failed|FAIL|rror' "$suite_log" | tail -n 20 | sed 's/^/  /' >&2
  fail "the tests failed (exit status $suite_status; the whole output is in $suite_log)"
fi
[ -f "$setup" ] || fail "the build left no $setup"
echo "  $(grep -E 'tests passed' "$suite_log")"

# The suite's own end-to-end runs: each version, and which journey it goes through.
step "the shipped Setup.exe, end to end ($how)"
list=$(cd "$build" && ctest -N -V -R '^end_to_end\.' |
  sed -n 's/.*Test command: .*run\.sh" "\([a-z0-9]*\)" "\([a-z]*\)" "\([^"]*\)".*/\1 \2 \3/p' | sort -k2,2 -k1,1)
[ -n "$list" ] || fail "the tests list no end-to-end run"
while read -r version run exe; do
  [ "$exe" = "$setup" ] || fail "end_to_end.$version ran $exe, not the Setup.exe that ships"
  row=$(grep -F "| end_to_end.$version |" <<<"$tests")    # "| test | result | seconds |"
  journeys+="| $version | $run | $how | ${row#*| end_to_end.$version | }"$'\n'
done <<<"$list"

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
