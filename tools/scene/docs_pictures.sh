#!/usr/bin/env bash
# Regenerates the pictures of the scenes in docs/: the default scene's
# anaglyph and the left view's parallax, both at three quarters of the
# picture's size, and for the read-me's teaching section the default scene
# beside exercise 3 (blocks before a wall), each anaglyph over its depth at
# half the size.
#   tools/scene/docs_pictures.sh BUILD_DIRECTORY
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:?usage: tools/scene/docs_pictures.sh BUILD_DIRECTORY}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$build/tools/scene/render_scene" --depth "$work/depth.ppm" "$work"
"$build/exercise/quor_vane_exercise" --seed 3 "$work/exercise" >/dev/null
mkdir -p docs
convert "$work/pr8a_c_ds.bmp" -filter Triangle -resize 75% -strip \
  -define png:compression-level=9 docs/scene-anaglyph.png
convert "$work/depth.ppm" -filter Triangle -resize 75% -strip \
  -define png:compression-level=9 docs/scene-depth.png
convert \( "$work/pr8a_c_ds.bmp" "$work/depth.ppm" -append \) \
  \( "$work/exercise/pr8a_c_ds.bmp" "$work/exercise/exercise-depth.png" -append \) \
  -filter Triangle -resize 50% -bordercolor white -border 4 +append -strip \
  -define png:compression-level=9 docs/teaching-exercise.png
ls -l docs/scene-anaglyph.png docs/scene-depth.png docs/teaching-exercise.png
