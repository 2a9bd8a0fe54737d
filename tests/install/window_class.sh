#!/usr/bin/env bash
# Starts PROGRAM on the display in DISPLAY, waits for its first top-level window and prints
# the window's class (WM_CLASS), as a desktop reads it to match the window to its launcher;
# then ends the program. Exit status 1 when no window comes within 20 seconds.
#   window_class.sh PROGRAM [ARGUMENTS...]
set -uo pipefail
"$@" >/dev/null 2>&1 &
program=$!
trap 'kill $program 2>/dev/null; wait $program 2>/dev/null' EXIT
for _ in $(seq 200); do
  kill -0 $program 2>/dev/null || { echo "the program ended without a window"; exit 1; }
  for window in $(xwininfo -root -children 2>/dev/null | awk '/^ +0x/ { print $1 }'); do
    class=$(xprop -id "$window" WM_CLASS 2>/dev/null | sed -n 's/^WM_CLASS(STRING) = //p')
    if [ -n "$class" ] && xprop -id "$window" _NET_WM_PID 2>/dev/null | grep -qw "$program"; then
      echo "$class"
      exit 0
    fi
  done
  sleep 0.1
done
echo "no window within 20 seconds"
exit 1
