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
  dpkg-dev file
  libjpeg-dev libmpg123-dev libvorbis-dev
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  if [ "$(id -u)" -eq 0 ]; then apt=(apt-get); else apt=(sudo apt-get); fi
  export DEBIAN_FRONTEND=noninteractive
  "${apt[@]}" update -qq
  "${apt[@]}" install -y -qq --no-install-recommends "${missing[@]}"
fi

cmake -S . -B build -DCMAKE_BUILD_TYPE="${OX_BUILD_TYPE:-RelWithDebInfo}" > /dev/null
cmake --build build -j"$(nproc)"
