// The mixer fed what the fuzz targets and the bad-input table found: volumes
// and pitches that are NaN, infinite or huge, and sound files whose header
// claims an absurd rate or whose stream is a few frames long, pulled into
// buffers without a device. Each case runs in a child, so a mix or a load
// that never returns fails on the timeout instead of hanging the suite.
#include <gtest/gtest.h>

#include <math.h>

#include <limits>
#include <string>
#include <vector>

#include "OxFileSupport.h"
#include "OxImageSupport.h"
#include "OxTestSound.h"
#include "OxTestSupport.h"
#include "mixer/OxMixer.h"

namespace {

const float kNaN = std::numeric_limits<float>::quiet_NaN();
const float kInf = std::numeric_limits<float>::infinity();

// A system without a device, a short looping tone played at the given
// volume and pitch (loops -1) beside a plain tone at volume 0.5, and half a
// second pulled. The child's exit code: 0 when every sample is finite and
// the plain tone is heard, 1 for a non-finite sample, 2 for silence, 3 for a
// mixer error.
int PullWith(const std::string& path, float volume, float pitch)
{
  OxMixerSystem* system = nullptr;
  if (OxMixerSystemCreate(&system) != OX_MIXER_OK ||
      OxMixerSystemInit(system, 8, OX_MIXER_INIT_NO_DEVICE, nullptr) != OX_MIXER_OK)
    return 3;
  OxMixerSound* sound = nullptr;
  if (OxMixerSystemCreateSound(system, path.c_str(), 0, nullptr, &sound) != OX_MIXER_OK) return 3;
  OxMixerChannel* odd = nullptr;
  OxMixerChannel* plain = nullptr;
  OxMixerSystemPlaySound(system, sound, nullptr, 1, &odd);
  OxMixerChannelSetVolume(odd, volume);
  OxMixerChannelSetPitch(odd, pitch);
  OxMixerChannelSetMode(odd, OX_MIXER_LOOP_NORMAL);
  OxMixerChannelSetLoopCount(odd, -1);
  OxMixerChannelSetPaused(odd, 0);
  OxMixerSystemPlaySound(system, sound, nullptr, 0, &plain);
  OxMixerChannelSetVolume(plain, 0.5f);
  std::vector<float> out(2 * 24000);
  if (OxMixerSystemPull(system, out.data(), 24000) != OX_MIXER_OK) return 3;
  float peak = 0;
  for (float sample : out) {
    if (!isfinite(sample)) return 1;
    peak = fmaxf(peak, fabsf(sample));
  }
  OxMixerSystemRelease(system);
  return peak > 0.1f ? 0 : 2;
}

}  // namespace

// Cases: an infinite pitch and a pitch of 1e30 on a looping 100-frame sound
// (the position once ran to infinity and the wrap never ended); a NaN and a
// negative infinite pitch (held still); NaN, infinite and negative infinite
// volumes (the channel is silenced instead of filling the mix with NaNs);
// both NaN at once. Every mix returns, every sample is finite, and the
// plain channel beside the odd one is still heard.
TEST(MixerValues, NonFiniteAndHugeVolumesAndPitches)
{
  std::string dir = oxtest::TempDir();
  std::string path = dir + "/short.wav";
  ASSERT_TRUE(oxtest::WriteSoundFile(path, oxtest::SoundFormat::Wav, 48000, 1,
                                     oxtest::Sine(480, 0.5f, 48000, 100)));
  struct {
    const char* name;
    float volume, pitch;
  } cases[] = {{"pitch inf", 1, kInf},      {"pitch 1e30", 1, 1e30f}, {"pitch nan", 1, kNaN},
               {"pitch -inf", 1, -kInf},    {"volume nan", kNaN, 1},  {"volume inf", kInf, 1},
               {"volume -inf", -kInf, 1},   {"both nan", kNaN, kNaN}};
  for (auto& item : cases) {
    oxtest::ChildResult child =
        oxtest::RunInChild([&] { return PullWith(path, item.volume, item.pitch); }, 30);
    EXPECT_EQ(child.signal, 0) << item.name << " (killed: the mix did not return)";
    EXPECT_EQ(child.exitCode, 0) << item.name;
  }
  oxtest::RemoveTree(dir);
}

