// The mixer's sound pulled into buffers without a device: ramps on a system
// made with OX_MIXER_INIT_RAMPS (starts, pauses, volume and pitch changes,
// stops, steals and releases), band limits of the rate conversion, and
// streams filtered exactly like the same file decoded whole.
#include <gtest/gtest.h>

#include <math.h>

#include <limits>
#include <string>
#include <vector>

#include "OxImageSupport.h"
#include "OxTestSound.h"
#include "OxTestSupport.h"
#include "mixer/OxMixer.h"

using oxtest::SoundFormat;

namespace {

constexpr int kRate = kOxMixerOutputRate;
constexpr int kRamp = kOxMixerRampFrames;

class MixerQuality : public ::testing::Test {
protected:
  void SetUp() override { folder_ = oxtest::TempDir(); }
  void TearDown() override
  {
    if (system_) OxMixerSystemRelease(system_);
    oxtest::RunCommand("rm -rf '" + folder_ + "'");
  }

  void Start(unsigned flags)
  {
    ASSERT_EQ(OxMixerSystemCreate(&system_), OX_MIXER_OK);
    ASSERT_EQ(OxMixerSystemInit(system_, 64, OX_MIXER_INIT_NO_DEVICE | flags, nullptr), OX_MIXER_OK);
    ASSERT_EQ(OxMixerSystemGetMasterGroup(system_, &master_), OX_MIXER_OK);
  }

  std::string Write(const std::string& name, int rate, int channels, const std::vector<float>& samples,
                    SoundFormat format = SoundFormat::Wav)
  {
    std::string path = folder_ + "/" + name;
    EXPECT_TRUE(oxtest::WriteSoundFile(path, format, rate, channels, samples)) << path;
    return path;
  }

  OxMixerSound* Load(const std::string& path, bool asStream = false)
  {
    OxMixerSound* sound = nullptr;
    OxMixerResult result = asStream ? OxMixerSystemCreateStream(system_, path.c_str(), 0, nullptr, &sound)
                                    : OxMixerSystemCreateSound(system_, path.c_str(), 0, nullptr, &sound);
    EXPECT_EQ(result, OX_MIXER_OK) << path;
    return sound;
  }

  // Starts a sound as the audio family does: paused, settled, unpaused.
  OxMixerChannel* Play(OxMixerSound* sound, OxMixerGroup* group, float volume = 1.0f, float pitch = 1.0f,
                       int loops = 0)
  {
    OxMixerChannel* channel = nullptr;
    EXPECT_EQ(OxMixerSystemPlaySound(system_, sound, group, 1, &channel), OX_MIXER_OK);
    OxMixerChannelSetVolume(channel, volume);
    OxMixerChannelSetPitch(channel, pitch);
    if (loops != 0) {
      OxMixerChannelSetMode(channel, OX_MIXER_LOOP_NORMAL);
      OxMixerChannelSetLoopCount(channel, loops);
    }
    OxMixerChannelSetPaused(channel, 0);
    return channel;
  }

  // The next frames, pulled chunk frames at a time, with an update after
  // every device buffer's worth.
  std::vector<float> Pull(int frames, int chunk = kOxMixerDeviceFrames)
  {
    std::vector<float> out(2 * static_cast<size_t>(frames));
    for (int at = 0; at < frames; at += chunk) {
      int count = std::min(frames - at, chunk);
      EXPECT_EQ(OxMixerSystemPull(system_, out.data() + 2 * at, count), OX_MIXER_OK);
      if ((at + count) / kOxMixerDeviceFrames != at / kOxMixerDeviceFrames) {
        EXPECT_EQ(OxMixerSystemUpdate(system_), OX_MIXER_OK);
      }
    }
    return out;
  }

  int Playing()
  {
    int count = -1;
    OxMixerSystemGetChannelsPlaying(system_, &count);
    return count;
  }

