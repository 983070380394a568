#!/usr/bin/env python3
"""Checks which failed tests scripts/reruns.py lets run again, and that the
loop of scripts/reruns.sh fails the run for everything else, on a scratch
CTest project whose tests imitate each kind of failure."""
import os
import re
import subprocess
import sys
import tempfile
import textwrap
import unittest

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
sys.path.insert(0, os.path.join(ROOT, "scripts"))
import reruns  # noqa: E402

PASSED = "[ RUN      ] SystemTest.InitExit\n[       OK ] SystemTest.InitExit (12 ms)\n"
TRACER = ("Tracer caught signal 11: addr=0x0 pc=0x7f01 sp=0x7f02\n"
          "==4242==LeakSanitizer has encountered a fatal error.\n"
          "==4242==HINT: LeakSanitizer does not work under ptrace (strace, gdb, etc)\n")
LEAK = ("==4242==ERROR: LeakSanitizer: detected memory leaks\n"
        "Direct leak of 64 byte(s) in 1 object(s) allocated from:\n"
        "SUMMARY: AddressSanitizer: 64 byte(s) leaked in 1 allocation(s).\n")
FAILED = "x_test.cpp:12: Failure\n[  FAILED  ] SystemTest.InitExit (12 ms)\n"


class Verdicts(unittest.TestCase):
    def test_sanitizer_reruns_only_a_passed_test_whose_tracer_faulted(self):
        cases = [
            ("tracer fault after the test passed", PASSED + TRACER, 0.4, True),
            ("real leak", PASSED + LEAK, 0.4, False),
            ("leak and a tracer fault in a child", PASSED + LEAK + TRACER, 0.4, False),
            ("failed test, then a tracer fault", FAILED + TRACER, 0.4, False),
            ("tracer fault before the test passed", TRACER + PASSED, 0.4, False),
            ("undefined behaviour", "x.cpp:3:5: runtime error: signed integer overflow\n", 0.1, False),
            ("time-out", "[ RUN      ] SystemTest.InitExit\n", 120.0, False),
            ("silent exit", "", 0.01, False),
        ]
        for label, output, seconds, rerun in cases:
            with self.subTest(label):
                self.assertEqual(reruns.sanitizer_verdict(output, seconds)[0] is not None, rerun)

    def test_wine_reruns_only_a_silent_test_that_ended_at_once(self):
        cases = [
            ("silent quick exit", "", 0.05, True),
            ("silent time-out", "", 120.0, False),
            ("silent for a second", "", 1.0, False),
            ("quick failure with output", FAILED, 0.2, False),
            ("a child never started", FAILED + reruns.CHILD_NEVER_STARTED + " (error 2)\n", 3.0, True),
        ]
        for label, output, seconds, rerun in cases:
            with self.subTest(label):
                self.assertEqual(reruns.wine_verdict(output, seconds)[0] is not None, rerun)

    def test_summary_counts_every_rerun_and_says_why(self):
        tracer, wine = reruns.SANITIZER_REASON, reruns.WINE_REASON
        cases = [
            ([], "reruns: 0"),
            ([f"{tracer}\tA.B\n"], f"reruns: 1 ({tracer}: A.B)"),
            ([f"{tracer}\tA.B\n", f"{wine}\tC.D\n", f"{tracer}\tA.B\n", f"{tracer}\tE.F\n"],
             f"reruns: 4 ({tracer}: A.B x2, E.F; {wine}: C.D)"),
        ]
        for lines, expected in cases:
            with self.subTest(expected):
                self.assertEqual(reruns.summary(lines), expected)

    def test_regex_selects_exactly_the_names(self):
        pattern = re.compile(reruns.regex(["A.B", "Sizes/Grid.Fits/0"]))
        for name, selected in [("A.B", True), ("Sizes/Grid.Fits/0", True), ("AxB", False),
                               ("A.BC", False), ("Sizes/Grid.Fits/01", False)]:
            self.assertEqual(bool(pattern.search(name)), selected, name)


FAKE_TEST = """\
#!/bin/sh
# fake.sh KIND NAME: fails as KIND says; the "once" kinds on their first run only,
# tracer-unless-calm whenever CALM is not set.
count="$(dirname "$0")/counts/$2"
mkdir -p "$(dirname "$count")"
n=$(( $(cat "$count" 2> /dev/null || echo 0) + 1 ))
echo "$n" > "$count"
case $1 in
  tracer-once|tracer-always|tracer-unless-calm)
    echo "[       OK ] $2 (5 ms)"
    if [ "$1" = tracer-always ] || [ "$n" -eq 1 ] || [ "$1$CALM" = tracer-unless-calm ]; then
      echo "==9==LeakSanitizer has encountered a fatal error."; exit 87
    fi ;;
  leak) echo "[       OK ] $2 (5 ms)"; echo "==9==ERROR: LeakSanitizer: detected memory leaks"; exit 87 ;;
  silent-once) [ "$n" -gt 1 ] || exit 1; echo "[       OK ] $2 (1 ms)" ;;
  hang) exec sleep 5 ;;
esac
"""

