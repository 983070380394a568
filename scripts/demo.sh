#!/usr/bin/env bash
# Builds the library and the examples (not the test suite) and runs the demo
# game: in a window where there is a display; otherwise under Xvfb for 600
# frames of auto-pilot, leaving the last frame in build/demo.png. Extra
# arguments go to the demo.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh --examples-only
demo=build/examples/oxlen_demo
if [ -n "${DISPLAY:-}" ] && xdpyinfo > /dev/null 2>&1; then
  exec "$demo" "$@"
fi
source scripts/xvfb.sh
ox_start_xvfb
"$demo" --frames 600 --screenshot build/demo.png "$@"
echo "No display: the demo ran under Xvfb; its last frame is in $PWD/build/demo.png"
