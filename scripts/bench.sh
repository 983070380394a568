#!/usr/bin/env bash
# Builds the benchmark programs in build-bench/ and runs them all on a private
# Xvfb display, printing the figures that bench/README.md records:
#   1. frame scenarios: the engine with batching off, on, and on in a window
#      without depth and stencil buffers (nodepth), the bare OpenGL floor
#      (one draw call per object), the batched floor (floorbatch: bench_floor
#      with BENCH_FLOOR_BATCHED=1, one streamed buffer a frame), SDL2's 2D
#      renderer and SFML, interleaved; then the bunny scene's largest count
#      under 16.7 ms a frame for the engine, the batched floor and the peers;
#   2. instructions inside liboxlen.so per draw (callgrind) and allocations;
#   3. start-up, mesh build, font creation, texture load, mixer cost (beside
#      libsamplerate and libsoxr when installed) and music starts.
# The peers need Debian's libsfml-dev, libsoxr-dev and libsamplerate0-dev,
# installed here when missing.
# Settings (environment): BENCH_ROUNDS (8), BENCH_WARMUP (20), BENCH_FRAMES
# (40 per block), BENCH_CALLGRIND_FRAMES (2), BENCH_FRAME_INSTRUCTIONS (0; 1
# also counts each scenario's whole-frame instructions, engine and floor,
# under callgrind: several minutes more). To measure a part only:
# BENCH_SCENES (quads sprites text big), BENCH_PROGRAMS (engine batched
# nodepth floor floorbatch sdl sfml), BENCH_BUNNY_PROGRAMS (engine batched
# nodepth floorbatch sdl sfml; empty skips the bunny search) and
# BENCH_FRAMES_ONLY=1 (stop after the frame scenarios and the bunnies).
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="$ROOT/build-bench"
ROUNDS="${BENCH_ROUNDS:-8}"
WARMUP="${BENCH_WARMUP:-20}"
FRAMES="${BENCH_FRAMES:-40}"
CG_FRAMES="${BENCH_CALLGRIND_FRAMES:-2}"
SCENARIOS="${BENCH_SCENES:-quads sprites text big}"
PROGRAMS="${BENCH_PROGRAMS:-engine batched nodepth floor floorbatch sdl sfml}"
BUNNY_PROGRAMS="${BENCH_BUNNY_PROGRAMS-engine batched nodepth floorbatch sdl sfml}"

# shellcheck source=bench-build.sh
source "$ROOT/scripts/bench-build.sh"
ox_bench_build bench_engine bench_floor bench_sdl bench_sfml bench_calls bench_startup bench_mixer \
  bench_alloc_counter bench_gl_counter
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

# Runs one program of the comparison with its settings: PROGRAM ARGUMENTS...;
# the command in the array WRAP (valgrind), when set, runs it.
invoke() {
  local program=$1
  shift
  case $program in
    batched) BENCH_BATCHING=1 ${WRAP[@]+"${WRAP[@]}"} "$BIN/bench_engine" "$@" ;;
    nodepth) BENCH_BATCHING=1 BENCH_DEPTH=0 ${WRAP[@]+"${WRAP[@]}"} "$BIN/bench_engine" "$@" ;;
    floorbatch) BENCH_FLOOR_BATCHED=1 ${WRAP[@]+"${WRAP[@]}"} "$BIN/bench_floor" "$@" ;;
    *) ${WRAP[@]+"${WRAP[@]}"} "$BIN/bench_$program" "$@" ;;
  esac
}
# The same, quietly: PROGRAM SCENARIO WARMUP FRAMES FILE.
run() { invoke "$@" > /dev/null 2>&1; }
# Whether PROGRAM is among the compared ones.
compared() { case " $PROGRAMS " in *" $1 "*) return 0 ;; *) return 1 ;; esac; }

