// Clock layer on Win32: the high-resolution performance counter, and a sleep
// on Sleep() with the system timer raised to one millisecond.
#include "platform/OxPlatformClock.h"

#include <windows.h>
#include <mmsystem.h>

int64_t OxPlatformQueryCounter()
{
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  return counter.QuadPart;
}

int64_t OxPlatformQueryFrequency()
{
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return frequency.QuadPart;
}

// Sleep() wakes on the system timer's tick, about 15.6 ms unless a process
// asks for a finer one: the first sleep asks for 1 ms for the rest of the
// process (Windows drops the request when the process ends), so a frame
// limiter's sleep comes back within about a millisecond. Sleep() may also
// return a little early; the loop sleeps again until the counter has passed
// the deadline, whole milliseconds rounded up.
void OxPlatformSleep(int64_t ticks)
{
  if (ticks <= 0) return;
  static const bool fineTimer = timeBeginPeriod(1) == TIMERR_NOERROR;
  (void)fineTimer;
  int64_t frequency = OxPlatformQueryFrequency();
  int64_t deadline = OxPlatformQueryCounter() + ticks;
  for (;;) {
    int64_t left = deadline - OxPlatformQueryCounter();
    if (left <= 0) return;
    int64_t milliseconds = (left * 1000 + frequency - 1) / frequency;
    Sleep(static_cast<DWORD>(milliseconds > 0x7fffffff ? 0x7fffffff : milliseconds));
  }
}
