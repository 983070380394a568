#!/usr/bin/env bash
# Sourced by the test scripts: ox_ctest_with_reruns runs a build's tests with
# CTest, one at a time, and runs again only those failed tests whose own
# output shows a fault of the tools rather than of the engine, as
# scripts/reruns.py decides ("sanitizer" or "wine"); any other failure, and a
# tool fault that outlasts the reruns allowed, fails the run.
# Usage: ox_ctest_with_reruns BUILD_DIR KIND MAX_RERUNS [ctest arguments]
# Each run keeps its log and JUnit report as BUILD_DIR/Testing/runs/run-N.*
# (run-1 is the first); a test that fails again has its first output printed.
# Each rerun adds a "reason<TAB>test" line to BUILD_DIR/Testing/runs/reruns.txt
# and, when set, to the file OX_RERUN_LOG names (.ci/run sums them up); the
# function ends with the count ("reruns: N (...)"). OX_RERUN_ENV, when set,
# holds NAME=VALUE words that the reruns alone run with.
ox_ctest_with_reruns() {
  local build=$1 kind=$2 max=$3
  shift 3
  local runs="$build/Testing/runs" temp="$build/Testing/Temporary"
  [[ "$runs" = /* ]] || runs="$(pwd)/$runs"
  rm -rf "$runs"
  mkdir -p "$runs"
  : > "$runs/reruns.txt"
  local args=("$@") run=1 status failed=() again verdict name why environment=()
  while :; do
    rm -f "$temp/LastTestsFailed.log"
    status=0
    env "${environment[@]}" ctest --test-dir "$build" --output-on-failure --timeout 300 --test-output-truncation middle \
      --output-junit "$runs/run-$run.xml" "${args[@]}" || status=$?
    cp "$temp/LastTest.log" "$runs/run-$run.log" 2> /dev/null || true
    [ "$status" -ne 0 ] || break
    # CTest failed without a failed test (an error of its own): nothing to run again.
    [ -f "$temp/LastTestsFailed.log" ] || break
    cp "$temp/LastTestsFailed.log" "$runs/run-$run.failed"
    again=()
    while IFS=$'\t' read -r verdict name why; do
      if [ "$verdict" = rerun ] && [ "$run" -le "$max" ]; then
        again+=("$name")
        printf '%s\t%s\n' "$why" "$name" >> "$runs/reruns.txt"
        [ -z "${OX_RERUN_LOG:-}" ] || printf '%s\t%s\n' "$why" "$name" >> "$OX_RERUN_LOG"
        continue
      fi
      [ "$verdict" != rerun ] || why="$why in each of $run runs"
      echo "FAILED for good: $name: $why"
      if [ "$run" -gt 1 ]; then
        echo "Its first failure ($runs/run-1.log):"
        python3 scripts/reruns.py output "$runs/run-1.xml" "$name"
      fi
      failed+=("$name")
    done < <(python3 scripts/reruns.py decide "$kind" "$runs/run-$run.xml" "$runs/run-$run.failed")
    [ ${#again[@]} -gt 0 ] || break
    echo "Running again (rerun $run of at most $max) for a fault of the tools in their own output: ${again[*]}"
    run=$((run + 1))
    # shellcheck disable=SC2206 # the setting is a list of words
    environment=(${OX_RERUN_ENV:-})
    args=(-R "$(python3 scripts/reruns.py regex "${again[@]}")")
  done
  [ ${#failed[@]} -eq 0 ] || echo "$build: failed for good: ${failed[*]}"
  echo "$build: $(python3 scripts/reruns.py summary "$runs/reruns.txt")"
  [ "$status" -eq 0 ] && [ ${#failed[@]} -eq 0 ]
}
