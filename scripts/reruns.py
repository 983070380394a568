#!/usr/bin/env python3
"""Which failed tests the test scripts run again, and how many they did.

Two faults of the tools, not of the engine, fail a test now and then:
LeakSanitizer's tracer faulting after the test has passed, and Wine ending a
program at once without starting it. Each failed test is judged from its own
output and time in CTest's JUnit report, never from the log of the whole
run, so that a real failure beside a tool fault still fails.

  reruns.py decide sanitizer|wine REPORT.xml FAILED.log
      one line per test in CTest's list of failed tests (FAILED.log):
      "rerun<TAB>name<TAB>reason" or "fail<TAB>name<TAB>why"
  reruns.py output REPORT.xml NAME    the test's time and output
  reruns.py regex NAME...             a CTest -R expression for exactly those
  reruns.py summary FILE...           "reruns: N (reason: names; ...)" from
                                      files of "reason<TAB>name" lines
"""
import sys
import xml.etree.ElementTree as ElementTree

TRACER_FAULT = "LeakSanitizer has encountered a fatal error"
TEST_PASSED = "[       OK ]"
# What a sanitizer or GoogleTest prints for a fault of the test itself.
FINDINGS = ("ERROR: AddressSanitizer", "ERROR: LeakSanitizer", "runtime error:", "[  FAILED  ]")
SANITIZER_REASON = "sanitizer tracer fault"
WINE_REASON = "Wine never started the program"
# A program Wine never started ends within milliseconds; one second leaves
# room for a loaded machine and is far below any test's time-out.
WINE_START_SECONDS = 1.0
# What a test prints when a child process of its own did not start
# (tests/support/win32/OxTestSupportWin32.cpp).
CHILD_NEVER_STARTED = "oxtest: the child process did not start"


def sanitizer_verdict(output, seconds):
    """(reason to run again, or None, and why not). Only a test that passed
    and whose process then ended in LeakSanitizer's fatal error runs again."""
    for finding in FINDINGS:
        if finding in output:
            return None, f"its output has '{finding}'"
    fault = output.find(TRACER_FAULT)
    if fault < 0:
        return None, f"failed after {seconds:.1f} s without a sanitizer tracer fault in its output"
    passed = output.find(TEST_PASSED)
    if passed < 0 or passed > fault:
        return None, "LeakSanitizer's tracer faulted before the test had passed"
    return SANITIZER_REASON, ""


def wine_verdict(output, seconds):
    """Only a test that printed nothing and ended within a second runs again
    (a silent test that ran longer hung or crashed on its own), or one whose
    child process Wine never started."""
    if CHILD_NEVER_STARTED in output:
        return WINE_REASON, ""
    if output.strip():
        return None, "it printed output"
    if seconds >= WINE_START_SECONDS:
        return None, f"silent for {seconds:.1f} s: a hang or a crash, not a program Wine never started"
    return WINE_REASON, ""


VERDICTS = {"sanitizer": sanitizer_verdict, "wine": wine_verdict}


def read_report(path):
    """{test name: (status, seconds, output, message)} from CTest's JUnit report."""
    tests = {}
    for case in ElementTree.parse(path).getroot().iter("testcase"):
        outcome = case.find("failure")
        if outcome is None:
            outcome = case.find("skipped")
        tests[case.get("name")] = (case.get("status"), float(case.get("time") or 0),
                                   case.findtext("system-out") or "",
                                   outcome.get("message", "") if outcome is not None else "")
    return tests


def read_failed(path):
    """Test names from CTest's LastTestsFailed.log ("number:name" lines)."""
    with open(path, encoding="utf-8") as lines:
        return [line.rstrip("\n").split(":", 1)[1] for line in lines if ":" in line]


def decide(kind, tests, failed):
    """(verdict, name, reason or why) for each failed test."""
    verdict = VERDICTS[kind]
    for name in failed:
        if name not in tests:
            yield "fail", name, "not in CTest's report"
            continue
        status, seconds, output, message = tests[name]
        if status != "fail":
            yield "fail", name, f"did not run ({message or status})"
            continue
        reason, why = verdict(output, seconds)
        yield ("rerun", name, reason) if reason else ("fail", name, why)


def regex(names):
    special = set("\\^$.|?*+()[]{}")
    return "^(" + "|".join("".join("\\" + c if c in special else c for c in name)
                           for name in names) + ")$"


def summary(lines):
    """"reruns: N (reason: name, name x2; reason: name)", in first-seen order."""
    by_reason = {}
    for line in lines:
        reason, _, name = line.rstrip("\n").partition("\t")
        if name:
            names = by_reason.setdefault(reason, {})
            names[name] = names.get(name, 0) + 1
    count = sum(sum(names.values()) for names in by_reason.values())
    if not count:
        return "reruns: 0"
    return f"reruns: {count} (" + "; ".join(
        reason + ": " + ", ".join(name if times == 1 else f"{name} x{times}"
                                  for name, times in names.items())
        for reason, names in by_reason.items()) + ")"


def main(args):
    command = args[0] if args else ""
    if command == "decide" and len(args) == 4 and args[1] in VERDICTS:
        for line in decide(args[1], read_report(args[2]), read_failed(args[3])):
            print("\t".join(line))
    elif command == "output" and len(args) == 3:
        status, seconds, output, message = read_report(args[1]).get(args[2], ("absent", 0, "", ""))
        print(f"{args[2]}: {status} after {seconds:.2f} s {message}".rstrip())
        print(output.rstrip("\n") if output.strip() else "(no output)")
    elif command == "regex" and len(args) > 1:
        print(regex(args[1:]))
    elif command == "summary":
        lines = []
        for path in args[1:]:
            try:
                with open(path, encoding="utf-8") as f:
                    lines += f.readlines()
            except FileNotFoundError:
                pass
        print(summary(lines))
    else:
        print(__doc__)
        return 2
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
