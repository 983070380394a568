#!/usr/bin/env bash
# CTest's Xvfb fixture (tests/CMakeLists.txt), so that `ctest` alone runs
# the display tests: "start DIR" starts a private Xvfb (1920x1080x24, no
# window manager, no reset) on the first free display number from 150 and
# writes that display to DIR/display, where every test program reads it
# before its main (tests/support/OxTestDisplay.cpp); "stop DIR" stops it.
# Under a script that started its own server (scripts/xvfb.sh exports
# OX_TEST_XVFB) start only clears DIR, and the tests keep the script's.
set -euo pipefail
action=$1
dir=$2
case "$action" in
  start)
    rm -rf "$dir"
    mkdir -p "$dir"
    [ -z "${OX_TEST_XVFB:-}" ] || exit 0
    for number in $(seq 150 199); do
      [ -e "/tmp/.X${number}-lock" ] || [ -e "/tmp/.X11-unix/X${number}" ] || break
    done
    # A session of its own with every stream closed, so that CTest does not
    # wait for the server to end.
    setsid Xvfb ":${number}" -screen 0 1920x1080x24 -nolisten tcp -noreset \
      < /dev/null > /dev/null 2>&1 &
    echo $! > "$dir/pid"
    for _ in $(seq 1 100); do
      if DISPLAY=":${number}" xdpyinfo > /dev/null 2>&1; then
        echo ":${number}" > "$dir/display"
        exit 0
      fi
      sleep 0.05
    done
    echo "Xvfb did not start on :${number}"
    exit 1
    ;;
  stop)
    if [ -f "$dir/pid" ]; then kill "$(cat "$dir/pid")" 2> /dev/null || true; fi
    rm -rf "$dir"
    ;;
  *)
    echo "usage: $0 start|stop DIR"
    exit 2
    ;;
esac
