#!/bin/sh
# Usage: with-i386-emulation.sh COMMAND [ARG...]
# Runs COMMAND where the kernel runs no 32-bit program, with 32-bit (i386) Linux programs,
# Wine's 32-bit loader among them, run by QEMU's user-mode emulator (qemu-user-static).
# The binfmt_misc entry that hands them to QEMU lives in a user and mount namespace of the
# command's own: nothing outside it changes, and every other script here still finds that
# the kernel runs no 32-bit program. Inside, SETUP_WINE_BITS=64 keeps the scripts to 64-bit
# Wine and its prefixes, so that only the 32-bit Windows programs run emulated. Called with
# SETUP_WINE_BITS=32, the scripts take the path of a kernel that runs 32-bit programs, all
# of it emulated, Wine's own programs too: far slower, but a way to try that path here
# (wine32:i386 and wine32-preloader:i386 must be installed first).
[ $# -gt 0 ] || { echo "usage: with-i386-emulation.sh COMMAND [ARG...]" >&2; exit 2; }
[ -x /usr/bin/qemu-i386-static ] || { echo "with-i386-emulation.sh: qemu-user-static is not installed" >&2; exit 2; }
SETUP_WINE_BITS=${SETUP_WINE_BITS:-64}
export SETUP_WINE_BITS
# The entry matches an i386 ELF executable's header; F opens QEMU now, so that it works in
# every mount namespace the command goes on to make.
exec unshare --user --map-root-user --mount sh -c '
  mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc || exit 2
  printf "%s" ":qemu-i386:M::\\x7fELF\\x01\\x01\\x01\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x02\\x00\\x03\\x00:\\xff\\xff\\xff\\xff\\xff\\xfe\\xfe\\x00\\xff\\xff\\xff\\xff\\xff\\xff\\xff\\xff\\xfe\\xff\\xff\\xff:/usr/bin/qemu-i386-static:F" \
    > /proc/sys/fs/binfmt_misc/register || exit 2
  exec "$@"' with-i386-emulation.sh "$@"