// Cases, from the audio fuzz target: a WAV file whose header claims a rate
// of 156,835,648 Hz (a stream's two-second ring was sized from it, 2.5 GB,
// and filled by rewinding the 400-frame file 784,000 times) is refused as a
// sound and as a stream; the same file at 8,000 Hz loads both ways; a
// one-frame stream (rewound for every frame of its ring) loads and plays
// finite samples.
TEST(MixerRegressions, AbsurdRatesAndTinyStreams)
{
  std::string dir = oxtest::TempDir();
  std::string normal = dir + "/normal.wav";
  std::string absurd = dir + "/absurd.wav";
  std::string tiny = dir + "/tiny.wav";
  ASSERT_TRUE(oxtest::WriteSoundFile(normal, oxtest::SoundFormat::Wav, 8000, 1,
                                     oxtest::Sine(440, 0.5f, 8000, 400)));
  ASSERT_TRUE(oxtest::WriteSoundFile(tiny, oxtest::SoundFormat::Wav, 48000, 1,
                                     oxtest::Constant(0.25f, 1)));
  // The rate is the little-endian word at byte 24 of a canonical header.
  std::string bytes = oxtest::ReadBytes(normal);
  ASSERT_GT(bytes.size(), 44u);
  ASSERT_EQ(bytes.substr(12, 4), "fmt ");
  const unsigned rate = 156835648u;
  for (int i = 0; i < 4; ++i) bytes[24 + i] = static_cast<char>((rate >> (8 * i)) & 0xFF);
  ASSERT_TRUE(oxtest::WriteBytes(absurd, bytes));

  oxtest::ChildResult child = oxtest::RunInChild([&] {
    OxMixerSystem* system = nullptr;
    if (OxMixerSystemCreate(&system) != OX_MIXER_OK ||
        OxMixerSystemInit(system, 8, OX_MIXER_INIT_NO_DEVICE, nullptr) != OX_MIXER_OK)
      return 10;
    OxMixerSound* sound = nullptr;
    if (OxMixerSystemCreateSound(system, absurd.c_str(), 0, nullptr, &sound) != OX_MIXER_ERR_FORMAT ||
        sound)
      return 1;
    if (OxMixerSystemCreateStream(system, absurd.c_str(), 0, nullptr, &sound) != OX_MIXER_ERR_FORMAT ||
        sound)
      return 2;
    if (OxMixerSystemCreateSound(system, normal.c_str(), 0, nullptr, &sound) != OX_MIXER_OK) return 3;
    if (OxMixerSystemCreateStream(system, normal.c_str(), 0, nullptr, &sound) != OX_MIXER_OK) return 4;
    OxMixerSound* stream = nullptr;
    if (OxMixerSystemCreateStream(system, tiny.c_str(), 0, nullptr, &stream) != OX_MIXER_OK) return 5;
    OxMixerChannel* channel = nullptr;
    OxMixerSystemPlaySound(system, stream, nullptr, 1, &channel);
    OxMixerChannelSetMode(channel, OX_MIXER_LOOP_NORMAL);
    OxMixerChannelSetLoopCount(channel, -1);
    OxMixerChannelSetPaused(channel, 0);
    std::vector<float> out(2 * 4800);
    for (int pull = 0; pull < 20; ++pull) {
      if (OxMixerSystemPull(system, out.data(), 4800) != OX_MIXER_OK) return 6;
      OxMixerSystemUpdate(system);
      for (float sample : out)
        if (!isfinite(sample)) return 7;
    }
    OxMixerSystemRelease(system);
    return 0;
  }, 60);
  EXPECT_EQ(child.signal, 0) << "killed: a load or a mix did not return";
  EXPECT_EQ(child.exitCode, 0);
  oxtest::RemoveTree(dir);
}

// Cases, from the audio fuzz target: a FLAC file whose stream information
// declares 68,719,476,735 frames. The whole-sound decoder reserved room for
// all of them (a 512 GB request, which threw std::bad_alloc out of the
// library and ended the process); now the load fails with a format error,
// as a sound, and the stream opens and plays without a crash.
TEST(MixerRegressions, HugeDeclaredLength)
{
  std::string dir = oxtest::TempDir();
  std::string good = dir + "/good.flac";
  std::string huge = dir + "/huge.flac";
  ASSERT_TRUE(oxtest::WriteSoundFile(good, oxtest::SoundFormat::Flac, 8000, 1,
                                     oxtest::Sine(440, 0.5f, 8000, 800)));
  std::string bytes = oxtest::ReadBytes(good);
  ASSERT_GT(bytes.size(), 42u);
  ASSERT_EQ(bytes.substr(0, 4), "fLaC");
  // Stream information starts at byte 8; its 36-bit total sample count
  // ends it at bytes 21 (low four bits) to 25.
  bytes[21] = static_cast<char>(bytes[21] | 0x0F);
  for (int i = 22; i < 26; ++i) bytes[i] = static_cast<char>(0xFF);
  ASSERT_TRUE(oxtest::WriteBytes(huge, bytes));

  oxtest::ChildResult child = oxtest::RunInChild([&] {
    OxMixerSystem* system = nullptr;
    if (OxMixerSystemCreate(&system) != OX_MIXER_OK ||
        OxMixerSystemInit(system, 8, OX_MIXER_INIT_NO_DEVICE, nullptr) != OX_MIXER_OK)
      return 10;
    OxMixerSound* sound = reinterpret_cast<OxMixerSound*>(1);
    if (OxMixerSystemCreateSound(system, huge.c_str(), 0, nullptr, &sound) != OX_MIXER_ERR_FORMAT ||
        sound)
      return 1;
    OxMixerSound* stream = nullptr;
    OxMixerSystemCreateStream(system, huge.c_str(), 0, nullptr, &stream);
    OxMixerSystemPlaySound(system, stream, nullptr, 0, nullptr);
    std::vector<float> out(2 * 4800);
    for (int pull = 0; pull < 4; ++pull) {
      if (OxMixerSystemPull(system, out.data(), 4800) != OX_MIXER_OK) return 2;
      OxMixerSystemUpdate(system);
    }
    OxMixerSystemRelease(system);
    return 0;
  }, 60);
  EXPECT_EQ(child.signal, 0) << "the load ended the process";
  EXPECT_EQ(child.exitCode, 0);
  oxtest::RemoveTree(dir);
}