echo
echo "== 0. Same picture: bytes of the last frame's 800 x 600 RGB image that differ"
echo "   from the engine's (batching off, with depth): the floor's (text differs a little:"
echo "   the atlases are packed apart), the batched floor's (its colours are rounded"
echo "   products made on the processor; upright quads go down another rasteriser path),"
echo "   and the engine's with batching on, with depth and without (nodepth)"
for s in $SCENARIOS bunnies; do
  for program in engine batched nodepth floor floorbatch; do
    [ "$s" = bunnies ] && [ "$program" = floor ] && continue
    BENCH_BUNNIES=2000 BENCH_SNAPSHOT="$OUT/$s.$program.ppm" invoke "$program" "$s" 2 2 /dev/null \
      > /dev/null
  done
  differ() {  # program
    if [ -f "$OUT/$s.$1.ppm" ]; then cmp -l "$OUT/$s.engine.ppm" "$OUT/$s.$1.ppm" | wc -l || true
    else echo "-"; fi
  }
  printf '   %-8s floor %7s   floorbatch %7s   batched %s   nodepth %s of %s\n' "$s" \
    "$(differ floor)" "$(differ floorbatch)" "$(differ batched)" "$(differ nodepth)" \
    "$(stat -c %s "$OUT/$s.engine.ppm")"
done

echo
echo "== 1. Frame scenarios: $ROUNDS rounds, each a block of $FRAMES frames after $WARMUP warm-up"
echo "   frames per program; the programs alternate (order rotated every round)."
for round in $(seq 1 "$ROUNDS"); do
  # shellcheck disable=SC2086
  set -- $PROGRAMS
  for _ in $(seq 2 "$round"); do set -- "$@" "$1"; shift; done
  for s in $SCENARIOS; do
    for program in "$@"; do
      run "$program" "$s" "$WARMUP" "$FRAMES" "$OUT/$s.$program.r$round"
      cat "$OUT/$s.$program.r$round" >> "$OUT/$s.$program"
    done
  done
done
printf '%-8s %-8s %9s %9s %9s %9s %9s\n' scenario program median p90 cpu_med paired cpu_ratio
for s in $SCENARIOS; do
  for program in $PROGRAMS; do
    # Per round: the ratio of the block's median to the engine's (batching
    # off) or the floor's; then their median.
    base=floor
    compared floor || base=floorbatch
    [ "$program" = "$base" ] && base=engine
    compared "$base" || base=$program
    for round in $(seq 1 "$ROUNDS"); do
      ratio "$(quantile "$OUT/$s.$program.r$round" 1 0.5)" "$(quantile "$OUT/$s.$base.r$round" 1 0.5)"
      echo
    done > "$OUT/$s.$program.paired"
    printf '%-8s %-8s %9s %9s %9s %9s %9s\n' "$s" "$program" "$(quantile "$OUT/$s.$program" 1 0.5)" \
      "$(quantile "$OUT/$s.$program" 1 0.9)" "$(quantile "$OUT/$s.$program" 2 0.5)" \
      "$(quantile "$OUT/$s.$program.paired" 1 0.5)" \
      "$(ratio "$(quantile "$OUT/$s.$program" 2 0.5)" "$(quantile "$OUT/$s.$base" 2 0.5)")"
  done
done
echo "   (milliseconds a frame; paired = median over rounds of the per-round ratio of block"
echo "   medians to the floor's (to the engine's for the floor; to the batched floor's when the"
echo "   floor is not compared); cpu_ratio = the same for the median processor time a frame,"
echo "   all threads)"
if compared floorbatch; then
  echo "   the engine's batched path (with depth, and nodepth) against the batched floor:"
  echo "   ratio of medians (wall, processor time) and paired (median of per-round ratios)"
  for s in $SCENARIOS; do for mine in batched nodepth; do
    compared "$mine" || continue
    for round in $(seq 1 "$ROUNDS"); do
      ratio "$(quantile "$OUT/$s.$mine.r$round" 1 0.5)" "$(quantile "$OUT/$s.floorbatch.r$round" 1 0.5)"
      echo
    done > "$OUT/$s.$mine.floorbatch.paired"
    printf '     %-8s %-8s / floorbatch  wall %s   cpu %s   paired %s\n' "$s" "$mine" \
      "$(ratio "$(quantile "$OUT/$s.$mine" 1 0.5)" "$(quantile "$OUT/$s.floorbatch" 1 0.5)")" \
      "$(ratio "$(quantile "$OUT/$s.$mine" 2 0.5)" "$(quantile "$OUT/$s.floorbatch" 2 0.5)")" \
      "$(quantile "$OUT/$s.$mine.floorbatch.paired" 1 0.5)"
  done; done
