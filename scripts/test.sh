#!/usr/bin/env bash
# Builds the library and runs every test under a private Xvfb display.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
source scripts/xvfb.sh
ox_start_xvfb
ctest --test-dir build --output-on-failure -j2 --timeout 300
