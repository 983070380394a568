// The platform mixer pulled into buffers without a device: rates, volumes,
// loops, groups, streams, channel limits and handle checks, with WAV, FLAC
// and Ogg files written here.
#include <gtest/gtest.h>

#include <math.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "OxFileSupport.h"
#include "OxImageSupport.h"
#include "OxTestSound.h"
#include "OxTestSupport.h"
#include "mixer/OxMixer.h"

using oxtest::Peak;
using oxtest::SoundFormat;
using oxtest::ZeroCrossings;

namespace {

constexpr int kRate = kOxMixerOutputRate;

class Mixer : public ::testing::Test {
protected:
  void SetUp() override
  {
    folder_ = oxtest::TempDir();
    ASSERT_EQ(OxMixerSystemCreate(&system_), OX_MIXER_OK);
    ASSERT_EQ(OxMixerSystemInit(system_, 64, OX_MIXER_INIT_NO_DEVICE, nullptr), OX_MIXER_OK);
  }
  void TearDown() override
  {
    if (system_) OxMixerSystemRelease(system_);
    oxtest::RemoveTree(folder_);
  }

  // Writes a file into the test's folder and returns its path.
  std::string Write(const std::string& name, SoundFormat format, int rate, int channels,
                    const std::vector<float>& samples)
  {
    std::string path = folder_ + "/" + name;
    EXPECT_TRUE(oxtest::WriteSoundFile(path, format, rate, channels, samples)) << path;
    return path;
  }

  OxMixerSound* LoadSound(const std::string& path)
  {
    OxMixerSound* sound = nullptr;
    EXPECT_EQ(OxMixerSystemCreateSound(system_, path.c_str(), 0, nullptr, &sound), OX_MIXER_OK) << path;
    return sound;
  }

  OxMixerSound* LoadStream(const std::string& path)
  {
    OxMixerSound* sound = nullptr;
    EXPECT_EQ(OxMixerSystemCreateStream(system_, path.c_str(), 0, nullptr, &sound), OX_MIXER_OK) << path;
    return sound;
  }

  OxMixerGroup* NewGroup()
  {
    OxMixerGroup* group = nullptr;
    EXPECT_EQ(OxMixerSystemCreateGroup(system_, nullptr, &group), OX_MIXER_OK);
    return group;
  }

  // Starts sound unpaused with the given settings, as the audio family does.
  OxMixerChannel* Play(OxMixerSound* sound, OxMixerGroup* group, float volume = 1.0f,
                       float pitch = 1.0f, int loops = 0)
  {
    OxMixerChannel* channel = nullptr;
    EXPECT_EQ(OxMixerSystemPlaySound(system_, sound, group, 1, &channel), OX_MIXER_OK);
    OxMixerChannelSetVolume(channel, volume);
    OxMixerChannelSetPitch(channel, pitch);
    if (loops != 0) {
      OxMixerChannelSetMode(channel, OX_MIXER_LOOP_NORMAL);
      OxMixerChannelSetLoopCount(channel, loops);
    }
    EXPECT_EQ(OxMixerChannelSetPaused(channel, 0), OX_MIXER_OK);
    return channel;
  }

  // The next frames of the mix, updated every 1024 frames as a game would.
  std::vector<float> Pull(int frames)
  {
    std::vector<float> out(2 * static_cast<size_t>(frames));
    for (int at = 0; at < frames; at += kOxMixerDeviceFrames) {
      int count = frames - at < kOxMixerDeviceFrames ? frames - at : kOxMixerDeviceFrames;
      EXPECT_EQ(OxMixerSystemPull(system_, out.data() + 2 * at, count), OX_MIXER_OK);
      EXPECT_EQ(OxMixerSystemUpdate(system_), OX_MIXER_OK);
    }
    return out;
  }

  int ChannelsPlaying()
  {
    int count = -1;
    EXPECT_EQ(OxMixerSystemGetChannelsPlaying(system_, &count), OX_MIXER_OK);
    return count;
  }

