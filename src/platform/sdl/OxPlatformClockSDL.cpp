// Clock layer on SDL: SDL's performance counter, which on Linux is the
// monotonic clock in nanoseconds, and a POSIX monotonic sleep.
#include "platform/OxPlatformClock.h"

#include <SDL2/SDL_timer.h>
#include <errno.h>
#include <time.h>

int64_t OxPlatformQueryCounter() { return static_cast<int64_t>(SDL_GetPerformanceCounter()); }

int64_t OxPlatformQueryFrequency() { return static_cast<int64_t>(SDL_GetPerformanceFrequency()); }

void OxPlatformSleep(int64_t ticks)
{
  if (ticks <= 0) return;
  double seconds = static_cast<double>(ticks) / static_cast<double>(OxPlatformQueryFrequency());
  timespec wanted;
  wanted.tv_sec = static_cast<time_t>(seconds);
  wanted.tv_nsec = static_cast<long>((seconds - static_cast<double>(wanted.tv_sec)) * 1e9);
  // A signal cuts the sleep short; sleep on for what is left of it.
  timespec left;
  while (clock_nanosleep(CLOCK_MONOTONIC, 0, &wanted, &left) == EINTR) wanted = left;
}
