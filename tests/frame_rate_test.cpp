// Frame-rate controller and clock, without a display: the values after init
// and reset, the frame counter, the limiter's lower bound, and OxGetTime.
#include <gtest/gtest.h>

#include "Oxlen.h"

namespace {

// Cases: init with 60 gives frame rate 60 and frame time 1/60 until a frame
// ends; init with 0 gives 0 and 0; the counter starts at 0.
TEST(FrameRateController, ValuesAfterInit)
{
  OxFrameRateControllerInit(60);
  EXPECT_EQ(OxFrameRateControllerGetFrameRate(), 60.0);
  EXPECT_EQ(OxFrameRateControllerGetFrameTime(), 1.0 / 60.0);
  EXPECT_EQ(OxFrameRateControllerGetFrameCount(), 0u);
  OxFrameRateControllerInit(0);
  EXPECT_EQ(OxFrameRateControllerGetFrameRate(), 0.0);
  EXPECT_EQ(OxFrameRateControllerGetFrameTime(), 0.0);
  OxFrameRateControllerInit(4294967295u);
  EXPECT_EQ(OxFrameRateControllerGetFrameRate(), 4294967295.0);
}

// Cases: an end before any start returns without waiting and changes nothing
// (the tick length is still unknown).
TEST(FrameRateController, EndBeforeAnyStartReturns)
{
  OxFrameRateControllerInit(30);
  OxFrameRateControllerEnd();
  EXPECT_EQ(OxFrameRateControllerGetFrameCount(), 0u);
  EXPECT_EQ(OxFrameRateControllerGetFrameTime(), 1.0 / 30.0);
}

// Cases: each end counts one frame; reset puts the counter, rate and time
// back to the values after init; a limited frame never ends before the
// minimum frame time, measured by the controller and by OxGetTime.
TEST(FrameRateController, LimitedLoopAndReset)
{
  OxFrameRateControllerInit(100);
  for (unsigned int frame = 1; frame <= 5; ++frame) {
    double before = OxGetTime(nullptr);
    OxFrameRateControllerStart();
    OxFrameRateControllerEnd();
    double after = OxGetTime(nullptr);
    EXPECT_EQ(OxFrameRateControllerGetFrameCount(), frame);
    EXPECT_GE(OxFrameRateControllerGetFrameTime(), 0.01);
    EXPECT_GE(after - before, 0.01);
    EXPECT_EQ(OxFrameRateControllerGetFrameRate(), 1.0 / OxFrameRateControllerGetFrameTime());
    EXPECT_LE(OxFrameRateControllerGetFrameRate(), 100.0);
  }
  OxFrameRateControllerReset();
  EXPECT_EQ(OxFrameRateControllerGetFrameCount(), 0u);
  EXPECT_EQ(OxFrameRateControllerGetFrameRate(), 100.0);
  EXPECT_EQ(OxFrameRateControllerGetFrameTime(), 0.01);
}

// Cases: without a limit the end does not wait, and the frame time is the
// real duration; a frame longer than the minimum keeps its real duration.
TEST(FrameRateController, UnlimitedAndLongFrames)
{
  OxFrameRateControllerInit(0);
  OxFrameRateControllerStart();
  OxFrameRateControllerEnd();
  EXPECT_EQ(OxFrameRateControllerGetFrameCount(), 1u);
  EXPECT_GE(OxFrameRateControllerGetFrameTime(), 0.0);

  OxFrameRateControllerInit(1000);
  OxFrameRateControllerStart();
  double start = OxGetTime(nullptr);
  while (OxGetTime(nullptr) - start < 0.02) {
  }
  OxFrameRateControllerEnd();
  EXPECT_GE(OxFrameRateControllerGetFrameTime(), 0.02);
  EXPECT_LT(OxFrameRateControllerGetFrameRate(), 1000.0);
}

// Cases: OxGetTime with a null pointer only returns; with a pointer it stores
// the value it returns; readings never go backwards.
TEST(Clock, GetTime)
{
  double stored = -1.0;
  double returned = OxGetTime(&stored);
  EXPECT_EQ(returned, stored);
  EXPECT_GT(returned, 0.0);
  double previous = OxGetTime(nullptr);
  for (int i = 0; i < 1000; ++i) {
    double now = OxGetTime(nullptr);
    EXPECT_GE(now, previous);
    previous = now;
  }
}

}  // namespace
