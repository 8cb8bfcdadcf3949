#!/usr/bin/env bash
# Usage: virtual-display.sh STATE-DIR [stop]
# Prints the DISPLAY of a virtual X display kept for STATE-DIR, starting one when none runs.
# Every Wine program of a prefix must see the same display: the prefix's desktop process
# stays bound to the display it first met. "stop" ends the display.
set -eu
state=$1
mkdir -p "$state"
exec 9>"$state/display.lock"
flock 9

pid=$(cat "$state/display.pid" 2>/dev/null || true)
if [ "${2:-}" = stop ]; then
  [ -n "$pid" ] && kill "$pid" 2>/dev/null || true
  rm -f "$state/display.pid" "$state/display"
  exit 0
fi
if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
  cat "$state/display"
  exit 0
fi

# Xvfb picks a free display number itself and writes it to the descriptor when ready.
fifo=$(mktemp -u)
mkfifo "$fifo"
setsid Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fifo" 9>&- >/dev/null 2>&1 &
echo $! > "$state/display.pid"
read -r number < "$fifo"
rm -f "$fifo"
echo ":$number" | tee "$state/display"
