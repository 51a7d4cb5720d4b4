#!/usr/bin/env bash
# End-to-end run: one scenario, three ways.
#   1. quor_vane_replay (the headless back end);
#   2. the Linux quor_vane in Xvfb, driven by xdotool, closed by WM_DELETE_WINDOW;
#   3. quor_vane.exe under Wine in Xvfb, driven by xdotool, closed by
#      "wine taskkill" (WM_CLOSE).
# Each run must exit with status 18, the three points.txt must be the same
# (CR LF line ends from the Windows build) and equal the ground truth, and the
# screenshots of both real windows must match the headless client area.
#
# usage: tests/e2e/run.sh LINUX_BUILD_DIR WINDOWS_BUILD_DIR
#   LINUX_BUILD_DIR holds the built quor_vane, quor_vane_replay, the e2e
#   helpers and the default scene; WINDOWS_BUILD_DIR is where quor_vane.exe is
#   cross-built with mingw-w64 and packed (both done here).
# Results, logs and screenshots go to LINUX_BUILD_DIR/e2e.
set -euo pipefail
export LC_ALL=C

if [ $# -ne 2 ]; then
  echo "usage: $0 LINUX_BUILD_DIR WINDOWS_BUILD_DIR" >&2
  exit 2
fi
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
linux_build=$(cd "$1" && pwd)
mkdir -p "$2"
windows_build=$(cd "$2" && pwd)
out=$linux_build/e2e

# Bounds on every wait, in seconds.
program_timeout=120 # a whole real-window run, started to ended
window_timeout=30   # until the window is there
exit_timeout=20     # from the close request to the process's end
settle=0.1          # after each input event
paint_settle=0.5    # after the window was painted, before the first event

replay=$linux_build/tools/replay/quor_vane_replay
linux_program=$linux_build/app/quor_vane
screen_check=$linux_build/tests/e2e/qv_screen_check
close_request=$linux_build/tests/e2e/qv_close_request
image=$linux_build/scene/pr8a_c_ds.bmp
truth=$linux_build/scene/pr8a_c_ds_truth.csv
for f in "$replay" "$linux_program" "$screen_check" "$close_request" "$image" "$truth"; do
  if [ ! -e "$f" ]; then
    echo "e2e: missing $f (build $linux_build first)" >&2
    exit 2
  fi
done

log() { echo "e2e: $*"; }

rm -rf "$out"
mkdir -p "$out"

# --- the scenario ---------------------------------------------------------------
"$source_dir/tests/e2e/make_scenario.sh" "$truth" "$out"
scenario=$out/scenario.txt

# --- the X server and clean-up ----------------------------------------------------
xvfb_pid=""
program_pid=""
wineboot_pid=""
export WINEPREFIX=$out/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
cleanup() {
  if [ -n "$program_pid" ]; then kill -KILL -- -"$program_pid" 2>/dev/null || true; fi
  if [ -n "$wineboot_pid" ]; then kill "$wineboot_pid" 2>/dev/null || true; fi
  if [ -d "$WINEPREFIX" ]; then timeout 10 wineserver -k 2>/dev/null || true; fi
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  fi
}
trap cleanup EXIT

# Xvfb picks a free display itself and writes its number once it accepts clients.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$out/display" 2>"$out/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 100); do
  [ -s "$out/display" ] && break
  kill -0 "$xvfb_pid" 2>/dev/null || { cat "$out/xvfb.log"; exit 1; }
  sleep 0.1
done
[ -s "$out/display" ] || { log "Xvfb did not start"; exit 1; }
export DISPLAY=:$(cat "$out/display")
log "Xvfb on $DISPLAY"

# Wine's prefix is set up during the cross build and the headless run; it
# must be done before any real window is shown, since a dialog of its own
# would cover the window and make it repaint.
(timeout 180 wineboot -i >"$out/wineboot.log" 2>&1; timeout 60 wineserver -w) &
wineboot_pid=$!

# --- the Windows build --------------------------------------------------------
log "cross-building quor_vane.exe in $windows_build"
cmake -S "$source_dir" -B "$windows_build" -DCMAKE_TOOLCHAIN_FILE="$source_dir/cmake/mingw-w64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DQV_WERROR=ON -DQV_BUILD_TESTS=OFF -DQV_BUILD_BENCH=OFF \
  -DQV_DEFAULT_IMAGE="$image" >"$out/windows-configure.log" 2>&1 ||
  { cat "$out/windows-configure.log"; exit 1; }
cmake --build "$windows_build" --target package_windows qv_client_origin -j"$(nproc)" \
  >"$out/windows-build.log" 2>&1 || { cat "$out/windows-build.log"; exit 1; }
client_origin=$windows_build/tools/win32/qv_client_origin.exe
package=$(ls "$windows_build"/tools/win32/QuorVane-*-windows.zip)

# Lays out a run's working directory: the stereo image and nothing else.
prepare_run() {
  mkdir -p "$out/$1"
  cp "$image" "$out/$1/pr8a_c_ds.bmp"
}

# Moves the pointer to the bottom-right corner of the screen, away from where
# the window will appear, so that no pointer event reaches it before the
# scenario starts.
park_pointer() {
  xdotool mousemove 1279 1023
}

# wait_painted RUN LEFT TOP: waits (boundedly) until the window shows the
# stereo image, since a paint in the middle of the scenario would reset the
# parallax; then gives the window a moment more to settle.
wait_painted() {
  local shot=$out/$1/painted.ppm
  local deadline=$((SECONDS + window_timeout))
  while [ "$SECONDS" -lt "$deadline" ]; do
    import -window root -depth 8 "ppm:$shot"
    if "$screen_check" --painted "$shot" "$2" "$3" "$image"; then
      rm -f "$shot"
      sleep "$paint_settle"
      return 0
    fi
    sleep 0.2
  done
  log "$1: the window never showed the stereo image"
  return 1
}

# drive_scenario LEFT TOP WIDTH HEIGHT SHOT: sends the scenario's input lines
# as real X events to the client area at screen position (LEFT, TOP), WIDTH by
# HEIGHT; "save" takes the screenshots: SHOT.ppm of the whole screen and
# SHOT.png of the client area.
drive_scenario() {
  local left=$1 top=$2 width=$3 height=$4 shot=$5 verb a b rest
  while read -r verb a b rest; do
    case "$verb" in
      "" | "#"*) continue ;;
      move) xdotool mousemove $((left + a)) $((top + b)) ;;
      wheel)
        case "$a" in
          120) xdotool click 4 ;;
          -120) xdotool click 5 ;;
          *) log "wheel $a has no real-window equivalent"; return 1 ;;
        esac ;;
      release) xdotool click 1 ;;
      save)
        sleep 0.5
        import -window root -depth 8 "ppm:$shot.ppm"
        import -window root -crop "${width}x$height+$left+$top" +repage "$shot.png" ;;
      close) return 0 ;; # each driver closes in its own way
      *) log "line \"$verb\" has no real-window equivalent"; return 1 ;;
    esac
    sleep "$settle"
  done <"$scenario"
}

