// Clock layer of the null backend: the system's monotonic clock in
// microseconds, or, once a test scripts it, a counter that moves only when
// it is read (one tick) or slept on (the ticks asked for and the lateness
// set), so that frame timing is the same on every run.
#include "platform/OxPlatformClock.h"
#include "platform/null/OxPlatformNull.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace {

struct ClockState {
  std::atomic<bool> scripted{false};
  std::atomic<int64_t> counter{0};  // scripted: the value; otherwise added to the clock's
  std::atomic<int64_t> lateness{0};
};

ClockState gClock;

int64_t SystemMicroseconds()
{
  return std::chrono::duration_cast<std::chrono::microseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace

int64_t OxPlatformQueryCounter()
{
  if (gClock.scripted.load()) return gClock.counter.fetch_add(1) + 1;
  return SystemMicroseconds() + gClock.counter.load();
}

int64_t OxPlatformQueryFrequency() { return kOxNullClockFrequency; }

void OxPlatformSleep(int64_t ticks)
{
  if (ticks <= 0) return;
  if (gClock.scripted.load())
    gClock.counter.fetch_add(ticks + gClock.lateness.load());
  else
    std::this_thread::sleep_for(std::chrono::microseconds(ticks));
}

void OxNullClockScript(bool scripted)
{
  if (scripted == gClock.scripted.load()) return;
  // The counter goes on from where it stands, whichever way it moves next.
  int64_t now = OxPlatformQueryCounter();
  gClock.counter.store(scripted ? now : now - SystemMicroseconds());
  gClock.scripted.store(scripted);
}

void OxNullClockSetSleepLateness(int64_t ticks) { gClock.lateness.store(ticks > 0 ? ticks : 0); }
