#!/usr/bin/env bash
# Sourced by the other scripts: starts a private Xvfb display (1920x1080x24,
# no window manager) on the first free display number, whatever DISPLAY
# held (tests never touch the user's display), exports DISPLAY, and stops
# the server when the calling script exits. The server
# does not reset when its last client leaves: a game started right after
# another one closed its connection would otherwise find no display.
ox_start_xvfb() {
  local number
  for number in $(seq 90 140); do
    [ -e "/tmp/.X${number}-lock" ] || [ -e "/tmp/.X11-unix/X${number}" ] || break
  done
  Xvfb ":${number}" -screen 0 1920x1080x24 -nolisten tcp -noreset > /dev/null 2>&1 &
  OX_XVFB_PID=$!
  trap 'kill "$OX_XVFB_PID" 2>/dev/null || true' EXIT
  export DISPLAY=":${number}"
  # CTest's own Xvfb fixture keeps to this server (scripts/xvfb-fixture.sh).
  export OX_TEST_XVFB="$DISPLAY"
  for _ in $(seq 1 100); do
    xdpyinfo > /dev/null 2>&1 && return 0
    sleep 0.05
  done
  echo "Xvfb did not start on ${DISPLAY}" >&2
  return 1
}
