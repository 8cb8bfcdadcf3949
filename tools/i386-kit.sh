#!/usr/bin/env bash
# Usage: i386-kit.sh FOLDER
# Makes FOLDER/root hold what running the shipped 32-bit Setup.exe needs where the kernel
# runs no 32-bit program, unpacked from the packages of the suites this machine's apt is set
# up with, and installed nowhere: QEMU's user-mode emulator for i386 (qemu-i386-static),
# 32-bit Wine and its preloader, and every i386 library they need. Installing them instead
# would make the 32-bit loader the one that /usr/bin/wine starts, and that loader cannot
# run here ("Exec format error"). FOLDER/root mirrors the system's own paths, and QEMU looks
# there first for every file an emulated program opens (QEMU_LD_PREFIX, set by
# with-i386-emulation.sh). Nothing of the system changes: apt works on lists, a cache and a
# package state of FOLDER's own, as any user. FOLDER/versions names what was unpacked.
# Safe to run again: a complete kit is kept.
set -eu
me=i386-kit.sh
mkdir -p "$1"
folder=$(cd "$1" && pwd)
root=$folder/root
archives=$folder/apt/archives
tools=$(cd "$(dirname "$0")" && pwd)
# One kit at a time: the tests' fixture may meet test.sh's own making of it.
exec 9>"$folder.lock"
flock 9
[ -f "$folder/versions" ] && exit 0
rm -rf "$root"
mkdir -p "$folder/apt/lists/partial" "$archives/partial" "$root"
: > "$folder/apt/status"   # nothing installed: apt fetches the whole i386 closure

# The machine's own sources, with i386 beside its own architecture; lists, cache and the
# package state are FOLDER's, so no lock or file of the system's apt is touched.
apt=(apt-get -q -o "Dir::State=$folder/apt" -o "Dir::State::Lists=$folder/apt/lists"
     -o "Dir::State::status=$folder/apt/status" -o "Dir::Cache=$folder/apt"
     -o "Dir::Cache::archives=$archives" -o "APT::Architectures::=$(dpkg --print-architecture)"
     -o APT::Architectures::=i386 -o Debug::NoLocking=1 -o "APT::Sandbox::User=$(id -un)"
     -o Acquire::Retries=3)
log=$folder/apt.log
"${apt[@]}" update > "$log" 2>&1 && ! grep -q '^[EW]: Failed to fetch' "$log" || {
  grep -E '^(Err:|[EW]: )' "$log" >&2
  echo "$me: the i386 package lists could not be downloaded (all of apt's output: $log)" >&2
  exit 1
}
packages=(qemu-user-static wine32:i386 wine32-preloader:i386)
"${apt[@]}" install -y --download-only --no-install-recommends "${packages[@]}" >> "$log" 2>&1 || {
  grep -E '^(E: | [a-z0-9.+-]+(:i386)? : )' "$log" >&2
  echo "$me: apt could not download ${packages[*]} and the i386 libraries they need (all of apt's output: $log)" >&2
  exit 1
}

# The i386 packages, and the one file of QEMU's that is needed. Their files go where they
# would be installed; the 64-bit and architecture-independent packages are the system's.
unpack() {    # unpack DEB [MEMBER...]
  dpkg-deb --fsys-tarfile "$1" | tar -C "$root" -x --exclude=./usr/share/doc --exclude=./usr/share/man "${@:2}"
}
export -f unpack
export root
find "$archives" -name '*_i386.deb' -print0 | xargs -0 -P "$(nproc)" -I{} bash -c 'unpack "$1"' unpack {}
# Debian 13's packages put in /usr/lib what a program still finds in /lib, through the
# system's link: the kit has the same link (Debian 12's put it in /lib itself).
[ -e "$root/lib" ] || ln -s usr/lib "$root/lib"
# Debian 12's qemu-user-static holds the emulator itself; Debian 13's links to qemu-user's.
for deb in "$archives"/qemu-user-static_*.deb "$archives"/qemu-user_*.deb; do
  [ ! -f "$deb" ] || unpack "$deb" --wildcards './usr/bin/qemu-i386*'
