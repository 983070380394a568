#!/usr/bin/env bash
# Installs the Debian packages the project needs (only those missing), then
# configures and builds into build/ at the repository root.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  build-essential cmake pkg-config googletest libgtest-dev
  libsdl2-dev libsdl2-image-dev libglew-dev libfreetype-dev libsndfile1-dev libpng-dev
  libgl1-mesa-dri libx11-dev libxtst-dev xvfb xauth x11-utils
  fonts-dejavu-core valgrind libwebp-dev clang-14 libclang-rt-14-dev
  dpkg-dev file python3
  libjpeg-dev libmpg123-dev libvorbis-dev
)

source scripts/packages.sh
ox_install_missing "${packages[@]}"

cmake -S . -B build -DCMAKE_BUILD_TYPE="${OX_BUILD_TYPE:-RelWithDebInfo}" > /dev/null
cmake --build build -j"$(nproc)" --target ${OX_SETUP_TARGETS:-all}
