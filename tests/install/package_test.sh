#!/usr/bin/env bash
# Quor Vane as a user installs it: the Debian package is built by CPack and
# checked by lintian (no warnings), desktop-file-validate and appstreamcli,
# unpacked with dpkg-deb, and its launcher is run twice in Xvfb with an empty
# home folder. The first run must make "Documents/Quor Vane" with the default
# image, truth and hash, show the program's icon, record a click there and end
# with status 0 after a close request; the second must keep the image and
# points.txt it finds there and complete a missing truth file. The launcher in
# the build tree must do the same with the build's program and image. With a
# stand-in program, the launcher must keep to the home folder whatever its
# name (".." included), cope with folders named like options, leave nothing
# of a copy that a full disk stopped, refuse stray arguments, and pass a
# failing program's status and standard error on. Only the launcher, the
# grading tool and the maker of exercises are commands, each with a manual
# page, the binaries hardened; the read-me's pictures come with it.
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
lintian --fail-on warning "$deb" || fail "lintian found warnings"
for d in libsdl2-2.0-0 libsdl2-ttf-2.0-0 fonts-dejavu-core; do
  [[ "$depends," == *"$d"[\ ,]* ]] || fail "the package does not depend on $d: $depends"
done
dpkg-deb -x "$deb" "$work/root"
share=$work/root/usr/share launcher=$work/root/usr/bin/quor-vane
program=$work/root/usr/libexec/quor-vane/quor_vane
[ "$(ls "$work/root/usr/bin" | xargs)" = "quor-vane quor_vane_assess quor_vane_exercise" ] ||
  fail "commands: $(ls "$work/root/usr/bin")"
for command in "$work"/root/usr/bin/*; do
  page=$share/man/man1/${command##*/}.1.gz
  [ -z "$(man --warnings -l "$page" 2>&1 >/dev/null)" ] || fail "no clean manual page $page"
done
# Hardened (lintian lets a binary without fortified calls pass).
for elf in "$program" "$work"/root/usr/bin/quor_vane_*; do
  symbols=$(readelf --dyn-syms -W "$elf")
  [[ "$(readelf -d "$elf")" == *BIND_NOW* ]] || fail "$elf is not bound at start (-z now)"
  [[ $symbols == *__stack_chk_fail@* ]] || fail "$elf has no stack protection"
  [[ $symbols =~ __[a-z]+_chk@ ]] || fail "$elf calls no fortified C library function"
done
doc=$share/doc/quor-vane
for picture in $(grep -o '](docs/[^)]*)' "$doc/README.md" | sed 's/^](//; s/)$//'); do
  [ -f "$doc/$picture" ] || fail "the installed read-me shows $picture, which is not installed"
