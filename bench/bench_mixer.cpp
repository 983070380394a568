// The mixer's cost: 64 channels playing a looping one-second 44.1 kHz stereo
// sound (so every channel resamples to the 48 kHz output), pulled without a
// device for one second of output, timed over several runs. Prints "BENCH"
// lines: milliseconds per second of output and the share of one core.
#include <math.h>
#include <stdio.h>

#include <algorithm>
#include <string>
#include <vector>

#include <sndfile.h>

#include "BenchCommon.h"
#include "platform/OxPlatformMixer.h"

int main(int argc, char** argv)
{
  if (argc != 2) {
    printf("usage: bench_mixer DIR\n");
    return 2;
  }
  std::string path = std::string(argv[1]) + "/bench_tone.wav";
  SF_INFO info = {};
  info.samplerate = 44100;
  info.channels = 2;
  info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  if (!file) return 1;
  std::vector<float> samples(44100 * 2);
  for (int i = 0; i < 44100; ++i) {
    samples[2 * i] = 0.3f * sinf(2.0f * 3.14159265f * 440.0f * i / 44100.0f);
    samples[2 * i + 1] = 0.3f * sinf(2.0f * 3.14159265f * 660.0f * i / 44100.0f);
  }
  sf_writef_float(file, samples.data(), 44100);
  sf_close(file);

  OxMixerSystem* system = nullptr;
  OxMixerSound* sound = nullptr;
  if (OxMixerSystemCreate(&system) != OX_MIXER_OK ||
      OxMixerSystemInit(system, 64, OX_MIXER_INIT_NO_DEVICE, nullptr) != OX_MIXER_OK ||
      OxMixerSystemCreateSound(system, path.c_str(), OX_MIXER_LOOP_NORMAL, nullptr, &sound) !=
          OX_MIXER_OK)
    return 1;
  for (int c = 0; c < 64; ++c) {
    OxMixerChannel* channel = nullptr;
    if (OxMixerSystemPlaySound(system, sound, nullptr, 0, &channel) != OX_MIXER_OK) return 1;
    OxMixerChannelSetMode(channel, OX_MIXER_LOOP_NORMAL);
    OxMixerChannelSetLoopCount(channel, -1);
    OxMixerChannelSetVolume(channel, 1.0f / 64.0f);
    // Slightly different pitches so no two channels read the same frames.
    OxMixerChannelSetPitch(channel, 0.9f + 0.003f * c);
  }
  int playing = 0;
  OxMixerSystemGetChannelsPlaying(system, &playing);

  std::vector<float> out(kOxMixerDeviceFrames * 2);
  std::vector<double> times;
  for (int run = 0; run < 6; ++run) {
    double start = bench::Now();
    for (int done = 0; done < kOxMixerOutputRate; done += kOxMixerDeviceFrames) {
      int frames = std::min(kOxMixerDeviceFrames, kOxMixerOutputRate - done);
      if (OxMixerSystemPull(system, out.data(), frames) != OX_MIXER_OK) return 1;
    }
    if (run > 0) times.push_back(bench::Now() - start);
  }
  std::sort(times.begin(), times.end());
  double median = times[times.size() / 2];
  printf("BENCH mixer_channels %d\n", playing);
  printf("BENCH mixer_ms_per_second %.3f\n", median * 1000.0);
  printf("BENCH mixer_core_percent %.2f\n", median * 100.0);
  OxMixerSoundRelease(sound);
  OxMixerSystemRelease(system);
  return 0;
}
