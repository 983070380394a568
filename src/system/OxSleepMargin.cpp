// The frame limiter's sleep margin, learnt from measured wake-up lateness.
// Leans on nothing.
#include "system/OxSleepMargin.h"

double OxSleepMarginSeconds(const OxSleepMargin& margin)
{
  if (margin.count == 0) return OxSleepMargin::kInitialSeconds;
  double largest = 0.0;
  for (int i = 0; i < margin.count; ++i)
    if (margin.lateness[i] > largest) largest = margin.lateness[i];
  double seconds = largest + OxSleepMargin::kCushionSeconds;
  if (seconds < OxSleepMargin::kFloorSeconds) return OxSleepMargin::kFloorSeconds;
  if (seconds > OxSleepMargin::kCeilingSeconds) return OxSleepMargin::kCeilingSeconds;
  return seconds;
}

void OxSleepMarginRecord(OxSleepMargin* margin, double lateSeconds)
{
  // NaN and negative values (a sleep that came back early) count as 0.
  margin->lateness[margin->next] = lateSeconds > 0.0 ? lateSeconds : 0.0;
  margin->next = (margin->next + 1) % OxSleepMargin::kSamples;
  if (margin->count < OxSleepMargin::kSamples) ++margin->count;
}
