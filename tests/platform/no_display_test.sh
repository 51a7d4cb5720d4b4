#!/usr/bin/env bash
# Without a usable X server (none named, or a dead one) the program ends at
# once, with a status that is neither 0 nor the normal 18, and says on
# standard error that it could not open its window and why.
# usage: no_display_test.sh PROGRAM WORK_DIR
set -u
program=$1 work=$2
mkdir -p "$work" && cd "$work" || exit 1
for display in "-u DISPLAY" "DISPLAY=:4077"; do
  start=$SECONDS
  # shellcheck disable=SC2086 # the option and the assignment are separate words
  env -u WAYLAND_DISPLAY $display timeout 10 "$program" 2>stderr.txt
  status=$?
  grep -q "could not open a window (DISPLAY .*): .*not available" stderr.txt &&
    [ "$status" -ne 0 ] && [ "$status" -ne 18 ] && [ "$status" -ne 124 ] &&
    [ $((SECONDS - start)) -le 3 ] || { echo "FAIL: $display: status $status"; cat stderr.txt; exit 1; }
done
echo "PASS: no display, no window, a message and status $status"
