#!/usr/bin/env bash
# Builds the library, tests and examples with AddressSanitizer and
# UndefinedBehaviorSanitizer into build-asan/ and runs the whole test suite
# there under a private Xvfb display (packages: scripts/setup.sh). Leak
# reports from system libraries below the engine are suppressed by
# tests/sanitizer.supp (today only libdbus, which SDL2's video start uses).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

cmake --preset asan > /dev/null
cmake --build build-asan -j"$(nproc)"

# Children of forked tests inherit these. Undefined behaviour prints a stack
# and ends the process; leaks are reported at exit of every process,
# children included. Each test checks its own exit codes, so the sanitizers
# use distinctive ones (ASan 86, LSan 87) that no test expects.
export ASAN_OPTIONS="detect_leaks=1:exitcode=86:abort_on_error=0:detect_stack_use_after_return=0:strict_string_checks=1:check_initialization_order=1:allocator_may_return_null=1"
export LSAN_OPTIONS="suppressions=${root}/tests/sanitizer.supp:print_suppressions=0:exitcode=87"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

source scripts/xvfb.sh
ox_start_xvfb
# The valgrind test cannot run an instrumented program (valgrind and ASan
# both replace the allocator); LeakSanitizer checks the same loop here. The
# out-of-tree builds of the packaging tests link plain games against the
# installed, instrumented libraries, which only a sanitizer-built game can
# link, and the Debian package of an instrumented build is of no use; they
# check the install and the package, which the normal run covers.
# LeakSanitizer stops every thread with a tracer of its own; on some machines
# that tracer itself faults ("Tracer caught signal 11") after the test has
# passed, which says nothing about the engine: now and then, and in one run
# three times for the same test, with Mesa's idle workers (llvmpipe's
# rasterisers, two more of the driver's worker threads and the disk-cache
# writer, inside the dlopened driver) among the threads it suspends. A test whose own output shows its test
# passed and then that fault runs again, at most twice, with llvmpipe
# rasterising on the drawing thread and no disk cache, so that the game's
# thread is the only one left at the leak check (llvmpipe's pictures do not
# depend on its thread count; the first run keeps the workers, as the timing
# of the display tests expects). Every other failure stands
# (scripts/reruns.sh).
source scripts/reruns.sh
export OX_RERUN_ENV="LP_NUM_THREADS=0 MESA_SHADER_CACHE_DISABLE=true"
ox_ctest_with_reruns build-asan sanitizer 2 \
  -E '^(TextLeaks\.CreatePrintDestroyLoopUnderValgrind|Packaging\.(Wizard|Readme|InstalledExamples|Debian).*)$' "$@"
