#!/usr/bin/env bash
# Regenerates the pictures of the default scene in docs/: the anaglyph and the
# left view's parallax, both at three quarters of the picture's size.
#   tools/scene/docs_pictures.sh BUILD_DIRECTORY
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:?usage: tools/scene/docs_pictures.sh BUILD_DIRECTORY}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$build/tools/scene/render_scene" --depth "$work/depth.ppm" "$work"
mkdir -p docs
convert "$work/pr8a_c_ds.bmp" -filter Triangle -resize 75% -strip \
  -define png:compression-level=9 docs/scene-anaglyph.png
convert "$work/depth.ppm" -filter Triangle -resize 75% -strip \
  -define png:compression-level=9 docs/scene-depth.png
ls -l docs/scene-anaglyph.png docs/scene-depth.png
