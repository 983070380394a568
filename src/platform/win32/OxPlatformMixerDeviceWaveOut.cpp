// Mixer device backend on Win32: the waveOut device of winmm, fed from a
// thread of its own that refills each buffer the device hands back. Where no
// device opens, the same thread pulls the mix at the real rate and drops it,
// so time passes and channels end as they would on a device.
#include <windows.h>
#include <mmsystem.h>
#include <mmreg.h>

#include <string.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/OxPlatformMixerInternal.h"

namespace {

// Buffers queued at the device at once: one playing, the others waiting.
constexpr int kBufferCount = 3;

}  // namespace

struct OxMixerDevice {
  OxMixerRenderFunction render = nullptr;
  void* user = nullptr;
  HWAVEOUT waveOut = nullptr;  // null: the silent stand-in
  HANDLE wake = nullptr;       // set by the device when a buffer is done, and to stop
  std::atomic<bool> stopping{false};
  std::atomic<bool> failed{false};
  std::thread thread;
  std::vector<float> samples[kBufferCount];
  WAVEHDR headers[kBufferCount];
};

namespace {

void Fill(OxMixerDevice* device, float* out)
{
  device->render(device->user, out, kOxMixerDeviceFrames);
  for (int i = 0; i < 2 * kOxMixerDeviceFrames; ++i) {
    if (out[i] > 1.0f) out[i] = 1.0f;
    else if (out[i] < -1.0f) out[i] = -1.0f;
  }
}

// Refills and requeues each buffer the device has finished with.
void PlayLoop(OxMixerDevice* device)
{
  while (!device->stopping.load()) {
    WaitForSingleObject(device->wake, INFINITE);
    if (device->stopping.load()) break;
    for (WAVEHDR& header : device->headers) {
      if (!(header.dwFlags & WHDR_DONE)) continue;
      Fill(device, reinterpret_cast<float*>(header.lpData));
      header.dwFlags &= ~static_cast<DWORD>(WHDR_DONE);
      if (waveOutWrite(device->waveOut, &header, sizeof(header)) != MMSYSERR_NOERROR) {
        device->failed.store(true);
        return;
      }
    }
  }
}

// Without a device: one buffer's worth of mix per buffer period, timed on the
// performance counter so that rounding never accumulates.
void SilentLoop(OxMixerDevice* device)
{
  LARGE_INTEGER frequency, start, now;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  int64_t buffers = 0;
  std::vector<float>& scratch = device->samples[0];
  while (!device->stopping.load()) {
    QueryPerformanceCounter(&now);
    int64_t due = (now.QuadPart - start.QuadPart) * kOxMixerOutputRate /
                  (frequency.QuadPart * kOxMixerDeviceFrames);
    while (buffers <= due && !device->stopping.load()) {
      Fill(device, scratch.data());
      ++buffers;
    }
    WaitForSingleObject(device->wake, 1000 * kOxMixerDeviceFrames / kOxMixerOutputRate / 2 + 1);
  }
}

bool OpenWaveOut(OxMixerDevice* device)
{
  WAVEFORMATEX format;
  memset(&format, 0, sizeof(format));
  format.wFormatTag = WAVE_FORMAT_IEEE_FLOAT;
  format.nChannels = 2;
  format.nSamplesPerSec = kOxMixerOutputRate;
  format.wBitsPerSample = 32;
  format.nBlockAlign = format.nChannels * format.wBitsPerSample / 8;
  format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;
  if (waveOutOpen(&device->waveOut, WAVE_MAPPER, &format, reinterpret_cast<DWORD_PTR>(device->wake),
                  0, CALLBACK_EVENT) != MMSYSERR_NOERROR) {
    device->waveOut = nullptr;
    return false;
  }
  for (int i = 0; i < kBufferCount; ++i) {
    WAVEHDR& header = device->headers[i];
    memset(&header, 0, sizeof(header));
    header.lpData = reinterpret_cast<LPSTR>(device->samples[i].data());
    header.dwBufferLength = static_cast<DWORD>(device->samples[i].size() * sizeof(float));
    if (waveOutPrepareHeader(device->waveOut, &header, sizeof(header)) != MMSYSERR_NOERROR) {
      for (int j = 0; j < i; ++j)
        waveOutUnprepareHeader(device->waveOut, &device->headers[j], sizeof(WAVEHDR));
      waveOutClose(device->waveOut);
      device->waveOut = nullptr;
      return false;
    }
    // Marked done so that the play loop fills and queues it first.
    header.dwFlags |= WHDR_DONE;
  }
  return true;
}

}  // namespace

OxMixerDevice* OxMixerDeviceOpen(OxMixerRenderFunction render, void* user)
{
  auto* device = new OxMixerDevice;
  device->render = render;
  device->user = user;
  device->wake = CreateEventA(nullptr, FALSE, TRUE, nullptr);
  if (!device->wake) {
    delete device;
    return nullptr;
  }
  for (auto& buffer : device->samples) buffer.assign(2 * kOxMixerDeviceFrames, 0.0f);
  if (OpenWaveOut(device)) device->thread = std::thread(PlayLoop, device);
  else device->thread = std::thread(SilentLoop, device);
  return device;
}

bool OxMixerDeviceHasFailed(OxMixerDevice* device) { return device->failed.load(); }

void OxMixerDeviceClose(OxMixerDevice* device)
{
  if (!device) return;
  device->stopping.store(true);
  SetEvent(device->wake);
  if (device->thread.joinable()) device->thread.join();
  if (device->waveOut) {
    waveOutReset(device->waveOut);
    for (WAVEHDR& header : device->headers)
      waveOutUnprepareHeader(device->waveOut, &header, sizeof(header));
    waveOutClose(device->waveOut);
  }
  CloseHandle(device->wake);
  delete device;
}
