#!/usr/bin/env bash
# Installs what building, running and testing Quor Vane needs on Debian or
# Ubuntu. Safe to run again; it only adds what is missing.
set -euo pipefail

packages=(
  build-essential cmake pkg-config clang libclang-rt-14-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libsdl2-dev libsdl2-ttf-dev libfontconfig-dev libx11-dev fonts-dejavu-core libstb-dev
  xvfb xdotool x11-utils x11-xserver-utils imagemagick
  g++-mingw-w64-x86-64 wine wine64 zip nsis
  lintian man-db desktop-file-utils appstream icoutils xdg-user-dirs openbox libxtst-dev
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

sudo=""
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "Missing: ${missing[*]}; run this as root to install them" >&2; exit 1; }
  sudo="sudo"
fi
echo "Installing: ${missing[*]}"
$sudo apt-get update -q
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q "${missing[@]}"
