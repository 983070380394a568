// Points DISPLAY at the Xvfb of CTest's fixture, when the fixture started
// one (scripts/xvfb-fixture.sh), before the test program's main runs:
// linked into every display test program of the Linux build, so that
// `ctest` alone never reaches the user's own display.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

struct FixtureDisplay {
  FixtureDisplay()
  {
    FILE* file = fopen(OX_TEST_BINARY_DIR "/xvfb/display", "r");
    if (!file) return;
    char display[64] = "";
    if (fgets(display, sizeof(display), file)) {
      display[strcspn(display, "\n")] = '\0';
      if (display[0]) setenv("DISPLAY", display, 1);
    }
    fclose(file);
  }
};

FixtureDisplay gFixtureDisplay;

}  // namespace
