#!/usr/bin/env bash
# Usage: install-packages.sh PACKAGE...
# Installs those of the Debian PACKAGEs (NAME or NAME:ARCH) that are not installed yet, from
# the suites that this machine's apt is set up with, as root or through sudo. It never
# removes, downgrades or changes a held package: when apt would have to, apt refuses, and
# this says why and what to run, having installed nothing. A package index that fails to
# download is fetched again before this gives up and names it. A user who is neither root
# nor may use sudo is told what to run before anything is done.
set -u
me=install-packages.sh

missing=()
for package in "$@"; do
  [ "$(dpkg-query -W -f '${db:Status-Status}' "$package" 2>/dev/null)" = installed ] || missing+=("$package")
done
[ ${#missing[@]} = 0 ] && exit 0

foreign=""
case " ${missing[*]}" in *:i386*) dpkg --print-foreign-architectures | grep -qx i386 || foreign=i386 ;; esac
commands() {    # what a root user would run instead
  [ -z "$foreign" ] || echo "  dpkg --add-architecture $foreign"
  echo "  apt-get update"
  echo "  apt-get install --no-install-recommends ${missing[*]}"
}

as=()
if [ "$(id -u)" != 0 ]; then
  as=(sudo)
  if ! command -v sudo >/dev/null 2>&1 || ! { sudo -n true 2>/dev/null || { [ -t 0 ] && sudo -v; }; }; then
    echo "$me: these packages are missing, and installing them needs root or sudo, which this user may not use:" >&2
    echo "  ${missing[*]}" >&2
    echo "$me: ask someone who may to run, as root, the following; then run this command again:" >&2
    commands >&2
    exit 1
  fi
fi
echo "$me: installing ${missing[*]}" >&2

log=$(mktemp "${TMPDIR:-/tmp}/install-packages.XXXXXX.log")
# A desktop's own updater may hold apt's lock for a while: wait for it.
apt=(apt-get -o DPkg::Lock::Timeout=300)
# Leaves the machine as it was found: the architecture added for the install goes again.
give_up() {
  [ -z "$foreign" ] || "${as[@]}" dpkg --remove-architecture "$foreign" 2>/dev/null
  echo "$me: $1; nothing was installed." >&2
  rm -f "$log"
  exit 1
}
[ -z "$foreign" ] || "${as[@]}" dpkg --add-architecture "$foreign" || give_up "dpkg could not add the $foreign architecture"

# A mirror being synced serves an index whose size does not match its signed list ("File
# has unexpected size"); apt then exits with an error, or warns and keeps an older index,
# whose packages need not match the machine's own. Both are tried again.
for try in 1 2 3 4; do
  "${as[@]}" "${apt[@]}" update -o Acquire::Retries=3 >"$log" 2>&1 && ! grep -q '^[EW]: Failed to fetch' "$log" && break
  if [ "$try" = 4 ]; then
    grep -E '^(Err:|[EW]: )' "$log" >&2
    give_up "apt-get update failed four times: the index above could not be downloaded. Run this command again once its mirror has caught up"
  fi
  echo "$me: apt-get update failed (try $try of 4); trying again" >&2
  sleep $((try * 15))
done

# -y never lets apt downgrade or touch a held package, and --no-remove stops it before it
# would remove one.
if ! "${as[@]}" env DEBIAN_FRONTEND=noninteractive "${apt[@]}" install -y --no-install-recommends --no-remove \
     "${missing[@]}" >"$log" 2>&1; then
  grep -vE '^(Reading|Building|Get:|Fetched|Preparing|Unpacking|Selecting|Setting up|Processing)' "$log" | tail -n 30 >&2
  if grep -q '^Unpacking' "$log"; then
    echo "$me: apt-get install failed part way through (above); its whole output is in $log" >&2
    exit 1
  fi
  echo "$me: apt refused to install these packages (its reason is above): it would have had to remove, downgrade or change held packages of this machine, or they cannot be had from its suites." >&2
  echo "$me: to see what apt would do, run the following as root (apt-get upgrade first often settles it):" >&2
  commands >&2
  give_up "apt refused"
fi
rm -f "$log"
exit 0
