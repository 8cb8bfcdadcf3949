#!/bin/sh
# Usage: with-i386-emulation.sh COMMAND [ARG...]
# Runs COMMAND where the kernel runs no 32-bit program, with 32-bit (i386) Linux programs,
# Wine's 32-bit loader among them, run by QEMU's user-mode emulator. Both come from the kit
# that i386-kit.sh unpacks into build/i386 (SETUP_I386_KIT names another), and QEMU finds
# every file of the kit where the system would have it. The binfmt_misc entry that hands
# i386 programs to QEMU lives in a user and mount namespace of the command's own: nothing
# outside it changes, and every other script here still finds that the kernel runs no
# 32-bit program. Inside, SETUP_WINE_BITS=64 keeps the scripts to 64-bit Wine and its
# prefixes, so that only the 32-bit Windows programs run emulated, and wine-paths.sh gives
# them the kit's copy of the 64-bit loader, the one that finds the kit's 32-bit loader.
[ $# -gt 0 ] || { echo "usage: with-i386-emulation.sh COMMAND [ARG...]" >&2; exit 2; }
kit=${SETUP_I386_KIT:-$(cd "$(dirname "$0")/.." && pwd)/build/i386}
qemu=$kit/root/usr/bin/qemu-i386-static
[ -f "$kit/versions" ] && [ -x "$qemu" ] ||
  { echo "with-i386-emulation.sh: no kit in $kit: make it with tools/i386-kit.sh $kit" >&2; exit 2; }
SETUP_WINE_BITS=${SETUP_WINE_BITS:-64} SETUP_I386_ROOT=$kit/root QEMU_LD_PREFIX=$kit/root
export SETUP_WINE_BITS SETUP_I386_ROOT QEMU_LD_PREFIX
# The entry matches an i386 ELF executable's header; F opens QEMU now, so that it works in
# every mount namespace the command goes on to make.
exec unshare --user --map-root-user --mount sh -c '
  mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc || exit 2
  printf "%s" ":qemu-i386:M::\\x7fELF\\x01\\x01\\x01\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x02\\x00\\x03\\x00:\\xff\\xff\\xff\\xff\\xff\\xfe\\xfe\\x00\\xff\\xff\\xff\\xff\\xff\\xff\\xff\\xff\\xfe\\xff\\xff\\xff:$0:F" \
    > /proc/sys/fs/binfmt_misc/register || exit 2
  exec "$@"' "$qemu" "$@"
