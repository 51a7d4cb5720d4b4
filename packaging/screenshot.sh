#!/usr/bin/env bash
# Makes docs/quor-vane-installed.jpg: Quor Vane started by its installed
# launcher under a light window manager (openbox) in Xvfb, with the mark on
# the building front and the readout filled in, so that the title bar shows
# the program's icon.
#   packaging/screenshot.sh BUILD_DIRECTORY   (a Linux build with its icon made)
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(cd "${1:?usage: packaging/screenshot.sh BUILD_DIRECTORY}" && pwd)
work=$(mktemp -d) xvfb_pid="" wm_pid="" pid=""
trap 'kill $pid $wm_pid $xvfb_pid 2>/dev/null; rm -rf "$work"' EXIT
until_true() { for _ in $(seq 100); do "$@" && return 0; sleep 0.2; done; return 1; }

cmake --install "$build" --prefix "$work/prefix" >/dev/null
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb_pid=$!
until_true test -s "$work/display"
export DISPLAY=:$(cat "$work/display") HOME=$work/home
mkdir -p "$HOME"
xsetroot -solid '#3c4650' 2>/dev/null || true
openbox >/dev/null 2>&1 &
wm_pid=$!
sleep 1
"$work/prefix/bin/quor-vane" >/dev/null &
pid=$!
until_true xdotool search --onlyvisible --name '^Quor Vane$' >"$work/window"
window=$(head -1 "$work/window")
xdotool windowmove "$window" 40 40
sleep 1
xdotool mousemove --window "$window" 470 330 sleep 0.5 mousemove --window "$window" 472 331
sleep 1
# The window with the frame the window manager drew around it.
read -r left right top bottom < <(xprop -id "$window" _NET_FRAME_EXTENTS | tr -dc '0-9 \n')
geometry=$(xwininfo -id "$window" | awk -v l="$left" -v r="$right" -v t="$top" -v b="$bottom" '
  /Absolute upper-left X/ {x = $NF} /Absolute upper-left Y/ {y = $NF} /Width:/ {w = $NF}
  /Height:/ {h = $NF} END {print w + l + r "x" h + t + b "+" x - l "+" y - t}')
import -window root -crop "$geometry" +repage "$work/shot.png"
mkdir -p docs
convert "$work/shot.png" -strip -quality 60 docs/quor-vane-installed.jpg
ls -l docs/quor-vane-installed.jpg
