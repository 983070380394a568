#!/usr/bin/env bash
# Installs the Debian packages the project needs (only those missing), then
# configures and builds into build/ at the repository root: the library, the
# examples and the test suite; with --examples-only, the library and the
# examples alone, with only the packages they need (scripts/demo.sh).
set -euo pipefail
cd "$(dirname "$0")/.."

source scripts/packages.sh
packages=("${OX_LINUX_PACKAGES[@]}")
tests=ON
if [ "${1:-}" = --examples-only ]; then
  tests=OFF
else
  packages+=("${OX_LINUX_TEST_PACKAGES[@]}")
fi
ox_install_missing "${packages[@]}"

cmake --preset linux -DCMAKE_BUILD_TYPE="${OX_BUILD_TYPE:-RelWithDebInfo}" \
  -DOX_BUILD_TESTS=$tests > /dev/null
cmake --build build -j"$(nproc)" --target ${OX_SETUP_TARGETS:-all}
