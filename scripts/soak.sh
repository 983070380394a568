#!/usr/bin/env bash
# The soak run (not part of CI): builds the library and tests/soak/ox_soak,
# runs 100,000 frames (or the first argument) under a private Xvfb with the
# process's resident memory sampled every 1,000 frames, then a shorter run
# (the second argument, default 3,000 frames) under valgrind's memcheck.
# Figures go to build/soak/: rss.csv, summary.txt, memcheck.txt.
set -euo pipefail
cd "$(dirname "$0")/.."
frames=${1:-100000}
checked=${2:-3000}
scripts/setup.sh > /dev/null
cmake --build build -j"$(nproc)" --target ox_soak > /dev/null
out=build/soak
mkdir -p "$out"
source scripts/xvfb.sh
ox_start_xvfb

echo "== ${frames} frames, memory sampled"
start=$(date +%s)
build/tests/ox_soak "$frames" 2> "$out/rss.csv"
end=$(date +%s)
grep '^summary' "$out/rss.csv" | tee "$out/summary.txt"
echo "wall time $((end - start)) s" | tee -a "$out/summary.txt"

echo "== ${checked} frames under valgrind memcheck"
valgrind --tool=memcheck --leak-check=full --show-leak-kinds=definite,indirect \
  --errors-for-leak-kinds=definite --num-callers=30 --log-file="$out/memcheck.txt" \
  build/tests/ox_soak "$checked" 2> /dev/null
sed -n '/HEAP SUMMARY/,$p' "$out/memcheck.txt" | sed 's/^==[0-9]*== //'
# Loss records whose stacks pass through the library's own code.
awk '/lost in loss record/ {record = $0; inrec = 1; next}
     inrec && /^==[0-9]+== *$/ {if (ours) print record; inrec = 0; ours = 0; next}
     inrec && /liboxlen|Ox[A-Z][A-Za-z]*\(/ {ours = 1}' "$out/memcheck.txt" \
  > "$out/memcheck-ours.txt"
echo "loss records whose stacks pass through the library: $(wc -l < "$out/memcheck-ours.txt")"
cat "$out/memcheck-ours.txt"
