#!/usr/bin/env bash
# End to end: the built Setup.exe on Wine (code page 932) as one Windows version sees it, run
# from a working folder, driven only by clicks and keys on its real windows, and checked
# only from outside: Wine's own reg export for the registry, the window's place against the
# screen, the exit status, and the real shell starting a stand-in Morvane.exe through the
# association.
# Usage: run.sh VERSION journey|full SETUP-EXE E2E-PROGRAM-DIR PREFIX
#   journey: first start, registration, the shell verb, second start, removal of both trees
#            with foreign keys deep in them.
#   full:    that, and Esc, the close box, the refused second registration, a folder with a
#            space, a key nobody may open (NT family), and the restart request.
set -u
version=$1 run=$2 setup=$3 bin=$4 prefix=$5
here=$(cd "$(dirname "$0")" && pwd)
tools=$here/../../tools

# The prefix stays at the default version for Wine's own tools and the helpers; only
# Setup.exe is told it runs on VERSION.
. "$tools/wine-env.sh" "$prefix" win10 || exit 1
# A key's security lives only in the server's memory: a server that ended between two
# programs, as it does once none has run for a moment (under a slow emulator, say), would
# forget a lock set by one before the next met it. So the prefix's server stays for the
# whole run, until the run's cleanup (wine-stop.sh) ends it.
wineserver -p </dev/null >/dev/null 2>&1
wine reg add 'HKCU\Software\Wine\AppDefaults\Setup.exe' /v Version /d "$version" /f >/dev/null 2>&1
work=$prefix/.e2e
mkdir -p "$work"

passed=0 failed=0
pass() { passed=$((passed + 1)); echo "ok   $version: $1"; }
fail() { failed=$((failed + 1)); keep_evidence; echo "FAIL $version: $1 (evidence: $kept)"; }
check() {   # check NAME COMMAND...: passes when the command succeeds
  local name=$1
  shift
  if "$@"; then pass "$name"; else fail "$name"; fi
}
same() {    # same NAME EXPECTED ACTUAL
  if [ "$2" = "$3" ]; then pass "$1"; else fail "$1"; printf '  expected: %s\n  actual:   %s\n' "$2" "$3"; fi
}

# Each window may take DRIVER_WAIT_SECONDS to come (20 unless set): more for a Setup.exe
# that runs under an emulator. The driver reads the same variable.
export DRIVER_WAIT_SECONDS=${DRIVER_WAIT_SECONDS:-20}
# The driver notes in DRIVER_LOG what it looked for, found and did, for the evidence of a
# failure; what Wine and the driver say on their standard error goes there too, with the
# exit status of a call that failed.
export DRIVER_LOG=$work/driver.log
: > "$DRIVER_LOG"
driver() {
  local status=0
  WINEDEBUG=err+all timeout $((DRIVER_WAIT_SECONDS + 40)) wine "$bin/driver.exe" "$@" 2>"$work/driver.err" || status=$?
  if [ -s "$work/driver.err" ] || [ "$status" != 0 ]; then
    { echo "  (driver $*: exit status $status)"; sed 's/^/    /' "$work/driver.err"; } >> "$DRIVER_LOG"
    grep '^driver: ' "$work/driver.err" >&2
  fi
  return $status
}
quietly() { "$@" >/dev/null; }
act() {           # act ARGUMENT...: the driver clicks or presses a key, or the step fails
  driver "$@" || fail "the driver's $* (exit status $?)"
}

# A failed step keeps, in a folder of its own, what a look afterwards needs: the virtual
# display as a picture, every top-level window of the prefix, Setup.exe's standard error and
# exit status, and the driver's log; the folder is then in $kept. A passing run keeps
# nothing.
evidence=$(dirname "$prefix")/evidence/$(basename "$prefix")-$(date +%Y%m%d-%H%M%S)-$$
keep_evidence() {
  kept=$evidence/$failed
  mkdir -p "$kept"
  import -window root "$kept/display.png" 2>"$kept/display.err" && rm -f "$kept/display.err"
  DRIVER_LOG="" timeout 60 wine "$bin/driver.exe" windows > "$kept/windows.txt" 2>&1
  cp "$work/setup.err" "$kept/setup.err" 2>/dev/null
  setup_state > "$kept/setup.status"   # in this shell, which alone may wait for Setup.exe
  cp "$DRIVER_LOG" "$kept/driver.log"
}

