#!/usr/bin/env bash
# Builds the libFuzzer targets with clang into build-fuzz/ (library and
# targets instrumented with AddressSanitizer and UndefinedBehaviorSanitizer),
# writes the seed corpora, and runs each target for a bounded time under a
# private Xvfb display (packages: scripts/setup.sh).
# Usage: scripts/fuzz.sh [seconds per target, default 60] [target ...]
# Targets: fuzz_texture fuzz_font fuzz_audio (all by default). A crash
# leaves its input in build-fuzz/crashes/<target>/ and fails the script.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(fuzz_texture fuzz_font fuzz_audio)

cc=$(command -v clang-14 || command -v clang)
cxx=$(command -v clang++-14 || command -v clang++)
cmake --preset fuzz -DCMAKE_C_COMPILER="$cc" -DCMAKE_CXX_COMPILER="$cxx" > /dev/null
cmake --build build-fuzz -j"$(nproc)" --target ox_fuzz_seeds "${targets[@]}"

seeds=build-fuzz/seeds
rm -rf "$seeds"
build-fuzz/fuzz/ox_fuzz_seeds "$seeds"

# Each target catches standard error around every input (anything the
# library writes there is a finding), so the sanitizers write their reports
# to files beside the logs.
export ASAN_OPTIONS="detect_leaks=1:allocator_may_return_null=1"
export LSAN_OPTIONS="suppressions=${root}/tests/sanitizer.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
source scripts/xvfb.sh
ox_start_xvfb

status=0
for target in "${targets[@]}"; do
  corpus=build-fuzz/corpus/${target}
  crashes=build-fuzz/crashes/${target}
  mkdir -p "$corpus" "$crashes"
  # The seeds of the target's family join the corpus that earlier runs grew.
  cp "$seeds/${target#fuzz_}"/* "$corpus"/
  echo "== ${target}: ${seconds} s"
  # The engine's own messages go to standard output; closing it keeps the
  # log to libFuzzer's report. Inputs up to 400 KB let whole fonts mutate.
  rm -f "build-fuzz/${target}.report".*
  if ! ASAN_OPTIONS="${ASAN_OPTIONS}:log_path=${root}/build-fuzz/${target}.report" \
      UBSAN_OPTIONS="${UBSAN_OPTIONS}:log_path=${root}/build-fuzz/${target}.report" \
      "build-fuzz/fuzz/${target}" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=3072 \
      -max_len=409600 -close_fd_mask=1 -print_final_stats=1 \
      -artifact_prefix="${crashes}/" "$corpus" 2> "build-fuzz/${target}.log"; then
    status=1
    echo "${target} FAILED; the last lines of build-fuzz/${target}.log:"
    grep -v '^#' "build-fuzz/${target}.log" | tail -n 40
    cat "build-fuzz/${target}.report".* 2> /dev/null | head -n 60 || true
    # An out-of-memory or exit inside the decoder may leave no report: the
    # input is what remains.
    for input in "$crashes"/*; do
      [ -e "$input" ] && echo "input kept: $input (run build-fuzz/fuzz/${target} $input)"
    done
  else
    grep -E "^stat::(number_of_executed_units|new_units_added)|Done [0-9]+ runs" \
      "build-fuzz/${target}.log" || true
  fi
done
exit $status
