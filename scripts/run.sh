#!/usr/bin/env bash
# From a fresh Debian/Ubuntu machine: install what is missing, build, and open
# Quor Vane on the default stereo image. The working directory is run/ in the
# checkout: the program reads pr8a_c_ds.bmp there and appends to points.txt
# there. An image of your own placed in run/ under that name is kept.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup-debian.sh
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/release -j"$(nproc)" --target quor_vane quor_vane_assess quor_vane_exercise default_scene

mkdir -p run
if [ ! -f run/pr8a_c_ds.bmp ]; then
  cp build/release/scene/pr8a_c_ds.bmp build/release/scene/pr8a_c_ds_truth.csv run/
fi

cd run
status=0
../build/release/app/quor_vane || status=$?
if [ "$status" -eq 18 ]; then
  echo "Quor Vane closed. Recorded points are in $(pwd)/points.txt"
  exit 0
fi
exit "$status"
