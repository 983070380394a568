// Frame-rate controller and the high-resolution clock: frame time, frame rate
// and frame count, with a wait that holds each frame to the minimum frame
// time by sleeping for most of the remainder and spinning on the clock for
// the last stretch. Leans on the clock layer and the sleep margin; the frame
// time and rate it measures, and a replay's recorded ones, are kept in the
// window state's frame clock, which the input family's recorder also reads.
#include "OxSystem.h"

#include <stdint.h>

#include "platform/OxPlatformClock.h"
#include "system/OxSleepMargin.h"
#include "window/OxWindowState.h"

// ---- Module state ----------------------------------------------------------

namespace {

struct State {
  double maxFrameRate = 0.0;
  double minFrameTime = 0.0;
  unsigned int frameCount = 0;
  int64_t counterFrequency = 0;
  double secondsPerTick = 0.0;  // 0 until the first frame start
  int64_t frameStartCount = 0;
  int64_t frameEndCount = 0;
  OxSleepMargin sleepMargin;  // learnt over the whole run; init keeps it
};

State gState;

// The counter, frame rate and frame times from the stored maximum.
void ResetFromMaximum()
{
  gState.frameCount = 0;
  gState.minFrameTime = gState.maxFrameRate != 0.0 ? 1.0 / gState.maxFrameRate : 0.0;
  // Until a frame is measured, the game is told the maximum's own figures.
  OxWindowSetMeasuredFrame(gState.minFrameTime, gState.maxFrameRate);
}

// Seconds from the frame's start to the counter read just taken.
double MeasureFrameTime()
{
  gState.frameEndCount = OxPlatformQueryCounter();
  uint64_t ticks = static_cast<uint64_t>(gState.frameEndCount) -
                   static_cast<uint64_t>(gState.frameStartCount);
  return static_cast<double>(ticks) * gState.secondsPerTick;
}

// Waits until the minimum frame time has passed since the frame's start and
// returns the frame time: the seconds from the start to the wait's last
// counter read. While more than the sleep margin remains it sleeps for the
// remainder less the margin, then measures how late the sleep came back to
// keep the margin just above that; the last stretch is spun on the counter,
// so the frame ends within one counter read of the minimum, never before it.
// Without a limit it only measures.
double WaitForMinimumFrameTime()
{
  double frameTime = MeasureFrameTime();
  while (gState.minFrameTime > frameTime) {
    double remaining = gState.minFrameTime - frameTime;
    double margin = OxSleepMarginSeconds(gState.sleepMargin);
    if (remaining > margin) {
      double asleep = remaining - margin;
      OxPlatformSleep(static_cast<int64_t>(asleep / gState.secondsPerTick));
      double woken = MeasureFrameTime();
      OxSleepMarginRecord(&gState.sleepMargin, (woken - frameTime) - asleep);
      frameTime = woken;
    } else {
      frameTime = MeasureFrameTime();
    }
  }
  return frameTime;
}

}  // namespace

// ---- Functions -------------------------------------------------------------

void OxFrameRateControllerInit(unsigned int maxFrameRate)
{
  gState.frameCount = 0;
  gState.maxFrameRate = static_cast<double>(maxFrameRate);
  ResetFromMaximum();
  gState.frameStartCount = OxPlatformQueryCounter();
}

void OxFrameRateControllerReset(void) { ResetFromMaximum(); }

void OxFrameRateControllerStart(void)
{
  gState.counterFrequency = OxPlatformQueryFrequency();
  gState.secondsPerTick = 1.0 / static_cast<double>(static_cast<uint64_t>(gState.counterFrequency));
  gState.frameStartCount = OxPlatformQueryCounter();
}

void OxFrameRateControllerEnd(void)
{
  // Before any frame start the tick length is unknown and the measured time
  // could never grow: return instead of waiting for ever.
  if (gState.secondsPerTick == 0.0) return;
  // A replayed frame is not held back: replays run as fast as frames draw.
  double frameTime = OxWindowIsReplaying() ? MeasureFrameTime() : WaitForMinimumFrameTime();
  OxWindowSetMeasuredFrame(frameTime, 1.0 / frameTime);
  gState.frameCount = gState.frameCount + 1;
}

double OxFrameRateControllerGetFrameTime(void) { return OxWindowFrameTime(); }

unsigned int OxFrameRateControllerGetFrameCount(void) { return gState.frameCount; }

double OxFrameRateControllerGetFrameRate(void) { return OxWindowFrameRate(); }

double OxGetTime(double* seconds)
{
  int64_t frequency = OxPlatformQueryFrequency();
  int64_t counter = OxPlatformQueryCounter();
  double whole = static_cast<double>(counter / frequency);
  double fraction = static_cast<double>(counter - (counter / frequency) * frequency) /
                    static_cast<double>(frequency);
  double result = whole + fraction;
  if (seconds) *seconds = result;
  return result;
}
