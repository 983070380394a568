#!/usr/bin/env bash
# The frame limiter's figures that bench/README.md records: the README's
# minimal game at 60 frames a second, with the library's limiter (sleep, then
# spin the last stretch), with the old one (spin for the whole remainder),
# with a bare sleep for the whole remainder (no spin: the floor of processor
# time) and with a partial busy wait as other 2D libraries ship it (sleep 95 %
# of the remainder, spin the rest), alternating in one run; processor time as a share of one core, and the
# distribution of frame times. Then the example program itself
# (examples/minimal_game) for 600 frames under /usr/bin/time.
# Settings (environment): BENCH_LIMITER_ROUNDS (4), BENCH_LIMITER_SECONDS (10).
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="$ROOT/build-bench"
ROUNDS="${BENCH_LIMITER_ROUNDS:-4}"
SECONDS_EACH="${BENCH_LIMITER_SECONDS:-10}"

# shellcheck source=bench-build.sh
source "$ROOT/scripts/bench-build.sh"
ox_bench_build bench_limiter minimal_game
BIN="$BUILD/bench"
OUT="$BUILD/bench-limiter"
rm -rf "$OUT"
mkdir -p "$OUT"

# shellcheck source=xvfb.sh
source "$ROOT/scripts/xvfb.sh"
ox_start_xvfb

echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')," \
  "load $(cut -d' ' -f1-3 /proc/loadavg)"

# The q-quantile (0..1) of a file of numbers, one a line.
quantile() {
  sort -g "$1" | awk -v q="$2" '{ v[NR] = $1 } END { i = int(q * (NR - 1) + 0.5) + 1; printf "%.3f", v[i] }'
}

echo
echo "== Wake-up lateness of a 10 ms sleep (200 sleeps before and after the runs):"
"$BIN/bench_limiter" lateness 200 | awk '{ printf "   before: median %s us, p99 %s us, largest %s us\n", $3, $4, $5 }'

echo
echo "== Minimal game at 60 frames a second: $ROUNDS rounds of $SECONDS_EACH s per limiter,"
echo "   alternating (order rotated every round); load average before each run in brackets"
for round in $(seq 1 "$ROUNDS"); do
  case $((round % 4)) in
    1) order="engine spin sleep partial" ;;
    2) order="spin sleep partial engine" ;;
    3) order="sleep partial engine spin" ;;
    *) order="partial engine spin sleep" ;;
  esac
  for limiter in $order; do
    load=$(cut -d' ' -f1 /proc/loadavg)
    line=$("$BIN/bench_limiter" "$limiter" "$SECONDS_EACH" "$OUT/$limiter.times" | grep '^BENCH limiter')
    echo "$line" >> "$OUT/$limiter.runs"
    echo "$line" | awk -v r="$round" -v l="$load" \
      '{ printf "   round %d %-6s cpu %5.1f %% of one core, %d frames [%s]\n", r, $3, 100 * $4 / $5, $6, l }'
  done
done
printf '\n%-8s %9s %8s %8s %8s %8s %11s %11s\n' limiter cpu_core median p99 max frames \
  'late>0.2ms' 'late>1ms'
for limiter in engine spin sleep partial; do
  cpu=$(awk '{ c += $4; w += $5 } END { printf "%.1f %%", 100 * c / w }' "$OUT/$limiter.runs")
  frames=$(wc -l < "$OUT/$limiter.times")
  late=$(awk -v t=16.6667 '$1 > t + 0.2 { a++ } $1 > t + 1 { b++ }
    END { printf "%.2f %% %11.2f %%", 100 * a / NR, 100 * b / NR }' "$OUT/$limiter.times")
  printf '%-8s %9s %8s %8s %8s %8s %11s\n' "$limiter" "$cpu" "$(quantile "$OUT/$limiter.times" 0.5)" \
    "$(quantile "$OUT/$limiter.times" 0.99)" "$(quantile "$OUT/$limiter.times" 1)" "$frames" "$late"
done
echo "   (frame times in milliseconds, target 16.667; cpu_core = processor time of every"
echo "   thread over wall-clock time; late = frames longer than the target by that much)"
"$BIN/bench_limiter" lateness 200 | awk '{ printf "   lateness after: median %s us, p99 %s us, largest %s us\n", $3, $4, $5 }'

echo
echo "== examples/minimal_game 600 (the program itself, the library's limiter)"
/usr/bin/time -f "%U %S %e" -o "$OUT/minimal.time" "$BUILD/examples/minimal_game" 600 > /dev/null
awk '{ printf "   user %.2f s + system %.2f s over %.2f s: %.1f %% of one core\n", $1, $2, $3, 100 * ($1 + $2) / $3 }' \
  "$OUT/minimal.time"
