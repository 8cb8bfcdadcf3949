#!/usr/bin/env bash
# Usage: tools/try-on-debian.sh 12|13|sid [root] [user] [release]   (as root; not in CI)
# Tries the project as a newcomer would on a fresh minimal Debian 12 or 13, or on Debian
# unstable (sid), to see what the next release will need: made with debootstrap (minbase,
# with ca-certificates, git and sudo), its updates and security suites added and applied
# (unstable has neither). MIRROR and SECURITY_MIRROR name other package mirrors. Each run
# gets a copy of that system of its own, a clone of this checkout's HEAD, and no DISPLAY:
#   root     the README's test command, as root
#   user     the same as an ordinary user who may use sudo
#   release  tools/release.sh as that user
# (root and user when none is named). Each runs in a mount namespace whose root is the
# system's folder, changed with pivot_root: the tests' emulation wrapper needs a user
# namespace, which the kernel refuses to a process that a plain chroot has confined. A run
# fails when its command fails, when a package that was installed before it is gone or
# older afterwards, or, where the kernel runs no 32-bit program, when it installed an i386
# package or left `wine` typed by hand unable to run a 64-bit program (Wine's own cmd.exe,
# in a new prefix of the user's). Everything is kept in
# build/try-on-debian-N (or $WORK) for a look afterwards; the next run starts it anew.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
me=try-on-debian.sh
case ${1:-} in
  12) suite=bookworm ;;
  13) suite=trixie ;;
  sid) suite=sid ;;
  *) echo "usage: $me 12|13|sid [root] [user] [release]" >&2; exit 2 ;;
