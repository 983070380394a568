#!/usr/bin/env bash
# Sourced by the other scripts: ox_install_missing installs, with apt-get,
# those of the Debian packages named as arguments that are not installed yet
# (through sudo when not root). Extra apt-get output goes where
# OX_APT_OUTPUT points (default: standard output).
ox_install_missing() {
  local missing=() package
  for package in "$@"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
      missing+=("$package")
  done
  [ ${#missing[@]} -gt 0 ] || return 0
  echo "Installing: ${missing[*]}"
  local apt=(apt-get)
  [ "$(id -u)" -eq 0 ] || apt=(sudo apt-get)
  DEBIAN_FRONTEND=noninteractive "${apt[@]}" update -qq
  DEBIAN_FRONTEND=noninteractive "${apt[@]}" install -y -qq --no-install-recommends "${missing[@]}" \
    > "${OX_APT_OUTPUT:-/dev/stdout}"
}

# The Debian packages of the Linux build: the library and the examples, then
# the test suite (GoogleTest, synthetic input, leak checks, the fuzzers'
# compiler, the packaging tests' tools).
OX_LINUX_PACKAGES=(
  build-essential cmake pkg-config
  libsdl2-dev libsdl2-image-dev libglew-dev libfreetype-dev libsndfile1-dev libpng-dev
  libjpeg-dev libmpg123-dev libvorbis-dev libwebp-dev
  libgl1-mesa-dri libx11-dev xvfb xauth x11-utils fonts-dejavu-core
)
OX_LINUX_TEST_PACKAGES=(
  googletest libgtest-dev libxtst-dev valgrind clang-14 libclang-rt-14-dev dpkg-dev file python3
)
