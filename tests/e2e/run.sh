#!/usr/bin/env bash
# End-to-end run: one scenario, four ways: quor_vane_replay (the headless back
# end); the Linux quor_vane in Xvfb, driven by xdotool, resized and closed by
# WM_DELETE_WINDOW; quor_vane.exe under Wine in Xvfb, run from its package and
# closed by "wine taskkill" (WM_CLOSE). Each run must exit with status 18 and
# leave the points.txt the ground truth gives (CR LF line ends from the Windows
# build), the truth's for the mouse's points and, for the keys', what the same
# done with the mouse gives. The Linux window's client area must be 1012 by 669 and its
# screenshot equal the headless client area, readout included; under Wine,
# with other fonts, the picture area must. After the resize the Linux window
# must show the bare stereo image again. The Linux run is repeated on a desktop
# scaled to 2 (Xft.dpi 192), driven at doubled screen coordinates: its window
# must be 2024 by 1338 and show the headless client area doubled, pixel for
# pixel, and its points.txt must be the same. quor_vane_assess.exe, run under
# Wine on the Wine run's points.txt, must write the same CSV and PNG as the
# Linux grading tool on it. quor_vane_exercise.exe must make the same exercise
# as the Linux tool, and a session on it must be graded the same way. The setup
# program must install silently under Wine, its Start menu entry must run the
# program in Documents\Quor Vane, and its silent uninstall must leave points.txt.
#
# usage: tests/e2e/run.sh LINUX_BUILD_DIR WINDOWS_BUILD_DIR
#   LINUX_BUILD_DIR holds the built programs, test helpers and default scene;
#   quor_vane.exe is cross-built and packed in WINDOWS_BUILD_DIR here.
# Results, logs and screenshots go to LINUX_BUILD_DIR/e2e.
set -euo pipefail
export LC_ALL=C
unset GDK_SCALE # each run takes the desktop's scale from the X server
[ $# -eq 2 ] || { echo "usage: $0 LINUX_BUILD_DIR WINDOWS_BUILD_DIR" >&2; exit 2; }
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
linux_build=$(cd "$1" && pwd)
mkdir -p "$2"
windows_build=$(cd "$2" && pwd)
out=$linux_build/e2e
replay=$linux_build/tools/replay/quor_vane_replay
close_request=$linux_build/tests/e2e/x_close_request
image=$linux_build/scene/pr8a_c_ds.bmp
for f in "$replay" "$linux_build/app/quor_vane" "$close_request" "$image"; do
  [ -e "$f" ] || { echo "e2e: missing $f (build $linux_build first)" >&2; exit 2; }
done
log() { echo "e2e: $*"; }
# wait_until SECONDS COMMAND...: retries the command until it succeeds, for at most that long.
wait_until() {
  local deadline=$((SECONDS + $1))
  shift
  until "$@"; do [ "$SECONDS" -lt "$deadline" ] || return 1; sleep 0.2; done
}
rm -rf "$out" && mkdir -p "$out"/{headless,linux,keyless,repeat,wine-package,scaled/linux}
"$source_dir/tests/e2e/make_scenario.sh" "$linux_build/scene/pr8a_c_ds_truth.csv" "$out"
scenario=$out/scenario.txt

xvfb_pid="" program_pid="" wineboot_pid=""
export WINEPREFIX=$out/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
cleanup() {
  [ -z "$program_pid" ] || kill -KILL -- -"$program_pid" 2>/dev/null || true
  [ -z "$wineboot_pid" ] || kill "$wineboot_pid" 2>/dev/null || true
  [ ! -d "$WINEPREFIX" ] || timeout 10 wineserver -k 2>/dev/null || true
  [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT
Xvfb -displayfd 3 -screen 0 2560x1600x24 -nolisten tcp -noreset 3>"$out/display" 2>"$out/xvfb.log" &
xvfb_pid=$!
wait_until 10 test -s "$out/display" || { log "Xvfb did not start"; exit 1; }
export DISPLAY=:$(cat "$out/display")
# Wine's prefix is set up meanwhile: a dialog of its own over a real window would make it repaint.
(timeout 180 wineboot -i >"$out/wineboot.log" 2>&1; timeout 60 wineserver -w) &
wineboot_pid=$!
log "cross-building quor_vane.exe in $windows_build"
{
  cmake -S "$source_dir" -B "$windows_build" -DCMAKE_TOOLCHAIN_FILE="$source_dir/cmake/mingw-w64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DQV_WERROR=ON -DQV_BUILD_TESTS=OFF -DQV_BUILD_BENCH=OFF \
    -DQV_DEFAULT_IMAGE="$image" &&
    cmake --build "$windows_build" --target package_windows qv_client_origin -j"$(nproc)"
} >"$out/windows-build.log" 2>&1 || { cat "$out/windows-build.log"; exit 1; }

xdo() { timeout 10 xdotool "$@"; }
scale=1 # screen pixels per client pixel, across and down
shot() { timeout 20 import -window root -crop "$1" +repage "${@:3}" -type truecolor "bmp3:$2"; }
# same A B [AREA]: the pictures (or their AREAs, such as 900x620+10+10) are equal.
same() { [ "$(timeout 20 compare -metric AE "$1${3:+[$3]}" "$2${3:+[$3]}" null: 2>&1)" = 0 ]; }
# painted RUN: whether the screen shows the stereo image yet (a later paint would reset the parallax).
painted() {
  local left top
  read -r left top _ <"$out/$1/client"
  shot "$((900 * scale))x$((620 * scale))+$((left + 10 * scale))+$((top + 10 * scale))" \
    "$out/$1/painted.bmp" -filter point -resize 900x620 && same "$out/$1/painted.bmp" "$image"
}
# still: whether the pointer stays put for half a second. A program that lags
# behind a burst of arrow keys still moves it, and would move it back over
# the moves that follow the burst.
still() { local at; at=$(xdo getmouselocation) && sleep 0.5 && [ "$(xdo getmouselocation)" = "$at" ]; }
# drive RUN: sends the scenario's input as real X events; "save" takes RUN/screen.bmp.
drive() {
  local left top width height verb a b rest
  read -r left top width height <"$out/$1/client"
  while read -r verb a b rest; do
    case "$verb" in
      "" | "#"*) continue ;;
      move) xdo mousemove $((left + a * scale + scale / 2)) $((top + b * scale + scale / 2)) ;;
      wheel) if [ "$a" -gt 0 ]; then xdo click 4; else xdo click 5; fi ;;
      release) xdo click 1 ;;
      key) xdo key "$a" ;;
      keys) xdo key --delay 0 --repeat "$a" "$b" $rest && wait_until 30 still ;;
      write) # over the start of the file's last line, as in the replay runner
        local f=$out/$1/$a size last
        size=$(stat -c %s "$f") last=$(tail -n 1 "$f" | wc -c)
        printf '%s' "$rest" | dd of="$f" bs=1 seek=$((size - last)) conv=notrunc status=none ;;
      save) sleep 0.5 && shot "${width}x$height+$left+$top" "$out/$1/screen.bmp" ;;
      close) return 0 ;;
      *) log "line \"$verb\" has no real-window equivalent"; return 1 ;;
    esac
    sleep 0.1
  done <"$scenario"
}
# How each real-window run starts its program, writes "LEFT TOP WIDTH HEIGHT"
# of its client area on the screen to RUN/client, and asks it to close.
linux_start() { cd "$out/linux" && exec setsid timeout -k 5 120 "$linux_build/app/quor_vane"; }
linux_client() {
  local window
  window=$(xdo search --onlyvisible --name '^Quor Vane$' 2>/dev/null | head -1)
  [ -n "$window" ] && echo "$window" >"$out/linux/window" && timeout 10 xwininfo -id "$window" |
    awk '/Absolute upper-left X/ {l = $NF} /Absolute upper-left Y/ {t = $NF}
         /Width:/ {w = $NF} /Height:/ {h = $NF} END {print l, t, w, h}' >"$out/linux/client"
}
linux_close() {
  # A held arrow repeats: a point at the last position, then one after a
  # second and a half of Right held down.
  # Then the window is resized, and must show the bare stereo image again.
  [ "$scale" != 1 ] || { xdo key space && sleep 0.2 && xdo keydown Right && sleep 1.5 &&
    xdo keyup Right && sleep 0.3 && xdo key space && sleep 0.3 &&
    xdo windowsize "$(cat "$out/linux/window")" 1100 760 && wait_until 10 painted linux &&
    touch "$out/linux/repainted"; }
  timeout 10 "$close_request" "$(cat "$out/linux/window")"
}
wine_start() { cd "$out/wine" && exec setsid timeout -k 5 120 wine quor_vane.exe; }
wine_client() {
  timeout 10 wine "$windows_build/tests/e2e/qv_client_origin.exe" 2>/dev/null | tr -d '\r' \
    >"$out/$1/client" && [ -s "$out/$1/client" ]
}
wine_close() { timeout 20 wine taskkill /im quor_vane.exe >"$out/$1/taskkill.txt" 2>&1; }
ended() { ! kill -0 "$program_pid" 2>/dev/null; }
# status_to FILE COMMAND...: runs the command and writes its exit status to FILE.
status_to() { local status=0; "${@:2}" || status=$?; echo "$status" >"$1"; }
# run_window RUN [KIND]: starts the program, waits for it to show the stereo
# image, drives the scenario, closes it and writes its exit status to
# RUN/status; a run of the given KIND of window is found and closed as those are.
run_window() {
  xdo mousemove 2559 1599 # away from where the window appears
  ("$1_start" >"$out/$1/stdout.txt" 2>"$out/$1/stderr.txt") &
  program_pid=$!
  # Driven only once the window is there and shows the stereo image.
  if wait_until 30 "${2:-$1}_client" "$1" && wait_until 30 painted "$1"; then
    # Keys go to the window that has the keyboard focus; with no window
    # manager here, the program's window is given it.
    xdo search --onlyvisible --name '^Quor Vane$' windowfocus --sync >/dev/null 2>&1 || true
    sleep 0.5 && { drive "$1" || true; } && sleep 1 && { "${2:-$1}_close" "$1" || true; }
  fi
  wait_until 20 ended || kill -KILL -- -"$program_pid" 2>/dev/null || true
  status_to "$out/$1/status" wait "$program_pid"
  program_pid=""
  log "$1 run exited with $(cat "$out/$1/status")"
}

