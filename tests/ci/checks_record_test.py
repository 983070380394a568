#!/usr/bin/env python3
"""Checks what scripts/cross-deps.sh keeps of a configure run as a record of
its checks, and which record a later build of the same library takes."""
import os
import subprocess
import tempfile
import unittest

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
# Each kind of record: the function that writes it, a configure run's cache
# (the cache folder is /cache) and the lines the record keeps.
KEPT = {
    "record_cmake_checks": (
        ["//Have include stdint.h", "HAVE_STDINT_H:INTERNAL=1", "//Have symbol mmap",
         "HAVE_MMAP:INTERNAL=", "//CHECK_TYPE_SIZE: sizeof(long)", "SIZEOF_LONG:INTERNAL=4",
         "//Test QUOTED", 'QUOTED:INTERNAL=a"b', "//Have include x.h", "HAVE_X:INTERNAL=/x.h",
         "//Details about finding ZLIB", "FIND_PACKAGE_MESSAGE_DETAILS_ZLIB:INTERNAL=[1]"],
        ['set(HAVE_MMAP "" CACHE INTERNAL "")', 'set(HAVE_STDINT_H "1" CACHE INTERNAL "")',
         'set(SIZEOF_LONG "4" CACHE INTERNAL "")']),
    "record_autoconf_checks": (
        ["ac_cv_env_CC_set=set", "ac_cv_build=${ac_cv_build=x86_64-pc-linux-gnu}",
         "ac_cv_header_stdint_h=${ac_cv_header_stdint_h=yes}",
         "ac_cv_path_install=${ac_cv_path_install='/cache/bin/install'}"],
        ["ac_cv_header_stdint_h=${ac_cv_header_stdint_h=yes}"]),
}


def bash(script, cache="/cache", given=""):
    """Runs script after sourcing cross-deps.sh with a recipe for "demo"."""
    prologue = (f"set -euo pipefail\nsource {ROOT}/scripts/cross-deps.sh\ncache={cache}\n"
                f"version=1.0-1\ndemo_options=(-DX={cache}/x.cmake)\n"
                "build_demo() { cmake_build demo -DY=ON; }\n")
    return subprocess.run(["bash", "-c", prologue + script], input=given, capture_output=True,
                          text=True, check=True).stdout.splitlines()


class Records(unittest.TestCase):
    def test_a_record_keeps_check_results_without_paths_environment_or_machine(self):
        for function, (lines, kept) in KEPT.items():
            with self.subTest(function):
                record = bash(f"{function} demo /dev/stdin", given="\n".join(lines) + "\n")
                self.assertTrue(record[0].startswith("# configure checks of demo 1.0-1 "))
                self.assertEqual(record[1:], kept)

    def test_a_record_serves_its_version_and_recipe_in_any_cache(self):
        with tempfile.TemporaryDirectory() as checks:
            with open(os.path.join(checks, "demo.cmake"), "w") as f:
                f.write(bash("checks_key demo", "/elsewhere")[0] + "\n")
            for label, change, taken in [
                    ("recorded in another cache", "", True),
                    ("an Autoconf record asked for", "kind=site", False),
                    ("another version", "version=1.0-2", False),
                    ("another recipe", "build_demo() { cmake_build demo -DY=OFF; }", False)]:
                with self.subTest(label):
                    found = bash(f"kind=cmake\n{change}\nchecks_dir={checks}\n"
                                 'checks_record demo "$kind"')
                    self.assertEqual(bool(found), taken)


if __name__ == "__main__":
    unittest.main()
