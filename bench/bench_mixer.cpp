// The mixer's cost and its rate converter's quality, on the mixer's own
// sources pulled without a device, and the cost of starting a music stream
// on the game's thread with the device (here the silent clock) running.
// Prints "BENCH" lines.
//
//   bench_mixer DIR [ROUNDS]          every figure below
//   bench_mixer DIR pull SCENE        one second of one mixing scene only
//                                     (moving, fixed or floor), for callgrind
//                                     collecting inside OxMixerSystemPull
//
// 1. Mixing one second of output, rounds interleaved, medians: 64 channels
//    of a 44.1 kHz stereo sound whose pitches move every device buffer
//    (0.8 to 1.2, ramped, as the audio family runs the mixer), 64 at fixed
//    pitches 0.9 to 1.09, and 64 of a 48 kHz sound at pitch 1 (no rate
//    conversion: the floor of the mix). When built with them, the peers
//    do the same conversion for 64 stereo channels with the same moving
//    ratios: libsamplerate's sinc converters and libsoxr's variable-rate
//    one.
// 2. Total harmonic distortion plus noise of a 10 kHz tone from 22.05 kHz
//    and from 44.1 kHz, ours and the peers'.
// 3. Starting a music stream (44.1 kHz stereo Ogg Vorbis, 20 s): the mixer
//    calls OxAudioPlay makes, median and largest of 40 restarts, beside
//    decoding two seconds of the same file (what a start used to decode).
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <sndfile.h>

#ifdef OX_BENCH_WITH_SOXR
#include <soxr.h>
#endif
#ifdef OX_BENCH_WITH_SAMPLERATE
#include <samplerate.h>
#endif

#include "BenchCommon.h"
#include "mixer/OxMixer.h"
#include "mixer/OxMixerInternal.h"