# ---- The setup program under Wine: installer_run, its notes checked below ----
# installer_run installs QuorVane-*-setup.exe silently into a fresh Wine prefix
# with a home folder of its own, finds the entry for Apps and the Start menu's
# shortcut, starts the shortcut's target in its working folder, records the
# scenario's first point and grades it with the installed grading tool, then
# uninstalls silently as Apps would. It notes each finding in installer/notes.
installer=$out/installer
note() { "${@:2}" && echo "ok|$1" >>"$installer/notes" || echo "FAIL|$1" >>"$installer/notes"; }
installer_start() { cd "$(winepath -u "${link[0]}")" && exec setsid timeout -k 5 120 wine "${link[2]}"; }
installer_run() {
  local -x WINEPREFIX=$installer/prefix HOME=$installer/home
  local key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\QuorVane' start=$SECONDS
  local setup users user programs work lnk link entry location
  mkdir -p "$HOME/Documents" && : >"$installer/notes"
  cmake --build "$windows_build" --target package_setup >"$installer/build.log" 2>&1
  setup=$(echo "$windows_build"/packaging/windows/QuorVane-*-setup.exe)
  log "the setup program: $(stat -c %s "$setup") bytes, built in $((SECONDS - start)) s"
  timeout 120 wineboot -i >"$installer/wineboot.log" 2>&1 && timeout 60 wineserver -w
  note "the setup program installs silently" timeout 120 wine "$setup" /S
  users=("$WINEPREFIX"/drive_c/users/*/AppData) && user=${users[0]%/AppData}
  programs="$user/AppData/Local/Programs/Quor Vane" work="$user/Documents/Quor Vane"
  lnk="$user/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Quor Vane.lnk"
  entry=$(timeout 20 wine reg query "$key" | tr -d '\r')
  location=$(sed -n 's/^ *InstallLocation *REG_SZ *//p' <<<"$entry")
  note "Apps lists Quor Vane, installed for the current user in AppData\\Local\\Programs" test \
    "$(grep -c '^ *DisplayName *REG_SZ *Quor Vane$' <<<"$entry")|$location" = \
    "1|C:\\users\\${user##*/}\\AppData\\Local\\Programs\\Quor Vane"
  note "installed: the programs, the image with its truth and hash, the licence, the read-me, the uninstaller" \
    test "$(ls "$programs" | xargs)" = "LICENSE.txt README.txt \
pr8a_c_ds.bmp pr8a_c_ds.sha256 pr8a_c_ds_truth.csv quor_vane.exe quor_vane_assess.exe quor_vane_exercise.exe \
quor_vane_start.exe uninstall.exe"
  # The link's working folder and icon are among its UTF-16 strings; its target is its local path.
  mapfile -t link < <(strings -el "$lnk" | grep -o '[A-Z]:\\.*'; strings -a "$lnk" | grep -x '[A-Z]:\\.*\.exe')
  note "the Start menu's shortcut runs quor_vane_start.exe in the program's folder, with the program's icon" \
    test "${link[*]:-}" = "$location $location\\quor_vane.exe $location\\quor_vane_start.exe"
  awk 'NR > 4 { print } NR > 4 && /^release/ { exit }' "$out/keyless.txt" >"$installer/scenario.txt"
  scenario=$installer/scenario.txt run_window installer wine
  note "started so, the program recorded its point in Documents\\Quor Vane and closed normally" test \
    "$(cat "$work/points.txt" "$installer/status")" = "$(head -1 "$out/expected_points.txt")"$'\r\n0'
  note "Documents\\Quor Vane got the default image, its truth and hash" \
    cmp <(cat "$linux_build"/scene/pr8a_c_ds*) <(cat "$work"/pr8a_c_ds*)
  (cd "$work" && timeout 60 wine "$location\\quor_vane_assess.exe" >"$installer/assess.txt" 2>&1)
  note "the installed grading tool graded it" test "$(wc -l <"$work/points_assessed.csv")" = 2
  timeout 60 wine "$(sed -n 's/^ *QuietUninstallString *REG_SZ *"\(.*\)" \/S$/\1/p' <<<"$entry")" /S &&
    timeout 60 wineserver -w
  timeout 20 wine reg query "$key" >/dev/null 2>&1
  note "the silent uninstall removed the program's folder, shortcut and entry, and left points.txt" \
    test "$?|$(ls -d "$programs" "$lnk" 2>/dev/null)|$(wc -l <"$work/points.txt")" = "1||1"
  log "the setup program's run took $((SECONDS - start)) s"
}
# ---- end of the setup program's block ----
# --- Exercises on Windows ----------------------------------------------------
# exercise_on_wine: quor_vane_exercise.exe from the package makes one exercise
# in the Wine run's folder ex, the Linux tool the same in exercise/ex. A short
# session there, the truth's first five mark positions replayed by the Linux
# runner, is graded by quor_vane_assess.exe under Wine, alone and as a class of
# one, and by the Linux tool. exercise_checks compares them byte for byte.
exercise_seed=20261207
exercise_on_wine() {
  local linux=$out/exercise
  mkdir -p "$linux" && "$linux_build/exercise/quor_vane_exercise" --seed $exercise_seed "$linux/ex" >/dev/null
  (cd "$out/wine" && timeout 120 wine quor_vane_exercise.exe --seed $exercise_seed ex >/dev/null 2>&1)
  awk -F, 'NR > 1 && NR <= 6 { print "move " $10 " " $11
    for (; steps < $12; steps++) print "wheel 120"
    for (; steps > $12; steps--) print "wheel -120"
    print "release" } END { print "close" }' "$linux/ex/pr8a_c_ds_truth.csv" >"$linux/session.txt"
  (cd "$linux/ex" && timeout 60 "$replay" ../session.txt >/dev/null 2>&1) || true
  cp "$linux/ex/points.txt" "$out/wine/ex/"
  (cd "$linux/ex" && "$linux_build/assess/quor_vane_assess" >assessed.txt 2>&1) || true
  (cd "$linux" && "$linux_build/assess/quor_vane_assess" --class ex >/dev/null 2>&1) || true
  (cd "$out/wine/ex" && timeout 60 wine ../quor_vane_assess.exe >/dev/null 2>&1) || true
  (cd "$out/wine" && timeout 60 wine quor_vane_assess.exe --class ex >/dev/null 2>&1) || true
}
exercise_checks() {
  local f
  for f in pr8a_c_ds.bmp pr8a_c_ds_truth.csv pr8a_c_ds.sha256 exercise-depth.png exercise.txt; do
    check "quor_vane_exercise.exe made the Linux tool's $f" cmp "$out/exercise/ex/$f" "$out/wine/ex/$f"
  done
  check "the five marks replayed on the exercise log the truth's coordinates" diff "$out/exercise/ex/points.txt" \
    <(awk -F, 'NR > 1 && NR <= 6 { printf "%3d %9.3f %9.3f %9.3f\n", NR - 1, $15, $16, $17 }' "$out/exercise/ex/pr8a_c_ds_truth.csv")
  check "the five marks replayed on the exercise grade within half a notch" \
    grep -q '^Within half a notch: 5 of 5$' "$out/exercise/ex/assessed.txt"
  for f in ex/points_assessed.csv ex/points_assessed.png class.csv; do
    check "quor_vane_assess.exe wrote the Linux tool's $f for the exercise" cmp "$out/exercise/$f" "$out/wine/$f"
  done
}
# ------------------------------------------------------------------------------

