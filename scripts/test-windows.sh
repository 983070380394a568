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
          pkg-config googletest fonts-dejavu-core)
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
cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
  -DOX_WINDOWS_DEPS="$deps" -DCMAKE_BUILD_TYPE="${OX_BUILD_TYPE:-Release}" \
  -DCMAKE_C_FLAGS_RELEASE="-O2 -DNDEBUG" -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" > /dev/null
cmake --build build-windows -j2
echo "Cross-built ($(( $(date +%s) - start )) s so far)"
# The programs find oxlen.dll on the path, as a game finds it beside itself.
WINEPATH="$(winepath -w "$(pwd)/build-windows")"
export WINEPATH
# One test at a time, as on Linux: the tests share the display, its focus
# and its pointer.
status=0
ctest --test-dir build-windows --output-on-failure --timeout 300 || status=$?
# Now and then Wine fails to start a program at all: it ends within
# milliseconds without a line of output, before the test's own code runs.
# When every failed test ended that way, they run once more; a test that
# printed anything and failed stands.
log=build-windows/Testing/Temporary/LastTest.log
failed=build-windows/Testing/Temporary/LastTestsFailed.log
if [ "$status" -ne 0 ] && [ -f "$failed" ]; then
  silent=$(awk '/" start time:/ { name = substr($1, 2, length($1) - 2) }
                /^Output:$/ { getline; getline; if ($0 == "<end of output>") print name }' "$log")
  unstarted=1
  while IFS=: read -r _ name; do
    grep -qxF "$name" <<< "$silent" || unstarted=0
  done < "$failed"
  if [ "$unstarted" -eq 1 ]; then
    echo "Wine did not start the failed tests' programs; running them once more"
    status=0
    ctest --test-dir build-windows --output-on-failure --timeout 300 --rerun-failed || status=$?
  fi
fi
echo "Windows build and tests took $(( $(date +%s) - start )) s"
exit $status
