// Frame-rate controller and the high-resolution clock: frame time, frame rate
// and frame count, with a busy wait that holds each frame to the minimum frame
// time. Leans on the clock layer.
#include "OxSystem.h"

#include <stdint.h>

#include "platform/OxPlatformClock.h"
#include "system/OxSystemInternal.h"

// ---- Module state ----------------------------------------------------------

namespace {

struct State {
  double maxFrameRate = 0.0;
  double frameRate = 0.0;
  double frameTime = 0.0;
  double minFrameTime = 0.0;
  unsigned int frameCount = 0;
  int64_t counterFrequency = 0;
  double secondsPerTick = 0.0;  // 0 until the first frame start
  int64_t frameStartCount = 0;
  int64_t frameEndCount = 0;
  // A replay's frame time and rate, reported instead of the measured ones.
  bool replaying = false;
  double replayedFrameTime = 0.0;
  double replayedFrameRate = 0.0;
};

State gState;

// The counter, frame rate and frame times from the stored maximum.
void ResetFromMaximum()
{
  gState.frameCount = 0;
  gState.frameRate = gState.maxFrameRate;
  if (gState.frameRate != 0.0) {
    gState.frameTime = 1.0 / gState.frameRate;
    gState.minFrameTime = 1.0 / gState.maxFrameRate;
  } else {
    gState.frameTime = 0.0;
    gState.minFrameTime = 0.0;
  }
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
  // could never grow: return instead of spinning for ever.
  if (gState.secondsPerTick == 0.0) return;
  do {
    gState.frameEndCount = OxPlatformQueryCounter();
    uint64_t ticks = static_cast<uint64_t>(gState.frameEndCount) -
                     static_cast<uint64_t>(gState.frameStartCount);
    gState.frameTime = static_cast<double>(ticks) * gState.secondsPerTick;
  } while (!gState.replaying && gState.minFrameTime > gState.frameTime);
  gState.frameRate = 1.0 / gState.frameTime;
  gState.frameCount = gState.frameCount + 1;
}

double OxFrameRateControllerGetFrameTime(void)
{
  return gState.replaying ? gState.replayedFrameTime : gState.frameTime;
}

unsigned int OxFrameRateControllerGetFrameCount(void) { return gState.frameCount; }

double OxFrameRateControllerGetFrameRate(void)
{
  return gState.replaying ? gState.replayedFrameRate : gState.frameRate;
}

void OxFrameRateControllerSetReplay(bool replaying, double frameTime, double frameRate)
{
  gState.replaying = replaying;
  gState.replayedFrameTime = frameTime;
  gState.replayedFrameRate = frameRate;
}

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
