#!/usr/bin/env bash
# Builds the benchmark programs in build-bench/ and runs them all on a private
# Xvfb display, printing the figures that bench/README.md records:
#   1. frame scenarios, engine against the bare OpenGL floor, interleaved;
#   2. instructions inside liboxlen.so per draw (callgrind) and allocations;
#   3. start-up, mesh build, font creation, texture load, mixer cost (beside
#      libsamplerate and libsoxr when installed) and music starts.
# Settings (environment): BENCH_ROUNDS (8), BENCH_WARMUP (20), BENCH_FRAMES
# (40 per block), BENCH_CALLGRIND_FRAMES (2), BENCH_FRAME_INSTRUCTIONS (0; 1
# also counts each scenario's whole-frame instructions, engine and floor,
# under callgrind: several minutes more).
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="$ROOT/build-bench"
ROUNDS="${BENCH_ROUNDS:-8}"
WARMUP="${BENCH_WARMUP:-20}"
FRAMES="${BENCH_FRAMES:-40}"
CG_FRAMES="${BENCH_CALLGRIND_FRAMES:-2}"
SCENARIOS="quads sprites text big"

mkdir -p "$BUILD"
cmake -S "$ROOT" -B "$BUILD" -DOX_BUILD_BENCH=ON -DOX_BUILD_TESTS=OFF \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo > "$BUILD/bench-configure.log" 2>&1 || {
  cat "$BUILD/bench-configure.log"; exit 1; }
cmake --build "$BUILD" -j2 --target bench_engine bench_floor bench_calls bench_startup \
  bench_mixer bench_alloc_counter > "$BUILD/bench-build.log" 2>&1 || {
  tail -40 "$BUILD/bench-build.log"; exit 1; }
BIN="$BUILD/bench"
OUT="$BUILD/bench-results"
rm -rf "$OUT"
mkdir -p "$OUT"

# shellcheck source=xvfb.sh
source "$ROOT/scripts/xvfb.sh"
ox_start_xvfb

echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')," \
  "load $(cut -d' ' -f1-3 /proc/loadavg)"

