// Audio output of the null backend: a device of its own thread that pulls
// the mix one buffer at a time at the device's pace and keeps the last two
// seconds of it for the test to take.
#include "platform/OxPlatformAudioOutput.h"
#include "platform/null/OxPlatformNull.h"

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

struct OxPlatformAudioOutput {
  OxPlatformAudioRender render = nullptr;
  void* user = nullptr;
  std::thread thread;
  std::atomic<bool> stopping{false};
};

namespace {

constexpr size_t kKeptFrames = 2 * kOxPlatformAudioRate;

struct NullAudioState {
  std::mutex lock;  // the buffer and the open output
  OxPlatformAudioOutput* open = nullptr;
  std::vector<float> kept = std::vector<float>(2 * kKeptFrames);
  size_t first = 0;  // oldest frame kept
  size_t count = 0;  // frames kept
};

NullAudioState& gAudio = *new NullAudioState;

// Keeps the frames, the oldest giving way when the buffer is full.
void Keep(const float* frames, size_t frameCount)
{
  std::lock_guard<std::mutex> hold(gAudio.lock);
  for (size_t i = 0; i < frameCount; ++i) {
    size_t at = (gAudio.first + gAudio.count) % kKeptFrames;
    gAudio.kept[2 * at] = frames[2 * i];
    gAudio.kept[2 * at + 1] = frames[2 * i + 1];
    if (gAudio.count < kKeptFrames)
      ++gAudio.count;
    else
      gAudio.first = (gAudio.first + 1) % kKeptFrames;
  }
}

void Run(OxPlatformAudioOutput* output)
{
  using Clock = std::chrono::steady_clock;
  const auto period =
      std::chrono::microseconds(1000000LL * kOxPlatformAudioFrames / kOxPlatformAudioRate);
  float buffer[2 * kOxPlatformAudioFrames];
  auto next = Clock::now();
  while (!output->stopping.load()) {
    output->render(output->user, buffer, kOxPlatformAudioFrames);
    OxPlatformAudioLimit(buffer, 2 * kOxPlatformAudioFrames);
    Keep(buffer, kOxPlatformAudioFrames);
    next += period;
    std::this_thread::sleep_until(next);
  }
}

}  // namespace

OxPlatformAudioOutput* OxPlatformAudioOutputOpen(OxPlatformAudioRender render, void* user)
{
  if (!render) return nullptr;
  auto* output = new OxPlatformAudioOutput;
  output->render = render;
  output->user = user;
  {
    std::lock_guard<std::mutex> hold(gAudio.lock);
    gAudio.open = output;
  }
  output->thread = std::thread(Run, output);
  return output;
}

// The device never goes away.
bool OxPlatformAudioOutputIsLost(OxPlatformAudioOutput*) { return false; }

void OxPlatformAudioOutputClose(OxPlatformAudioOutput* output)
{
  if (!output) return;
  output->stopping.store(true);
  output->thread.join();
  {
    std::lock_guard<std::mutex> hold(gAudio.lock);
    if (gAudio.open == output) gAudio.open = nullptr;
  }
  delete output;
}

void OxPlatformAudioOutputSettle() {}

void OxPlatformAudioOutputLeaveThread() {}

const char* OxPlatformAudioOutputForcedDriver() { return nullptr; }

bool OxPlatformAudioOutputThreaded() { return true; }

int OxNullAudioTake(float* out, int frameCount)
{
  std::lock_guard<std::mutex> hold(gAudio.lock);
  if (!gAudio.open || frameCount <= 0) return 0;
  size_t taken = gAudio.count < static_cast<size_t>(frameCount) ? gAudio.count
                                                                : static_cast<size_t>(frameCount);
  for (size_t i = 0; i < taken; ++i) {
    size_t at = (gAudio.first + i) % kKeptFrames;
    out[2 * i] = gAudio.kept[2 * at];
    out[2 * i + 1] = gAudio.kept[2 * at + 1];
  }
  gAudio.first = (gAudio.first + taken) % kKeptFrames;
  gAudio.count -= taken;
  return static_cast<int>(taken);
}