done
desktop-file-validate "$share"/applications/*.desktop || fail "desktop entry"
appstreamcli validate --no-net "$share"/metainfo/*.xml || fail "AppStream data"
grep -q "<release version=\"$version\"" "$share"/metainfo/*.xml || fail "AppStream: not $version"
grep -q "quor-vane_${version}_amd64.deb" "$source_dir/README.md" || fail "README: not $version"
wrestool -l "$exe" | grep -q -- '--type=14 --name=32512' || fail "quor_vane.exe has no icon"
wrestool -x --raw --type=16 "$exe" | tr -d "\0" | grep -q "ProductVersion$version" || fail "no version"

Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb_pid=$!
until_true test -s "$work/display" || fail "Xvfb did not start"
export DISPLAY=:$(cat "$work/display") HOME=$work/home
unset XDG_CONFIG_HOME
folder="$HOME/Documents/Quor Vane"
mkdir "$HOME"
# run_launcher POINTS [LAUNCHER]: starts the launcher, clicks once on the
# picture, waits for points.txt to hold POINTS lines, closes the window; status
# must be 0.
run_launcher() {
  setsid "${2:-$launcher}" >"$work/stdout" 2>"$work/stderr" &
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
defaults() { cmp <(cat "$folder"/pr8a_c_ds*) <(cat "$share"/quor-vane/pr8a_c_ds*); }
defaults || fail "no default image, truth and hash"
# A picture of the user's own (the default one, one byte longer) and no truth file.
printf x >>"$folder/pr8a_c_ds.bmp" && cp "$folder/pr8a_c_ds.bmp" "$work/own.bmp"
rm "$folder/pr8a_c_ds_truth.csv"
run_launcher 2 # the click's line after the first run's: points.txt kept
cmp "$folder/pr8a_c_ds.bmp" "$work/own.bmp" || fail "the user's image was replaced"
cmp "$folder/pr8a_c_ds_truth.csv" "$share/quor-vane/pr8a_c_ds_truth.csv" || fail "no truth completed"
# The launcher in the build tree runs as it is, on the build's program and image.
HOME=$work/home-build && mkdir "$HOME" && folder="$HOME/Documents/Quor Vane"
run_launcher 1 "$build/packaging/quor-vane"
cmp "$folder/pr8a_c_ds.bmp" "$build/scene/pr8a_c_ds.bmp" || fail "build tree: no default image"

# A stand-in program that notes the folder it was started in and closes.
printf '#!/bin/sh\npwd >"%s/started_in"\nexit 18\n' "$work" >"$program"
# HOME | documents folder in user-dirs.dirs | folder expected, from $work/cwd.
while IFS='|' read -r home documents expected; do
  rm -rf "$work/cwd" "$work/started_in" && mkdir "$work/cwd" && cd "$work/cwd"
  mkdir -p -- "$home/.config"
  [ -z "$documents" ] || echo "XDG_DOCUMENTS_DIR=\"$documents\"" >"$home/.config/user-dirs.dirs"
  HOME=$home "$launcher" >/dev/null 2>"$work/stderr" || fail "HOME='$home': status $?: $(cat "$work/stderr")"
  [ "$(cat "$work/started_in")" = "$work/cwd/$expected" ] ||
    fail "HOME='$home': started in '$(cat "$work/started_in")', not in '$expected'"
  [ "$(ls -A)" = "${home##*/}" ] || fail "HOME='$home': wrote outside the home folder: $(ls -A)"
  cd "$work"
done <<TABLE
$work/cwd/h|\$HOME/Papers|h/Papers/Quor Vane
$work/cwd/a  b||a  b/Documents/Quor Vane
$work/cwd/a  b|\$HOME/Papers|a  b/Documents/Quor Vane
-docs||-docs/Documents/Quor Vane
$work/cwd/h|\$HOME/../outside|h/Documents/Quor Vane
TABLE
# A disk that fills during the copy (here a file size limit) leaves no
# pr8a_c_ds.bmp, nor any part of one; the next start copies it whole.
HOME=$work/full folder="$work/full/Documents/Quor Vane"
(ulimit -f 1000 && "$launcher" 2>/dev/null) && fail "a failed copy went unnoticed"
[ -z "$(ls -A "$folder")" ] && "$launcher" >/dev/null && defaults || fail "after a full disk: $(ls -A "$folder")"
# Arguments | standard output | status: only a lone --version or --help, and
# they start nothing.
while IFS='|' read -r args expected; do
  rm -f "$work/started_in"
  [ "$(eval "\"\$launcher\" $args" 2>/dev/null)|$?" = "$expected" ] && [ ! -e "$work/started_in" ] ||
    fail "quor-vane $args: not '$expected'"
done <<TABLE
--version|Quor Vane $version|0
--help|usage: quor-vane [--version | --help]|0
--version foo||2
--help --version||2
foo||2
''||2
TABLE
# A program that fails: its standard error and status come through unchanged.
printf '#!/bin/sh\necho "no window" >&2\nexit 3\n' >"$program"
[ "$("$launcher" 2>&1 >/dev/null)|$?" = "no window|3" ] || fail "a failing program's status or message hidden"
echo "install: PASS (package $version, launcher, desktop entry, AppStream data, manual pages, hardening, .exe resources)"