# The whole tree under HKEY_CLASSES_ROOT\KEY as Wine's reg exports it, in UTF-8; empty when
# the key does not exist. The file is named by its Unix path on Wine's drive Z:.
exported() {
  local file=$work/export.reg
  for _ in 1 2; do
    rm -f "$file"
    if wine reg export "HKEY_CLASSES_ROOT\\$1" "Z:${file//\//\\}" /y >/dev/null 2>&1; then
      iconv -f UTF-16 -t UTF-8 "$file" | tr -d '\r'
      return 0
    fi
    # A key that is there but could not be exported (reg has failed so, rarely, under load)
    # is tried once more, and must never pass for a missing one.
    wine reg query "HKEY_CLASSES_ROOT\\$1" >/dev/null 2>&1 || return 0
  done
  echo "(HKEY_CLASSES_ROOT\\$1 could not be exported)"
}

# Starts the utility in a working folder and, later, collects its exit status. Linux lays
# out its address space the same every time (setarch -R): a position-independent Wine
# loader then lies at 0x400000, the one address where Setup.exe can load (it carries no
# relocations), and only Wine's preloader keeps that range free. With randomisation the
# two would meet once in about 43 starts; so they meet on every start, or never.
start_setup() {   # start_setup UNIX-FOLDER [WINEDEBUG]
  ( cd "$1" && WINEDEBUG=${2:--all} exec timeout $((DRIVER_WAIT_SECONDS * 6)) setarch -R wine Setup.exe 2>"$work/setup.err" ) &
  setup_pid=$! setup_status=""
}
# Whether the utility started last still runs (an ended one lingers, a zombie, until this
# shell waits for it: only this shell, not a subshell, can), or its exit status.
setup_running() { [ -z "$setup_status" ] && ps -o stat= -p "$setup_pid" 2>/dev/null | grep -qv '^Z'; }
reap() { [ -n "$setup_status" ] || { wait "$setup_pid"; setup_status=$?; }; }
setup_state() {
  if setup_running; then
    echo "Setup.exe is still running"
  else
    reap
    echo "Setup.exe has ended, exit status $setup_status"
  fi
}
ended() {         # ended NAME: the utility started last has ended, with status 0
  reap
  same "$1" 0 "$setup_status"
}

# The dialog of the utility started last, as `driver dialog` prints it, once it shows; fails
# early should the utility end before it does.
started_dialog() {
  local shown waited=0
  until shown=$(DRIVER_WAIT_SECONDS=5 driver dialog 2>/dev/null); do
    waited=$((waited + 5))
    setup_running && [ "$waited" -lt "$DRIVER_WAIT_SECONDS" ] || return 1
  done
  echo "$shown"
}

answer() {        # answer NAME BUTTON EXPECTED-TEXT: the box shows the text; click the button
  local text
  text=$(driver answer "$2")
  same "$1" "$3" "$text"
}

confirm_association='ファイルを関連付けます。よろしいですか？'
registration_failed='レジストリの書き込みに失敗しました。'
restart_offer='再起動すると設定が有効になります。再起動しますか？'
already_associated='既存のレジストリキーを確認しました。　既に作成されています。'
confirm_removal='ファイルの関連付けを解除します。よろしいですか？'
second_confirmation='レジストリキーを確認。これよりMorvaneの情報を削除します。'
removal_done='レジストリの削除に成功しました。'
removal_failed='レジストリの削除に失敗しました。'