# finish_run RUN: waits up to exit_timeout for the program started as
# program_pid (a "timeout" process), stops it if it does not end by then, and
# writes its exit status to RUN/status.
finish_run() {
  local status=0
  for _ in $(seq $((exit_timeout * 10))); do
    kill -0 "$program_pid" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$program_pid" 2>/dev/null; then
    log "$1: the program did not end after the close request; killing it"
    kill -KILL -- -"$program_pid" 2>/dev/null || true
  fi
  wait "$program_pid" || status=$?
  program_pid=""
  echo "$status" >"$out/$1/status"
  log "$1 run exited with $status"
}

failures=0
passes=0
fail() { log "FAIL: $*"; failures=$((failures + 1)); }
pass() { log "ok: $*"; passes=$((passes + 1)); }

# --- 1. headless ------------------------------------------------------------------
prepare_run headless
status=0
(cd "$out/headless" && timeout "$program_timeout" "$replay" "$scenario" >stdout.txt 2>stderr.txt) || status=$?
echo "$status" >"$out/headless/status"
log "headless run exited with $status"

# --- 2. Linux program in Xvfb --------------------------------------------------------
wait "$wineboot_pid" || log "wineboot did not finish cleanly (see $out/wineboot.log)"
wineboot_pid=""
prepare_run linux
park_pointer
(cd "$out/linux" && exec setsid timeout -k 5 "$program_timeout" "$linux_program" >stdout.txt 2>stderr.txt) &
program_pid=$!
window=""
deadline=$((SECONDS + window_timeout))
while [ "$SECONDS" -lt "$deadline" ]; do
  window=$(xdotool search --onlyvisible --name '^Quor Vane$' 2>/dev/null | head -1 || true)
  [ -n "$window" ] && break
  sleep 0.1
done
if [ -n "$window" ]; then
  geometry=$(xwininfo -id "$window")
  left=$(sed -n 's/.*Absolute upper-left X: *//p' <<<"$geometry")
  top=$(sed -n 's/.*Absolute upper-left Y: *//p' <<<"$geometry")
  width=$(sed -n 's/.*Width: *//p' <<<"$geometry")
  height=$(sed -n 's/.*Height: *//p' <<<"$geometry")
  echo "$left $top" >"$out/linux/client_origin"
  log "Linux window $window, client origin ($left, $top)"
  wait_painted linux "$left" "$top" &&
    drive_scenario "$left" "$top" "$width" "$height" "$out/linux/screen" || true
  sleep 1
  "$close_request" "$window" || true