  std::string folder_;
  OxMixerSystem* system_ = nullptr;
};

// Pitch, resampling and formats, by zero crossings:
// - pitch 1 and pitch 2 of a 480 Hz WAV tone: twice the crossings;
// - a 441 Hz tone in a 44.1 kHz FLAC file comes out at 441 Hz;
// - an Ogg Vorbis tone keeps its frequency;
// - pitch 0 holds the channel still (constant output, never ends).
TEST_F(Mixer, PitchAndRatesByZeroCrossings)
{
  OxMixerSound* wav = LoadSound(Write("tone.wav", SoundFormat::Wav, kRate, 1, oxtest::Sine(480, 0.5f, kRate, kRate)));
  Play(wav, nullptr);
  std::vector<float> normal = Pull(kRate / 4);
  EXPECT_NEAR(ZeroCrossings(normal, 0, 0, kRate / 4), 240, 2);
  OxMixerGroup* master = nullptr;
  ASSERT_EQ(OxMixerSystemGetMasterGroup(system_, &master), OX_MIXER_OK);
  OxMixerGroupStop(master);
  Play(wav, nullptr, 1.0f, 2.0f);
  std::vector<float> octave = Pull(kRate / 4);
  EXPECT_NEAR(ZeroCrossings(octave, 0, 0, kRate / 4), 480, 2);
  EXPECT_NEAR(ZeroCrossings(octave, 1, 0, kRate / 4), 480, 2);
  // At pitch 2 the one-second tone lasts half a second.
  Pull(kRate / 4 + 10);
  EXPECT_EQ(ChannelsPlaying(), 0);

  OxMixerSound* flac = LoadSound(Write("tone.flac", SoundFormat::Flac, 44100, 1, oxtest::Sine(441, 0.5f, 44100, 44100)));
  Play(flac, nullptr);
  std::vector<float> resampled = Pull(kRate / 2);
  EXPECT_NEAR(ZeroCrossings(resampled, 0, 0, kRate / 2), 441, 2);
  OxMixerGroupStop(master);

  OxMixerSound* ogg = LoadSound(Write("tone.ogg", SoundFormat::OggVorbis, kRate, 1, oxtest::Sine(600, 0.5f, kRate, kRate)));
  Play(ogg, nullptr);
  std::vector<float> vorbis = Pull(kRate / 2);
  EXPECT_NEAR(ZeroCrossings(vorbis, 0, kRate / 10, kRate / 4), 300, 4);
  OxMixerGroupStop(master);

  OxMixerSound* level = LoadSound(Write("level.wav", SoundFormat::Wav, kRate, 1, oxtest::Constant(0.25f, 100)));
  Play(level, nullptr, 1.0f, 0.0f);
  std::vector<float> held = Pull(kRate);
  EXPECT_FLOAT_EQ(held[2 * (kRate - 1)], 0.25f);
  EXPECT_EQ(ChannelsPlaying(), 1);
}

// Levels: volume 0.5 halves the amplitude; group volume multiplies into the
// channel's; the master group multiplies in too; two channels add up; a
// channel created paused is silent until unpaused.
TEST_F(Mixer, VolumesMultiply)
{
  OxMixerSound* tone = LoadSound(Write("tone.wav", SoundFormat::Wav, kRate, 1, oxtest::Sine(500, 0.8f, kRate, kRate)));
  OxMixerGroup* group = NewGroup();
  Play(tone, group, 1.0f);
  float full = Peak(Pull(4800), 0, 0, 4800);
  EXPECT_NEAR(full, 0.8f, 1e-3f);
  OxMixerGroupStop(group);

  Play(tone, group, 0.5f);
  EXPECT_NEAR(Peak(Pull(4800), 0, 0, 4800), 0.4f, 1e-3f);
  OxMixerGroupSetVolume(group, 0.5f);
  EXPECT_NEAR(Peak(Pull(4800), 1, 0, 4800), 0.2f, 1e-3f);
  OxMixerGroup* master = nullptr;
  OxMixerSystemGetMasterGroup(system_, &master);
  OxMixerGroupSetVolume(master, 0.5f);
  EXPECT_NEAR(Peak(Pull(4800), 1, 0, 4800), 0.1f, 1e-3f);
  OxMixerGroupSetVolume(master, 1.0f);
  OxMixerGroupStop(group);

  OxMixerSound* level = LoadSound(Write("level.wav", SoundFormat::Wav, kRate, 1, oxtest::Constant(0.25f, kRate)));
  Play(level, nullptr, 1.0f);
  Play(level, nullptr, 0.5f);
  std::vector<float> sum = Pull(100);
  EXPECT_FLOAT_EQ(sum[0], 0.375f);
  OxMixerGroupStop(master);

  OxMixerChannel* waiting = nullptr;
  ASSERT_EQ(OxMixerSystemPlaySound(system_, level, nullptr, 1, &waiting), OX_MIXER_OK);
  EXPECT_EQ(Peak(Pull(1000), 0, 0, 1000), 0.0f);
  OxMixerChannelSetPaused(waiting, 0);
  std::vector<float> after = Pull(10);
  EXPECT_FLOAT_EQ(after[0], 0.25f);
}

// Loops on a 4800-frame constant: loop count 2 sounds for three lengths and
// then ends; 0 plays once; -1 never ends; loop mode off ignores the count.
TEST_F(Mixer, LoopCounts)
{
  const int length = 4800;
  OxMixerSound* level = LoadSound(Write("level.wav", SoundFormat::Wav, kRate, 1, oxtest::Constant(0.5f, length)));
  OxMixerChannel* twice = Play(level, nullptr, 1.0f, 1.0f, 2);
  std::vector<float> out = Pull(4 * length);
  for (int f = 0; f < 3 * length; ++f) ASSERT_FLOAT_EQ(out[2 * f], 0.5f) << "frame " << f;
  EXPECT_EQ(Peak(out, 0, 3 * length, length), 0.0f);
  int playing = 1;
  OxMixerChannelIsPlaying(twice, &playing);
  EXPECT_EQ(playing, 0);
  EXPECT_EQ(ChannelsPlaying(), 0);

  Play(level, nullptr);
  out = Pull(2 * length);
  EXPECT_FLOAT_EQ(out[2 * (length - 1)], 0.5f);
  EXPECT_EQ(Peak(out, 0, length, length), 0.0f);

  OxMixerChannel* forever = Play(level, nullptr, 1.0f, 1.0f, -1);
  out = Pull(20 * length);
  EXPECT_FLOAT_EQ(out[2 * (20 * length - 1)], 0.5f);
  OxMixerChannelIsPlaying(forever, &playing);
  EXPECT_EQ(playing, 1);
  OxMixerChannelStop(forever);

  OxMixerChannel* modeOff = nullptr;
  OxMixerSystemPlaySound(system_, level, nullptr, 0, &modeOff);
  OxMixerChannelSetLoopCount(modeOff, 3);
  Pull(length + 1);
  EXPECT_EQ(ChannelsPlaying(), 0);
}

// Groups:
// - a paused group is silent and resumes at the frame where it stopped;
// - stopping a group ends its channels only and frees their slots;
// - group pitch multiplies into channel pitch;
// - releasing a group moves its channels to the master group, which then
//   sets their level;
// - releasing a sound ends its channels.
TEST_F(Mixer, GroupsPauseStopReleaseAndSoundRelease)
{
  const int length = 48000;
  std::vector<float> ramp(length);
  for (int i = 0; i < length; ++i) ramp[i] = static_cast<float>(i) / length;
  OxMixerSound* rising = LoadSound(Write("ramp.wav", SoundFormat::Wav, kRate, 1, ramp));
  OxMixerGroup* music = NewGroup();
  OxMixerGroup* effects = NewGroup();
  Play(rising, music);
  std::vector<float> before = Pull(1000);
  EXPECT_FLOAT_EQ(before[2 * 999], ramp[999]);
  OxMixerGroupSetPaused(music, 1);
  EXPECT_EQ(Peak(Pull(5000), 0, 0, 5000), 0.0f);
  OxMixerGroupSetPaused(music, 0);
  std::vector<float> resumed = Pull(10);
  EXPECT_FLOAT_EQ(resumed[0], ramp[1000]);
  EXPECT_FLOAT_EQ(resumed[2 * 9 + 1], ramp[1009]);

  Play(rising, music);
  Play(rising, effects);
  int inMusic = 0, inEffects = 0;
  OxMixerGroupGetChannelCount(music, &inMusic);
  OxMixerGroupGetChannelCount(effects, &inEffects);
  EXPECT_EQ(inMusic, 2);
  EXPECT_EQ(inEffects, 1);
  EXPECT_EQ(OxMixerGroupStop(music), OX_MIXER_OK);
  OxMixerGroupGetChannelCount(music, &inMusic);
  EXPECT_EQ(inMusic, 0);
  EXPECT_EQ(ChannelsPlaying(), 1);
  OxMixerGroupStop(effects);

  OxMixerSound* tone = LoadSound(Write("tone.wav", SoundFormat::Wav, kRate, 1, oxtest::Sine(300, 0.5f, kRate, kRate)));
  OxMixerGroupSetPitch(effects, 2.0f);
  Play(tone, effects, 1.0f, 1.5f);
  EXPECT_NEAR(ZeroCrossings(Pull(kRate / 10), 0, 0, kRate / 10), 180, 2);  // 300 Hz x 1.5 x 2
  OxMixerGroupStop(effects);

  OxMixerSound* level = LoadSound(Write("level.wav", SoundFormat::Wav, kRate, 1, oxtest::Constant(0.5f, length)));
  OxMixerGroupSetVolume(effects, 0.5f);
  Play(level, effects);
  EXPECT_FLOAT_EQ(Pull(10)[0], 0.25f);
  EXPECT_EQ(OxMixerGroupRelease(effects), OX_MIXER_OK);
  EXPECT_EQ(ChannelsPlaying(), 1);
  EXPECT_FLOAT_EQ(Pull(10)[0], 0.5f);
  OxMixerGroup* master = nullptr;
  OxMixerSystemGetMasterGroup(system_, &master);
  int inMaster = 0;
  OxMixerGroupGetChannelCount(master, &inMaster);
  EXPECT_EQ(inMaster, 1);
  EXPECT_EQ(OxMixerGroupRelease(master), OX_MIXER_ERR_INVALID_PARAM);

  Play(level, music);
  EXPECT_EQ(ChannelsPlaying(), 2);
  EXPECT_EQ(OxMixerSoundRelease(level), OX_MIXER_OK);
  EXPECT_EQ(ChannelsPlaying(), 0);
  EXPECT_EQ(Peak(Pull(100), 0, 0, 100), 0.0f);
}

// Streams, on a FLAC file five times the decode-ahead length:
// - played through, every frame matches the file (no gap, no repeat);
// - loop count 1 plays the file twice, the second pass from its first frame;
// - playing the stream again restarts it on one channel.
TEST_F(Mixer, StreamPlaysLongFileWithoutGap)
{
  const int rate = 44100;
  const int length = static_cast<int>(5 * kOxMixerStreamAheadSeconds * rate);
  std::vector<float> stereo(2 * static_cast<size_t>(length));
  for (int i = 0; i < length; ++i) {
    stereo[2 * i] = 0.9f * static_cast<float>(i % 1000) / 1000.0f;  // a saw
    stereo[2 * i + 1] = -0.5f;
  }
  // A 48 kHz file keeps the comparison frame for frame.
  std::vector<float> same(2 * static_cast<size_t>(length));
  for (int i = 0; i < length; ++i) {
    same[2 * i] = 0.9f * static_cast<float>(i % 997) / 997.0f;
    same[2 * i + 1] = 0.25f;
  }
  OxMixerSound* music = LoadStream(Write("music.flac", SoundFormat::Flac, kRate, 2, same));
  int64_t known = 0;
  OxMixerSoundGetLength(music, &known);
  EXPECT_EQ(known, -1) << "a stream is not decoded whole at load";
  OxMixerChannel* channel = Play(music, nullptr);
  std::vector<float> out = Pull(length + 2000);
  const float step = 1.0f / (1 << 23);
  for (int f = 0; f < length; ++f) {
    ASSERT_NEAR(out[2 * f], same[2 * f], 2 * step) << "frame " << f;
    ASSERT_NEAR(out[2 * f + 1], 0.25f, 2 * step) << "frame " << f;
  }
  EXPECT_EQ(Peak(out, 1, length + 10, 1000), 0.0f);
  int playing = 1;
  OxMixerChannelIsPlaying(channel, &playing);
  EXPECT_EQ(playing, 0);
  OxMixerSoundGetLength(music, &known);
  EXPECT_EQ(known, length);

  Play(music, nullptr, 1.0f, 1.0f, 1);
  out = Pull(2 * length + 2000);
  EXPECT_NEAR(out[2 * (length + 5)], same[2 * 5], 2 * step);
  EXPECT_NEAR(out[2 * (2 * length - 1)], same[2 * (length - 1)], 2 * step);
  EXPECT_EQ(Peak(out, 1, 2 * length + 10, 1000), 0.0f);

  // Resampled from 44.1 kHz: the right side never drops out.
  OxMixerSound* other = LoadStream(Write("other.flac", SoundFormat::Flac, rate, 2, stereo));
  Play(other, nullptr);
  out = Pull(static_cast<int>(int64_t{kRate} * length / rate) - 100);
  for (size_t f = 0; f < out.size() / 2; ++f) ASSERT_NEAR(out[2 * f + 1], -0.5f, 1e-5f) << "frame " << f;
  OxMixerChannel* first = Play(other, nullptr);
  Pull(5000);
  OxMixerChannel* second = Play(other, nullptr);
  EXPECT_EQ(ChannelsPlaying(), 1);
  OxMixerChannelIsPlaying(first, &playing);
  EXPECT_EQ(playing, 0);
  OxMixerChannelIsPlaying(second, &playing);
  EXPECT_EQ(playing, 1);
  out = Pull(10);
  EXPECT_NEAR(out[0], 0.0f, 1e-5f) << "a replayed stream starts at its first frame";
}

// Channel limit: 65 plays keep 64 channels; the 65th takes the slot of the
// first one started, whose handle is then unknown.
TEST_F(Mixer, SixtyFifthPlayStealsTheOldest)
{
  OxMixerSound* level = LoadSound(Write("level.wav", SoundFormat::Wav, kRate, 1, oxtest::Constant(0.01f, kRate)));
  std::vector<OxMixerChannel*> channels;
  for (int i = 0; i < 65; ++i) {
    channels.push_back(Play(level, nullptr));
    Pull(10);
  }
  EXPECT_EQ(ChannelsPlaying(), 64);
  int playing = 1;
  EXPECT_EQ(OxMixerChannelIsPlaying(channels[0], &playing), OX_MIXER_OK);
  EXPECT_EQ(playing, 0);
  EXPECT_EQ(OxMixerChannelSetVolume(channels[0], 1.0f), OX_MIXER_ERR_INVALID_HANDLE);
  for (int i = 1; i < 65; ++i) {
    OxMixerChannelIsPlaying(channels[i], &playing);
    EXPECT_EQ(playing, 1) << "channel " << i;
  }
  EXPECT_NEAR(Pull(1)[0], 0.64f, 1e-5f);
}

// Channel layouts: stereo keeps its sides apart; six channels fold down to
// stereo (left front to the left only, centre to both).
TEST_F(Mixer, ChannelLayouts)
{
  std::vector<float> sides;
  for (int i = 0; i < 1000; ++i) {
    sides.push_back(0.5f);
    sides.push_back(-0.25f);
  }
  Play(LoadSound(Write("stereo.wav", SoundFormat::Wav, kRate, 2, sides)), nullptr);
  std::vector<float> out = Pull(10);
  EXPECT_FLOAT_EQ(out[0], 0.5f);
  EXPECT_FLOAT_EQ(out[1], -0.25f);
  Pull(1000);

  std::vector<float> six;
  for (int i = 0; i < 1000; ++i) {
    const float frame[6] = {0.3f, 0.0f, 0.2f, 0.9f, 0.0f, 0.0f};
    six.insert(six.end(), frame, frame + 6);
  }
  Play(LoadSound(Write("six.wav", SoundFormat::Wav, kRate, 6, six)), nullptr);
  out = Pull(10);
  EXPECT_GT(out[0], out[1]);
  EXPECT_GT(out[1], 0.0f);
  EXPECT_LE(out[0], 0.5f);
}

// Bad input: missing, empty, truncated and non-audio files fail with a null
// handle; calls on null, made-up and released handles answer errors; a
// system without a device is the only one that can be pulled.
TEST_F(Mixer, BadFilesAndUnknownHandles)
{
  std::string good = Write("good.ogg", SoundFormat::OggVorbis, kRate, 1, oxtest::Sine(440, 0.5f, kRate, kRate));
  std::string flac = Write("good.flac", SoundFormat::Flac, kRate, 1, oxtest::Sine(440, 0.5f, kRate, kRate));
  std::string empty = folder_ + "/empty.wav";
  std::string text = folder_ + "/notes.wav";
  std::string cutHeader = folder_ + "/cut-header.ogg";
  std::string cutData = folder_ + "/cut-data.flac";
  oxtest::WriteBytes(empty, "");
  oxtest::WriteBytes(text, "not a sound at all, just some words\n");
  oxtest::CopyPrefix(good, cutHeader, 30);
  oxtest::CopyPrefix(flac, cutData, oxtest::FileSize(flac) / 2);
  const std::string bad[] = {folder_ + "/missing.wav", empty, text, cutHeader};
  for (const std::string& path : bad) {
    OxMixerSound* sound = reinterpret_cast<OxMixerSound*>(1);
    EXPECT_NE(OxMixerSystemCreateSound(system_, path.c_str(), 0, nullptr, &sound), OX_MIXER_OK) << path;
    EXPECT_EQ(sound, nullptr) << path;
    sound = reinterpret_cast<OxMixerSound*>(1);
    EXPECT_NE(OxMixerSystemCreateStream(system_, path.c_str(), 0, nullptr, &sound), OX_MIXER_OK) << path;
    EXPECT_EQ(sound, nullptr) << path;
  }
  OxMixerSound* cut = reinterpret_cast<OxMixerSound*>(1);
  EXPECT_EQ(OxMixerSystemCreateSound(system_, cutData.c_str(), 0, nullptr, &cut), OX_MIXER_ERR_FORMAT);
  EXPECT_EQ(cut, nullptr);
  EXPECT_EQ(OxMixerSystemCreateSound(system_, nullptr, 0, nullptr, &cut), OX_MIXER_ERR_INVALID_PARAM);

  OxMixerSound* sound = LoadSound(good);
  OxMixerGroup* group = NewGroup();
  OxMixerChannel* channel = nullptr;
  auto* madeUpSound = reinterpret_cast<OxMixerSound*>(0x7777);
  auto* madeUpGroup = reinterpret_cast<OxMixerGroup*>(0x7777);
  auto* madeUpSystem = reinterpret_cast<OxMixerSystem*>(0x7777);
  EXPECT_EQ(OxMixerSystemPlaySound(system_, nullptr, group, 0, &channel), OX_MIXER_ERR_INVALID_HANDLE);
  EXPECT_EQ(OxMixerSystemPlaySound(system_, madeUpSound, group, 0, &channel), OX_MIXER_ERR_INVALID_HANDLE);
  EXPECT_EQ(OxMixerSystemPlaySound(system_, sound, madeUpGroup, 0, &channel), OX_MIXER_ERR_INVALID_HANDLE);
  EXPECT_EQ(OxMixerSystemPlaySound(madeUpSystem, sound, group, 0, &channel), OX_MIXER_ERR_INVALID_HANDLE);
  EXPECT_EQ(channel, nullptr);
  EXPECT_EQ(OxMixerGroupSetPaused(nullptr, 1), OX_MIXER_ERR_INVALID_HANDLE);
  EXPECT_EQ(OxMixerGroupStop(madeUpGroup), OX_MIXER_ERR_INVALID_HANDLE);
  EXPECT_EQ(OxMixerChannelSetPitch(nullptr, 1.0f), OX_MIXER_ERR_INVALID_HANDLE);
  EXPECT_EQ(OxMixerSoundRelease(nullptr), OX_MIXER_ERR_INVALID_HANDLE);
  EXPECT_EQ(OxMixerGroupRelease(nullptr), OX_MIXER_ERR_INVALID_HANDLE);
  EXPECT_EQ(OxMixerSystemUpdate(nullptr), OX_MIXER_ERR_INVALID_HANDLE);

  EXPECT_EQ(OxMixerSoundRelease(sound), OX_MIXER_OK);
  EXPECT_EQ(OxMixerSoundRelease(sound), OX_MIXER_ERR_INVALID_HANDLE);
  EXPECT_EQ(OxMixerSystemPlaySound(system_, sound, group, 0, &channel), OX_MIXER_ERR_INVALID_HANDLE);
  EXPECT_EQ(OxMixerGroupRelease(group), OX_MIXER_OK);
  EXPECT_EQ(OxMixerGroupSetVolume(group, 1.0f), OX_MIXER_ERR_INVALID_HANDLE);
  EXPECT_EQ(OxMixerGroupRelease(group), OX_MIXER_ERR_INVALID_HANDLE);

  OxMixerSystem* uninitialised = nullptr;
  ASSERT_EQ(OxMixerSystemCreate(&uninitialised), OX_MIXER_OK);
  float frame[2];
  EXPECT_EQ(OxMixerSystemPull(uninitialised, frame, 1), OX_MIXER_ERR_UNINITIALIZED);
  EXPECT_EQ(OxMixerSystemInit(uninitialised, 0, OX_MIXER_INIT_NO_DEVICE, nullptr), OX_MIXER_ERR_INVALID_PARAM);
  EXPECT_EQ(OxMixerSystemRelease(uninitialised), OX_MIXER_OK);
  EXPECT_EQ(OxMixerSystemRelease(uninitialised), OX_MIXER_ERR_INVALID_HANDLE);

  // Released with the system: everything it held becomes unknown.
  OxMixerSound* kept = LoadSound(flac);
  OxMixerGroup* keptGroup = NewGroup();
  ASSERT_EQ(OxMixerSystemRelease(system_), OX_MIXER_OK);
  EXPECT_EQ(OxMixerSystemPull(system_, frame, 1), OX_MIXER_ERR_INVALID_HANDLE);
  EXPECT_EQ(OxMixerSoundRelease(kept), OX_MIXER_ERR_INVALID_HANDLE);
  EXPECT_EQ(OxMixerGroupStop(keptGroup), OX_MIXER_ERR_INVALID_HANDLE);
  OxMixerSound* late = reinterpret_cast<OxMixerSound*>(1);
  EXPECT_EQ(OxMixerSystemCreateSound(system_, flac.c_str(), 0, nullptr, &late), OX_MIXER_ERR_INVALID_HANDLE);
  EXPECT_EQ(late, nullptr);
  system_ = nullptr;
}

// Opus and MP3 decode as sounds and as streams and keep their frequency; an
// MP3 cut in half fails as a sound (it ends before its declared length) and
// its decoder's complaints never reach stderr.
TEST_F(Mixer, OpusAndMp3DecodeQuietly)
{
  std::string opus = Write("tone.opus", SoundFormat::OggOpus, kRate, 1, oxtest::Sine(600, 0.5f, kRate, kRate));
  std::string mp3 = Write("tone.mp3", SoundFormat::Mp3, kRate, 1, oxtest::Sine(600, 0.5f, kRate, kRate));
  std::string cut = folder_ + "/cut.mp3";
  oxtest::CopyPrefix(mp3, cut, oxtest::FileSize(mp3) / 2);
  oxtest::ChildResult child = oxtest::RunInChild([&]() {
    const std::string* files[] = {&opus, &mp3};
    for (const std::string* path : files) {
      OxMixerSound* sound = LoadSound(*path);
      OxMixerSound* stream = LoadStream(*path);
      if (!sound || !stream) return 1;
      for (OxMixerSound* each : {sound, stream}) {
        Play(each, nullptr);
        std::vector<float> out = Pull(kRate / 2);
        int crossings = ZeroCrossings(out, 0, kRate / 10, kRate / 4);
        if (crossings < 296 || crossings > 304) return 2;
        OxMixerSoundRelease(each);
      }
    }
    OxMixerSound* sound = nullptr;
    if (OxMixerSystemCreateSound(system_, cut.c_str(), 0, nullptr, &sound) != OX_MIXER_ERR_FORMAT) return 3;
    OxMixerSound* stream = LoadStream(cut);
    if (!stream) return 4;
    OxMixerChannel* channel = Play(stream, nullptr);
    Pull(kRate);
    int playing = 1;
    OxMixerChannelIsPlaying(channel, &playing);
    return playing ? 5 : 0;
  });
  EXPECT_EQ(child.exitCode, 0) << child.out;
  EXPECT_EQ(child.err, "");
}

// With a device (here SDL2's silent driver: the machine has no sound card)
// time passes and a short sound ends by itself; the system cannot be pulled;
// nothing is written to stderr.
TEST(MixerDevice, RunsOnTheSilentDriverQuietly)
{
#ifdef __EMSCRIPTEN__
  GTEST_SKIP() << "Desktop-only: the device and the decoder run on threads of their own; "
                  "a page has one thread, and its sound plays only while the game yields";
#endif
  std::string folder = oxtest::TempDir();
  std::string path = folder + "/short.wav";
  ASSERT_TRUE(oxtest::WriteSoundFile(path, SoundFormat::Wav, kRate, 1, oxtest::Constant(0.1f, kRate / 20)));
  oxtest::ChildResult child = oxtest::RunInChild([&path]() {
    OxMixerSystem* system = nullptr;
    if (OxMixerSystemCreate(&system) != OX_MIXER_OK) return 10;
    if (OxMixerSystemInit(system, 64, OX_MIXER_INIT_NORMAL, nullptr) != OX_MIXER_OK) return 11;
    float frame[2];
    if (OxMixerSystemPull(system, frame, 1) != OX_MIXER_ERR_NO_DEVICE_MODE) return 12;
    OxMixerSound* sound = nullptr;
    if (OxMixerSystemCreateSound(system, path.c_str(), 0, nullptr, &sound) != OX_MIXER_OK) return 13;
    OxMixerChannel* channel = nullptr;
    if (OxMixerSystemPlaySound(system, sound, nullptr, 0, &channel) != OX_MIXER_OK) return 14;
    int playing = 1;
    for (int i = 0; i < 1000 && playing; ++i) {
      usleep(10000);
      OxMixerSystemUpdate(system);
      OxMixerChannelIsPlaying(channel, &playing);
    }
    if (playing) return 15;
    if (OxMixerSystemRelease(system) != OX_MIXER_OK) return 16;
    return 0;
  });
  EXPECT_EQ(child.exitCode, 0) << child.out;
  EXPECT_EQ(child.err, "");
  oxtest::RemoveTree(folder);
}

// With a device the decoder thread keeps a stream fed between game frames:
// a stream longer than its decode-ahead, played at pitch 4 with no update
// call at all, still reaches its end.
TEST(MixerDevice, DecoderThreadFeedsStreamsWithoutUpdates)
{
#ifdef __EMSCRIPTEN__
  GTEST_SKIP() << "Desktop-only: the device and the decoder run on threads of their own; "
                  "a page has one thread, and its sound plays only while the game yields";
#endif
  std::string folder = oxtest::TempDir();
  std::string path = folder + "/long.flac";
  const int frames = static_cast<int>((kOxMixerStreamAheadSeconds + 1.0) * kRate);
  ASSERT_TRUE(oxtest::WriteSoundFile(path, SoundFormat::Flac, kRate, 1, oxtest::Sine(200, 0.5f, kRate, frames)));
  oxtest::ChildResult child = oxtest::RunInChild([&path]() {
    OxMixerSystem* system = nullptr;
    OxMixerSystemCreate(&system);
    if (OxMixerSystemInit(system, 64, OX_MIXER_INIT_NORMAL, nullptr) != OX_MIXER_OK) return 10;
    OxMixerSound* stream = nullptr;
    if (OxMixerSystemCreateStream(system, path.c_str(), 0, nullptr, &stream) != OX_MIXER_OK) return 11;
    OxMixerChannel* channel = nullptr;
    if (OxMixerSystemPlaySound(system, stream, nullptr, 1, &channel) != OX_MIXER_OK) return 12;
    OxMixerChannelSetPitch(channel, 4.0f);
    OxMixerChannelSetPaused(channel, 0);
    int playing = 1;
    for (int i = 0; i < 1000 && playing; ++i) {
      usleep(10000);
      OxMixerChannelIsPlaying(channel, &playing);
    }
    if (playing) return 13;
    OxMixerSystemRelease(system);
    return 0;
  });
  EXPECT_EQ(child.exitCode, 0);
  EXPECT_EQ(child.err, "");
  oxtest::RemoveTree(folder);
}

}  // namespace
