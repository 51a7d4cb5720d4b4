#!/usr/bin/env bash
# make_scenario.sh TRUTH.csv OUTPUT_DIRECTORY
#
# Writes OUTPUT_DIRECTORY/scenario.txt, a measurement run in the replay
# script language, and OUTPUT_DIRECTORY/expected_points.txt, the points.txt
# that run must leave, both from the default scene's ground truth. The
# result depends on the ground truth alone.
#
# The run measures twelve points spread over the list: for each it moves
# the pointer to the point's pointer position, turns the wheel one notch at a
# time from the parallax it has to the point's (forward narrows, back
# widens), and records it with a click. The points are visited by wheel
# steps, first rising then falling, so that both wheel directions are used
# and few notches are needed. Twice it leaves the measurement area (once
# to the top-left corner, once to the readout side) and comes back; the
# first time the wheel is turned while outside, which measures at the last
# position inside. At the end it moves once more inside, saves the client
# area and closes the window.
#
# The ground truth gives the coordinates at each mark position with all the
# digits of the double, so their three-decimal rounding here is the program's.
set -euo pipefail
export LC_ALL=C

if [ $# -ne 2 ]; then
  echo "usage: $0 TRUTH.csv OUTPUT_DIRECTORY" >&2
  exit 2
fi
truth=$1
out=$2
wanted=12

# Columns by name from the header line.
awk -F, -v wanted="$wanted" '
NR == 1 {
  for (i = 1; i <= NF; i++) column[$i] = i
  split("pointerX pointerY wheelSteps markX markY markZ", names, " ")
  for (n in names) if (!(names[n] in column)) {
    print "make_scenario: no column " names[n] " in the ground truth" > "/dev/stderr"
    exit 2
  }
  next
}
{ row[NR - 1] = $0; count = NR - 1 }
END {
  if (count < wanted) {
    print "make_scenario: the ground truth has only " count " points" > "/dev/stderr"
    exit 2
  }
  # Evenly spread over the list.
  for (k = 0; k < wanted; k++) {
    i = 1 + int(k * count / wanted)
    split(row[i], f, ",")
    printf "%d %d %d %d %s %s %s\n", f[column["wheelSteps"]], i, f[column["pointerX"]],
           f[column["pointerY"]], f[column["markX"]], f[column["markY"]], f[column["markZ"]]
  }
}' "$truth" | sort -n -k1,1 -k2,2 >"$out/points.list"

# Rising wheel steps on every other point, then falling on the rest.
{
  awk 'NR % 2 == 1' "$out/points.list"
  awk 'NR % 2 == 0' "$out/points.list" | sort -r -n -k1,1 -k2,2
} >"$out/visits.list"

awk '
function turn_to(target) {
  for (; steps < target; steps++) print "wheel 120"
  for (; steps > target; steps--) print "wheel -120"
}
BEGIN {
  print "# Measurements over the default scene, made from its ground truth."
  print "# Each point: pointer to its position, wheel to its parallax, click."
  steps = 0
}
{
  n++
  print "# point " n ": ground truth entry " $2
  if (n == 5) {
    print "# out to the top-left corner; the wheel still acts at the last position inside"
    print "move 5 5"
    turn_to($1)
    print "move " $3 " " $4
  } else if (n == 9) {
    print "# out to the readout side and back in"
    print "move 950 300"
    print "move " $3 " " $4
    turn_to($1)
  } else {
    print "move " $3 " " $4
    turn_to($1)
  }
  print "release"
}
END {
  print "# the screenshot is taken after one more move inside"
  print "move 460 320"
  print "save client.bmp"
  print "close"
}' "$out/visits.list" >"$out/scenario.txt"

awk '{ printf "%3d %9.3f %9.3f %9.3f\n", NR, $5, $6, $7 }' "$out/visits.list" \
  >"$out/expected_points.txt"
rm -f "$out/points.list" "$out/visits.list"
