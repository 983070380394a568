// Clock layer on SDL: SDL's performance counter, which on Linux is the
// monotonic clock in nanoseconds.
#include "OxPlatformClock.h"

#include <SDL2/SDL_timer.h>

int64_t OxPlatformQueryCounter() { return static_cast<int64_t>(SDL_GetPerformanceCounter()); }

int64_t OxPlatformQueryFrequency() { return static_cast<int64_t>(SDL_GetPerformanceFrequency()); }
