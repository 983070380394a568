#!/usr/bin/env bash
# Installs the Debian packages the project needs (only those missing), then
# configures and builds into build/ at the repository root: the library, the
# examples and the test suite; with --examples-only, the library and the
# examples alone, with only the packages they need (scripts/demo.sh).
set -euo pipefail
cd "$(dirname "$0")/.."

# The library and the examples.
packages=(
  build-essential cmake pkg-config
  libsdl2-dev libsdl2-image-dev libglew-dev libfreetype-dev libsndfile1-dev libpng-dev
  libjpeg-dev libmpg123-dev libvorbis-dev libwebp-dev
  libgl1-mesa-dri libx11-dev xvfb xauth x11-utils fonts-dejavu-core
)
tests=ON
if [ "${1:-}" = --examples-only ]; then
  tests=OFF
else
  # The test suite: GoogleTest, synthetic input, leak checks, the fuzzers'
  # compiler, the packaging tests' tools.
  packages+=(googletest libgtest-dev libxtst-dev valgrind clang-14 libclang-rt-14-dev
    dpkg-dev file python3)
fi

source scripts/packages.sh
ox_install_missing "${packages[@]}"

cmake --preset linux -DCMAKE_BUILD_TYPE="${OX_BUILD_TYPE:-RelWithDebInfo}" \
  -DOX_BUILD_TESTS=$tests > /dev/null
cmake --build build -j"$(nproc)" --target ${OX_SETUP_TARGETS:-all}
