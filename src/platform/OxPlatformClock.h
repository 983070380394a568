// Clock layer: a monotonic 64-bit tick counter with a constant frequency, and
// a sleep measured in its ticks. Implemented once per backend.
#pragma once
#include <stdint.h>

// The counter's current value in ticks.
int64_t OxPlatformQueryCounter();
// Ticks per second; constant for the life of the process.
int64_t OxPlatformQueryFrequency();
// Suspends the calling thread for at least ticks counter ticks (nothing for
// 0 or fewer). It may resume later than asked, by as much as the system's
// timers and scheduler make it; callers that need a deadline measure.
void OxPlatformSleep(int64_t ticks);