  std::string folder_;
  OxMixerSystem* system_ = nullptr;
  OxMixerGroup* master_ = nullptr;
};

// The largest change between neighbouring frames of the left side.
float LargestStep(const std::vector<float>& stereo, size_t first = 0)
{
  float largest = 0.0f;
  for (size_t f = first + 1; 2 * f < stereo.size(); ++f)
    largest = fmaxf(largest, fabsf(stereo[2 * f] - stereo[2 * (f - 1)]));
  return largest;
}

// Power of the left side over a range, relative to a full-scale sine, in dB.
double LevelDb(const std::vector<float>& stereo, size_t first, size_t end)
{
  double power = 0.0;
  for (size_t f = first; f < end; ++f) power += static_cast<double>(stereo[2 * f]) * stereo[2 * f];
  return 10.0 * log10(power / static_cast<double>(end - first) / 0.5 + 1e-300);
}

// A ramped system on a 48 kHz file of rising values (every frame tells its
// place):
// - a channel starts on its first frame at full level, however it starts;
// - pausing fades out over exactly one ramp, each frame scaled by a gain
//   that falls from 1 to 0, then silence while the position holds;
// - resuming fades in from the frame after the fade-out's last, reaching
//   the file's values exactly after one ramp;
// - a volume change glides to the new level in one ramp and stays there.
TEST_F(MixerQuality, RampsOnPauseResumeAndVolume)
{
  Start(OX_MIXER_INIT_RAMPS);
  const int length = kRate;
  std::vector<float> rising(length);
  for (int i = 0; i < length; ++i) rising[i] = 0.1f + 0.8f * static_cast<float>(i) / length;
  OxMixerSound* sound = Load(Write("rising.wav", kRate, 1, rising));
  OxMixerGroup* group = nullptr;
  OxMixerSystemCreateGroup(system_, nullptr, &group);

  OxMixerChannel* unpaused = nullptr;
  OxMixerSystemPlaySound(system_, sound, group, 0, &unpaused);
  EXPECT_EQ(Pull(1)[0], rising[0]);
  OxMixerGroupStop(group);
  Pull(kRamp);
  Play(sound, group, 0.5f);
  std::vector<float> out = Pull(1000);
  for (int f = 0; f < 1000; ++f) ASSERT_EQ(out[2 * f], 0.5f * rising[f]) << "frame " << f;

  OxMixerGroupSetPaused(group, 1);
  out = Pull(2000);
  float previousGain = 1.0f;
  for (int f = 0; f < kRamp; ++f) {
    float gain = out[2 * f] / (0.5f * rising[1000 + f]);
    ASSERT_LE(gain, previousGain) << "fade-out frame " << f;
    ASSERT_GE(gain, 0.0f) << "fade-out frame " << f;
    previousGain = gain;
  }
  EXPECT_EQ(out[2 * (kRamp - 1)], 0.0f);
  EXPECT_EQ(oxtest::Peak(out, 0, kRamp, 2000 - kRamp), 0.0f);
  EXPECT_EQ(Playing(), 1);

  OxMixerGroupSetPaused(group, 0);
  out = Pull(1000);
  const int resumed = 1000 + kRamp;
  previousGain = 0.0f;
  for (int f = 0; f < kRamp; ++f) {
    float gain = out[2 * f] / (0.5f * rising[resumed + f]);
    ASSERT_GE(gain, previousGain) << "fade-in frame " << f;
    previousGain = gain;
  }
  for (int f = kRamp - 1; f < 1000; ++f) ASSERT_EQ(out[2 * f], 0.5f * rising[resumed + f]) << "frame " << f;

  OxMixerGroupSetVolume(group, 0.5f);
  out = Pull(1000);
  const int changed = resumed + 1000;
  for (int f = 0; f < kRamp; ++f) {
    ASSERT_LE(out[2 * f], 0.5f * rising[changed + f]) << "frame " << f;
    ASSERT_GE(out[2 * f], 0.25f * rising[changed + f]) << "frame " << f;
  }
  for (int f = kRamp - 1; f < 1000; ++f) ASSERT_EQ(out[2 * f], 0.25f * rising[changed + f]) << "frame " << f;
}

// Ends on a ramped system, on a looping 300 Hz tone: stopping the group,
// stopping the master group, taking over the oldest of 65 channels, and
// releasing the sound each end the channel at once (it no longer counts or
// answers) while its sound fades out over one ramp, after which the output
// is silent. No fade makes a step larger than the tone's own. A plain
// system cuts at once.
TEST_F(MixerQuality, EndedChannelsFadeOut)
{
  Start(OX_MIXER_INIT_RAMPS);
  std::vector<float> sine = oxtest::Sine(300, 0.5f, kRate, kRate);
  OxMixerSound* tone = Load(Write("tone.wav", kRate, 1, sine));
  OxMixerGroup* group = nullptr;
  OxMixerSystemCreateGroup(system_, nullptr, &group);
  const float ownStep = static_cast<float>(2.0 * 0.5 * sin(M_PI * 300.0 / kRate)) * 1.0001f;
  auto expectFade = [&](const char* name) {
    std::vector<float> out = Pull(2 * kRamp);
    EXPECT_GT(oxtest::Peak(out, 0, 0, 10), 0.0f) << name;
    EXPECT_EQ(oxtest::Peak(out, 0, kRamp, kRamp), 0.0f) << name;
    EXPECT_LE(LargestStep(out), ownStep) << name;
  };

  OxMixerChannel* channel = Play(tone, group, 1.0f, 1.0f, -1);
  Pull(1000);
  OxMixerGroupStop(group);
  int playing = 1;
  OxMixerChannelIsPlaying(channel, &playing);
  EXPECT_EQ(playing, 0);
  EXPECT_EQ(Playing(), 0);
  expectFade("group stop");

  Play(tone, group, 1.0f, 1.0f, -1);
  Pull(1000);
  OxMixerGroupStop(master_);
  EXPECT_EQ(Playing(), 0);
  expectFade("master stop");

  OxMixerChannel* oldest = Play(tone, group, 1.0f, 1.0f, -1);
  Pull(1000);
  OxMixerSound* silence = Load(Write("silence.wav", kRate, 1, oxtest::Constant(0.0f, kRate)));
  for (int i = 0; i < 64; ++i) Play(silence, group, 1.0f, 1.0f, -1);
  OxMixerChannelIsPlaying(oldest, &playing);
  EXPECT_EQ(playing, 0);
  EXPECT_EQ(Playing(), 64);
  expectFade("taken over");
  OxMixerGroupStop(group);
  Pull(kRamp);

  Play(tone, group, 1.0f, 1.0f, -1);
  Pull(1000);
  OxMixerSoundRelease(tone);
  EXPECT_EQ(Playing(), 0);
  expectFade("sound released");

  OxMixerSystemRelease(system_);
  system_ = nullptr;
  Start(0);
  tone = Load(Write("tone.wav", kRate, 1, sine));
  Play(tone, nullptr, 1.0f, 1.0f, -1);
  std::vector<float> before = Pull(1000);
  OxMixerGroupStop(master_);
  std::vector<float> after = Pull(10);
  EXPECT_GT(fabsf(before[2 * 999]), 0.1f);
  EXPECT_EQ(oxtest::Peak(after, 0, 0, 10), 0.0f) << "a plain system cuts at once";
}

// Pitch on a ramped system: a group's pitch going from 1 to 1.5 under a
// 440 Hz tone glides (no frame steps more than the tone does at 1.5) and
// then plays at 660 Hz; a pitch of 0 slows the channel to a stop, after
// which it holds one value.
TEST_F(MixerQuality, PitchGlides)
{
  Start(OX_MIXER_INIT_RAMPS);
  OxMixerSound* tone = Load(Write("tone.wav", kRate, 1, oxtest::Sine(440, 0.5f, kRate, kRate)));
  OxMixerGroup* group = nullptr;
  OxMixerSystemCreateGroup(system_, nullptr, &group);
  OxMixerChannel* channel = Play(tone, group, 1.0f, 1.0f, -1);
  Pull(1000);
  OxMixerGroupSetPitch(group, 1.5f);
  std::vector<float> out = Pull(kRate / 2);
  EXPECT_LE(LargestStep(out), static_cast<float>(2.0 * 0.5 * sin(M_PI * 660.0 / kRate)) * 1.0001f);
  EXPECT_NEAR(oxtest::ZeroCrossings(out, 0, kRamp, kRate / 4), 330, 2);
  OxMixerChannelSetPitch(channel, 0.0f);
  out = Pull(2 * kRamp);
  EXPECT_NE(out[2 * kRamp], 0.0f);
  for (int f = kRamp; f < 2 * kRamp; ++f) ASSERT_EQ(out[2 * f], out[2 * kRamp]) << "frame " << f;
}

// Band limits: tones the output cannot carry are removed, not folded back
// into the audible band; tones it can carry keep their frequency:
// - 15 kHz from a 44.1 kHz file at pitch 2 (30 kHz) and 30 kHz from a
//   96 kHz file at pitch 1 both come out more than 80 dB down, as does
//   45 kHz from a 192 kHz file at pitch 1;
// - 1 kHz from 8 kHz and from 192 kHz files comes out at 1 kHz.
TEST_F(MixerQuality, RateConversionRemovesWhatTheOutputCannotCarry)
{
  Start(0);
  struct {
    int rate;
    double hertz;
    float pitch;
  } above[] = {{44100, 15000, 2.0f}, {96000, 30000, 1.0f}, {192000, 45000, 1.0f}};
  for (auto& item : above) {
    OxMixerSound* sound = Load(Write("above" + std::to_string(item.rate) + ".wav", item.rate, 1,
                                     oxtest::Sine(item.hertz, 0.5f, item.rate, item.rate / 2)));
    Play(sound, nullptr, 1.0f, item.pitch);
    std::vector<float> out = Pull(kRate / 8);
    EXPECT_LT(LevelDb(out, 500, kRate / 8), -80.0) << item.rate << " Hz file, " << item.hertz << " Hz tone";
    OxMixerGroupStop(master_);
  }
  for (int rate : {8000, 192000}) {
    OxMixerSound* sound = Load(Write("tone" + std::to_string(rate) + ".wav", rate, 1,
                                     oxtest::Sine(1000, 0.5f, rate, rate / 2)));
    Play(sound, nullptr);
    std::vector<float> out = Pull(kRate / 4);
    EXPECT_NEAR(oxtest::ZeroCrossings(out, 0, 0, kRate / 4), 500, 2) << rate;
    EXPECT_NEAR(oxtest::Peak(out, 0, 500, kRate / 8), 0.5f, 0.005f) << rate;
    OxMixerGroupStop(master_);
  }
}

// A stream is filtered exactly as the same file decoded whole: a 44.1 kHz
// noise of 3,000 frames played with loop count 3 at pitch 1.3 as a sound
// and as a stream, pulled a few frames at a time (so that pulls start at
// every place, also just after a loop seam, where the converter reads back
// into the previous pass), gives the same frames; both end after four
// passes.
TEST_F(MixerQuality, StreamFiltersLikeASound)
{
  Start(0);
  const int rate = 44100, length = 3000;
  std::vector<float> noise(2 * length);
  unsigned state = 1;
  for (float& sample : noise) {
    state = state * 1664525u + 1013904223u;
    sample = static_cast<float>(state >> 8) / static_cast<float>(1u << 24) - 0.5f;
  }
  std::string path = Write("noise.wav", rate, 2, noise);
  OxMixerSound* sound = Load(path);
  OxMixerSound* stream = Load(path, true);
  const int frames = static_cast<int>(4.0 * length * kRate / rate / 1.3) + 2000;
  Play(sound, nullptr, 1.0f, 1.3f, 3);
  std::vector<float> whole = Pull(frames, 7);
  EXPECT_EQ(Playing(), 0);
  Play(stream, nullptr, 1.0f, 1.3f, 3);
  std::vector<float> streamed = Pull(frames, 7);
  EXPECT_EQ(Playing(), 0);
  for (size_t i = 0; i < whole.size(); ++i) ASSERT_EQ(streamed[i], whole[i]) << "sample " << i;
  EXPECT_GT(oxtest::Peak(whole, 0, frames - 2500, 400), 0.0f);
  EXPECT_EQ(oxtest::Peak(whole, 0, frames - 1500, 1500), 0.0f);
}

// Samples a file may hold that no sound should: NaN, infinities and huge
// values in a float WAV play as silence or clipped values, so the mix
// stays finite around them and other channels are still heard.
TEST_F(MixerQuality, NonFiniteSamplesStayOutOfTheMix)
{
  Start(OX_MIXER_INIT_RAMPS);
  std::vector<float> odd = oxtest::Sine(500, 0.5f, 44100, 4410);
  odd[100] = std::numeric_limits<float>::quiet_NaN();
  odd[200] = std::numeric_limits<float>::infinity();
  odd[300] = -std::numeric_limits<float>::infinity();
  odd[400] = 1e30f;
  std::string path = Write("odd.wav", 44100, 1, odd);
  OxMixerSound* sound = Load(path);
  OxMixerSound* stream = Load(path, true);
  Play(sound, nullptr, 1.0f, 1.0f, -1);
  Play(stream, nullptr, 1.0f, 0.7f, -1);
  std::vector<float> out = Pull(kRate / 2);
  for (size_t i = 0; i < out.size(); ++i) ASSERT_TRUE(isfinite(out[i])) << "sample " << i;
  EXPECT_GT(oxtest::Peak(out, 0, kRate / 4, kRate / 4), 0.4f);
}

}  // namespace