for run in headless linux keyless repeat; do cp "$image" "$out/$run/"; done
(cd "$out/headless" && status_to status timeout 120 "$replay" ../scenario.txt >stdout.txt 2>stderr.txt)
(cd "$out/keyless" && timeout 120 "$replay" ../keyless.txt >stdout.txt 2>stderr.txt) || true
# What the held arrow would give if it did not repeat: one pixel right.
(sed '$d' "$out/keyless.txt" && printf 'release\nmove 461 320\nrelease\n') >"$out/repeat.txt"
(cd "$out/repeat" && timeout 120 "$replay" ../repeat.txt >stdout.txt 2>stderr.txt) || true
wait "$wineboot_pid" || log "wineboot did not finish cleanly (see $out/wineboot.log)"
wineboot_pid=""
run_window linux
(cd "$out/wine-package" && cmake -E tar xf "$windows_build"/packaging/windows/QuorVane-*-windows.zip)
cp -R "$out"/wine-package/QuorVane-*-windows "$out/wine"
run_window wine
# The Wine run's points.txt graded by quor_vane_assess.exe under Wine in its
# folder, and by the Linux tool in a copy: both write their CSV and PNG in
# binary mode, so the files must be the same byte for byte.
mkdir -p "$out/graded" && cp "$image" "$out/wine/points.txt" "$out/graded/"
(cd "$out/graded" && timeout 60 "$linux_build/assess/quor_vane_assess" >stdout.txt 2>stderr.txt) ||
  log "the Linux grading tool failed (see $out/graded)"
