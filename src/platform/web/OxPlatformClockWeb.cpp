// Clock layer in the browser: the page's high-resolution time in
// microseconds, and a sleep that hands the page's only thread back to the
// browser (Asyncify), so that it draws, plays and delivers input meanwhile.
#include "platform/OxPlatformClock.h"

#include <emscripten.h>

int64_t OxPlatformQueryCounter() { return static_cast<int64_t>(emscripten_get_now() * 1000.0); }

int64_t OxPlatformQueryFrequency() { return 1000000; }

void OxPlatformSleep(int64_t ticks)
{
  if (ticks <= 0) return;
  // The browser's timers count whole milliseconds: never more than asked,
  // and what is left under a millisecond the frame limiter spins off.
  unsigned int milliseconds = static_cast<unsigned int>(ticks / 1000);
  if (milliseconds > 0) emscripten_sleep(milliseconds);
}
