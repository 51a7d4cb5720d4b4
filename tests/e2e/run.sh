#!/usr/bin/env bash
# End-to-end run: one scenario, three ways.
#   1. quor_vane_replay (the headless back end);
#   2. the Linux quor_vane in Xvfb, driven by xdotool, closed by WM_DELETE_WINDOW;
#   3. quor_vane.exe under Wine in Xvfb, driven by xdotool, closed by
#      "wine taskkill" (WM_CLOSE);
#   4. the Linux quor_vane again with the desktop's scale at 2 (Xft.dpi 192),
#      driven at doubled screen coordinates.
# Each run must exit with status 18 and leave the points.txt the ground truth
# gives (CR LF line ends from the Windows build); the screenshots of both real
# windows must match the headless client area and the mark's colour rules.
#
# usage: tests/e2e/run.sh LINUX_BUILD_DIR WINDOWS_BUILD_DIR
#   LINUX_BUILD_DIR holds the built programs, test helpers and default scene;
#   quor_vane.exe is cross-built and packed in WINDOWS_BUILD_DIR here.
# Results, logs and screenshots go to LINUX_BUILD_DIR/e2e.
set -euo pipefail
export LC_ALL=C
unset GDK_SCALE # each run sets the desktop's scale through the X server

[ $# -eq 2 ] || { echo "usage: $0 LINUX_BUILD_DIR WINDOWS_BUILD_DIR" >&2; exit 2; }
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
linux_build=$(cd "$1" && pwd)
mkdir -p "$2"
windows_build=$(cd "$2" && pwd)
out=$linux_build/e2e

# Bounds on the waits, in seconds.
program_timeout=120 # a whole real-window run, started to ended
window_timeout=30   # until the window is there and painted
exit_timeout=20     # from the close request to the process's end

replay=$linux_build/tools/replay/quor_vane_replay
linux_program=$linux_build/app/quor_vane
screen_check=$linux_build/tests/e2e/qv_screen_check
close_request=$linux_build/tests/platform/x_close_request
image=$linux_build/scene/pr8a_c_ds.bmp
truth=$linux_build/scene/pr8a_c_ds_truth.csv
for f in "$replay" "$linux_program" "$screen_check" "$close_request" "$image" "$truth"; do
  [ -e "$f" ] || { echo "e2e: missing $f (build $linux_build first)" >&2; exit 2; }
done

log() { echo "e2e: $*"; }
# wait_until SECONDS COMMAND...: retries the command until it succeeds, for
# at most that long.
wait_until() {
  local deadline=$((SECONDS + $1))
  shift
  until "$@"; do
    [ "$SECONDS" -lt "$deadline" ] || return 1
    sleep 0.2
  done
}

rm -rf "$out"
mkdir -p "$out"
"$source_dir/tests/e2e/make_scenario.sh" "$truth" "$out"
scenario=$out/scenario.txt

# --- the X server, Wine's prefix, and clean-up -----------------------------------
xvfb_pid="" program_pid="" wineboot_pid=""
export WINEPREFIX=$out/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
cleanup() {
  if [ -n "$program_pid" ]; then kill -KILL -- -"$program_pid" 2>/dev/null || true; fi
  if [ -n "$wineboot_pid" ]; then kill "$wineboot_pid" 2>/dev/null || true; fi
  if [ -d "$WINEPREFIX" ]; then timeout 10 wineserver -k 2>/dev/null || true; fi
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null || true; fi
}
trap cleanup EXIT

# Xvfb picks a free display itself and writes its number once it accepts clients.
Xvfb -displayfd 3 -screen 0 2560x1600x24 -nolisten tcp -noreset 3>"$out/display" 2>"$out/xvfb.log" &
xvfb_pid=$!
wait_until 10 test -s "$out/display" || { log "Xvfb did not start"; cat "$out/xvfb.log"; exit 1; }
export DISPLAY=:$(cat "$out/display")
log "Xvfb on $DISPLAY"

# Wine's prefix is set up during the cross build and the headless run: a dialog
# of its own over a real window would make that window repaint.
(timeout 180 wineboot -i >"$out/wineboot.log" 2>&1; timeout 60 wineserver -w) &
wineboot_pid=$!

log "cross-building quor_vane.exe in $windows_build"
{
  cmake -S "$source_dir" -B "$windows_build" -DCMAKE_TOOLCHAIN_FILE="$source_dir/cmake/mingw-w64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DQV_WERROR=ON -DQV_BUILD_TESTS=OFF -DQV_BUILD_BENCH=OFF \
    -DQV_DEFAULT_IMAGE="$image" &&
    cmake --build "$windows_build" --target package_windows qv_client_origin -j"$(nproc)"
} >"$out/windows-build.log" 2>&1 || { cat "$out/windows-build.log"; exit 1; }
client_origin=$windows_build/tools/win32/qv_client_origin.exe
package=$(ls "$windows_build"/tools/win32/QuorVane-*-windows.zip)

# --- driving a real window ---------------------------------------------------------
xdo() { timeout 10 xdotool "$@"; }
scale=1 # screen pixels per client pixel, across and down
shot() { timeout 20 import -window root -crop "$1" +repage "${@:3}" -type truecolor "bmp3:$2"; }

# painted RUN: whether the picture area on the screen shows the stereo image
# yet; a paint in the middle of the scenario would reset the parallax.
painted() {
  local left top
  read -r left top _ <"$out/$1/client"
  shot "$((900 * scale))x$((620 * scale))+$((left + 10 * scale))+$((top + 10 * scale))" \
    "$out/$1/painted.bmp" -filter point -resize 900x620 &&
    timeout 20 compare -metric AE "$out/$1/painted.bmp" "$image" null: 2>/dev/null
}

# drive RUN: sends the scenario's input lines as real X events to the client
# area; "save" takes the screenshot RUN/screen.bmp of the client area.
drive() {
  local left top width height verb a b
  read -r left top width height <"$out/$1/client"
  while read -r verb a b _; do
    case "$verb" in
      "" | "#"*) continue ;;
      move) xdo mousemove $((left + a * scale + scale / 2)) $((top + b * scale + scale / 2)) ;;
      wheel) if [ "$a" -gt 0 ]; then xdo click 4; else xdo click 5; fi ;;
      release) xdo click 1 ;;
      save)
        sleep 0.5
        shot "${width}x$height+$left+$top" "$out/$1/screen.bmp" ;;
      close) return 0 ;; # each run closes in its own way
      *) log "line \"$verb\" has no real-window equivalent"; return 1 ;;
    esac
    sleep 0.1
  done <"$scenario"
}

