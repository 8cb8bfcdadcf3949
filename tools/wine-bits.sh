#!/usr/bin/env bash
# Prints 32 when this machine's kernel runs 32-bit (i386) programs, Wine's 32-bit loader
# among them, and 64 when it runs none (32-bit emulation switched off): then only 64-bit
# Windows programs run here, under Wine's 64-bit loader. Asks the kernel itself, by running
# the smallest i386 program there is (it only exits with status 0), so the answer holds
# before anything is installed.
probe=$(mktemp)
trap 'rm -f "$probe"' EXIT
# ELF header, one loadable segment, then: mov eax, 1; xor ebx, ebx; int 0x80 (exit(0)).
printf '\x7f\x45\x4c\x46\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08\x5d\x00\x00\x00\x5d\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00\xb8\x01\x00\x00\x00\x31\xdb\xcd\x80' > "$probe"
chmod +x "$probe"
if "$probe" 2>/dev/null; then echo 32; else echo 64; fi