esac
version=$1
shift
runs=${*:-root user}
[ "$(id -u)" = 0 ] || { echo "$me: debootstrap and chroot need root; run it with sudo" >&2; exit 2; }
mirror=${MIRROR:-http://deb.debian.org/debian}
security=${SECURITY_MIRROR:-http://deb.debian.org/debian-security}
work=${WORK:-$top/build/try-on-debian-$version}
commit=$(git -C "$top" rev-parse HEAD)
bits=$("$top/tools/wine-bits.sh")   # the trial systems run on this machine's kernel
started=$(date +%s)
elapsed() { local s=$(($(date +%s) - ${1:-$started})); printf '%d:%02d' $((s / 60)) $((s % 60)); }
say() { echo "[$(elapsed)] $*"; }

"$top/tools/install-packages.sh" debootstrap

# A run's mounts live in a mount namespace of its own and go with it; the host's root is
# let go of, so that the system's folder is the namespace's own root.
in_system() {   # in_system DIR COMMAND...
  unshare --mount --propagation private bash -c '
    dir=$(realpath "$1"); shift
    mount --bind "$dir" "$dir"
    mount -t proc proc "$dir/proc"
    mount --rbind /sys "$dir/sys"
    mount --rbind /dev "$dir/dev"
    mount -t tmpfs tmpfs "$dir/dev/shm"
    mkdir -p "$dir/.host"
    cd "$dir"
    pivot_root . .host
    umount -l /.host
    rmdir /.host
    exec chroot . "$@"' in_system "$@"
}
packages() {    # packages DIR: "name:arch version" of every installed package
  in_system "$1" dpkg-query -W -f '${db:Status-Status} ${Package}:${Architecture} ${Version}\n' |
    awk '$1 == "installed" { print $2, $3 }' | sort
}
# Packages of BEFORE that AFTER lacks or holds at an older version.
lost_or_older() {   # lost_or_older BEFORE AFTER
  local name old new
  while read -r name old; do
    new=$(awk -v n="$name" '$1 == n { print $2 }' "$2")
    if [ -z "$new" ]; then
      echo "  $name $old: gone"
    elif dpkg --compare-versions "$new" lt "$old"; then
      echo "  $name $old: now older, $new"
    fi
  done < "$1"
}

rm -rf "$work"
mkdir -p "$work"
base=$work/base
say "debootstrap Debian $version ($suite), minbase with ca-certificates, git and sudo"
debootstrap --variant=minbase --include=ca-certificates,git,sudo "$suite" "$base" "$mirror" \
  > "$work/debootstrap.log" 2>&1 || { tail -n 20 "$work/debootstrap.log" >&2; exit 1; }
if [ "$suite" = sid ]; then
  echo "deb $mirror $suite main" > "$base/etc/apt/sources.list"
  # A mirror that is a dated snapshot serves a Release file of unstable's that apt calls
  # expired; this trial system, and no user's machine, takes it all the same.
  echo 'Acquire::Check-Valid-Until "false";' > "$base/etc/apt/apt.conf.d/99snapshot-mirror"
else
  cat > "$base/etc/apt/sources.list" <<EOT
deb $mirror $suite main
deb $mirror $suite-updates main
deb $security $suite-security main
EOT
fi
say "apply its updates and security updates"
in_system "$base" sh -c 'apt-get update && DEBIAN_FRONTEND=noninteractive apt-get -y upgrade' \
  > "$work/upgrade.log" 2>&1 || { tail -n 20 "$work/upgrade.log" >&2; exit 1; }
say "Debian $(cat "$base/etc/debian_version"), $(packages "$base" | wc -l) packages"
in_system "$base" useradd --create-home --shell /bin/bash newcomer
echo 'newcomer ALL=(ALL) NOPASSWD: ALL' > "$base/etc/sudoers.d/newcomer"
chmod 440 "$base/etc/sudoers.d/newcomer"

failed=""
for run in $runs; do
  dir=$work/$run
  say "$run: a copy of the system, and a clone of $commit"
  cp -a "$base" "$dir"
  if [ "$run" = root ]; then home=/root owner=root; else home=/home/newcomer owner=newcomer; fi
  git clone -q --no-hardlinks "$top" "$dir$home/main"
  git -C "$dir$home/main" checkout -q "$commit"
  in_system "$dir" chown -R "$owner:$owner" "$home/main"
  packages "$dir" > "$work/$run.before"
  case $run in
    root | user) command='bash tools/test.sh' ;;
    release) command='bash tools/release.sh' ;;
    *) echo "$me: no run named $run" >&2; exit 2 ;;
  esac
  say "$run: $command, as $owner"
  begun=$(date +%s)
  status=0
  environment=(env -i "HOME=$home" "USER=$owner" PATH=/usr/local/bin:/usr/bin:/bin:/usr/sbin:/sbin LANG=C.UTF-8)
  in_system "$dir" runuser -u "$owner" -- "${environment[@]}" bash -c "cd ~/main && $command" \
    > "$work/$run.log" 2>&1 < /dev/null || status=$?
  took=$(elapsed "$begun")
  packages "$dir" > "$work/$run.after"
  lost=$(lost_or_older "$work/$run.before" "$work/$run.after")
  if [ "$bits" = 64 ]; then
    # Nothing that only the emulated journeys need is installed: 32-bit Wine would make
    # /usr/bin/wine start a loader that this kernel cannot run.
    lost+=$(grep ':i386 ' "$work/$run.after" | sed 's/^/  installed, though this kernel runs no 32-bit program: /')
    by_hand=$(in_system "$dir" runuser -u "$owner" -- "${environment[@]}" WINEDEBUG=-all WINEPREFIX="$home/.wine-by-hand" \
      timeout 300 wine cmd /c echo wine by hand runs 2>&1 < /dev/null | tr -d '\r')
    echo "$by_hand" > "$work/$run.wine-by-hand"
    grep -qx 'wine by hand runs' <<<"$by_hand" ||
      lost+=$'\n'"  wine typed by hand no longer runs a 64-bit program: $(tail -n 1 <<<"$by_hand")"
  fi
  summary=$(grep -E 'tests passed|tests failed|released |FAILED' "$work/$run.log" | tail -n 2 | tr '\n' ' ')
  if [ "$status" != 0 ]; then
    tail -n 30 "$work/$run.log" | sed 's/^/  /'
    say "$run: FAILED with status $status after $took: $summary(log: $work/$run.log)"
    failed+=" $run"
  elif [ -n "$lost" ]; then
    echo "$lost"
    say "$run: FAILED: the run changed what was there before (above)"
    failed+=" $run"
  else
    say "$run: passed in $took, $(($(wc -l < "$work/$run.after") - $(wc -l < "$work/$run.before"))) packages added, none gone or older$([ "$bits" = 32 ] || echo ", no i386 one, wine by hand runs"): $summary"
  fi
done
[ -z "$failed" ] || { say "Debian $version: FAILED:$failed"; exit 1; }
say "Debian $version: passed: $runs"
