#!/usr/bin/env bash
# make_scenario.sh TRUTH.csv OUTPUT_DIRECTORY
#
# Writes OUTPUT_DIRECTORY/scenario.txt, a measurement run in the replay script
# language, and OUTPUT_DIRECTORY/expected_points.txt, the first twelve lines
# of the points.txt that run must leave, from the default scene's ground truth
# alone. OUTPUT_DIRECTORY/keyless.txt is the same run with the mouse and the
# wheel doing what its keys do; replayed, it gives the lines the keys add.
#
# After a click with no mark shown (taken back at once), twelve points spread
# evenly over the list are measured, each by moving the
# pointer to its pointer position, turning the wheel one notch at a time to
# its wheel steps, and clicking. They are visited by wheel steps, first rising
# on every other point, then falling on the rest, so both wheel directions are
# used with few notches. Before the fifth point the pointer leaves for the
# top-left corner and the wheel turns out there (it still acts at the last
# position inside); before the ninth it visits the readout side. Then keys
# place three more points near the first one: arrows and Shift+arrows move
# the mark, two Page Ups or Page Downs make a notch, Space and Return record,
# and Ctrl+Z takes one back; one overwritten by another program in place is
# not taken back; a burst of a thousand arrows at full speed places one
# more. Then the key a turns automatic height on, and the
# mouse and an arrow record two points at the depth it finds; it stays on. At
# the end it moves once more inside, saves the client area and closes the
# window.
# The truth gives the logged coordinates with every digit of the double, so
# their three-decimal rounding here is the program's.
set -euo pipefail
export LC_ALL=C
[ $# -eq 2 ] || { echo "usage: $0 TRUTH.csv OUTPUT_DIRECTORY" >&2; exit 2; }

awk -F, -v scenario="$2/scenario.txt" -v expected="$2/expected_points.txt" \
  -v keyless="$2/keyless.txt" '
NR == 1 { for (i = 1; i <= NF; i++) column[$i] = i; next }
{ line[NR - 1] = $0 }
function field(entry, name,   f) { split(line[entry], f, ","); return f[column[name]] }
function both(text) { print text > scenario; print text > keyless }
function turn_to(target) {
  for (; steps < target; steps++) both("wheel 120")
  for (; steps > target; steps--) both("wheel -120")
}
# key LINES, then the same done with the mouse and the wheel.
function key(text, mouse) { print text > scenario; if (mouse != "") print mouse > keyless }
function visit(n, entry,   x, y) {
  x = field(entry, "pointerX"); y = field(entry, "pointerY")
  if (n == 5) {
    both("move 5 5")
    turn_to(field(entry, "wheelSteps"))
    both("move " x " " y)
  } else {
    if (n == 9) both("move 950 300")
    both("move " x " " y)
    turn_to(field(entry, "wheelSteps"))
  }
  both("release")
  printf "%3d %9.3f %9.3f %9.3f\n", n, field(entry, "markX"), field(entry, "markY"),
         field(entry, "markZ") > expected
}
END {
  count = NR - 1
  # Twelve entries, sorted by wheel steps, then by entry (insertion sort, stable).
  for (k = 0; k < 12; k++) {
    pick[k] = 1 + int(k * count / 12)
    for (j = k; j > 0 && field(pick[j - 1], "wheelSteps") + 0 > field(pick[j], "wheelSteps") + 0; j--) {
      t = pick[j]; pick[j] = pick[j - 1]; pick[j - 1] = t
    }
  }
  both("# Measurements over the default scene, made from its ground truth.")
  # First a click with no mark shown, as a click that gives the window the
  # focus would be: recorded, shown, and taken back.
  both("move 960 600")
  both("release")
  both("key ctrl+z")
  n = 0
  for (k = 0; k < 12; k += 2) visit(++n, pick[k])
  for (k = 11; k > 0; k -= 2) visit(++n, pick[k])
  x = field(pick[0], "pointerX"); y = field(pick[0], "pointerY")
  both("move " x " " y)
  key("key Right", "move " x + 1 " " y)
  key("key shift+Down", "move " x + 1 " " y + 10)
  key("key Prior", "")
  key("key Prior", "wheel 120")
  key("key space", "release")
  key("key shift+Left", "move " x - 9 " " y + 10)
  key("key Next", "")
  key("key Next", "wheel -120")
  key("key Return", "release")
  key("key Up", "move " x - 9 " " y + 9)
  key("key space", "")
  key("key ctrl+z", "")
  key("key Down", "move " x - 9 " " y + 10)
  key("key space", "release")
  # Another program overwrites the first byte of the line of that point in place:
  # taking it back is refused.
  both("write points.txt last #")
  key("key ctrl+z", "")
  # A burst of a thousand arrows at full speed, 200 columns right in all.
  key("keys 200 Right Left Right Down Up", "move " (x + 191 > 920 ? 920 : x + 191) " " y + 10)
  key("key space", "release")
  # Automatic height: on by its key, the mark finds the depth at two more
  # truth points, moved to by the mouse and then by an arrow; both recorded.
  both("key a")
  both("move " field(pick[2], "pointerX") " " field(pick[2], "pointerY"))
  x = field(pick[7], "pointerX"); y = field(pick[7], "pointerY")
  both("move " x " " y)
  both("release")
  key("key Left", "move " x - 1 " " y)
  both("release")
  both("move 460 320")
  both("save client.bmp")
  both("close")
}' "$1"
