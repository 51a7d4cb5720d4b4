#!/usr/bin/env bash
# From a fresh Debian/Ubuntu machine: install what is missing, build, and run
# the whole test suite: the release build's tests, the end-to-end run in real
# windows, the Debian package and its launcher, a bounded fuzzing run, and the
# tests once more built with the address and undefined-behaviour sanitizers.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

scripts/setup-debian.sh

cmake -S . -B build/release -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQV_WERROR=ON
cmake --build build/release -j"$jobs"
ctest --test-dir build/release --output-on-failure -j"$jobs"
tests/e2e/run.sh build/release build/windows # real windows: Xvfb, and Wine for the .exe
tests/install/package_test.sh build/release build/windows # the Debian package, the .exe's resources

# Fuzz BMP loading for about a minute (libFuzzer needs clang).
cmake -S . -B build/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang \
  -DCMAKE_CXX_COMPILER=clang++ -DQV_FUZZ=ON -DQV_BUILD_BENCH=OFF
cmake --build build/fuzz -j"$jobs" --target bmp_fuzz hostile_bmp
ctest --test-dir build/fuzz -R platform_bmp_fuzz --output-on-failure # seeds, then fuzzing

cmake -S . -B build/sanitize -DCMAKE_BUILD_TYPE=Debug -DQV_WERROR=ON -DQV_SANITIZE=ON \
  -DQV_BUILD_BENCH=OFF
cmake --build build/sanitize -j"$jobs"
ctest --test-dir build/sanitize --output-on-failure -j"$jobs"