(cd "$out/wine" && status_to assess-status timeout 120 wine quor_vane_assess.exe >assess-stdout.txt 2>assess-stderr.txt)
# Inside an || list no command of it stops the run: its failures are noted.
installer_run || log "the setup program's run failed"
exercise_on_wine
# -noreset keeps the resource after xrdb disconnects.
echo "Xft.dpi: 192" | timeout 10 xrdb -nocpp -merge && cp "$image" "$out/scaled/linux/"
out=$out/scaled scale=2 run_window linux

failures=0
check() {
  local what=$1
  shift
  if "$@"; then log "ok: $what"; else log "FAIL: $what" && failures=$((failures + 1)); fi
}
while read -r exe expected; do
  dlls=$(x86_64-w64-mingw32-objdump -p "$out/wine/$exe" | sed -n 's/.*DLL Name: //p' | sort | xargs)
  check "$exe needs only system DLLs ($dlls)" test "$dlls" = "$expected"
done <<TABLE
quor_vane.exe GDI32.dll KERNEL32.dll USER32.dll msvcrt.dll
quor_vane_assess.exe KERNEL32.dll msvcrt.dll
quor_vane_exercise.exe KERNEL32.dll msvcrt.dll
TABLE
check "quor_vane.exe carries the asInvoker manifest" grep -q -a 'level="asInvoker"' "$out/wine/quor_vane.exe"
check "the package holds the licence" cmp "$source_dir/LICENSE" "$out/wine/LICENSE.txt"
check "quor_vane_assess.exe graded the wine run's points" test "$(cat "$out/wine/assess-status")" = 0
for f in points_assessed.csv points_assessed.png; do
  check "quor_vane_assess.exe wrote the Linux tool's $f" cmp "$out/graded/$f" "$out/wine/$f"
