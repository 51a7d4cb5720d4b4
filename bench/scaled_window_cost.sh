#!/usr/bin/env bash
# Cost of the real Linux window on a desktop scaled to SCALE (default 2):
# the window's size, its resident memory after the first paint, the program's
# CPU per pointer move with moves arriving at about 125 Hz, and its CPU while
# idle. Runs quor_vane on the default image in a private Xvfb whose Xft.dpi
# resource is 96 * SCALE, through the plain X11 framebuffer
# (SDL_FRAMEBUFFER_ACCELERATION=0, as the program sets it by default).
#
# usage: bench/scaled_window_cost.sh [BUILD_DIR [SCALE [MOVES]]]
set -euo pipefail
export LC_ALL=C
build=$(cd "${1:-build/release}" && pwd)
scale=${2:-2}
moves=${3:-1000}
work=$build/bench-window-x$scale
rm -rf "$work" && mkdir -p "$work"
cp "$build/scene/pr8a_c_ds.bmp" "$work/"

xvfb_pid="" program_pid=""
cleanup() {
  [ -z "$program_pid" ] || kill "$program_pid" 2>/dev/null || true
  [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT
# -noreset: the resource stays loaded after xrdb disconnects.
Xvfb -displayfd 3 -screen 0 2560x1600x24 -nolisten tcp -noreset 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.2; done
export DISPLAY=:$(cat "$work/display")
echo "Xft.dpi: $((96 * scale))" | xrdb -nocpp -merge
unset GDK_SCALE

xdotool mousemove 2559 1599
(cd "$work" && SDL_FRAMEBUFFER_ACCELERATION=0 exec "$build/app/quor_vane" >stdout.txt 2>stderr.txt) &
program_pid=$!
window=$(timeout 20 xdotool search --sync --onlyvisible --name '^Quor Vane$' | head -1)
sleep 2 # the first paint
eval "$(xwininfo -id "$window" |
  awk '/Absolute upper-left X/ {print "left=" $NF} /Absolute upper-left Y/ {print "top=" $NF}
       /Width:/ {print "width=" $NF} /Height:/ {print "height=" $NF}')"
rss_kb=$(awk '/^VmRSS/ {print $2}' "/proc/$program_pid/status")

# CPU time of the program in clock ticks (user + system).
ticks() { awk '{print $14 + $15}' "/proc/$program_pid/stat"; }
hz=$(getconf CLK_TCK)

# Moves over the picture, one client pixel apart, back and forth along a
# diagonal, in one xdotool run pacing them at about 125 Hz (7 ms sleeps plus
# xdotool's own time).
script=()
for i in $(seq 0 $((moves - 1))); do
  step=$((i % 400 < 200 ? i % 400 : 400 - i % 400))
  script+=(mousemove $((left + (200 + step) * scale)) $((top + (150 + step) * scale)) sleep 0.007)
done
before=$(ticks)
start=$(date +%s.%N)
xdotool "${script[@]}"
end=$(date +%s.%N)
sleep 0.5 # let the last moves be handled
after=$(ticks)
idle_before=$(ticks)
sleep 5
idle_after=$(ticks)

awk -v s="$scale" -v w="$width" -v h="$height" -v rss="$rss_kb" -v n="$moves" \
  -v t0="$start" -v t1="$end" -v c="$((after - before))" -v i="$((idle_after - idle_before))" \
  -v hz="$hz" 'BEGIN {
    printf "scale %d: window %dx%d, resident %.1f MB after the first paint\n", s, w, h, rss / 1024
    printf "%d moves at %.0f Hz: %.3f ms CPU per move (%.1f %% of a core)\n",
      n, n / (t1 - t0), 1000 * c / hz / n, 100 * c / hz / (t1 - t0)
    printf "idle: %.2f s CPU in 5 s\n", i / hz
  }'
