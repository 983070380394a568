#!/usr/bin/env bash
# Memory check of the demo game, not part of CI: 10,000 frames of auto-pilot
# under Xvfb, once under valgrind's memcheck (leaks and errors) and once
# natively with the resident size sampled every second (memory must stay flat
# after the first second). Usage: scripts/demo_memcheck.sh [FRAMES
# [VALGRIND_FRAMES]]; both default to 10,000. Under valgrind llvmpipe draws
# about one frame a second, so the full run takes hours; a shorter valgrind
# run meets the same code paths (every allocation the game makes happens in
# its first seconds). Needs a built tree (scripts/setup.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
frames=${1:-10000}
valgrind_frames=${2:-$frames}
demo=build/examples/oxlen_demo
out=build/memcheck
mkdir -p "$out"
source scripts/xvfb.sh
ox_start_xvfb

echo "== Resident memory, ${frames} frames natively, sampled every second"
"$demo" --frames "$frames" > "$out/native.txt" &
pid=$!
: > "$out/rss.txt"
while kill -0 "$pid" 2>/dev/null; do
  # Resident, anonymous and file-backed kB: growth in the file-backed part is
  # library code paged in, in the anonymous part heap and mappings.
  rss=$(awk '/^VmRSS|^RssAnon|^RssFile/ {v[$1] = $2}
             END {if ("VmRSS:" in v) print v["VmRSS:"], v["RssAnon:"], v["RssFile:"]}' \
        "/proc/$pid/status" 2>/dev/null || true)
  [ -n "$rss" ] && echo "$rss" >> "$out/rss.txt"
  sleep 1
done
wait "$pid"
tail -n 1 "$out/native.txt"
# The first sample is the start-up. Flat means no trend after it: the means
# of successive 20-second windows, and the range of every later sample.
awk '{rss[NR] = $1; anon[NR] = $2; file[NR] = $3}
     END {
       printf "RSS samples: %d (one a second)\n", NR
       min = rss[2]; max = rss[2]
       for (i = 2; i <= NR; i++) { if (rss[i] < min) min = rss[i]; if (rss[i] > max) max = rss[i] }
       printf "after 1 s: %d kB (anonymous %d, file-backed %d); range after that: %d-%d kB; last: %d kB (anonymous %d, file-backed %d)\n",
              rss[2], anon[2], file[2], min, max, rss[NR], anon[NR], file[NR]
       printf "means of 20-second windows (kB):"
       for (i = 2; i + 19 <= NR; i += 20) { s = 0; for (j = i; j < i + 20; j++) s += rss[j]; printf " %d", s / 20 }
       printf "\n"
     }' "$out/rss.txt"

echo "== valgrind memcheck, ${valgrind_frames} frames"
# Mesa's llvmpipe and the X and audio libraries keep allocations of their own
# until exit; only leaks whose stacks pass through the engine or the demo
# matter, so the full report is kept and the summary printed.
valgrind --tool=memcheck --leak-check=full --show-leak-kinds=definite,indirect \
  --errors-for-leak-kinds=definite --child-silent-after-fork=yes --num-callers=30 --log-file="$out/valgrind.txt" \
  "$demo" --frames "$valgrind_frames" > "$out/valgrind-demo.txt"
tail -n 1 "$out/valgrind-demo.txt"
sed -n '/HEAP SUMMARY/,$p' "$out/valgrind.txt" | sed 's/^==[0-9]*== //'
# A loss is ours when the code that called the allocator is the engine's or
# the demo's (a source file of this tree), not a system library's.
echo "Definite or indirect losses allocated by the engine or the demo:"
awk '/are (definitely|indirectly) lost/ {block = $0; line = 0; next}
     block != "" {line++}
     block != "" && line == 2 {if ($0 ~ /\(Ox[A-Za-z]*\.cpp:|examples\//) print block; block = ""}' \
  "$out/valgrind.txt" | sed 's/^==[0-9]*== //' || true
echo "(end of list)"
echo "Full report: $out/valgrind.txt"
