#!/usr/bin/env bash
# Prints 32 when this machine's kernel runs 32-bit (i386) programs, Wine's 32-bit loader
# among them, and 64 when it runs none (32-bit emulation switched off): then only 64-bit
# Windows programs run here, under Wine's 64-bit loader. Asks the kernel itself, by running
# the smallest i386 program there is (it only exits with status 0), so the answer holds
# before anything is installed.
# A caller that has made 32-bit programs run under an emulator of its own, for a 32-bit
# program it runs in a 64-bit prefix, keeps the rest to the kernel's own answer in
# SETUP_WINE_BITS.
if [ -n "${SETUP_WINE_BITS:-}" ]; then
  echo "$SETUP_WINE_BITS"
  exit 0
fi
top=$(cd "$(dirname "$0")/.." && pwd)
# A folder mounted noexec refuses every program, and the probe's failure there would say
# nothing of the kernel: a script beside it must run first.
for folder in "$top/build" "${TMPDIR:-/tmp}" "$HOME"; do
  mkdir -p "$folder" 2>/dev/null || continue
  probe=$(mktemp -p "$folder" .wine-bits.XXXXXX 2>/dev/null) || continue
  printf '#!/bin/sh\nexit 0\n' > "$probe.sh"
  chmod +x "$probe" "$probe.sh"
  if ! "$probe.sh" 2>/dev/null; then
    rm -f "$probe" "$probe.sh"
    continue
  fi
  # ELF header, one loadable segment, then: mov eax, 1; xor ebx, ebx; int 0x80 (exit(0)).
  printf '\x7f\x45\x4c\x46\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08\x5d\x00\x00\x00\x5d\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00\xb8\x01\x00\x00\x00\x31\xdb\xcd\x80' > "$probe"
  if "$probe" 2>/dev/null; then bits=32; else bits=64; fi
  rm -f "$probe" "$probe.sh"
  echo "$bits"
  exit 0
done
echo "wine-bits.sh: no folder here may run a program ($top/build, ${TMPDIR:-/tmp}, $HOME)" >&2
exit 1
