#!/usr/bin/env bash
# Prints 32 when this machine runs Wine's 32-bit loader, and 64 when its kernel cannot run
# 32-bit programs at all (32-bit emulation switched off): then only 64-bit Windows
# programs run here, under Wine's 64-bit loader.
if /usr/lib/wine/wine --version >/dev/null 2>&1; then echo 32; else echo 64; fi
