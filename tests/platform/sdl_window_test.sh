#!/usr/bin/env bash
# Opens a real window through the SDL back end in a private Xvfb server, drives
# it with real pointer and wheel events, compares a screenshot with the
# program's framebuffer, and closes it with a window-manager close request.
# Usage: sdl_window_test.sh CHECK-PROGRAM CLOSE-REQUEST-PROGRAM WORK-DIRECTORY
set -uo pipefail
program=$1 close_request=$2 work=$3
unset GDK_SCALE # a fresh X server has no scale of its own either

command -v Xvfb >/dev/null || { echo "SKIPPED: Xvfb is not installed"; exit 77; }
for needed in xdotool import compare xdpyinfo; do
  command -v $needed >/dev/null || { echo "FAIL: $needed is not installed"; exit 1; }
done
mkdir -p "$work"
rm -f "$work"/*.ppm "$work"/messages.log "$work"/display

xvfb_pid="" program_pid=""
cleanup() {
  [ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  wait 2>/dev/null
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*"
  echo "--- messages:"
  cat "$work/messages.log" 2>/dev/null
  exit 1
}
# until_true COMMAND...: retries for up to ten seconds.
until_true() {
  for _ in $(seq 100); do
    "$@" && return 0
    sleep 0.1
  done
  return 1
}
# Waits until the program has reported a line matching the pattern.
wait_for() { until_true grep -q -- "$1" "$work/messages.log" || fail "no message matching '$1'"; }

# Xvfb picks a free display itself, so parallel tests never race for one.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
until_true test -s "$work/display" || fail "Xvfb did not start"
export DISPLAY=:$(head -1 "$work/display")
until_true xdpyinfo >/dev/null 2>&1 || fail "Xvfb did not answer on $DISPLAY"

timeout 60 "$program" "$work/framebuffer.ppm" >"$work/messages.log" 2>&1 &
program_pid=$!
window=$(timeout 20 xdotool search --sync --name '^Quor Vane window check$' | head -1)
[ -n "$window" ] || fail "the window did not appear"
wait_for '^paint 1012 669$'
[[ "$(xdotool getwindowgeometry "$window")" == *"Geometry: 1012x669"* ]] ||
  fail "the client area is not 1012x669"

timeout 10 xdotool mousemove --window "$window" 123 234
wait_for '^move 123 234$'
timeout 10 xdotool click 4
wait_for '^wheel 120$'
timeout 10 xdotool click 5
wait_for '^wheel -120$'
timeout 10 xdotool mousemove --window "$window" 300 200 click 1
wait_for '^lbuttonup 300 200$'
wait_for '^cursor -1$'

# The window shows exactly what the program drew.
sleep 0.5
timeout 20 import -window "$window" "ppm:$work/screenshot.ppm" || fail "no screenshot"
differing=$(timeout 20 compare -metric AE "$work/screenshot.ppm" "$work/framebuffer.ppm" null: 2>&1)
[ "$differing" = "0" ] || fail "the screenshot differs from the framebuffer in $differing pixels"

timeout 10 xdotool windowsize "$window" 800 600
wait_for '^size 800 600$'
wait_for '^paint 800 600$'

timeout 10 "$close_request" "$window" || fail "could not send the close request"
wait "$program_pid"
status=$?
program_pid=""
[ "$status" -eq 18 ] || fail "exit status $status, expected 18"
grep -q '^close$' "$work/messages.log" || fail "no WM_CLOSE"
grep -q '^destroy$' "$work/messages.log" || fail "no WM_DESTROY"

# At scale 2 the program sees half the size the window is given by hand.
GDK_SCALE=2 timeout 60 "$program" "$work/framebuffer.ppm" >"$work/messages.log" 2>&1 &
program_pid=$!
window=$(timeout 20 xdotool search --sync --name '^Quor Vane window check$' | head -1)
wait_for '^paint 1012 669$'
timeout 10 xdotool windowsize "$window" 1001 701
wait_for '^size 500 350$'
echo "PASS: window opened, took input, matched its framebuffer, closed; resized at scale 2"