# How each real-window run starts its program, finds the screen position and
# size of its client area ("LEFT TOP WIDTH HEIGHT" into RUN/client) and asks it
# to close.
linux_start() { cd "$out/linux" && exec setsid timeout -k 5 "$program_timeout" "$linux_program"; }
linux_client() {
  local window
  window=$(xdo search --onlyvisible --name '^Quor Vane$' 2>/dev/null | head -1)
  [ -n "$window" ] && echo "$window" >"$out/linux/window" && timeout 10 xwininfo -id "$window" |
    awk '/Absolute upper-left X/ {l = $NF} /Absolute upper-left Y/ {t = $NF}
         /Width:/ {w = $NF} /Height:/ {h = $NF} END {print l, t, w, h}' >"$out/linux/client"
}
linux_close() { timeout 10 "$close_request" "$(cat "$out/linux/window")"; }

wine_start() { cd "$out/wine" && exec setsid timeout -k 5 "$program_timeout" wine quor_vane.exe; }
wine_client() {
  timeout 10 wine "$client_origin" 2>/dev/null | tr -d '\r' >"$out/wine/client" && [ -s "$out/wine/client" ]
}
wine_close() { (cd "$out/wine" && timeout 20 wine taskkill /im quor_vane.exe >taskkill.txt 2>&1); }

ended() { ! kill -0 "$program_pid" 2>/dev/null; }