layout() {        # the exported ProgID tree for a working folder, given with doubled backslashes
  cat <<EOT
Windows Registry Editor Version 5.00

[HKEY_CLASSES_ROOT\\Morvane]

[HKEY_CLASSES_ROOT\\Morvane\\DefaultIcon]
@="$1\\\\Morvane.exe,1"

[HKEY_CLASSES_ROOT\\Morvane\\shell]

[HKEY_CLASSES_ROOT\\Morvane\\shell\\復元(&R)]

[HKEY_CLASSES_ROOT\\Morvane\\shell\\復元(&R)\\command]
@="$1\\\\Morvane %1"
EOT
}
add_key() {       # add_key KEY [VALUE]
  wine reg add "HKEY_CLASSES_ROOT\\$1" /ve /d "${2:-}" /f >/dev/null 2>&1
}
clean_keys() {
  wine reg delete 'HKEY_CLASSES_ROOT\Morvane' /f >/dev/null 2>&1
  wine reg delete 'HKEY_CLASSES_ROOT\.mv1' /f >/dev/null 2>&1
}

extension=$(printf 'Windows Registry Editor Version 5.00\n\n[HKEY_CLASSES_ROOT\\.mv1]\n@="Morvane"')

# A clean start: no association, keys whose names only begin like its own, and a working
# folder holding the utility and the stand-in.
clean_keys
add_key 'Morvane2\shell\open\command' other
add_key .mv10 Morvane2
neighbours="$(exported Morvane2)$(exported .mv10)"
app=$prefix/drive_c/e2e/App
spaced="$prefix/drive_c/e2e/My App"
docs=$prefix/drive_c/e2e/docs
rm -rf "$prefix/drive_c/e2e"
mkdir -p "$app" "$spaced" "$docs"
cp "$setup" "$bin/Morvane.exe" "$app/"
cp "$setup" "$bin/Morvane.exe" "$spaced/"
echo report > "$docs/report.mv1"

echo "# $version: what a program named Setup.exe is told"
mkdir -p "$work/probe"
cp "$bin/driver.exe" "$work/probe/Setup.exe"
told=$(wine "$work/probe/Setup.exe" version)
family=NT
case $version in win95 | win98 | winme) family=95 ;; esac
same "runs as the $family family (told: $told)" "$family" "${told%% *}"

echo "# $version: first start"
start_setup "$app"
# Nothing else can be checked of a utility that never shows its dialog.
if ! shown=$(started_dialog); then
  fail "the dialog shows (the utility $(setup_running && echo "is still running" || echo "has ended"))"
  ! grep -q 'status c0000018' "$work/setup.err" ||
    echo "  Wine could not load Setup.exe at its base address: is Wine's preloader installed (see tools/wine-paths.sh)?"
  kill "$setup_pid" 2>/dev/null
  wait "$setup_pid"
  echo "$version: $passed passed, $failed failed"
  exit 1
fi
read -r x y width height cx cy toggle <<<"$shown"
same "toggle released" 0 "$toggle"
same "centred across" $((cx / 2 - width / 2)) "$x"
same "centred down" $((cy / 2 - height / 2)) "$y"
if [ "$run" = full ]; then
  act key escape
  # Input arrives in order: once the click after Esc has flipped the toggle, Esc was handled.
  act click toggle
  read -r _ _ _ _ _ _ toggle <<<"$(driver dialog)"
  same "Esc leaves the dialog open" 1 "$toggle"
  check "the close box ends it" driver click close
else
  act click cancel
fi
ended "exit status after the first start"
same "nothing written" "" "$(exported Morvane)$(exported .mv1)"

echo "# $version: register"
start_setup "$app"
act click toggle
act click apply
answer "asks before associating" yes "$confirm_association"
answer "offers the restart" no "$restart_offer"
ended "exit status after registering"
same "the ProgID tree holds the working folder" "$(layout 'C:\\e2e\\App')" "$(exported Morvane)"
same "the extension names the ProgID" "$extension" "$(exported .mv1)"

echo "# $version: the shell runs the verb"
rm -f "$app/Morvane.log"
check "the verb starts Morvane" quietly wine "$bin/shellverb.exe" 'C:\e2e\docs\report.mv1'
check "Morvane got the document" grep -qF 'C:\e2e\docs\report.mv1' "$app/Morvane.log"

