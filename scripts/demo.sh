#!/usr/bin/env bash
# Builds the library and runs the demo: in a window where there is a display,
# otherwise under Xvfb for a fixed number of frames.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
demo=build/examples/oxlen_demo
if [ ! -x "$demo" ]; then
  echo "The demo arrives with the window system; the library and its tests are built."
  exit 0
fi
if [ -n "${DISPLAY:-}" ] && xdpyinfo > /dev/null 2>&1; then
  exec "$demo" "$@"
fi
source scripts/xvfb.sh
ox_start_xvfb
"$demo" --frames 300 "$@"
