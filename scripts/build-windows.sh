#!/usr/bin/env bash
# The Windows build without its tests: scripts/build-windows.sh [PREFIX]
#
# Installs the MinGW-w64 compilers when missing, builds the third-party
# libraries into their cache (scripts/windows-deps.sh), cross-builds the
# library and the entry-point library into build-windows-dist/ and installs
# them into PREFIX (default: build-windows-dist/install): bin/oxlen.dll,
# lib/liboxlen.dll.a, lib/liboxlen_main.a, the headers, and the CMake
# package with the MinGW-w64 toolchain file beside it
# (lib/cmake/Oxlen/mingw-w64-x86_64.cmake), so that a game's CMake project
# builds against it with
#   cmake -S game -B build -DCMAKE_TOOLCHAIN_FILE=PREFIX/lib/cmake/Oxlen/mingw-w64-x86_64.cmake \
#         -DCMAKE_PREFIX_PATH=PREFIX
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build-windows-dist
prefix=$(realpath -m "${1:-$build/install}")

source "$root/scripts/packages.sh"
OX_APT_OUTPUT=/dev/null ox_install_missing g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix \
  mingw-w64-x86-64-dev binutils-mingw-w64-x86-64 cmake make pkg-config
deps=$("$root/scripts/windows-deps.sh" | tail -1)

OX_WINDOWS_DEPS=$deps cmake -S "$root" --preset windows-dist > /dev/null
cmake --build "$build" -j"$(nproc)" --target oxlen oxlen_main
cmake --install "$build" --prefix "$prefix" > /dev/null
echo "build-windows: $prefix"