# The q-quantile (0..1) of column c of a file of numbers.
quantile() {
  sort -g -k"$2","$2" "$1" | awk -v q="$3" -v c="$2" '{ v[NR] = $c }
    END { i = int(q * (NR - 1) + 0.5) + 1; printf "%.3f", v[i] }'
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", a / b }'; }

echo
echo "== 0. Same picture: bytes of the last frame's 800 x 600 RGB image that differ"
echo "   between engine and floor (text differs a little: the atlases are packed apart)"
for s in $SCENARIOS; do
  for program in engine floor; do
    BENCH_SNAPSHOT="$OUT/$s.$program.ppm" "$BIN/bench_$program" "$s" 2 2 /dev/null > /dev/null
  done
  printf '   %-8s %s of %s\n' "$s" "$(cmp -l "$OUT/$s.engine.ppm" "$OUT/$s.floor.ppm" | wc -l)" \
    "$(stat -c %s "$OUT/$s.engine.ppm")"
done

echo
echo "== 1. Frame scenarios: $ROUNDS rounds, each a block of $FRAMES frames after $WARMUP warm-up"
echo "   frames per program; engine and floor alternate (order swapped every round)."
for round in $(seq 1 "$ROUNDS"); do
  for s in $SCENARIOS; do
    if [ $((round % 2)) -eq 1 ]; then order="engine floor"; else order="floor engine"; fi
    for program in $order; do
      "$BIN/bench_$program" "$s" "$WARMUP" "$FRAMES" "$OUT/$s.$program.r$round" > /dev/null
      cat "$OUT/$s.$program.r$round" >> "$OUT/$s.$program"
    done
  done
done
printf '%-8s %9s %9s %9s %9s %8s %8s %9s %8s\n' scenario eng_med eng_p90 flr_med flr_p90 \
  ratio_med ratio_p90 paired_med cpu_ratio
for s in $SCENARIOS; do
  em=$(quantile "$OUT/$s.engine" 1 0.5); ep=$(quantile "$OUT/$s.engine" 1 0.9)
  fm=$(quantile "$OUT/$s.floor" 1 0.5); fp=$(quantile "$OUT/$s.floor" 1 0.9)
  ec=$(quantile "$OUT/$s.engine" 2 0.5); fc=$(quantile "$OUT/$s.floor" 2 0.5)
  # Per round: the ratio of the two blocks' medians; then their median.
  for round in $(seq 1 "$ROUNDS"); do
    ratio "$(quantile "$OUT/$s.engine.r$round" 1 0.5)" "$(quantile "$OUT/$s.floor.r$round" 1 0.5)"
    echo
  done > "$OUT/$s.paired"
  pm=$(quantile "$OUT/$s.paired" 1 0.5)
  printf '%-8s %9s %9s %9s %9s %8s %8s %9s %8s\n' "$s" "$em" "$ep" "$fm" "$fp" \
    "$(ratio "$em" "$fm")" "$(ratio "$ep" "$fp")" "$pm" "$(ratio "$ec" "$fc")"
done
echo "   (milliseconds; ratio = engine / floor; paired_med = median over rounds of the"
echo "   per-round ratio of medians; cpu_ratio = ratio of median processor time a frame)"

echo
echo "== 2. Library cost per draw (callgrind, collecting inside OxGfxSetTransform,"
echo "   OxGfxMeshDraw and OxGfxPrint only; phases with all and half of the objects)"
(cd "$OUT" && valgrind --tool=callgrind --callgrind-out-file="$OUT/calls.out" \
  --toggle-collect=OxGfxSetTransform --toggle-collect=OxGfxMeshDraw \
  --toggle-collect=OxGfxPrint "$BIN/bench_calls" "$CG_FRAMES" > "$OUT/calls.log" 2>&1)
# Instructions inside liboxlen.so and in all, per dump, by phase name.
for dump in "$OUT"/calls.out.*; do
  name=$(sed -n 's/^desc: Trigger: Client Request: //p' "$dump")
  library=$(callgrind_annotate --threshold=100 "$dump" 2>/dev/null |
    awk '/liboxlen\.so/ { gsub(",", "", $1); if ($1 ~ /^[0-9]+$/) s += $1 } END { print s + 0 }')
  all=$(sed -n 's/^totals: //p' "$dump")
  echo "$name $library $all"
done > "$OUT/calls.table"
per_object() {  # scenario, full count, half count, divisor per object
  awk -v s="$1" -v f="$1_$2" -v h="$1_$3" -v n="$(( ($2 - $3) * CG_FRAMES ))" -v d="$4" '
    $1 == f { lf = $2; af = $3 } $1 == h { lh = $2; ah = $3 }
    END { printf "%-8s library %7.1f   all (with Mesa) %9.1f\n", s, (lf - lh) / n / d, (af - ah) / n / d }'
}
echo "   instructions per SetTransform + MeshDraw pair:"
per_object quads 2000 1000 1 < "$OUT/calls.table" | sed 's/^/     /'
per_object sprites 2000 1000 1 < "$OUT/calls.table" | sed 's/^/     /'
echo "   instructions per character of OxGfxPrint (48-character lines):"
per_object text 40 20 48 < "$OUT/calls.table" | sed 's/^/     /'
echo "   allocations per frame (malloc, calloc, realloc; LD_PRELOAD counter):"
LD_PRELOAD="$BIN/libbench_alloc_counter.so" "$BIN/bench_calls" 5 | grep '^BENCH alloc' |
  sed 's/^BENCH alloc /     engine /'
for s in $SCENARIOS; do
  LD_PRELOAD="$BIN/libbench_alloc_counter.so" "$BIN/bench_floor" "$s" 3 5 /dev/null |
    grep '^BENCH floor_alloc' | sed 's/^BENCH floor_alloc /     floor  /'
done

if [ "${BENCH_FRAME_INSTRUCTIONS:-0}" = 1 ]; then
  echo
  echo "== 2b. Whole-frame instructions (callgrind, 3 frames after 3, all threads)"
  for s in $SCENARIOS; do
    for program in engine floor; do
      (cd "$OUT" && valgrind --tool=callgrind --callgrind-out-file="$OUT/frame.$s.$program.out" \
        "$BIN/bench_$program" "$s" 3 3 /dev/null > /dev/null 2>&1)
    done
    e=$(sed -n 's/^totals: //p' "$OUT/frame.$s.engine.out.1")
    f=$(sed -n 's/^totals: //p' "$OUT/frame.$s.floor.out.1")
    printf '   %-8s engine %12d  floor %12d  ratio %s\n' "$s" $((e / 3)) $((f / 3)) "$(ratio "$e" "$f")"
  done
fi

echo
echo "== 3. One-off costs (medians)"
for run in 1 2 3 4 5; do "$BIN/bench_startup" startup | sed -n 's/^BENCH startup_ms //p'; done \
  > "$OUT/startup"
echo "   startup_ms (OxSysInit to first presented frame, 5 processes) $(quantile "$OUT/startup" 1 0.5)"
"$BIN/bench_startup" ops "$OUT" | sed -n 's/^BENCH /   /p'
"$BIN/bench_mixer" "$OUT" | sed -n 's/^BENCH /   /p'
echo "   mixer instructions for one second of 64 channels (callgrind, inside OxMixerSystemPull):"
for scene in moving fixed floor; do
  (cd "$OUT" && valgrind --tool=callgrind --callgrind-out-file="$OUT/mixer.$scene.out" \
    '--toggle-collect=OxMixerSystemPull*' "$BIN/bench_mixer" "$OUT" pull "$scene" > /dev/null 2>&1)
  echo "     $scene $(sed -n 's/^totals: //p' "$OUT/mixer.$scene.out")"
done