done
qemu=$root/usr/bin/qemu-i386-static
[ -x "$qemu" ] || { echo "$me: qemu-user-static and qemu-user hold no usr/bin/qemu-i386-static" >&2; exit 1; }

# Wine's packages finish their install with a script; what those scripts do for the files
# that Setup.exe needs is done here, inside the kit.
# - libwine's copies zlib1.dll, which user32.dll imports, from the MinGW-w64 package, and
#   marks the copy as one of Wine's own DLLs.
dll=$root/usr/lib/i386-linux-gnu/wine/i386-windows
if [ -d "$dll" ] && [ ! -e "$dll/zlib1.dll" ]; then
  zlib=/usr/i686-w64-mingw32/lib/zlib1.dll
  [ -f "$zlib" ] || unpack "$archives"/libz-mingw-w64_*.deb "./usr/i686-w64-mingw32/lib/zlib1.dll"
  [ -f "$zlib" ] || zlib=$root$zlib
  { head -c 64 "$zlib"; printf 'Wine builtin DLL'; head -c 16 /dev/zero; tail -c +97 "$zlib"; } > "$dll/zlib1.dll"
fi

# The i386 libraries are found through a cache of the kit's own (the system's lists the
# system's libraries): it names them by their paths in the kit, where QEMU finds them too.
printf '%s\n' "$root/lib/i386-linux-gnu" "$root/usr/lib/i386-linux-gnu" > "$folder/ld.so.conf"
ldconfig=$(PATH=$PATH:/sbin:/usr/sbin command -v ldconfig) ||
  { echo "$me: ldconfig is missing" >&2; exit 1; }
"$ldconfig" -X -C "$root/etc/ld.so.cache" -f "$folder/ld.so.conf"

# Wine's 64-bit loader looks for the 32-bit one in its own folder only: a copy of the
# system's sits beside the kit's 32-bit loader, and finds the system's 64-bit Wine through
# links where its packages put it.
wine32=$(find "$root/usr/lib" -path '*wine/wine' -type f | head -n 1)
[ -n "$wine32" ] || { echo "$me: wine32:i386 holds no 32-bit loader" >&2; exit 1; }
[ -e "$(dirname "$wine32")/wine-preloader" ] || { echo "$me: wine32-preloader:i386 holds no preloader beside $wine32" >&2; exit 1; }
wine64=$(SETUP_WINE_BITS=64 SETUP_I386_ROOT="" "$tools/wine-paths.sh" 64 | head -n 1)
[ "$(basename "$wine64")" != "$(basename "$wine32")" ] ||
  { echo "$me: the 32-bit and 64-bit loaders have one name, $(basename "$wine32"): a kit cannot hold both in one folder" >&2; exit 1; }
cp "$wine64" "$(dirname "$wine32")/$(basename "$wine64")"
printf '32 %s\n64 %s\n' "$wine32" "$(dirname "$wine32")/$(basename "$wine64")" > "$folder/loaders"
lib=/usr/lib/x86_64-linux-gnu/wine
[ -e "$root$lib" ] || { mkdir -p "$(dirname "$root$lib")"; ln -s "$lib" "$root$lib"; }

for deb in "$archives"/qemu-user-static_*.deb "$archives"/qemu-user_*.deb "$archives"/wine32_*_i386.deb \
           "$archives"/wine32-preloader_*_i386.deb "$archives"/libwine_*_i386.deb; do
  [ ! -f "$deb" ] || dpkg-deb --show --showformat '${Package}:${Architecture} ${Version}\n' "$deb"
done > "$folder/versions.new"
# The downloaded packages are unpacked now; the versions file marks a complete kit.
rm -f "$archives"/*.deb
mv "$folder/versions.new" "$folder/versions"
