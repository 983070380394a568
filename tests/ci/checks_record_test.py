#!/usr/bin/env python3
"""Checks what scripts/cross-deps.sh keeps of a configure run as a record of
its checks (an initial cache for CMake, a site file for Autoconf), and which
record a later build of the same library takes."""
import os
import subprocess
import tempfile
import textwrap
import unittest

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))


def bash(script, cache):
    """Runs script after sourcing cross-deps.sh with a recipe for "demo"."""
    prologue = textwrap.dedent(f"""\
        set -euo pipefail
        source {ROOT}/scripts/cross-deps.sh
        cache={cache}
        version=1.0-1
        target_settings=wasm32
        demo_options=(-DX={cache}/build/x.cmake)
        build_demo() {{ cmake_build demo -DY=ON; }}
        """)
    return subprocess.run(["bash", "-c", prologue + script], capture_output=True, text=True,
                          check=True).stdout


class Records(unittest.TestCase):
    def test_cmake_record_keeps_check_results_only(self):
        with tempfile.TemporaryDirectory() as cache:
            path = os.path.join(cache, "CMakeCache.txt")
            with open(path, "w") as f:
                f.write(textwrap.dedent(f"""\
                    //Have include stdint.h
                    HAVE_STDINT_H:INTERNAL=1
                    //Have symbol mmap
                    HAVE_MMAP:INTERNAL=
                    //Test COMPILER_HAS_VISIBILITY
                    COMPILER_HAS_VISIBILITY:INTERNAL=1
                    //Result of TRY_RUN
                    HAVE_WORKING_FOO_EXITCODE:INTERNAL=0
                    //CHECK_TYPE_SIZE: sizeof(long)
                    SIZEOF_LONG:INTERNAL=4
                    //Have include {cache}/x.h
                    HAVE_PATH:INTERNAL={cache}/x.h
                    //Test QUOTED
                    QUOTED:INTERNAL=a"b
                    //Details about finding ZLIB
                    FIND_PACKAGE_MESSAGE_DETAILS_ZLIB:INTERNAL=[1]
                    //Path to a library.
                    ZLIB_LIBRARY:FILEPATH=/usr/lib/libz.a
                    """))
            lines = bash(f"record_cmake_checks demo {path}", cache).splitlines()
        self.assertTrue(lines[0].startswith("# configure checks of demo 1.0-1 "))
        self.assertEqual(lines[1:], [
            'set(COMPILER_HAS_VISIBILITY "1" CACHE INTERNAL "")',
            'set(HAVE_MMAP "" CACHE INTERNAL "")',
            'set(HAVE_STDINT_H "1" CACHE INTERNAL "")',
            'set(HAVE_WORKING_FOO_EXITCODE "0" CACHE INTERNAL "")',
            'set(SIZEOF_LONG "4" CACHE INTERNAL "")',
        ])

    def test_autoconf_record_leaves_out_environment_machine_and_paths(self):
        with tempfile.TemporaryDirectory() as cache:
            path = os.path.join(cache, "config.cache")
            with open(path, "w") as f:
                f.write(textwrap.dedent(f"""\
                    ac_cv_env_CC_set=set
                    ac_cv_build=${{ac_cv_build=x86_64-pc-linux-gnu}}
                    ac_cv_header_stdint_h=${{ac_cv_header_stdint_h=yes}}
                    ac_cv_path_install=${{ac_cv_path_install='{cache}/bin/install'}}
                    lt_cv_deplibs_check_method=${{lt_cv_deplibs_check_method=pass_all}}
                    ac_cv_c_inline=${{ac_cv_c_inline=inline}}
                    """))
            lines = bash(f"record_autoconf_checks demo {path}", cache).splitlines()
        self.assertEqual(lines[1:], ["ac_cv_c_inline=${ac_cv_c_inline=inline}",
                                     "ac_cv_header_stdint_h=${ac_cv_header_stdint_h=yes}"])

    def test_a_record_serves_only_its_version_and_recipe_in_any_cache(self):
        with tempfile.TemporaryDirectory() as checks:
            made_elsewhere = bash("checks_key demo", "/elsewhere").strip()
            cases = [
                ("recorded in another cache", "", True),
                ("another version", "version=1.0-2", False),
                ("another recipe", "build_demo() { cmake_build demo -DY=OFF; }", False),
                ("other options", "demo_options=(-DX=1)", False),
            ]
            for label, change, taken in cases:
                with self.subTest(label):
                    with open(os.path.join(checks, "demo.cmake"), "w") as f:
                        f.write(made_elsewhere + "\nset(HAVE_X \"1\" CACHE INTERNAL \"\")\n")
                    found = bash(f"{change}\nchecks_dir={checks}\nchecks_record demo cmake || true",
                                 "/here").strip()
                    self.assertEqual(bool(found), taken)
            # A CMake record is not an Autoconf one.
            self.assertEqual(bash(f"checks_dir={checks}\nchecks_record demo site", "/here").strip(),
                             "")


if __name__ == "__main__":
    unittest.main()