PROJECT = """\
cmake_minimum_required(VERSION 3.20)
project(fake NONE)
enable_testing()
foreach(test Tracer.Once:tracer-once Tracer.Always:tracer-always Tracer.Calm:tracer-unless-calm
             Leak.Real:leak
             Wine.SilentOnce:silent-once Wine.Hang:hang)
  string(REPLACE ":" ";" test ${test})
  list(GET test 0 name)
  list(GET test 1 kind)
  add_test(NAME ${name} COMMAND sh ${CMAKE_SOURCE_DIR}/fake.sh ${kind} ${name})
endforeach()
set_tests_properties(Wine.Hang PROPERTIES TIMEOUT 1)
add_test(NAME Missing.Program COMMAND ${CMAKE_SOURCE_DIR}/no-such-program)
"""


class RerunLoop(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.scratch = tempfile.TemporaryDirectory()
        cls.source = cls.scratch.name
        cls.build = os.path.join(cls.source, "build")
        for name, text in [("fake.sh", FAKE_TEST), ("CMakeLists.txt", PROJECT)]:
            with open(os.path.join(cls.source, name), "w") as f:
                f.write(text)
        subprocess.run(["cmake", "-S", cls.source, "-B", cls.build], check=True,
                       stdout=subprocess.DEVNULL)

    @classmethod
    def tearDownClass(cls):
        cls.scratch.cleanup()

    def run_loop(self, kind, max_reruns, selection, rerun_env=""):
        subprocess.run(["rm", "-rf", os.path.join(self.source, "counts")], check=True)
        log = os.path.join(self.source, "ci-reruns.txt")
        open(log, "w").close()
        script = f'source scripts/reruns.sh; ox_ctest_with_reruns "$1" {kind} {max_reruns} -R "$2"'
        done = subprocess.run(["bash", "-c", script, "bash", self.build, selection], cwd=ROOT,
                              env=dict(os.environ, OX_RERUN_LOG=log, OX_RERUN_ENV=rerun_env),
                              stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        with open(log) as f:
            return done.returncode == 0, [line.split("\t")[1].strip() for line in f], done.stdout

    def test_only_tool_faults_run_again_and_nothing_else_passes(self):
        cases = [
            # kind, reruns allowed, tests, environment of the reruns, passes, tests run again
            ("sanitizer", 2, r"^Tracer\.Once$", "", True, ["Tracer.Once"]),
            ("sanitizer", 2, r"^(Tracer\.Once|Leak\.Real)$", "", False, ["Tracer.Once"]),
            ("sanitizer", 2, r"^(Tracer\.Once|Missing\.Program)$", "", False, ["Tracer.Once"]),
            ("sanitizer", 2, r"^Tracer\.Always$", "", False, ["Tracer.Always"] * 2),
            ("sanitizer", 2, r"^Tracer\.Calm$", "", False, ["Tracer.Calm"] * 2),
            ("sanitizer", 2, r"^Tracer\.Calm$", "CALM=1 OTHER=2", True, ["Tracer.Calm"]),
            ("wine", 1, r"^Wine\.SilentOnce$", "", True, ["Wine.SilentOnce"]),
            ("wine", 1, r"^(Wine\.SilentOnce|Wine\.Hang)$", "", False, ["Wine.SilentOnce"]),
        ]
        for kind, max_reruns, selection, rerun_env, passes, again in cases:
            with self.subTest(selection, rerun_env=rerun_env):
                passed, rerun, output = self.run_loop(kind, max_reruns, selection, rerun_env)
                self.assertEqual((passed, rerun), (passes, again), output)
                reason = reruns.SANITIZER_REASON if kind == "sanitizer" else reruns.WINE_REASON
                self.assertIn(f"{self.build}: " + reruns.summary(f"{reason}\t{n}" for n in again) + "\n",
                              output)

    def test_a_test_failing_again_has_its_first_output_kept_and_printed(self):
        _, _, output = self.run_loop("sanitizer", 2, r"^Tracer\.Always$")
        self.assertIn("Its first failure", output)
        for run in (1, 2, 3):
            self.assertTrue(os.path.exists(os.path.join(self.build, "Testing", "runs", f"run-{run}.log")))
        with open(os.path.join(self.build, "Testing", "runs", "run-1.log")) as first:
            self.assertIn("LeakSanitizer has encountered a fatal error", first.read())


if __name__ == "__main__":
    unittest.main()
