// Frame-rate controller and clock, without a display: the values after init
// and reset, the frame counter, the limiter's lower bound over many frames,
// the learnt sleep margin's arithmetic, and OxGetTime.
#include <gtest/gtest.h>

#include <float.h>
#include <math.h>
#include <stdlib.h>

#include "Oxlen.h"
#include "system/OxSleepMargin.h"

namespace {

// OxGetTime's seconds are a sum of doubles: a difference of exactly the
// minimum in the counter (likely where the clock is coarse, as a page's is)
// may come out a few ulps of the reading short of it, and a clock counting
// since boot reads large numbers of seconds.
double ReadingSlack(double reading) { return 4.0 * DBL_EPSILON * reading; }

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
    EXPECT_GE(after - before, 0.01 - ReadingSlack(after));
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

// Cases: over a few hundred frames at 240 per second, with frame work that
// varies from none to more than the minimum, no frame ends before the
// minimum frame time, whether read from the controller or measured around
// it with OxGetTime; each frame's rate is 1 / its time.
TEST(FrameRateController, SleepingWaitNeverEndsAFrameEarly)
{
  const double minimum = 1.0 / 240.0;
  OxFrameRateControllerInit(240);
  srand(16);
  for (unsigned int frame = 1; frame <= 300; ++frame) {
    double before = OxGetTime(nullptr);
    OxFrameRateControllerStart();
    double work = minimum * 1.2 * (rand() % 8) / 7.0;
    while (OxGetTime(nullptr) - before < work) {
    }
    OxFrameRateControllerEnd();
    double after = OxGetTime(nullptr);
    ASSERT_GE(OxFrameRateControllerGetFrameTime(), minimum) << "frame " << frame;
    ASSERT_GE(after - before, minimum - ReadingSlack(after)) << "frame " << frame;
    ASSERT_EQ(OxFrameRateControllerGetFrameRate(), 1.0 / OxFrameRateControllerGetFrameTime());
  }
  EXPECT_EQ(OxFrameRateControllerGetFrameCount(), 300u);
}

// Cases: 1 ms before any sleep is measured; then the largest lateness of the
// last 64 sleeps plus 0.1 ms; a slow spell raises it and is forgotten 64
// sleeps later; early wake-ups (negative lateness) and NaN count as 0, which
// gives the 0.1 ms floor; a huge lateness stops at the 2 ms ceiling.
TEST(SleepMargin, FollowsTheLargestRecentLateness)
{
  OxSleepMargin margin;
  EXPECT_EQ(OxSleepMarginSeconds(margin), 1e-3);

  OxSleepMarginRecord(&margin, 50e-6);
  EXPECT_DOUBLE_EQ(OxSleepMarginSeconds(margin), 150e-6);
  OxSleepMarginRecord(&margin, 400e-6);
  OxSleepMarginRecord(&margin, 80e-6);
  EXPECT_DOUBLE_EQ(OxSleepMarginSeconds(margin), 500e-6);
  for (int i = 0; i < 62; ++i) OxSleepMarginRecord(&margin, 60e-6);
  EXPECT_DOUBLE_EQ(OxSleepMarginSeconds(margin), 500e-6) << "the slow sleep is 63 sleeps old";
  OxSleepMarginRecord(&margin, 60e-6);
  EXPECT_DOUBLE_EQ(OxSleepMarginSeconds(margin), 180e-6) << "the slow sleep is forgotten";

  for (int i = 0; i < 64; ++i) OxSleepMarginRecord(&margin, i % 2 ? -1e-3 : NAN);
  EXPECT_DOUBLE_EQ(OxSleepMarginSeconds(margin), 100e-6);
  OxSleepMarginRecord(&margin, 0.5);
  EXPECT_EQ(OxSleepMarginSeconds(margin), 2e-3);
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
