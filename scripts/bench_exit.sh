#!/usr/bin/env bash
# Whole runs of the README's minimal game for a frame or a few: start, draw,
# exit. The engine's examples/minimal_game beside the same game written for
# SDL2's 2D renderer (bench/bench_game_sdl) and for SFML
# (bench/bench_game_sfml), alternating in one run (order rotated every round).
# Each run is timed for wall-clock time and processor time (user + system of
# the whole process and its threads, from the shell's child accounting);
# printed per program: the median, least and most of both, and the median of
# wall minus processor time (time spent waiting).
# Settings (environment): BENCH_ROUNDS (15), BENCH_EXIT_FRAMES (1),
# BENCH_EXIT_AUDIO: "none" (default: the machine as it is; without a sound
# card each library finds no device) or "null" (SDL's dummy output driver
# for the engine and the SDL game, OpenAL's null backend for SFML, so that
# every program opens an output that plays to nowhere).
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="$ROOT/build-bench"
ROUNDS="${BENCH_ROUNDS:-15}"
FRAMES="${BENCH_EXIT_FRAMES:-1}"
AUDIO="${BENCH_EXIT_AUDIO:-none}"

# shellcheck source=bench-build.sh
source "$ROOT/scripts/bench-build.sh"
ox_bench_build minimal_game bench_game_sdl bench_game_sfml
OUT="$BUILD/bench-exit"
rm -rf "$OUT"
mkdir -p "$OUT"

case "$AUDIO" in
  none) ;;
  null) export SDL_AUDIODRIVER=dummy ALSOFT_DRIVERS=null ;;
  *) echo "BENCH_EXIT_AUDIO: none or null, not $AUDIO" >&2; exit 2 ;;
esac

# shellcheck source=xvfb.sh
source "$ROOT/scripts/xvfb.sh"
ox_start_xvfb

declare -A PROGRAM=([engine]="$BUILD/examples/minimal_game" [sdl]="$BUILD/bench/bench_game_sdl"
                    [sfml]="$BUILD/bench/bench_game_sfml")
NAMES=(engine sdl sfml)

# Processor seconds (user + system) in a snapshot of the shell's "times"
# (last line "XmY.YYYs XmY.YYYs": every child waited for, user and system).
children_cpu() {
  tail -1 "$1" | awk '{ split($0, f, /[ms]+/); print f[1] * 60 + f[2] + f[3] * 60 + f[4] }'
}

# One timed run: appends "wall cpu" to OUT/NAME.runs; the program's output
# goes to OUT/NAME.stdout and OUT/NAME.stderr. "times" runs in this shell
# (in a subshell it would count the subshell's children), right before and
# after the program, so that nothing else started between counts.
run_once() {
  local name=$1 start end status=0
  times > "$OUT/times0"
  start=$EPOCHREALTIME
  "${PROGRAM[$name]}" "$FRAMES" >> "$OUT/$name.stdout" 2>> "$OUT/$name.stderr" || status=$?
  end=$EPOCHREALTIME
  times > "$OUT/times1"
  if [ "$status" -ne 0 ]; then
    echo "$name: ${PROGRAM[$name]} $FRAMES failed with status $status" >&2
    exit 1
  fi
  echo "$start $end $(children_cpu "$OUT/times0") $(children_cpu "$OUT/times1")" |
    awk '{ printf "%.4f %.4f\n", $2 - $1, $4 - $3 }' >> "$OUT/$name.runs"
}

echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')," \
  "load $(cut -d' ' -f1-3 /proc/loadavg)"
echo "== $ROUNDS rounds of each game for $FRAMES frame(s), start to exit; audio: $AUDIO"
# One untimed run each first: the programs' files come into the page cache.
for name in "${NAMES[@]}"; do "${PROGRAM[$name]}" "$FRAMES" > /dev/null 2>&1 || true; done
for round in $(seq 1 "$ROUNDS"); do
  first=$(( round % 3 ))
  for i in 0 1 2; do run_once "${NAMES[$(( (first + i) % 3 ))]}"; done
done

# The q-quantile (0..1) of column c of a file of numbers.
quantile() {
  awk -v c="$2" '{ print $c }' "$1" | sort -g |
    awk -v q="$3" '{ v[NR] = $1 } END { i = int(q * (NR - 1) + 0.5) + 1; printf "%.3f", v[i] }'
}
printf '\n%-7s %22s %22s %12s\n' "" "wall s: median [min max]" "cpu s: median [min max]" "wall-cpu med"
for name in "${NAMES[@]}"; do
  awk '{ print $1 - $2 }' "$OUT/$name.runs" > "$OUT/$name.wait"
  printf '%-7s %8s [%s %s] %8s [%s %s] %12s\n' "$name" \
    "$(quantile "$OUT/$name.runs" 1 0.5)" "$(quantile "$OUT/$name.runs" 1 0)" "$(quantile "$OUT/$name.runs" 1 1)" \
    "$(quantile "$OUT/$name.runs" 2 0.5)" "$(quantile "$OUT/$name.runs" 2 0)" "$(quantile "$OUT/$name.runs" 2 1)" \
    "$(quantile "$OUT/$name.wait" 1 0.5)"
done
echo "   (engine = examples/minimal_game, sdl = bench/bench_game_sdl, sfml = bench/bench_game_sfml;"
echo "   cpu = user + system time of the process and all its threads)"
for name in "${NAMES[@]}"; do
  lines=$(wc -l < "$OUT/$name.stderr")
  [ "$lines" -eq 0 ] || echo "   $name wrote $lines lines to stderr in its runs ($OUT/$name.stderr)," \
    "the first: $(head -1 "$OUT/$name.stderr")"
done
