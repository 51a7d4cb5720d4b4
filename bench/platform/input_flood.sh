#!/usr/bin/env bash
# How the Linux window bears a flood of input, measured under Xvfb with openbox
# and the default image. flood_input.c sends, through XTest and as fast as the
# X server takes them, random pointer moves over the picture with wheel notches
# and clicks between them, then one last move and click at a known position.
# Reported: clicks sent against lines in points.txt; the last point recorded
# against the one the replay runner gives for that position and the net wheel
# count (so a lost notch shows as a wrong depth); when the program last used
# CPU after the flood and what it used in the 5 s after that; whether its window
# showed the final state 0.5 s after the last event; resident memory before and
# after; events a second.
# Goals: no click and no notch lost, idle and showing the final state within
# 0.5 s of the last event, at most 30 MB resident after the flood.
#
# usage: bench/platform/input_flood.sh [BUILD_DIR]      (default build/release)
# Environment: QV_FLOOD_SECONDS (default 20) the flood's length, QV_FLOOD_SEED
# (default 1) the random positions' seed, QV_FLOOD_RATE (default 0: as fast as
# the X server takes them) the most moves a second, QV_FLOOD_OPENBOX (below),
# QV_FLOOD_KEEP=1 keeps the work folder.
set -euo pipefail
export LC_ALL=C
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-build/release}" && pwd)
seconds=${QV_FLOOD_SECONDS:-20}
seed=${QV_FLOOD_SEED:-1}
rate=${QV_FLOOD_RATE:-0}
program=$build/app/quor_vane
replay=$build/tools/replay/quor_vane_replay
image=$build/scene/pr8a_c_ds.bmp
for f in "$program" "$replay" "$image"; do
  [ -e "$f" ] || { echo "input_flood: missing $f (build $build first)" >&2; exit 2; }
