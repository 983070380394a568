#!/usr/bin/env bash
# The Web build's figures: the wasm and page sizes of the README's game and
# the demo, and the frame cost of handing the page back to the browser at
# every frame end (bench/web/frame_cost.cpp, yielding and not, interleaved,
# five rounds, medians). Builds into build-web/bench/.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/web-env.sh
ox_web_prepare
out=build-web/bench
font=/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf
scripts/build-web.sh examples/minimal_game.cpp "$out/readme" "$font@$font" > /dev/null
[ -d build/examples/assets ] || OX_SETUP_TARGETS=oxlen_demo_assets scripts/setup.sh
CXXFLAGS='-DOX_DEMO_ASSET_DIR="assets" -DOX_DEMO_FONT_PATH="DejaVuSans.ttf"' \
  scripts/build-web.sh examples/demo/*.cpp "$out/demo" build/examples/assets "$font" > /dev/null
scripts/build-web.sh bench/web/frame_cost.cpp "$out/frame_cost" > /dev/null
for game in readme demo; do
  echo "$game: wasm $(stat -c %s "$out/$game/index.wasm") bytes, js $(stat -c %s "$out/$game/index.js")," \
    "html $(stat -c %s "$out/$game/index.html"), data $(stat -c %s "$out/$game/index.data")" \
    "($(gzip -9 -c "$out/$game/index.wasm" | wc -c) bytes of wasm gzipped)"
done
for round in 1 2 3 4 5; do
  for mode in yield noyield; do
    scripts/web/run.sh --page "$out/frame_cost/index.html?args=$mode,600" 2>/dev/null | grep "frame cost"
  done
done | python3 -c '
import re, statistics, sys
runs = {}
for line in sys.stdin:
    match = re.search(r"frame cost \((.*)\): \d+ frames, ([0-9.]+) ms", line)
    if match:
        runs.setdefault(match.group(1), []).append(float(match.group(2)))
for mode, values in sorted(runs.items()):
    print(f"frame cost, {mode}: median {statistics.median(values):.3f} ms a frame over {len(values)} runs")
'