fi
compared sdl && compared sfml &&
echo "   batched (with depth, and nodepth) against the fastest peer (ratio of medians, wall" &&
echo "   and processor time):"
for s in $SCENARIOS; do for mine in batched nodepth; do
  { compared "$mine" && compared sdl && compared sfml; } || continue
  b=$(quantile "$OUT/$s.$mine" 1 0.5); bc=$(quantile "$OUT/$s.$mine" 2 0.5)
  best=""; bestc=""
  for peer in sdl sfml; do
    m=$(quantile "$OUT/$s.$peer" 1 0.5); c=$(quantile "$OUT/$s.$peer" 2 0.5)
    if [ -z "$best" ] || awk -v a="$m" -v b="$best" 'BEGIN { exit !(a < b) }'; then best=$m; bestpeer=$peer; fi
    if [ -z "$bestc" ] || awk -v a="$c" -v b="$bestc" 'BEGIN { exit !(a < b) }'; then bestc=$c; bestcpeer=$peer; fi
  done
  printf '     %-8s %-8s wall %s (%s)   cpu %s (%s)\n' "$s" "$mine" "$(ratio "$b" "$best")" \
    "$bestpeer" "$(ratio "$bc" "$bestc")" "$bestcpeer"
done; done

echo
echo "== 1b. Bunnies: the largest count of moving 32 x 32 alpha sprites whose median frame"
echo "   (of $FRAMES after 10 warm-up) stays under 16.7 ms; the programs probe in turn"
median_at() {  # program count
  BENCH_BUNNIES=$2 run "$1" bunnies 10 "$FRAMES" "$OUT/bunnies.$1.$2"
  quantile "$OUT/bunnies.$1.$2" 1 0.5
}
declare -A low high
for program in $BUNNY_PROGRAMS; do low[$program]=0; high[$program]=0; done
# Doubling from 500 until a count is too slow, then halving the interval
# until it is within 5 %.
for step in $(seq 1 20); do
  busy=0
  for program in $BUNNY_PROGRAMS; do
    l=${low[$program]}; h=${high[$program]}
    if [ "$h" = 0 ]; then
      n=$(( l == 0 ? 500 : l * 2 ))
    else
      [ $(( (h - l) * 20 )) -le "$h" ] && continue
      n=$(( (l + h) / 2 ))
    fi
    busy=1
    m=$(median_at "$program" "$n")
    if awk -v m="$m" 'BEGIN { exit !(m < 16.7) }'; then low[$program]=$n; else high[$program]=$n; fi
    echo "   probe $program $n: $m ms" >> "$OUT/bunnies.log"
  done
  [ "$busy" = 0 ] && break
done
for program in $BUNNY_PROGRAMS; do
  printf '   %-10s %7d bunnies (%d too many)\n' "$program" "${low[$program]}" "${high[$program]}"
done
[ "${BENCH_FRAMES_ONLY:-0}" = 1 ] && exit 0

echo
echo "== 2. Library cost per draw (callgrind, collecting inside OxGfxSetTransform,"
echo "   OxGfxMeshDraw and OxGfxPrint only; phases with all and half of the objects)"
for batching in 0 1; do
(cd "$OUT" && BENCH_BATCHING=$batching valgrind --tool=callgrind \
  --callgrind-out-file="$OUT/calls$batching.out" \
  --toggle-collect=OxGfxSetTransform --toggle-collect=OxGfxMeshDraw \
  --toggle-collect=OxGfxPrint --toggle-collect=OxGfxFlush "$BIN/bench_calls" "$CG_FRAMES" \
  > "$OUT/calls$batching.log" 2>&1)
