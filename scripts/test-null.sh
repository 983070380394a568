#!/usr/bin/env bash
# Builds the library on the null backend (windows, clock, pads and audio
# output in memory, OpenGL through EGL without a window system) into
# build-null/ and runs its suites with no display at all: the programs share
# no server, so they run side by side.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
ox_install_missing "${OX_LINUX_PACKAGES[@]}" "${OX_LINUX_TEST_PACKAGES[@]}" libegl-dev libegl-mesa0
cmake --preset null > /dev/null
cmake --build build-null -j"$(nproc)"
env -u DISPLAY -u WAYLAND_DISPLAY \
  ctest --test-dir build-null --output-on-failure --timeout 300 -j"$(nproc)"
