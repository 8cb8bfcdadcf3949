#!/usr/bin/env bash
# Sets up this machine, builds the utility and its tests, and runs every test under Wine.
# Where the kernel cannot run 32-bit programs, the tests run a 64-bit build of the same
# sources (build/x64; see runnable-build.sh), and the journeys run the shipped 32-bit
# Setup.exe under QEMU's emulator, from a kit unpacked into build/i386 (i386-kit.sh).
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/tools/setup-machine.sh"
# Booting the Wine prefixes that the tests' prefixes are copied from takes many seconds,
# mostly waiting, and so does fetching the kit: they go on while the build compiles.
build=$("$top/tools/runnable-build.sh" --folder)
( . "$top/tools/wine-env.sh" "$build/wine/nt40" nt40 ) >/dev/null 2>&1 &
if [ "$build" != "$top/build" ]; then
  mkdir -p "$top/build"
  # shellcheck disable=SC2016   # the inner shell expands them
  { "$top/tools/i386-kit.sh" "$top/build/i386" &&
      "$top/tools/with-i386-emulation.sh" bash -c '. "$1" "$2" win10' boot "$top/tools/wine-env.sh" "$build/wine-i386/e2e-win10"
  } >"$top/build/i386.log" 2>&1 &
fi
"$top/tools/runnable-build.sh" >/dev/null
# Should one of those have failed, the tests prepare the kit or the prefix themselves, and
# say what went wrong.
wait || true
cd "$build"
status=0
ctest --output-on-failure -j "$(($(nproc) * 2))" "$@" || status=$?
# Each test's prefix is ended by ctest once its last test has ended; the prefix booted above
# is ended here too should ctest have picked none of its tests.
shopt -s nullglob
"$top/tools/wine-stop.sh" "$build"/wine/*/ "$build"/wine-i386/*/
exit $status
