// The null backend's scripted clock: the input, window, pad and audio parts
// are exercised by the display, gamepad, recording and capture suites,
// which run on the backend through the helper twins of tests/support/null/.
// Null-backend program: it drives the backend through the functions only
// that backend has.
#include <gtest/gtest.h>

#include "OxEngineSupport.h"
#include "Oxlen.h"
#include "platform/null/OxPlatformNull.h"

// Scripted, every frame lasts exactly the frame time asked for (to the tick
// of the limiter's last read), a late sleep included.
TEST(NullBackend, ScriptedClockMakesFrameTimesExact)
{
  ASSERT_EQ(OxSysInit(nullptr, SW_SHOWNORMAL, 320, 240, 0, 60, 0, nullptr), 1);
  OxNullClockScript(true);
  for (int lateness : {0, 2000}) {
    OxNullClockSetSleepLateness(lateness);
    for (int frame = 0; frame < 5; ++frame) oxtest::RunFrame();
    EXPECT_NEAR(OxFrameRateControllerGetFrameTime(), 1.0 / 60.0, 20e-6) << lateness;
  }
  OxNullClockScript(false);
  OxSysExit();
}
