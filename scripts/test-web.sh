#!/usr/bin/env bash
# The Web build's tests, in headless Chromium with software WebGL: the suite
# (tests/web/ and the programs of tests/ that apply to a page) through CTest,
# then games built by scripts/build-web.sh as a user builds them, each run
# in its page: a wWinMain game with its font file beside it, the README's
# game and the demo (600 frames of auto-pilot, its last frame saved).
# Installs what it needs; the third-party libraries are built once into a
# per-user cache (scripts/web-deps.sh).
#
# --build-only builds the suite and the games and runs nothing; --run-only
# runs what an earlier --build-only built (CI builds while other stages run
# their tests, and runs the pages at the end).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
mode=${1:-all}
case "$mode" in
  all|--build-only|--run-only) ;;
  *) echo "usage: scripts/test-web.sh [--build-only|--run-only]" >&2; exit 2 ;;
esac
source scripts/packages.sh
source scripts/web-env.sh
ox_install_missing "${OX_WEB_TEST_PACKAGES[@]}"
run=scripts/web/run.sh
pixel=scripts/web/png_pixel.py
font=/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf
# The games link the engine the suite's build compiles.
export OX_WEB_BUILD=$root/build-web-tests
pages=$root/build-web/pages

build_all() {
  ox_web_prepare
  echo "== building the web suite"
  OX_WEB_TESTS=ON ox_web_build_engine "$OX_WEB_BUILD" all
  echo "== building the games"
  rm -rf "$pages"
  # A Windows-style game, unchanged: wWinMain, its font by its bare name.
  scripts/build-web.sh tests/web/font_wizard_game.cpp "$pages/wizard" "$font"
  # The README's game, its font where Debian keeps it.
  scripts/build-web.sh examples/minimal_game.cpp "$pages/readme" "$font@$font"
  # The demo: the desktop build writes its images and sounds.
  [ -d build/examples/assets ] || OX_SETUP_TARGETS=oxlen_demo_assets scripts/setup.sh
  CXXFLAGS='-DOX_DEMO_ASSET_DIR="assets" -DOX_DEMO_FONT_PATH="DejaVuSans.ttf"' \
    scripts/build-web.sh examples/demo/*.cpp "$pages/demo" build/examples/assets "$font"
}

if [ "$mode" != --run-only ]; then build_all; fi
[ "$mode" != --build-only ] || exit 0

echo "== web suite"
ctest --test-dir "$OX_WEB_BUILD" --output-on-failure --timeout 300

echo "== games in pages"
rm -f "$pages"/*.log "$pages"/*.png
failures=0
fail() {
  echo "FAILED: $*"
  failures=$((failures + 1))
}
# expect_pixel FILE X,Y "R G B": the pixel's colour, within 8 a channel.
expect_pixel() {
  local got
  got=$(python3 "$pixel" "$1" "$2" | tail -1)
  python3 - "$got" "$3" <<'PY' || fail "$1 at $2 is $got, not $3"
import sys
got, want = ([int(v) for v in s.split()] for s in sys.argv[1:3])
sys.exit(0 if all(abs(a - b) <= 8 for a, b in zip(got, want)) else 1)
PY
}

# The Windows-style game: 30 frames and a screenshot.
if "$run" --page "$pages/wizard/index.html?args=30,wizard.png" --save wizard.png="$pages/wizard.png" \
    > "$pages/wizard.log" 2>&1 && grep -q "Font wizard frames: 30" "$pages/wizard.log"; then
  [ "$(python3 "$pixel" "$pages/wizard.png" | head -1)" = "320 240" ] || fail "wizard screenshot size"
  expect_pixel "$pages/wizard.png" 160,130 "255 0 0"   # the triangle
  expect_pixel "$pages/wizard.png" 5,230 "0 0 127"     # the background
else
  cat "$pages/wizard.log"
  fail "wizard game"
fi

# The README's game: 120 frames, ending with status 0 (it ends early, with
# 1, when the window or the font fail).
if "$run" --page "$pages/readme/index.html?args=120" > "$pages/readme.log" 2>&1; then
  grep -q "Graphics: OpenGL" "$pages/readme.log" || fail "README game banner"
else
  cat "$pages/readme.log"
  fail "README game"
fi

# The demo: 600 frames of auto-pilot, its last frame saved.
if "$run" --page "$pages/demo/index.html?args=--frames,600,--screenshot,demo.png" \
    --save demo.png="$pages/demo.png" --timeout 300 > "$pages/demo.log" 2>&1; then
  grep -q "^Frames run: 600," "$pages/demo.log" || fail "demo summary line"
  [ -s "$pages/demo.png" ] || fail "demo screenshot"
else
  cat "$pages/demo.log"
  fail "demo"
fi
cat "$pages"/*.log
if [ $failures -ne 0 ]; then
  echo "web pages: $failures failed"
  exit 1
fi
echo "web pages: 3 passed, 0 failed"