# run_window RUN: starts the program, waits for its window to be there and
# painted, drives the scenario, asks the program to close, and writes its exit
# status to RUN/status, killing it if it does not end in time.
run_window() {
  local run=$1 status=0
  xdo mousemove 2559 1599 # away from where the window appears
  ("${run}_start" >"$out/$run/stdout.txt" 2>"$out/$run/stderr.txt") &
  program_pid=$!
  if wait_until "$window_timeout" "${run}_client" && wait_until "$window_timeout" painted "$run"; then
    log "$run window client area at $(cat "$out/$run/client")"
    sleep 0.5
    drive "$run" || true
    sleep 1
    "${run}_close" || true
  else
    log "$run: the window did not appear or never showed the stereo image"
  fi
  if ! wait_until "$exit_timeout" ended; then
    log "$run: the program did not end after the close request; killing it"
    kill -KILL -- -"$program_pid" 2>/dev/null || true
  fi
  wait "$program_pid" || status=$?
  program_pid=""
  echo "$status" >"$out/$run/status"
  log "$run run exited with $status"
}

# --- 1. headless, 2. the Linux program in Xvfb, 3. the Windows program under
# Wine in Xvfb, run from its unpacked package ---------------------------------------
for run in headless linux wine-package; do mkdir -p "$out/$run"; done
cp "$image" "$out/headless/pr8a_c_ds.bmp"
status=0
(cd "$out/headless" && timeout "$program_timeout" "$replay" "$scenario" >stdout.txt 2>stderr.txt) ||
  status=$?
echo "$status" >"$out/headless/status"
log "headless run exited with $status"

wait "$wineboot_pid" || log "wineboot did not finish cleanly (see $out/wineboot.log)"
wineboot_pid=""
cp "$image" "$out/linux/pr8a_c_ds.bmp"
run_window linux

(cd "$out/wine-package" && cmake -E tar xf "$package")
cp -R "$out"/wine-package/QuorVane-*-windows "$out/wine"
windows_program=$out/wine/quor_vane.exe
run_window wine

# The same Linux run in scaled/, on a desktop scaled to 2; -noreset keeps the
# resource after xrdb disconnects.
echo "Xft.dpi: 192" | timeout 10 xrdb -nocpp -merge
mkdir -p "$out/scaled/linux" && cp "$image" "$out/scaled/linux/pr8a_c_ds.bmp"
out=$out/scaled scale=2 run_window linux

# --- checks ------------------------------------------------------------------------
passes=0 failures=0
check() {
  local what=$1
  shift
  if "$@"; then
    log "ok: $what"
    passes=$((passes + 1))
  else
    log "FAIL: $what"
    failures=$((failures + 1))
  fi
}
# Only DLLs that every Windows has: the C and C++ runtimes are linked in.
dlls=$(x86_64-w64-mingw32-objdump -p "$windows_program" | sed -n 's/.*DLL Name: //p' | sort | xargs)
check "quor_vane.exe needs only system DLLs ($dlls)" \
  test "$dlls" = "GDI32.dll KERNEL32.dll USER32.dll msvcrt.dll"
check "quor_vane.exe carries the asInvoker manifest" grep -q -a 'level="asInvoker"' "$windows_program"
check "the package holds the read-me" test -f "$out/wine/README.txt"
check "the package holds the default image" cmp "$image" "$out/wine/pr8a_c_ds.bmp"
for run in headless linux wine scaled/linux; do
  check "$run exited with 18" test "$(cat "$out/$run/status")" = 18
done

expected=$out/expected_points.txt
check "scaled/linux window is 2024 by 1338" test "$(cut -d' ' -f3- "$out/scaled/linux/client")" = "2024 1338"
for run in headless linux scaled/linux; do
  check "$run points.txt equals the ground truth" diff "$expected" "$out/$run/points.txt"
done
wine_points() { [ -f "$1" ] && ! grep -q $'[^\r]$' "$1" && tr -d '\r' <"$1" | diff "$expected" -; }
check "wine points.txt equals the ground truth, in CR LF lines" wine_points "$out/wine/points.txt"

for run in linux wine; do
  check "$run screenshot matches the headless client area and the mark's rules" \
    "$screen_check" "$scenario" "$out/$run/screen.bmp" "$out/headless/client.bmp" "$image"
done
check "scaled/linux screenshot is the headless client area doubled, with the mark's rules" \
  "$screen_check" "$scenario" "$out/scaled/linux/screen.bmp" "$out/headless/client.bmp" "$image" 2

echo "e2e: $passes passed, $failures failed"
[ "$failures" -eq 0 ]