namespace {

// Streams at the ends of the rate range play through and end on time: a
// 100 Hz file (its ring only a few hundred frames beyond the converter's
// reach) and a 192 kHz one (read four times faster than the output), at
// pitch 1 and 3, each lasting its length divided by the pitch.
TEST_F(MixerQuality, StreamsAtExtremeRatesPlayThrough)
{
  Start(OX_MIXER_INIT_RAMPS);
  for (int rate : {100, 192000}) {
    int frames = rate / 2;
    std::string path = Write("level" + std::to_string(rate) + ".wav", rate, 1, oxtest::Constant(0.25f, frames));
    OxMixerSound* stream = Load(path, true);
    for (float pitch : {1.0f, 3.0f}) {
      OxMixerChannel* channel = Play(stream, nullptr, 1.0f, pitch);
      int expected = static_cast<int>(kRate / 2 / pitch);
      std::vector<float> out = Pull(expected - 100);
      EXPECT_NEAR(out[2 * (expected - 200)], 0.25f, 1e-4f) << rate << " Hz at pitch " << pitch;
      Pull(200);
      int playing = 1;
      OxMixerChannelIsPlaying(channel, &playing);
      EXPECT_EQ(playing, 0) << rate << " Hz at pitch " << pitch;
    }
  }
}

}  // namespace
