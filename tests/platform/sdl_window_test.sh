#!/usr/bin/env bash
# Opens a real window through the SDL back end in a private Xvfb server, drives
# it with real pointer, wheel and button events, compares a screenshot with the
# program's framebuffer, resizes it and closes it with a window-manager close
# request. Usage: sdl_window_test.sh CHECK-PROGRAM CLOSE-REQUEST-PROGRAM WORK-DIRECTORY
set -uo pipefail
program=$1 close_request=$2 work=$3
command -v Xvfb >/dev/null || { echo "SKIPPED: Xvfb is not installed"; exit 77; }
mkdir -p "$work" && rm -f "$work"/*
trap 'kill $(jobs -p) 2>/dev/null; wait' EXIT
fail() { echo "FAIL: $*"; cat "$work/messages.log"; exit 1; }
# Retries a command for up to ten seconds.
until_true() { for _ in $(seq 100); do "$@" && return 0; sleep 0.1; done; return 1; }
expect() { until_true grep -qx -- "$1" "$work/messages.log" || fail "no message '$1'"; }

Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
until_true test -s "$work/display" || fail "Xvfb did not start"
export DISPLAY=:$(head -1 "$work/display")
timeout 60 "$program" "$work/framebuffer.ppm" >"$work/messages.log" 2>&1 &
program_pid=$!
window=$(timeout 20 xdotool search --sync --name '^Quor Vane window check$' | head -1)
[ -n "$window" ] || fail "the window did not appear"
expect 'paint 1012 669'
[[ "$(xdotool getwindowgeometry "$window")" == *"Geometry: 1012x669"* ]] || fail "not 1012x669"
timeout 10 xdotool mousemove --window "$window" 123 234 click 4 click 5
expect 'move 123 234'
expect 'wheel 120 cursor -1'
expect 'wheel -120 cursor -2'
timeout 10 xdotool mousemove --window "$window" 300 200 click 1
expect 'up 300 200'
sleep 0.5 # the window shows exactly what the program drew
timeout 20 import -window "$window" "ppm:$work/screenshot.ppm" || fail "no screenshot"
differing=$(timeout 20 compare -metric AE "$work/screenshot.ppm" "$work/framebuffer.ppm" null: 2>&1)
[ "$differing" = 0 ] || fail "the screenshot differs from the framebuffer in $differing pixels"
timeout 10 xdotool windowsize "$window" 800 600
expect 'size 800 600'
expect 'paint 800 600'
timeout 10 "$close_request" "$window" || fail "could not send the close request"
wait "$program_pid"
status=$?
[ "$status" -eq 18 ] || fail "exit status $status, expected 18"
expect close
expect destroy
echo "PASS: window opened, took pointer, wheel and button input, matched its framebuffer and closed"
