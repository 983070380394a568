// Mixer output backend on Win32: the waveOut device of winmm, fed from a
// thread of its own that refills each buffer the device hands back. Losing
// the device (a write refused) is reported to the device layer, which goes
// silent and tries again.
#include <windows.h>
#include <mmsystem.h>
#include <mmreg.h>

#include <string.h>

#include <atomic>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/OxPlatformAudioOutput.h"

namespace {

// Buffers queued at the device at once: one playing, the others waiting.
// waveOut hands buffers back late by a few milliseconds, so a small buffer
// needs several behind it.
constexpr int kBufferCount = 4;

}  // namespace

struct OxPlatformAudioOutput {
  OxPlatformAudioRender render = nullptr;
  void* user = nullptr;
  HWAVEOUT waveOut = nullptr;
  HANDLE wake = nullptr;  // set by the device when a buffer is done, and to stop
  std::atomic<bool> stopping{false};
  std::atomic<bool> lost{false};
  std::thread thread;
  std::vector<float> samples[kBufferCount];
  WAVEHDR headers[kBufferCount];
};

namespace {

void Fill(OxPlatformAudioOutput* output, float* out)
{
  output->render(output->user, out, kOxPlatformAudioFrames);
  OxPlatformAudioLimit(out, 2 * kOxPlatformAudioFrames);
}

// Refills and requeues each buffer the device has finished with.
void PlayLoop(OxPlatformAudioOutput* output)
{
  while (!output->stopping.load()) {
    WaitForSingleObject(output->wake, INFINITE);
    if (output->stopping.load()) break;
    for (WAVEHDR& header : output->headers) {
      if (!(header.dwFlags & WHDR_DONE)) continue;
      Fill(output, reinterpret_cast<float*>(header.lpData));
      header.dwFlags &= ~static_cast<DWORD>(WHDR_DONE);
      if (waveOutWrite(output->waveOut, &header, sizeof(header)) != MMSYSERR_NOERROR) {
        output->lost.store(true);
        return;
      }
    }
  }
}

void CloseWaveOut(OxPlatformAudioOutput* output)
{
  waveOutReset(output->waveOut);
  for (WAVEHDR& header : output->headers)
    if (header.dwFlags & WHDR_PREPARED)
      waveOutUnprepareHeader(output->waveOut, &header, sizeof(header));
  waveOutClose(output->waveOut);
  output->waveOut = nullptr;
}

bool OpenWaveOut(OxPlatformAudioOutput* output)
{
  WAVEFORMATEX format;
  memset(&format, 0, sizeof(format));
  format.wFormatTag = WAVE_FORMAT_IEEE_FLOAT;
  format.nChannels = 2;
  format.nSamplesPerSec = kOxPlatformAudioRate;
  format.wBitsPerSample = 32;
  format.nBlockAlign = format.nChannels * format.wBitsPerSample / 8;
  format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;
  if (waveOutOpen(&output->waveOut, WAVE_MAPPER, &format,
                  reinterpret_cast<DWORD_PTR>(output->wake), 0,
                  CALLBACK_EVENT) != MMSYSERR_NOERROR) {
    output->waveOut = nullptr;
    return false;
  }
  for (int i = 0; i < kBufferCount; ++i) {
    WAVEHDR& header = output->headers[i];
    memset(&header, 0, sizeof(header));
    header.lpData = reinterpret_cast<LPSTR>(output->samples[i].data());
    header.dwBufferLength = static_cast<DWORD>(output->samples[i].size() * sizeof(float));
    if (waveOutPrepareHeader(output->waveOut, &header, sizeof(header)) != MMSYSERR_NOERROR) {
      CloseWaveOut(output);
      return false;
    }
    // Marked done so that the play loop fills and queues it first.
    header.dwFlags |= WHDR_DONE;
  }
  return true;
}

}  // namespace

OxPlatformAudioOutput* OxPlatformAudioOutputOpen(OxPlatformAudioRender render, void* user)
{
  auto* output = new OxPlatformAudioOutput;
  output->render = render;
  output->user = user;
  for (auto& buffer : output->samples) buffer.assign(2 * kOxPlatformAudioFrames, 0.0f);
  output->wake = CreateEventA(nullptr, FALSE, TRUE, nullptr);
  if (!output->wake || !OpenWaveOut(output)) {
    if (output->wake) CloseHandle(output->wake);
    delete output;
    return nullptr;
  }
  try {
    output->thread = std::thread(PlayLoop, output);
  } catch (const std::system_error&) {
    CloseWaveOut(output);
    CloseHandle(output->wake);
    delete output;
    return nullptr;
  }
  return output;
}

bool OxPlatformAudioOutputIsLost(OxPlatformAudioOutput* output) { return output->lost.load(); }

void OxPlatformAudioOutputClose(OxPlatformAudioOutput* output)
{
  if (!output) return;
  output->stopping.store(true);
  SetEvent(output->wake);
  if (output->thread.joinable()) output->thread.join();
  CloseWaveOut(output);
  CloseHandle(output->wake);
  delete output;
}

void OxPlatformAudioOutputSettle() {}

// waveOut keeps nothing per thread for its callers.
void OxPlatformAudioOutputLeaveThread() {}

bool OxPlatformAudioOutputThreaded() { return true; }

// waveOut has one driver; the device is tried again every time.
const char* OxPlatformAudioOutputForcedDriver() { return nullptr; }
