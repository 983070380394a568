#!/usr/bin/env bash
# Replays a recorded session of a game in CI and compares its screenshots
# with reference ones, under a private Xvfb display of its own.
#
#   replay_check.sh GAME RECORDING REFERENCE_DIR [GAME OPTIONS...]
#
# Runs GAME --replay RECORDING --shots <scratch dir> [GAME OPTIONS...], then
# compares every screenshot in the reference folder with the one the replay
# wrote under the same name, byte for byte (the engine writes the same PNG
# bytes for the same pixels). Exits 0 when the replay succeeded and every
# reference matched; otherwise lists what differs and exits 1.
#
# Make the references with the same renderer as CI (here: Mesa's llvmpipe
# under Xvfb), for example by running this once with --make-references:
#   replay_check.sh --make-references GAME RECORDING REFERENCE_DIR
set -euo pipefail

make_references=0
if [ "${1:-}" = "--make-references" ]; then
  make_references=1
  shift
fi
if [ $# -lt 3 ]; then
  echo "usage: $0 [--make-references] GAME RECORDING REFERENCE_DIR [GAME OPTIONS...]"
  exit 2
fi
game=$1 recording=$2 references=$3
shift 3

# A display number nobody uses, and the server stopped when the script ends;
# it does not reset between the runs (a run starting during a reset finds no
# display).
for number in $(seq 150 250); do
  [ -e "/tmp/.X${number}-lock" ] || [ -e "/tmp/.X11-unix/X${number}" ] || break
done
Xvfb ":${number}" -screen 0 1280x1024x24 -nolisten tcp -noreset > /dev/null 2>&1 &
xvfb=$!
shots=$(mktemp -d)
trap 'kill "$xvfb" 2>/dev/null || true; rm -rf "$shots"' EXIT
export DISPLAY=":${number}"
for _ in $(seq 1 100); do
  xdpyinfo > /dev/null 2>&1 && break
  sleep 0.05
done

if ! "$game" --replay "$recording" --shots "$shots" "$@"; then
  echo "replay failed: $game --replay $recording"
  exit 1
fi

if [ "$make_references" = 1 ]; then
  mkdir -p "$references"
  cp "$shots"/*.png "$references"/
  echo "$(ls "$shots" | wc -l) references written to $references"
  exit 0
fi

status=0
count=0
for reference in "$references"/*.png; do
  [ -e "$reference" ] || { echo "no references in $references"; exit 1; }
  name=$(basename "$reference")
  count=$((count + 1))
  if [ ! -e "$shots/$name" ]; then
    echo "missing: $name"
    status=1
  elif ! cmp -s "$reference" "$shots/$name"; then
    echo "differs: $name"
    status=1
  fi
done
[ "$status" = 0 ] && echo "$count screenshots match"
exit "$status"