# Instructions inside liboxlen.so and in all, per dump, by phase name.
for dump in "$OUT"/calls$batching.out.*; do
  name=$(sed -n 's/^desc: Trigger: Client Request: //p' "$dump")
  library=$(callgrind_annotate --threshold=100 "$dump" 2>/dev/null |
    awk '/liboxlen\.so/ { gsub(",", "", $1); if ($1 ~ /^[0-9]+$/) s += $1 } END { print s + 0 }')
  all=$(sed -n 's/^totals: //p' "$dump")
  echo "$name $library $all"
done > "$OUT/calls$batching.table"
done
per_object() {  # scenario, full count, half count, divisor per object
  awk -v s="$1" -v f="$1_$2" -v h="$1_$3" -v n="$(( ($2 - $3) * CG_FRAMES ))" -v d="$4" '
    $1 == f { lf = $2; af = $3 } $1 == h { lh = $2; ah = $3 }
    END { printf "%-8s library %7.1f   all (with Mesa) %9.1f\n", s, (lf - lh) / n / d, (af - ah) / n / d }'
}
for batching in 0 1; do
  [ "$batching" = 0 ] && echo "   batching off:" || echo "   batching on (OxGfxFlush included):"
  echo "   instructions per SetTransform + MeshDraw pair:"
  per_object quads 2000 1000 1 < "$OUT/calls$batching.table" | sed 's/^/     /'
  per_object sprites 2000 1000 1 < "$OUT/calls$batching.table" | sed 's/^/     /'
  echo "   instructions per character of OxGfxPrint (48-character lines):"
  per_object text 40 20 48 < "$OUT/calls$batching.table" | sed 's/^/     /'
done
echo "   allocations per frame (malloc, calloc, realloc; LD_PRELOAD counter):"
LD_PRELOAD="$BIN/libbench_alloc_counter.so" "$BIN/bench_calls" 5 | grep '^BENCH alloc' |
  sed 's/^BENCH alloc /     engine /'
BENCH_BATCHING=1 LD_PRELOAD="$BIN/libbench_alloc_counter.so" "$BIN/bench_calls" 5 |
  grep '^BENCH alloc' | sed 's/^BENCH alloc /     batched /'
for s in $SCENARIOS; do
  LD_PRELOAD="$BIN/libbench_alloc_counter.so" "$BIN/bench_floor" "$s" 3 5 /dev/null |
    grep '^BENCH floor_alloc' | sed 's/^BENCH floor_alloc /     floor  /'
  BENCH_FLOOR_BATCHED=1 LD_PRELOAD="$BIN/libbench_alloc_counter.so" "$BIN/bench_floor" "$s" 3 5 \
    /dev/null | grep '^BENCH floorbatch_alloc' | sed 's/^BENCH floorbatch_alloc /     floorbatch  /'
done
echo "   what the library hands OpenGL a frame (draw calls, vertices, indices, bytes; preloaded counter):"
for s in $SCENARIOS; do
  for batching in 0 1; do
    BENCH_BATCHING=$batching BENCH_DEPTH=$batching LD_PRELOAD="$BIN/libbench_gl_counter.so" \
      "$BIN/bench_engine" "$s" 2 5 /dev/null | grep '^BENCH gl' |
      sed "s/^BENCH gl /     $s $([ $batching = 1 ] && echo batched || echo faithful) /"
  done
done

if [ "${BENCH_FRAME_INSTRUCTIONS:-0}" = 1 ]; then
  echo
  echo "== 2b. Whole-frame instructions (callgrind, 3 frames after 3, all threads)"
  for s in $SCENARIOS; do
    line="$s"
    for program in $PROGRAMS; do
      (cd "$OUT" && WRAP=(valgrind --tool=callgrind --callgrind-out-file="$OUT/frame.$s.$program.out") &&
        invoke "$program" "$s" 3 3 /dev/null > /dev/null 2>&1)
      line="$line $program $(( $(sed -n 's/^totals: //p' "$OUT/frame.$s.$program.out.1") / 3 ))"
    done
    echo "   $line"
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
