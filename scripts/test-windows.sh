#!/usr/bin/env bash
# The Windows build and its test suite, from Linux: installs the MinGW-w64
# compilers, Wine and Xvfb when missing, builds the third-party libraries
# into their cache (scripts/windows-deps.sh), cross-builds the library, the
# examples and the tests into build-windows/, and runs every test under Wine
# on a private Xvfb display.
set -euo pipefail
cd "$(dirname "$0")/.."
start=$(date +%s)

packages=(g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix mingw-w64-x86-64-dev
          binutils-mingw-w64-x86-64 wine wine64 xvfb xauth x11-utils cmake make
          pkg-config googletest fonts-dejavu-core python3)
source scripts/packages.sh
OX_APT_OUTPUT=/dev/null ox_install_missing "${packages[@]}"

deps=$(scripts/windows-deps.sh | tail -1)
echo "Third-party libraries: $deps ($(( $(date +%s) - start )) s so far)"

# Wine is up before the build: the examples' asset tool runs under it.
source scripts/xvfb.sh
ox_start_xvfb
source scripts/wine.sh
ox_start_wine

# Optimised as on Linux (-O2) but without debug information by default: the
# statically linked test programs then compile and link much faster.
OX_WINDOWS_DEPS=$deps cmake --preset windows -DCMAKE_BUILD_TYPE="${OX_BUILD_TYPE:-Release}" > /dev/null
cmake --build build-windows -j2
echo "Cross-built ($(( $(date +%s) - start )) s so far)"
# The programs find oxlen.dll on the path, as a game finds it beside itself.
WINEPATH="$(winepath -w "$(pwd)/build-windows")"
export WINEPATH
# One test at a time, as on Linux: the tests share the display, its focus
# and its pointer. Now and then Wine fails to start a program at all: it
# ends within milliseconds without a line of output, before the test's own
# code runs. Such a test runs once more; a test that printed anything, or
# stayed silent for a second or more (a hang until its time-out, or a crash
# of its own), fails the run (scripts/reruns.sh).
source scripts/reruns.sh
status=0
ox_ctest_with_reruns build-windows wine 1 || status=$?
echo "Windows build and tests took $(( $(date +%s) - start )) s"
exit $status