else
  log "the Linux window did not appear"
fi
finish_run linux

# --- 3. Windows program under Wine in Xvfb ----------------------------------------------
# It runs as a Windows user would run it: from the unpacked package, with the
# image that came in it.
mkdir -p "$out/wine-package" "$out/wine"
(cd "$out/wine-package" && cmake -E tar xf "$package")
cp -R "$out"/wine-package/QuorVane-*-windows/. "$out/wine/"
windows_program=$out/wine/quor_vane.exe
park_pointer
(cd "$out/wine" && exec setsid timeout -k 5 "$program_timeout" wine "$windows_program" >stdout.txt 2>stderr.txt) &
program_pid=$!
origin=""
deadline=$((SECONDS + window_timeout))
while [ "$SECONDS" -lt "$deadline" ]; do
  origin=$(timeout 10 wine "$client_origin" 2>/dev/null | tr -d '\r' || true)
  [ -n "$origin" ] && break
  sleep 0.5
done
if [ -n "$origin" ]; then
  read -r left top width height <<<"$origin"
  echo "$left $top" >"$out/wine/client_origin"
  log "Wine window client area ${width}x$height at ($left, $top)"
  wait_painted wine "$left" "$top" &&
    drive_scenario "$left" "$top" "$width" "$height" "$out/wine/screen" || true
  sleep 1
  (cd "$out/wine" && timeout 20 wine taskkill /im quor_vane.exe >taskkill.txt 2>&1) || true
else
  log "the Wine window did not appear"
fi
finish_run wine

# --- checks -----------------------------------------------------------------------
# Only DLLs that every Windows has: the C and C++ runtimes are linked in.
dlls=$(x86_64-w64-mingw32-objdump -p "$windows_program" | sed -n 's/.*DLL Name: //p' | sort | tr '\n' ' ')
if [ "$dlls" = "GDI32.dll KERNEL32.dll USER32.dll msvcrt.dll " ]; then
  pass "quor_vane.exe needs only system DLLs: $dlls"
else
  fail "quor_vane.exe needs other DLLs: $dlls"
fi
if grep -q -a 'level="asInvoker"' "$windows_program"; then
  pass "quor_vane.exe carries the asInvoker manifest"
else
  fail "quor_vane.exe has no asInvoker manifest"
fi
if [ -f "$out/wine/README.txt" ] && cmp -s "$image" "$out/wine/pr8a_c_ds.bmp"; then
  pass "the package holds quor_vane.exe, the default image and README.txt"
else
  fail "the package $package lacks the read-me or the default image"
fi
for run in headless linux wine; do
  status=$(cat "$out/$run/status")
  if [ "$status" = 18 ]; then pass "$run exited with 18"; else fail "$run exited with $status"; fi
done

expected=$out/expected_points.txt
for run in headless linux; do
  if cmp -s "$expected" "$out/$run/points.txt"; then
    pass "$run points.txt equals the ground truth ($(wc -l <"$expected") points)"
  else
    fail "$run points.txt differs from the ground truth"
    diff "$expected" "$out/$run/points.txt" || true
  fi
done
if [ -f "$out/wine/points.txt" ] && ! grep -q $'[^\r]$' "$out/wine/points.txt" &&
  tr -d '\r' <"$out/wine/points.txt" | cmp -s "$expected" -; then
  pass "wine points.txt equals the ground truth, every line ending in CR LF"
else
  fail "wine points.txt differs from the ground truth (or lacks CR LF)"
  [ -f "$out/wine/points.txt" ] && { tr -d '\r' <"$out/wine/points.txt" | diff "$expected" - || true; }
fi

reference=$out/headless/client.bmp
for run in linux wine; do
  if [ -f "$out/$run/screen.ppm" ] && [ -f "$out/$run/client_origin" ]; then
    read -r left top <"$out/$run/client_origin"
    if "$screen_check" "$scenario" "$out/$run/screen.ppm" "$left" "$top" "$reference" "$image" \
      >"$out/$run/screen_check.txt" 2>&1; then
      pass "$run screenshot: $(tail -1 "$out/$run/screen_check.txt")"
    else
      fail "$run screenshot:"
      cat "$out/$run/screen_check.txt"
    fi
  else
    fail "$run: no screenshot"
  fi
done

echo "e2e: $passes passed, $failures failed"
[ "$failures" -eq 0 ]