done
while IFS='|' read -r verdict what; do check "$what" test "$verdict" = ok; done <"$installer/notes"
exercise_checks
for run in headless linux wine scaled/linux; do check "$run exited with 18" test "$(cat "$out/$run/status")" = 18; done
check "the mouse's points equal the ground truth" \
  diff "$out/expected_points.txt" <(head -n 12 "$out/keyless/points.txt")
check "the keys added four points, one taken back, automatic height two" \
  test "$(wc -l <"$out/keyless/points.txt")" = 18
for run in headless scaled/linux; do
  check "$run points.txt equals the truth's and the mouse's" diff "$out/keyless/points.txt" "$out/$run/points.txt"
done
check "linux points.txt equals the truth's and the mouse's" \
  diff "$out/keyless/points.txt" <(head -n 18 "$out/linux/points.txt")
check "linux recorded the point before the held arrow" \
  diff <(sed -n 19p "$out/repeat/points.txt") <(sed -n 19p "$out/linux/points.txt")
repeated() {
  local last one
  last=$(sed -n 20p "$out/linux/points.txt") one=$(sed -n 20p "$out/repeat/points.txt")
  [ -n "$last" ] && [ "$last" != "$one" ] && [ "$last" != "$(sed -n 19p "$out/linux/points.txt")" ]
}
check "linux moved the mark more than one pixel while the arrow was held" repeated
crlf() { [ -f "$1" ] && ! grep -q $'[^\r]$' "$1" && tr -d '\r' <"$1" | diff "$out/keyless/points.txt" -; }
check "wine points.txt equals the truth's and the mouse's, in CR LF lines" crlf "$out/wine/points.txt"
check "linux recorded a click with no mark shown, and took it back" \
  grep -q '^point 1 was taken back from points.txt$' "$out/linux/stderr.txt"
for run in linux wine; do
  check "$run refused to take back a point overwritten in place" \
    grep -q '^points.txt changed since point 15 was written; nothing was taken back' "$out/$run/stderr.txt"
done
# The screenshots are of the client areas, so they match only at the same size.
check "linux screenshot shows the headless client area, 1012 by 669" same "$out/linux/screen.bmp" "$out/headless/client.bmp"
check "wine screenshot shows the headless picture, mark included" \
  same "$out/wine/screen.bmp" "$out/headless/client.bmp" 900x620+10+10
check "linux showed the bare stereo image after a resize" test -f "$out/linux/repainted"
convert "$out/headless/client.bmp" -filter point -resize 200% -type truecolor "bmp3:$out/doubled.bmp"
check "scaled/linux screenshot is the headless client area doubled, 2024 by 1338" \
  same "$out/scaled/linux/screen.bmp" "$out/doubled.bmp"
echo "e2e: $failures failed"
[ "$failures" -eq 0 ]