done
final_x=465 final_y=320 # the last move and click, in client coordinates
work=$(mktemp -d)
xvfb_pid="" wm_pid="" program_pid=""
cleanup() {
  [ -z "$program_pid" ] || { kill "$program_pid" && wait "$program_pid"; } 2>/dev/null || true
  [ -z "$wm_pid" ] || kill "$wm_pid" 2>/dev/null || true
  [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
  [ -n "${QV_FLOOD_KEEP:-}" ] && echo "kept $work" >&2 || rm -rf "$work"
}
trap cleanup EXIT

cc -O2 -Wall -Wextra -Wpedantic -Werror -o "$work/flood_input" \
  "$source_dir/bench/platform/flood_input.c" -lXtst -lX11

Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=:$(head -1 "$work/display")
unset GDK_SCALE
# Openbox's stock configuration focuses and raises a window at a left press
# inside it through a synchronous grab of the button; with clicks in the flood
# the X server then hands some wheel notches to no client at all, a plain Xlib
# window included. Unless QV_FLOOD_OPENBOX=stock, openbox runs with that one
# binding left out, so that what is counted is what the program does.
openbox_config=()
if [ "${QV_FLOOD_OPENBOX:-}" != stock ]; then
  python3 - "$work/rc.xml" <<'PYTHON'
import re, sys
stock = open("/etc/xdg/openbox/rc.xml").read()
config = re.sub(r'<context name="Client">.*?</context>', '<context name="Client"></context>',
                stock, flags=re.S)
open(sys.argv[1], "w").write(config)
PYTHON
  openbox_config=(--config-file "$work/rc.xml")
fi
openbox --sm-disable "${openbox_config[@]}" >"$work/openbox.log" 2>&1 &
wm_pid=$!
sleep 1

mkdir "$work/run" && cp "$image" "$work/run/"
(cd "$work/run" && exec "$program") &
program_pid=$!
window=$(timeout 20 xdotool search --sync --onlyvisible --name '^Quor Vane$' | head -1)
sleep 2 # the first paint, and the start-up work around it, are done
read -r left top width height < <(xwininfo -id "$window" |
  awk '/Absolute upper-left X/ {l = $NF} /Absolute upper-left Y/ {t = $NF}
       /Width:/ {w = $NF} /Height:/ {h = $NF} END {print l, t, w, h}')

cpu_ms() { # user + system time of the program so far, in ms
  awk -v tick="$(getconf CLK_TCK)" '{ print ($14 + $15) * 1000 / tick }' "/proc/$program_pid/stat"
}
rss_mb() { awk '/^VmRSS/ { printf "%.1f", $2 / 1024 }' "/proc/$program_pid/status"; }
rss_before=$(rss_mb)

# The flood, over the picture (client 10..909 by 10..629).
sent=$("$work/flood_input" $((left + 10)) $((top + 10)) 900 620 "$seconds" \
  $((left + final_x)) $((top + final_y)) "$seed" "$rate")
flood_end=$(date +%s.%N)
read -r _ moves _ forward _ back _ clicks _ flood_seconds <<<"$sent"

# CPU time sampled every 50 ms for 3 s: the last sample that grew is when the
# program last worked.
last_busy=0 previous=$(cpu_ms)
shot_taken=""
for i in $(seq 60); do
  sleep 0.05
  now=$(cpu_ms)
  [ "$now" = "$previous" ] || last_busy=$(echo "$(date +%s.%N) - $flood_end" | bc)
  previous=$now
  if [ -z "$shot_taken" ] && [ "$(echo "$(date +%s.%N) - $flood_end >= 0.5" | bc)" = 1 ]; then
    import -window root -crop "900x620+$((left + 10))+$((top + 10))" +repage -type truecolor \
      "bmp3:$work/shown.bmp"
    lines_at_half_second=$(wc -l <"$work/run/points.txt")
    shot_taken=yes
  fi
done
idle_start=$(cpu_ms)
sleep 5
idle_ms=$(echo "$(cpu_ms) - $idle_start" | bc)
rss_after=$(rss_mb)
recorded=$(wc -l <"$work/run/points.txt")
last_point=$(tail -1 "$work/run/points.txt" | awk '{print $2, $3, $4}')

# The expected last point: the final position with the net wheel count.
net=$((forward - back))
mkdir "$work/expected" && cp "$image" "$work/expected/"
{
  echo "move $final_x $final_y"
  for ((i = 0; i < (net < 0 ? -net : net); i++)); do
    if [ "$net" -gt 0 ]; then echo "wheel 120"; else echo "wheel -120"; fi
  done
  echo "release"
  echo "save expected.bmp"
} >"$work/expected/script.txt"
(cd "$work/expected" && "$replay" script.txt >/dev/null 2>&1) || true
expected_point=$(tail -1 "$work/expected/points.txt" | awk '{print $2, $3, $4}')
convert "$work/expected/expected.bmp" -crop 900x620+10+10 +repage -type truecolor \
  "bmp3:$work/expected/picture.bmp"
differing=$(compare -metric AE "$work/shown.bmp" "$work/expected/picture.bmp" null: 2>&1 || true)

events=$((moves + 2 * (forward + back) + 2 * clicks))
rate() { printf '%.0f' "$(echo "$1 / $flood_seconds" | bc -l)"; }
echo "window:                          ${width}x$height at $left,$top, openbox (${QV_FLOOD_OPENBOX:-without click-to-focus}), Xvfb $DISPLAY"
echo "flood:                           $flood_seconds s, $moves moves, $((forward + back)) wheel notches ($forward forward, $back back, net $net), $clicks clicks"
echo "events a second:                 $(rate "$events") X input events ($(rate "$moves") moves, $(rate "$((forward + back))") notches, $(rate "$clicks") clicks)"
echo "clicks sent / recorded:          $clicks / $recorded ($((clicks - recorded)) lost)"
echo "last point recorded:             $last_point"
echo "last point for net $net notches: $expected_point ($([ "$last_point" = "$expected_point" ] && echo "same: no notch lost" || echo "DIFFERENT: notches lost"))"
echo "points recorded after 0.5 s:     $lines_at_half_second"
echo "picture shown after 0.5 s:       $differing pixels differ from the expected final state"
echo "program last busy:               $last_busy s after the last event"
echo "CPU in the 5 s after that:       $idle_ms ms"
echo "resident before / after flood:   $rss_before MB / $rss_after MB"
echo "machine:                         $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg)"