namespace {

constexpr int kChannels = 64;
constexpr int kOutRate = kOxMixerOutputRate;
constexpr int kBuffer = kOxMixerDeviceFrames;

bool WriteFile(const std::string& path, int format, int rate, int channels, const std::vector<float>& samples)
{
  SF_INFO info = {};
  info.samplerate = rate;
  info.channels = channels;
  info.format = format;
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  if (!file) return false;
  sf_count_t frames = static_cast<sf_count_t>(samples.size() / channels);
  bool written = sf_writef_float(file, samples.data(), frames) == frames;
  sf_close(file);
  return written;
}

// Interleaved stereo: a different tone on each side.
std::vector<float> TwoTones(int rate, double seconds, double left, double right)
{
  int frames = static_cast<int>(seconds * rate);
  std::vector<float> samples(2 * static_cast<size_t>(frames));
  for (int i = 0; i < frames; ++i) {
    samples[2 * i] = static_cast<float>(0.3 * sin(2.0 * M_PI * left * i / rate));
    samples[2 * i + 1] = static_cast<float>(0.3 * sin(2.0 * M_PI * right * i / rate));
  }
  return samples;
}

// The pitch of channel c in device buffer b of the moving scene.
float MovingPitch(int c, int b)
{
  return static_cast<float>(1.0 + 0.2 * sin(2.0 * M_PI * (b / 50.0 + c / 64.0)));
}

double Median(std::vector<double> values)
{
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// THD+N of interleaved stereo's left side over [first, end): the power
// left after the best-fitting sine of the frequency, over that sine's.
double DistortionDb(const std::vector<float>& stereo, size_t first, size_t end, double hertz)
{
  double normal[3][4] = {};
  for (size_t f = first; f < end; ++f) {
    double angle = 2.0 * M_PI * hertz * static_cast<double>(f) / kOutRate;
    double basis[3] = {sin(angle), cos(angle), 1.0};
    for (int r = 0; r < 3; ++r) {
      for (int c = 0; c < 3; ++c) normal[r][c] += basis[r] * basis[c];
      normal[r][3] += basis[r] * stereo[2 * f];
    }
  }
  for (int i = 0; i < 3; ++i)
    for (int r = i + 1; r < 3; ++r) {
      double scale = normal[r][i] / normal[i][i];
      for (int c = i; c < 4; ++c) normal[r][c] -= scale * normal[i][c];
    }
  double fit[3];
  for (int i = 2; i >= 0; --i) {
    double value = normal[i][3];
    for (int c = i + 1; c < 3; ++c) value -= normal[i][c] * fit[c];
    fit[i] = value / normal[i][i];
  }
  double signal = 0.0, rest = 0.0;
  for (size_t f = first; f < end; ++f) {
    double angle = 2.0 * M_PI * hertz * static_cast<double>(f) / kOutRate;
    double sine = fit[0] * sin(angle) + fit[1] * cos(angle);
    double residue = stereo[2 * f] - sine - fit[2];
    signal += sine * sine;
    rest += residue * residue;
  }
  return 10.0 * log10(rest / signal);
}

// --- Our mixer -----------------------------------------------------------------
struct Mixer {
  OxMixerSystem* system = nullptr;
  OxMixerSound* sound = nullptr;
  std::vector<OxMixerChannel*> channels;

  bool Start(const std::string& path, unsigned flags, const std::function<float(int)>& pitch)
  {
    if (OxMixerSystemCreate(&system) != OX_MIXER_OK ||
        OxMixerSystemInit(system, kChannels, OX_MIXER_INIT_NO_DEVICE | flags, nullptr) != OX_MIXER_OK ||
        OxMixerSystemCreateSound(system, path.c_str(), 0, nullptr, &sound) != OX_MIXER_OK)
      return false;
    for (int c = 0; c < kChannels; ++c) {
      OxMixerChannel* channel = nullptr;
      if (OxMixerSystemPlaySound(system, sound, nullptr, 1, &channel) != OX_MIXER_OK) return false;
      OxMixerChannelSetMode(channel, OX_MIXER_LOOP_NORMAL);
      OxMixerChannelSetLoopCount(channel, -1);
      OxMixerChannelSetVolume(channel, 1.0f / kChannels);
      OxMixerChannelSetPitch(channel, pitch(c));
      OxMixerChannelSetPaused(channel, 0);
      channels.push_back(channel);
    }
    return true;
  }
  // One second of output; with moving pitches, every channel's pitch is set
  // anew before each device buffer.
  bool Second(std::vector<float>& out, bool moving, int* buffer)
  {
    for (int done = 0; done < kOutRate; done += kBuffer, ++*buffer) {
      if (moving)
        for (int c = 0; c < kChannels; ++c) OxMixerChannelSetPitch(channels[c], MovingPitch(c, *buffer));
      int frames = std::min(kBuffer, kOutRate - done);
      if (OxMixerSystemPull(system, out.data(), frames) != OX_MIXER_OK) return false;
    }
    return true;
  }
  void Stop()
  {
    OxMixerSystemRelease(system);
    system = nullptr;
  }
};

// --- Peers: 64 converters of a looping 44.1 kHz stereo source ---------------
struct Peer {
  const char* name;
  std::function<bool()> start;
  // Converts kBuffer output frames of every channel at the buffer's ratios.
  std::function<bool(int buffer, float* out)> buffer;
  std::function<void()> stop;
};

// Feeds a converter from the looping source: frames from position on.
struct Looping {
  const std::vector<float>* source;
  size_t position = 0;
  std::vector<float> chunk;
  const float* Next(size_t frames)
  {
    size_t length = source->size() / 2;
    chunk.resize(2 * frames);
    for (size_t f = 0; f < frames; ++f) {
      chunk[2 * f] = (*source)[2 * position];
      chunk[2 * f + 1] = (*source)[2 * position + 1];
      position = (position + 1) % length;
    }
    return chunk.data();
  }
};

#ifdef OX_BENCH_WITH_SAMPLERATE
Peer SampleratePeer(const char* name, int type, const std::vector<float>* source)
{
  struct State {
    std::vector<SRC_STATE*> converters;
    std::vector<Looping> feeds;
    std::vector<float> mix;
  };
  auto state = std::make_shared<State>();
  Peer peer;
  peer.name = name;
  peer.start = [state, type, source]() {
    for (int c = 0; c < kChannels; ++c) {
      int error = 0;
      state->converters.push_back(src_new(type, 2, &error));
      if (!state->converters.back()) return false;
      state->feeds.push_back(Looping{source, static_cast<size_t>(c) * 97, {}});
    }
    state->mix.resize(2 * kBuffer);
    return true;
  };
  peer.buffer = [state](int buffer, float* out) {
    memset(out, 0, sizeof(float) * 2 * kBuffer);
    for (int c = 0; c < kChannels; ++c) {
      double ratio = kOutRate / (44100.0 * MovingPitch(c, buffer));
      int made = 0;
      while (made < kBuffer) {
        SRC_DATA data = {};
        long want = static_cast<long>((kBuffer - made) / ratio) + 8;
        data.data_in = state->feeds[c].Next(static_cast<size_t>(want));
        data.input_frames = want;
        data.data_out = state->mix.data();
        data.output_frames = kBuffer - made;
        data.src_ratio = ratio;
        if (src_process(state->converters[c], &data) != 0) return false;
        // Unused input goes back to the feed.
        size_t length = state->feeds[c].source->size() / 2;
        state->feeds[c].position = (state->feeds[c].position + length - (want - data.input_frames_used)) % length;
        for (long f = 0; f < data.output_frames_gen; ++f) {
          out[2 * (made + f)] += state->mix[2 * f] / kChannels;
          out[2 * (made + f) + 1] += state->mix[2 * f + 1] / kChannels;
        }
        made += static_cast<int>(data.output_frames_gen);
      }
    }
    return true;
  };
  peer.stop = [state]() {
    for (SRC_STATE* converter : state->converters) src_delete(converter);
    state->converters.clear();
    state->feeds.clear();
  };
  return peer;
}
#endif

#ifdef OX_BENCH_WITH_SOXR
Peer SoxrPeer(const char* name, unsigned long recipe, const std::vector<float>* source)
{
  struct State {
    std::vector<soxr_t> converters;
    std::vector<Looping> feeds;
    std::vector<float> mix;
  };
  auto state = std::make_shared<State>();
  Peer peer;
  peer.name = name;
  peer.start = [state, recipe, source]() {
    for (int c = 0; c < kChannels; ++c) {
      soxr_quality_spec_t quality = soxr_quality_spec(recipe, SOXR_VR);
      soxr_error_t error = nullptr;
      // Variable rate: the first argument is the largest input/output ratio.
      soxr_t converter = soxr_create(2.0, 1.0, 2, &error, nullptr, &quality, nullptr);
      if (!converter || error) return false;
      soxr_set_io_ratio(converter, 44100.0 / kOutRate, 0);
      state->converters.push_back(converter);
      state->feeds.push_back(Looping{source, static_cast<size_t>(c) * 97, {}});
    }
    state->mix.resize(2 * kBuffer);
    return true;
  };
  peer.buffer = [state](int buffer, float* out) {
    memset(out, 0, sizeof(float) * 2 * kBuffer);
    for (int c = 0; c < kChannels; ++c) {
      double ratio = 44100.0 * MovingPitch(c, buffer) / kOutRate;
      soxr_set_io_ratio(state->converters[c], ratio, kOxMixerRampFrames);
      int made = 0;
      for (int rounds = 0; made < kBuffer && rounds < 64; ++rounds) {
        size_t want = static_cast<size_t>((kBuffer - made) * ratio) + 8;
        const float* in = state->feeds[c].Next(want);
        size_t used = 0, produced = 0;
        if (soxr_process(state->converters[c], in, want, &used, state->mix.data(), kBuffer - made, &produced))
          return false;
        size_t length = state->feeds[c].source->size() / 2;
        state->feeds[c].position = (state->feeds[c].position + length - (want - used)) % length;
        for (size_t f = 0; f < produced; ++f) {
          out[2 * (made + f)] += state->mix[2 * f] / kChannels;
          out[2 * (made + f) + 1] += state->mix[2 * f + 1] / kChannels;
        }
        made += static_cast<int>(produced);
      }
    }
    return true;
  };
  peer.stop = [state]() {
    for (soxr_t converter : state->converters) soxr_delete(converter);
    state->converters.clear();
    state->feeds.clear();
  };
  return peer;
}
#endif

std::vector<Peer> Peers(const std::vector<float>* source)
{
  std::vector<Peer> peers;
  (void)source;
#ifdef OX_BENCH_WITH_SAMPLERATE
  peers.push_back(SampleratePeer("libsamplerate_sinc_fastest", SRC_SINC_FASTEST, source));
  peers.push_back(SampleratePeer("libsamplerate_sinc_medium", SRC_SINC_MEDIUM_QUALITY, source));
#endif
#ifdef OX_BENCH_WITH_SOXR
  peers.push_back(SoxrPeer("libsoxr_vr_hq", SOXR_HQ, source));
#endif
  return peers;
}

// --- 2. Distortion -------------------------------------------------------------
// A 10 kHz tone from a source at rate through our mixer, pitch 1.
double OurDistortion(const std::string& dir, int rate)
{
  std::string path = dir + "/bench_thd" + std::to_string(rate) + ".wav";
  if (!WriteFile(path, SF_FORMAT_WAV | SF_FORMAT_FLOAT, rate, 2, TwoTones(rate, 0.5, 10000, 10000))) return 0;
  Mixer mixer;
  if (!mixer.Start(path, 0, [](int) { return 1.0f; })) return 0;
  // Only the first channel is wanted; the others are stopped.
  for (int c = 1; c < kChannels; ++c) OxMixerChannelStop(mixer.channels[c]);
  OxMixerChannelSetVolume(mixer.channels[0], 1.0f);
  std::vector<float> out(2 * kOutRate / 4);
  OxMixerSystemPull(mixer.system, out.data(), kOutRate / 4);
  mixer.Stop();
  return DistortionDb(out, 1000, kOutRate / 4, 10000.0);
}

#if defined(OX_BENCH_WITH_SAMPLERATE) || defined(OX_BENCH_WITH_SOXR)
std::vector<float> Source(int rate) { return TwoTones(rate, 0.5, 10000, 10000); }
#endif

#ifdef OX_BENCH_WITH_SAMPLERATE
double SamplerateDistortion(int type, int rate)
{
  std::vector<float> in = Source(rate);
  std::vector<float> out(2 * kOutRate / 2);
  SRC_DATA data = {};
  data.data_in = in.data();
  data.input_frames = static_cast<long>(in.size() / 2);
  data.data_out = out.data();
  data.output_frames = static_cast<long>(out.size() / 2);
  data.src_ratio = static_cast<double>(kOutRate) / rate;
  if (src_simple(&data, type, 2) != 0) return 0;
  return DistortionDb(out, 1000, data.output_frames_gen - 1000, 10000.0);
}
#endif

#ifdef OX_BENCH_WITH_SOXR
double SoxrDistortion(unsigned long recipe, int rate)
{
  std::vector<float> in = Source(rate);
  std::vector<float> out(2 * kOutRate / 2);
  soxr_quality_spec_t quality = soxr_quality_spec(recipe, SOXR_VR);
  soxr_error_t error = nullptr;
  soxr_t converter = soxr_create(2.0, 1.0, 2, &error, nullptr, &quality, nullptr);
  if (!converter) return 0;
  soxr_set_io_ratio(converter, static_cast<double>(rate) / kOutRate, 0);
  size_t used = 0, produced = 0, total = 0;
  size_t frames = in.size() / 2;
  size_t at = 0;
  while (total < out.size() / 2 && at < frames) {
    soxr_process(converter, in.data() + 2 * at, frames - at, &used, out.data() + 2 * total,
                 out.size() / 2 - total, &produced);
    at += used;
    total += produced;
  }
  soxr_delete(converter);
  return DistortionDb(out, 3000, total - 1000, 10000.0);
}
#endif

// --- 3. Starting a stream ------------------------------------------------------
void StreamStarts(const std::string& dir)
{
  std::string path = dir + "/bench_music.ogg";
  if (!WriteFile(path, SF_FORMAT_OGG | SF_FORMAT_VORBIS, 44100, 2, TwoTones(44100, 20.0, 220, 330))) return;
  OxMixerSystem* system = nullptr;
  OxMixerSound* music = nullptr;
  if (OxMixerSystemCreate(&system) != OX_MIXER_OK ||
      OxMixerSystemInit(system, kChannels, OX_MIXER_INIT_NORMAL | OX_MIXER_INIT_RAMPS, nullptr) != OX_MIXER_OK ||
      OxMixerSystemCreateStream(system, path.c_str(), 0, nullptr, &music) != OX_MIXER_OK)
    return;
  OxMixerGroup* group = nullptr;
  OxMixerSystemCreateGroup(system, nullptr, &group);
  // What OxAudioPlay does, timed as one.
  auto play = [&]() {
    double start = bench::Now();
    OxMixerChannel* channel = nullptr;
    if (OxMixerSystemPlaySound(system, music, group, 1, &channel) == OX_MIXER_OK) {
      OxMixerChannelSetVolume(channel, 0.5f);
      OxMixerChannelSetPitch(channel, 1.0f);
      OxMixerChannelSetMode(channel, OX_MIXER_LOOP_NORMAL);
      OxMixerChannelSetLoopCount(channel, -1);
      OxMixerChannelSetPaused(channel, 0);
    }
    return (bench::Now() - start) * 1000.0;
  };
  double first = play();
  std::vector<double> restarts;
  for (int i = 0; i < 40; ++i) {
    usleep(50000);
    OxMixerSystemUpdate(system);
    restarts.push_back(play());
  }
  OxMixerSystemRelease(system);
  // Two seconds decoded after a rewind, as a start used to.
  std::vector<double> decodes;
  std::vector<float> frames(2 * 88200);
  for (int i = 0; i < 5; ++i) {
    OxMixerDecoder* decoder = nullptr;
    int rate = 0;
    if (OxMixerDecoderOpen(path.c_str(), &decoder, &rate) != OX_MIXER_OK) return;
    double start = bench::Now();
    OxMixerDecoderRewind(decoder);
    OxMixerDecoderRead(decoder, frames.data(), 88200);
    decodes.push_back((bench::Now() - start) * 1000.0);
    OxMixerDecoderClose(decoder);
  }
  printf("BENCH stream_first_play_ms %.3f\n", first);
  printf("BENCH stream_restart_median_ms %.3f\n", Median(restarts));
  printf("BENCH stream_restart_most_ms %.3f\n", *std::max_element(restarts.begin(), restarts.end()));
  printf("BENCH stream_decode_2s_median_ms %.3f\n", Median(decodes));
}

}  // namespace

int main(int argc, char** argv)
{
  if (argc < 2) {
    printf("usage: bench_mixer DIR [ROUNDS | pull moving|fixed|floor]\n");
    return 2;
  }
  std::string dir = argv[1];
  bool pullOnly = argc > 2 && strcmp(argv[2], "pull") == 0;
  int rounds = argc > 2 && !pullOnly ? atoi(argv[2]) : 7;
  if (rounds < 1) rounds = 1;
  std::string converted = dir + "/bench_tone.wav";
  std::string plain = dir + "/bench_tone48.wav";
  std::vector<float> source = TwoTones(44100, 1.0, 440, 660);
  if (!WriteFile(converted, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 2, source) ||
      !WriteFile(plain, SF_FORMAT_WAV | SF_FORMAT_PCM_16, kOutRate, 2, TwoTones(kOutRate, 1.0, 440, 660)))
    return 1;
  std::vector<float> out(2 * kBuffer);

  if (pullOnly) {
    std::string scene = argc > 3 ? argv[3] : "moving";
    Mixer mixer;
    bool started = scene == "moving"  ? mixer.Start(converted, OX_MIXER_INIT_RAMPS, [](int c) { return MovingPitch(c, 0); })
                   : scene == "fixed" ? mixer.Start(converted, OX_MIXER_INIT_RAMPS, [](int c) { return 0.9f + 0.003f * c; })
                                      : mixer.Start(plain, OX_MIXER_INIT_RAMPS, [](int) { return 1.0f; });
    int buffer = 0;
    if (!started || !mixer.Second(out, scene == "moving", &buffer)) return 1;
    mixer.Stop();
    return 0;
  }

  // 1. Scenes and peers, interleaved round by round.
  struct Scene {
    const char* name;
    std::function<double()> second;  // seconds to make one second of output
    std::vector<double> times;
  };
  std::vector<Scene> scenes;
  Mixer moving, fixed, floor;
  int movingBuffer = 0, fixedBuffer = 0, floorBuffer = 0;
  if (!moving.Start(converted, OX_MIXER_INIT_RAMPS, [](int c) { return MovingPitch(c, 0); }) ||
      !fixed.Start(converted, OX_MIXER_INIT_RAMPS, [](int c) { return 0.9f + 0.003f * c; }) ||
      !floor.Start(plain, OX_MIXER_INIT_RAMPS, [](int) { return 1.0f; }))
    return 1;
  auto timed = [&out](Mixer& mixer, bool movingPitch, int* buffer) {
    double start = bench::Now();
    mixer.Second(out, movingPitch, buffer);
    return bench::Now() - start;
  };
  scenes.push_back({"mixer_moving_pitch", [&]() { return timed(moving, true, &movingBuffer); }, {}});
  scenes.push_back({"mixer_fixed_pitch", [&]() { return timed(fixed, false, &fixedBuffer); }, {}});
  scenes.push_back({"mixer_48k_no_conversion", [&]() { return timed(floor, false, &floorBuffer); }, {}});
  std::vector<Peer> peers = Peers(&source);
  std::vector<int> peerBuffers(peers.size(), 0);
  for (size_t p = 0; p < peers.size(); ++p) {
    if (!peers[p].start()) return 1;
    Peer* peer = &peers[p];
    int* buffer = &peerBuffers[p];
    scenes.push_back({peer->name, [peer, buffer, &out]() {
                        double start = bench::Now();
                        for (int done = 0; done < kOutRate; done += kBuffer, ++*buffer) peer->buffer(*buffer, out.data());
                        return bench::Now() - start;
                      }, {}});
  }
  for (Scene& scene : scenes) scene.second();  // warm-up
  for (int round = 0; round < rounds; ++round)
    for (size_t i = 0; i < scenes.size(); ++i) {
      // The order turns every round so no scene always follows the same one.
      Scene& scene = scenes[(i + round) % scenes.size()];
      scene.times.push_back(scene.second());
    }
  double floorMedian = Median(scenes[2].times);
  printf("BENCH mixer_channels %d\n", kChannels);
  for (Scene& scene : scenes) {
    double median = Median(scene.times);
    printf("BENCH %s_ms_per_second %.3f (%.2f %% of one core, %.2f x the 48 kHz floor)\n", scene.name,
           median * 1000.0, median * 100.0, median / floorMedian);
  }
  moving.Stop();
  fixed.Stop();
  floor.Stop();
  for (Peer& peer : peers) peer.stop();

  // 2. Distortion of a 10 kHz tone.
  for (int rate : {22050, 44100}) {
    printf("BENCH thd_10khz_from_%d_ours_db %.1f\n", rate, OurDistortion(dir, rate));
#ifdef OX_BENCH_WITH_SAMPLERATE
    printf("BENCH thd_10khz_from_%d_libsamplerate_sinc_fastest_db %.1f\n", rate,
           SamplerateDistortion(SRC_SINC_FASTEST, rate));
    printf("BENCH thd_10khz_from_%d_libsamplerate_sinc_medium_db %.1f\n", rate,
           SamplerateDistortion(SRC_SINC_MEDIUM_QUALITY, rate));
#endif
#ifdef OX_BENCH_WITH_SOXR
    printf("BENCH thd_10khz_from_%d_libsoxr_vr_hq_db %.1f\n", rate, SoxrDistortion(SOXR_HQ, rate));
#endif
  }

  // 3. Starting a stream.
  StreamStarts(dir);
  return 0;
}
