// Mixer device: keeps the mix pulled at the output rate whatever happens to
// the audio hardware. While an output is open its own thread pulls the mix
// and this device's thread watches it; when there is none (no sound card,
// or the device went away) the device's thread pulls the mix in real time
// into a buffer that goes nowhere and tries the default device again every
// second, unless the output driver is one the user forced, which is tried
// once. Leans only on the output functions of OxMixerInternal.h,
// so every platform's output backend shares it.
#include <stdio.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "mixer/OxMixerInternal.h"

struct OxMixerDevice {
  OxPlatformAudioRender render = nullptr;
  void* user = nullptr;
  std::mutex lock;  // guards stopping
  std::condition_variable wake;
  bool stopping = false;
  // Opened by OxMixerDeviceOpen, then owned by the device's thread (or, on a
  // polled device, by the game's thread through OxMixerDevicePoll).
  OxPlatformAudioOutput* output = nullptr;
  std::atomic<bool> silent{false};
  // False once a forced output driver failed to open: no more attempts.
  bool retrying = true;
  std::thread thread;
  bool polled = false;  // no thread: driven by OxMixerDevicePoll
  // The silent clock: when it started, the frames it has pulled since, and
  // when the default device is tried next.
  std::chrono::steady_clock::time_point silentSince;
  double silentFrames = 0.0;
  std::chrono::steady_clock::time_point nextTry;
  std::vector<float> buffer;
};

namespace {

using Clock = std::chrono::steady_clock;

// How often an open output is asked whether it is still there.
constexpr std::chrono::milliseconds kWatchPeriod(20);
// How often the default device is tried while there is none.
constexpr std::chrono::milliseconds kRetryPeriod(1000);
// The most silent output made up at once after the thread was held up (by
// a slow attempt to open a device, or a suspended process): a fifth of a
// second; time beyond that is skipped rather than mixed in a burst.
constexpr double kMostCatchUpFrames = kOxMixerOutputRate / 5.0;
constexpr std::chrono::microseconds kBufferPeriod(1000000LL * kOxMixerDeviceFrames / kOxMixerOutputRate);

// Opens the output; when that fails with a driver the user forced, says so
// in one line and stops further attempts.
void OpenOutput(OxMixerDevice* device)
{
  device->output = OxPlatformAudioOutputOpen(device->render, device->user);
  if (device->output) return;
  const char* forced = OxPlatformAudioOutputForcedDriver();
  if (!forced) return;
  device->retrying = false;
  printf("Audio: the output driver %s did not open; sound stays silent\n", forced);
  fflush(stdout);
}

void GoSilent(OxMixerDevice* device)
{
  device->silentSince = Clock::now();
  device->silentFrames = 0.0;
  device->nextTry = device->silentSince + kRetryPeriod;
  device->silent = true;
}

// Closes an output that has gone away; the silent clock takes over.
void WatchOutput(OxMixerDevice* device)
{
  if (!OxPlatformAudioOutputIsLost(device->output)) return;
  // Closing joins the output's thread, so render is never pulled from two
  // threads at once.
  OxPlatformAudioOutputClose(device->output);
  device->output = nullptr;
  GoSilent(device);
}

// Without an output: pulls the frames the silent clock owes, and tries the
// default device again once a retry period has passed.
void StandIn(OxMixerDevice* device)
{
  double elapsed = std::chrono::duration<double>(Clock::now() - device->silentSince).count();
  double due = elapsed * kOxMixerOutputRate - device->silentFrames;
  if (due > kMostCatchUpFrames) {
    device->silentFrames += due - kMostCatchUpFrames;
    due = kMostCatchUpFrames;
  }
  for (; due >= kOxMixerDeviceFrames; due -= kOxMixerDeviceFrames) {
    device->render(device->user, device->buffer.data(), kOxMixerDeviceFrames);
    device->silentFrames += kOxMixerDeviceFrames;
  }
  if (device->retrying && Clock::now() >= device->nextTry) {
    OpenOutput(device);
    if (device->output) device->silent = false;
    else {
      OxPlatformAudioOutputSettle();
      device->nextTry = Clock::now() + kRetryPeriod;
    }
  }
}

// The device's thread: watch the output, or stand in for it. A failed first
// open, made on the game's thread, is settled here.
void Run(OxMixerDevice* device)
{
  OxPlatformAudioOutputSettle();
  std::unique_lock<std::mutex> waiting(device->lock);
  while (!device->stopping) {
    if (device->output) {
      device->wake.wait_for(waiting, kWatchPeriod);
      if (device->stopping) break;
      waiting.unlock();
      WatchOutput(device);
      waiting.lock();
      continue;
    }
    waiting.unlock();
    StandIn(device);
    waiting.lock();
    if (!device->output && !device->stopping) device->wake.wait_for(waiting, kBufferPeriod);
  }
  waiting.unlock();
  OxPlatformAudioOutputClose(device->output);
  device->output = nullptr;
  OxPlatformAudioOutputLeaveThread();
}

}  // namespace

OxMixerDevice* OxMixerDeviceOpen(OxPlatformAudioRender render, void* user)
{
  auto* device = new OxMixerDevice;
  device->render = render;
  device->user = user;
  device->buffer.assign(2 * static_cast<size_t>(kOxMixerDeviceFrames), 0.0f);
  OpenOutput(device);
  if (!device->output) GoSilent(device);
  device->silent = device->output == nullptr;
  if (!OxPlatformAudioOutputThreaded()) {
    device->polled = true;
    return device;
  }
  try {
    device->thread = std::thread(Run, device);
  } catch (const std::system_error&) {
    OxPlatformAudioOutputClose(device->output);
    OxPlatformAudioOutputSettle();
    delete device;
    return nullptr;
  }
  return device;
}

bool OxMixerDeviceIsPolled(OxMixerDevice* device) { return device->polled; }

void OxMixerDevicePoll(OxMixerDevice* device)
{
  if (!device || !device->polled) return;
  if (device->output) WatchOutput(device);
  else StandIn(device);
}

bool OxMixerDeviceIsSilent(OxMixerDevice* device) { return device->silent; }

void OxMixerDeviceClose(OxMixerDevice* device)
{
  if (!device) return;
  if (device->polled) {
    OxPlatformAudioOutputClose(device->output);
    delete device;
    return;
  }
  {
    std::lock_guard<std::mutex> hold(device->lock);
    device->stopping = true;
  }
  device->wake.notify_all();
  device->thread.join();
  delete device;
}
