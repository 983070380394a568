#!/usr/bin/env bash
# Builds the library and runs every test under a private Xvfb display.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
source scripts/xvfb.sh
ox_start_xvfb
# One test at a time: display tests share the X server, its focus and its
# pointer, so running two at once would let one test's input reach the other.
ctest --test-dir build --output-on-failure --timeout 300
