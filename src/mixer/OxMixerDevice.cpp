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
  // Opened by OxMixerDeviceOpen, then owned by the device's thread.
  OxPlatformAudioOutput* output = nullptr;
  std::atomic<bool> silent{false};
  // False once a forced output driver failed to open: no more attempts.
  bool retrying = true;
  std::thread thread;
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

// The device's thread: watch the output, or stand in for it.
void Run(OxMixerDevice* device)
{
  std::vector<float> buffer(2 * static_cast<size_t>(kOxMixerDeviceFrames));
  Clock::time_point silentSince;
  double silentFrames = 0.0;  // frames the silent clock has pulled since silentSince
  Clock::time_point nextTry;
  auto goSilent = [&]() {
    silentSince = Clock::now();
    silentFrames = 0.0;
    nextTry = silentSince + kRetryPeriod;
    device->silent = true;
  };
  if (!device->output) goSilent();
  std::unique_lock<std::mutex> waiting(device->lock);
  while (!device->stopping) {
    if (device->output) {
      device->wake.wait_for(waiting, kWatchPeriod);
      if (device->stopping) break;
      waiting.unlock();
      if (OxPlatformAudioOutputIsLost(device->output)) {
        // Closing joins the output's thread, so render is never pulled
        // from two threads at once.
        OxPlatformAudioOutputClose(device->output);
        device->output = nullptr;
        goSilent();
      }
      waiting.lock();
      continue;
    }
    waiting.unlock();
    double elapsed = std::chrono::duration<double>(Clock::now() - silentSince).count();
    double due = elapsed * kOxMixerOutputRate - silentFrames;
    if (due > kMostCatchUpFrames) {
      silentFrames += due - kMostCatchUpFrames;
      due = kMostCatchUpFrames;
    }
    for (; due >= kOxMixerDeviceFrames; due -= kOxMixerDeviceFrames) {
      device->render(device->user, buffer.data(), kOxMixerDeviceFrames);
      silentFrames += kOxMixerDeviceFrames;
    }
    if (device->retrying && Clock::now() >= nextTry) {
      OpenOutput(device);
      if (device->output) device->silent = false;
      else nextTry = Clock::now() + kRetryPeriod;
    }
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
  OpenOutput(device);
  device->silent = device->output == nullptr;
  try {
    device->thread = std::thread(Run, device);
  } catch (const std::system_error&) {
    OxPlatformAudioOutputClose(device->output);
    delete device;
    return nullptr;
  }
  return device;
}

bool OxMixerDeviceIsSilent(OxMixerDevice* device) { return device->silent; }

void OxMixerDeviceClose(OxMixerDevice* device)
{
  if (!device) return;
  {
    std::lock_guard<std::mutex> hold(device->lock);
    device->stopping = true;
  }
  device->wake.notify_all();
  device->thread.join();
  delete device;
}
