#!/usr/bin/env bash
# What the Linux window costs, measured under Xvfb with the default image:
# resident memory after the first paint, the program's CPU per pointer move
# while moves arrive at 125 Hz, and its CPU while idle.
#
# usage: bench/platform/window_cost.sh [BUILD_DIR]      (default build/release)
# Environment: QV_BENCH_SCALE=N (default 1) sets the desktop's scale to N (the
# Xft.dpi resource, 96 * N) on an X screen N times larger, and moves the pointer
# over the same part of the picture at N times the coordinates; QV_BENCH_MOVES
# (default 1250, ten seconds) the number of moves; QV_BENCH_AUTO=1 turns
# automatic height on (the key a) before the idle and the moves are measured,
# so that every move matches; QV_BENCH_BATCHES=N (default 1) repeats the moves
# N times and prints the resident memory after each batch, to show whether it
# grows with the moves (QV_BENCH_BATCHES=3 QV_BENCH_MOVES=20000: three
# batches of 20,000). The program inherits the rest of the environment but
# GDK_SCALE.
set -euo pipefail
build=$(cd "${1:-build/release}" && pwd)
scale=${QV_BENCH_SCALE:-1}
moves=${QV_BENCH_MOVES:-1250}
auto=${QV_BENCH_AUTO:-0}
batches=${QV_BENCH_BATCHES:-1}
program=$build/app/quor_vane
image=$build/scene/pr8a_c_ds.bmp
work=$(mktemp -d)
xvfb_pid="" program_pid=""
cleanup() {
  [ -z "$program_pid" ] || { kill "$program_pid" && wait "$program_pid"; } 2>/dev/null || true
  [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# -noreset: the scale's resource stays loaded after xrdb disconnects.
Xvfb -displayfd 3 -screen 0 $((1280 * scale))x$((1024 * scale))x24 -nolisten tcp -noreset \
  3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=:$(head -1 "$work/display")
echo "Xft.dpi: $((96 * scale))" | xrdb -nocpp -merge
unset GDK_SCALE

cp "$image" "$work/"
(cd "$work" && exec "$program") &
program_pid=$!
window=$(timeout 20 xdotool search --sync --name '^Quor Vane$' | head -1)
sleep 2 # the first paint, and the start-up work around it, are done
size=$(xwininfo -id "$window" | awk '/Width:/ {w = $NF} /Height:/ {h = $NF} END {print w "x" h}')
if [ "$auto" = 1 ]; then
  # Keys go to the focused window; with no window manager here, it is given
  # the focus. The mark goes inside first, so that the key matches at once.
  xdotool mousemove --window "$window" $((400 * scale)) $((300 * scale))
  xdotool windowfocus --sync "$window" key a
  sleep 1
  # The mode's line must show below the readout, else the key went astray.
  read -r left top < <(xwininfo -id "$window" |
    awk '/Absolute upper-left X/ {l = $NF} /Absolute upper-left Y/ {t = $NF} END {print l, t}')
  mean=$(import -window root -crop $((90 * scale))x$((16 * scale))+$((left + 920 * scale))+$((top + 480 * scale)) \
    +repage -format '%[fx:mean]' info:)
  [ "$(echo "$mean < 0.99" | bc)" = 1 ] || { echo "automatic height did not come on" >&2; exit 1; }
fi

cpu_ms() { # user + system time of the program so far, in ms
  awk -v tick="$(getconf CLK_TCK)" '{ print ($14 + $15) * 1000 / tick }' "/proc/$program_pid/stat"
}
rss_mb=$(awk '/^VmRSS/ { printf "%.1f", $2 / 1024 }' "/proc/$program_pid/status")

idle_start=$(cpu_ms)
sleep 5
idle_ms=$(echo "$(cpu_ms) - $idle_start" | bc)

# One xdotool run: a move every 8 ms (7.2 ms of sleep, the rest is xdotool's own
# time), across the picture in rows.
path=()
for ((i = 0; i < moves; i++)); do
  x=$(((20 + (i * 7) % 880) * scale)) y=$(((20 + (i / 126) * 9 % 600) * scale))
  path+=(mousemove --window "$window" "$x" "$y" sleep 0.0072)
done
rss() { awk '/^VmRSS/ { printf "%.1f", $2 / 1024 }' "/proc/$program_pid/status"; }
move_start=$(cpu_ms)
started=$(date +%s.%N)
batch_rss=()
for ((b = 0; b < batches; b++)); do
  timeout $((120 * moves / 1250)) xdotool "${path[@]}"
  sleep 0.5 # the last moves are handled
  batch_rss+=("$(rss)")
done
elapsed=$(echo "($(date +%s.%N) - $started) / $batches - 0.5" | bc -l)
move_ms=$(echo "($(cpu_ms) - $move_start) / $batches" | bc -l)

echo "display scale:                $scale (window $size)"
echo "automatic height:             $([ "$auto" = 1 ] && echo on || echo off)"
echo "resident after first paint:   $rss_mb MB"
echo "CPU while idle for 5 s:       $idle_ms ms"
printf 'CPU per pointer move:         %.3f ms (%d moves in %.1f s, %.0f Hz, %.0f ms in all)\n' \
  "$(echo "$move_ms / $moves" | bc -l)" "$moves" "$elapsed" "$(echo "$moves / $elapsed" | bc -l)" \
  "$move_ms"
[ "$batches" -eq 1 ] || echo "resident after each batch:    ${batch_rss[*]} MB"
