#!/usr/bin/env bash
# Quor Vane as a user installs it: the Debian package is built by CPack and
# checked by lintian, desktop-file-validate and appstreamcli, unpacked with
# dpkg-deb, and its launcher is run twice in Xvfb with an empty home folder.
# The first run must make "Documents/Quor Vane" with the default image, show
# the program's icon, record a click there and end with status 0 after a close
# request; the second must keep the image and points.txt it finds there; a
# failing start must pass the program's status and standard error on.
# quor_vane.exe must carry the icon and the version information.
#   usage: tests/install/package_test.sh LINUX_BUILD_DIR WINDOWS_BUILD_DIR
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "$1" && pwd) exe=$2/app/quor_vane.exe
work=$(mktemp -d) xvfb_pid="" pid=""
trap 'kill -- ${pid:+-$pid} $xvfb_pid 2>/dev/null; rm -rf "$work"' EXIT
fail() { echo "install: FAIL: $*" >&2; exit 1; }
until_true() { for _ in $(seq 150); do "$@" && return 0; sleep 0.2; done; return 1; }
gone() { ! kill -0 "$1" 2>/dev/null; }

(cd "$build" && cpack -G DEB >"$work/cpack.log") || { cat "$work/cpack.log"; fail "cpack"; }
deb=$(ls "$build"/quor-vane_*.deb)
version=$(dpkg-deb -f "$deb" Version) depends=$(dpkg-deb -f "$deb" Depends)
lintian --fail-on error "$deb" || fail "lintian found errors"
for d in libsdl2-2.0-0 libsdl2-ttf-2.0-0 fonts-dejavu-core; do
  [[ "$depends," == *"$d"[\ ,]* ]] || fail "the package does not depend on $d: $depends"
done
dpkg-deb -x "$deb" "$work/root"
share=$work/root/usr/share launcher=$work/root/usr/bin/quor-vane
desktop-file-validate "$share"/applications/*.desktop || fail "desktop entry"
appstreamcli validate --no-net "$share"/metainfo/*.xml || fail "AppStream data"
grep -q "<release version=\"$version\"" "$share"/metainfo/*.xml || fail "AppStream: not $version"
[ "$("$launcher" --version)" = "Quor Vane $version" ] || fail "quor-vane --version"
grep -q "quor-vane_${version}_amd64.deb" "$source_dir/README.md" || fail "README: not $version"
wrestool -l "$exe" | grep -q -- '--type=14 --name=32512' || fail "quor_vane.exe has no icon"
wrestool -x --raw --type=16 "$exe" | tr -d "\0" | grep -q "ProductVersion$version" || fail "no version"

Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb_pid=$!
until_true test -s "$work/display" || fail "Xvfb did not start"
export DISPLAY=:$(cat "$work/display") HOME=$work/home
folder="$HOME/Documents/Quor Vane"
mkdir "$HOME"
# run_launcher POINTS: starts the launcher, clicks once on the picture, waits
# for points.txt to hold POINTS lines, closes the window; status must be 0.
run_launcher() {
  setsid "$launcher" >"$work/stdout" 2>"$work/stderr" &
  pid=$!
  until_true xdotool search --onlyvisible --name '^Quor Vane$' >"$work/window" || fail "no window"
  window=$(head -1 "$work/window")
  until_true grep -q 'Icon (64 x 64)' <(xprop -id "$window" _NET_WM_ICON) || fail "no icon"
  xdotool mousemove --window "$window" 300 200 sleep 0.5 click 1
  until_true test "$(wc -l 2>/dev/null <"$folder/points.txt")" = "$1" || fail "click lost"
  "$build/tests/e2e/x_close_request" "$window"
  until_true gone "$pid" || fail "the program did not end after the close request"
  wait "$pid" || fail "launcher status $?: $(cat "$work/stderr")"
  pid=""
}
run_launcher 1
cmp "$folder/pr8a_c_ds.bmp" "$share/quor-vane/pr8a_c_ds.bmp" || fail "no default image"
cmp "$folder/pr8a_c_ds_truth.csv" "$share/quor-vane/pr8a_c_ds_truth.csv" || fail "no truth file"
# A picture of the user's own (the default one, one byte longer) and no truth file.
printf x >>"$folder/pr8a_c_ds.bmp" && cp "$folder/pr8a_c_ds.bmp" "$work/own.bmp"
rm "$folder/pr8a_c_ds_truth.csv"
run_launcher 2
cmp "$folder/pr8a_c_ds.bmp" "$work/own.bmp" || fail "the user's image was replaced"
[ ! -e "$folder/pr8a_c_ds_truth.csv" ] || fail "files were copied over a user's image"
[ "$(grep -c '^  1 ' "$folder/points.txt")" = 2 ] || fail "points.txt was not kept"
# A program that fails: its status and standard error come through unchanged.
printf '#!/bin/sh\necho "no window" >&2\nexit 3\n' >"$work/root/usr/bin/quor_vane"
status=0
"$launcher" >/dev/null 2>"$work/stderr" || status=$?
[ "$status" = 3 ] && [ "$(cat "$work/stderr")" = "no window" ] || fail "failure hidden ($status)"
echo "install: PASS (package $version, launcher, desktop entry, AppStream data, .exe resources)"