echo "# $version: start again, and remove"
# Other software's keys, several levels deep in both trees, go with them.
add_key 'Morvane\shellex\PropertySheetHandlers\{0}\deep' d
add_key '.mv1\ShellNew\Config\deeper\deepest' n
start_setup "$app"
read -r x y width height cx cy toggle <<<"$(driver dialog)"
same "toggle pressed" 1 "$toggle"
if [ "$run" = full ]; then
  act click apply
  answer "asks again" yes "$confirm_association"
  answer "finds the existing key" ok "$already_associated"
  answer "and reports the failure" ok "$registration_failed"
  check "the dialog stays open" quietly driver dialog
fi
act click toggle
act click apply
answer "asks before removing" yes "$confirm_removal"
answer "asks once more" yes "$second_confirmation"
answer "reports the removal" ok "$removal_done"
answer "offers the restart after removal" no "$restart_offer"
ended "exit status after removing"
same "both trees are gone" "" "$(exported Morvane)$(exported .mv1)"
same "Morvane2 and .mv10 are kept" "$neighbours" "$(exported Morvane2)$(exported .mv10)"
rm -f "$app/Morvane.log"
check "the verb no longer starts anything" bash -c "! wine '$bin/shellverb.exe' 'C:\\e2e\\docs\\report.mv1' >/dev/null"
check "Morvane was not started" test ! -e "$app/Morvane.log"

if [ "$run" = full ]; then
  echo "# $version: a working folder with a space"
  start_setup "$spaced"
  act click toggle
  act click apply
  answer "asks before associating there" yes "$confirm_association"
  answer "offers the restart there" no "$restart_offer"
  ended "exit status there"
  same "the values hold the folder, spaces and all" "$(layout 'C:\\e2e\\My App')" "$(exported Morvane)"
  check "the verb starts Morvane there" quietly wine "$bin/shellverb.exe" 'C:\e2e\docs\report.mv1'
  check "that Morvane got the document" grep -qF 'C:\e2e\docs\report.mv1' "$spaced/Morvane.log"

  case $version in
    win95 | win98 | winme) ;;   # the 95 family keeps no security on registry keys
    *)
      echo "# $version: removal stopped by a key nobody may open"
      locked='Morvane\shellex\Handler'
      add_key "$locked\\deep" d
      check "the key is locked" wine "$bin/lockkey.exe" 'D:P(D;;KA;;;WD)' "$locked"
      start_setup "$spaced"
      act click toggle
      act click apply
      answer "asks before removing the locked tree" yes "$confirm_removal"
      answer "asks once more there" yes "$second_confirmation"
      answer "reports the failure, with no success box and no restart offer" ok "$removal_failed"
      check "the dialog stays open after the failure" quietly driver dialog
      act click cancel
      ended "exit status after the failure"
      same "the extension is removed all the same" "" "$(exported .mv1)"
      check "the ProgID stays" bash -c "wine reg query 'HKEY_CLASSES_ROOT\\Morvane' >/dev/null 2>&1"
      wine "$bin/lockkey.exe" 'D:(A;;KA;;;WD)' "$locked"
      ;;
  esac
  clean_keys

  echo "# $version: restart requested"
  wine reg add 'HKCU\Software\Wine\Debug' /v RelayInclude /d 'user32.ExitWindowsEx' /f >/dev/null 2>&1
  start_setup "$app" +relay
  act click toggle
  act click apply
  answer "asks before associating again" yes "$confirm_association"
  answer "offers the restart again" yes "$restart_offer"
  ended "exit status after requesting the restart"
  check "the restart is requested with EWX_REBOOT" grep -q 'Call user32.ExitWindowsEx(00000002,' "$work/setup.err"
  # Wine grants the request (the shutdown privilege was enabled first) and ends its session's
  # programs instead of restarting a machine.
  check "Wine accepts the request" grep -q 'Ret  user32.ExitWindowsEx() retval=00000001' "$work/setup.err"
  wine reg delete 'HKCU\Software\Wine\Debug' /v RelayInclude /f >/dev/null 2>&1
  check "the dialog is gone" driver gone
  same "the keys survive the restart request" "$(layout 'C:\\e2e\\App')" "$(exported Morvane)"
fi

echo "$version: $passed passed, $failed failed"
[ "$failed" = 0 ]
