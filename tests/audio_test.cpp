// The audio family through the library: handle records, null and released
// handles, the mixer's lifecycle, and a quiet run on a machine without a
// sound card. Each body runs in a child so its output can be checked.
// Desktop-only program: it checks the quiet run without a sound card through the X
// server's helpers and SDL2's audio drivers; the page's audio is tested by
// tests/web/page_test.cpp.
#include <gtest/gtest.h>

#include <unistd.h>

#include <string>

#include "OxFileSupport.h"
#include "OxImageSupport.h"
#include "OxAudio.h"
#include "Oxlen.h"
#include "OxX11Support.h"
#include "OxTestSound.h"
#include "OxTestSupport.h"

using oxtest::SoundFormat;

namespace {

constexpr int kRate = 48000;

class Audio : public ::testing::Test {
protected:
  void SetUp() override { folder_ = oxtest::TempDir(); }
  void TearDown() override { oxtest::RemoveTree(folder_); }

  std::string Write(const std::string& name, SoundFormat format)
  {
    std::string path = folder_ + "/" + name;
    EXPECT_TRUE(oxtest::WriteSoundFile(path, format, kRate, 1, oxtest::Sine(440, 0.5f, kRate, kRate / 2)));
    return path;
  }

  // Runs body in a child and expects it to succeed with nothing printed.
  void ExpectQuietSuccess(const std::function<int()>& body)
  {
    oxtest::ChildResult child = oxtest::RunInChild(body);
    EXPECT_EQ(child.signal, 0);
    EXPECT_EQ(child.exitCode, 0) << "failed check " << child.exitCode;
    EXPECT_EQ(child.out, "");
    EXPECT_EQ(child.err, "");
  }

  std::string folder_;
};

// Records:
// - both records are one 8-byte handle;
// - WAV, AIFF, FLAC and Ogg files load as sounds and as music;
// - a missing, empty, truncated or non-audio file gives an invalid record,
//   as a sound and as music;
// - before OxAudioInit nothing loads and no group is made.
TEST_F(Audio, LoadGivesValidOrNullRecords)
{
  EXPECT_EQ(sizeof(OxAudio), 8u);
  EXPECT_EQ(sizeof(OxAudioGroup), 8u);
  std::string good[] = {Write("a.wav", SoundFormat::Wav), Write("a.aiff", SoundFormat::Aiff),
                        Write("a.flac", SoundFormat::Flac), Write("a.ogg", SoundFormat::OggVorbis)};
  std::string empty = folder_ + "/empty.ogg";
  std::string text = folder_ + "/text.wav";
  std::string cut = folder_ + "/cut.ogg";
  oxtest::WriteBytes(empty, "");
  oxtest::WriteBytes(text, "plain words, not sound\n");
  oxtest::CopyPrefix(good[3], cut, 40);
  std::string bad[] = {folder_ + "/missing.wav", empty, text, cut};
  ExpectQuietSuccess([&]() {
    if (OxAudioIsValidAudio(OxAudioLoadSound(good[0].c_str()))) return 1;
    if (OxAudioIsValidGroup(OxAudioCreateGroup())) return 2;
    if (OxAudioInit() != 1) return 3;
    for (const std::string& path : good) {
      OxAudio sound = OxAudioLoadSound(path.c_str());
      OxAudio music = OxAudioLoadMusic(path.c_str());
      if (!OxAudioIsValidAudio(sound) || !OxAudioIsValidAudio(music)) return 4;
      OxAudioUnloadAudio(sound);
      OxAudioUnloadAudio(music);
    }
    for (const std::string& path : bad) {
      if (OxAudioIsValidAudio(OxAudioLoadSound(path.c_str()))) return 5;
      if (OxAudioIsValidAudio(OxAudioLoadMusic(path.c_str()))) return 6;
    }
    OxAudioExit();
    return 0;
  });
}

// Null and released handles are harmless:
// - play with a null sound or a null group does nothing;
// - the group calls on a null group do nothing;
// - unloading null records, or a sound or group twice, does nothing;
// - playing a released sound, or into a released group, does nothing;
// - a made-up handle is rejected like a released one.
TEST_F(Audio, NullAndReleasedHandlesAreHarmless)
{
  std::string path = Write("a.wav", SoundFormat::Wav);
  ExpectQuietSuccess([&]() {
    if (OxAudioInit() != 1) return 1;
    OxAudio sound = OxAudioLoadSound(path.c_str());
    OxAudioGroup group = OxAudioCreateGroup();
    if (!OxAudioIsValidAudio(sound) || !OxAudioIsValidGroup(group)) return 2;
    OxAudio noSound = {nullptr};
    OxAudioGroup noGroup = {nullptr};
    OxAudioPlay(noSound, group, 1.0f, 1.0f, 0);
    OxAudioPlay(sound, noGroup, 1.0f, 1.0f, -1);
    OxAudioResumeGroup(noGroup);
    OxAudioPauseGroup(noGroup);
    OxAudioStopGroup(noGroup);
    OxAudioSetGroupVolume(noGroup, 0.5f);
    OxAudioSetGroupPitch(noGroup, 2.0f);
    OxAudioUnloadAudio(noSound);
    OxAudioUnloadAudioGroup(noGroup);

    OxAudioPlay(sound, group, 1.0f, 1.0f, 2);
    OxAudioUpdate();
    OxAudioUnloadAudio(sound);
    OxAudioUnloadAudio(sound);
    if (!OxAudioIsValidAudio(sound)) return 3;  // the record itself is unchanged
    OxAudioPlay(sound, group, 1.0f, 1.0f, 0);
    OxAudioUnloadAudioGroup(group);
    OxAudioUnloadAudioGroup(group);
    OxAudioPauseGroup(group);
    OxAudioStopGroup(group);
    OxAudio madeUp = {reinterpret_cast<void*>(0x1234)};
    OxAudioGroup madeUpGroup = {reinterpret_cast<void*>(0x1234)};
    OxAudioPlay(madeUp, madeUpGroup, 1.0f, 1.0f, 0);
    OxAudioSetGroupVolume(madeUpGroup, 1.0f);
    OxAudioUnloadAudio(madeUp);
    OxAudioUpdate();
    OxAudioExit();
    return 0;
  });
}

// Lifecycle:
// - OxAudioExit twice releases the mixer once; after it nothing loads and
//   every call is harmless, including with records from before;
// - a second OxAudioInit while the mixer runs keeps it (records stay usable);
// - OxAudioInit after OxAudioExit starts a new mixer.
TEST_F(Audio, InitAndExitLifecycle)
{
  std::string path = Write("a.flac", SoundFormat::Flac);
  ExpectQuietSuccess([&]() {
    if (OxAudioInit() != 1) return 1;
    OxAudio sound = OxAudioLoadSound(path.c_str());
    OxAudioGroup group = OxAudioCreateGroup();
    if (OxAudioInit() != 1) return 2;
    OxAudioPlay(sound, group, 1.0f, 1.0f, -1);
    OxAudio again = OxAudioLoadMusic(path.c_str());
    if (!OxAudioIsValidAudio(again)) return 3;
    OxAudioExit();
    OxAudioExit();
    if (OxAudioIsValidAudio(OxAudioLoadSound(path.c_str()))) return 4;
    if (OxAudioIsValidGroup(OxAudioCreateGroup())) return 5;
    OxAudioUpdate();
    OxAudioPlay(sound, group, 1.0f, 1.0f, 0);
    OxAudioStopGroup(group);
    OxAudioUnloadAudio(sound);
    OxAudioUnloadAudioGroup(group);
    if (OxAudioInit() != 1) return 6;
    if (!OxAudioIsValidAudio(OxAudioLoadSound(path.c_str()))) return 7;
    OxAudioExit();
    return 0;
  });
}

// A game's run on this machine, which has no sound card: start, music and
// effects in two groups, pause and resume, per-frame updates, exit; nothing
// reaches stdout or stderr.
TEST_F(Audio, QuietRunWithoutSoundCard)
{
  std::string music = Write("music.ogg", SoundFormat::OggVorbis);
  std::string effect = Write("effect.wav", SoundFormat::Wav);
  ExpectQuietSuccess([&]() {
    if (OxAudioInit() != 1) return 1;
    OxAudioGroup musicGroup = OxAudioCreateGroup();
    OxAudioGroup effects = OxAudioCreateGroup();
    OxAudio song = OxAudioLoadMusic(music.c_str());
    OxAudio hit = OxAudioLoadSound(effect.c_str());
    if (!OxAudioIsValidAudio(song) || !OxAudioIsValidAudio(hit)) return 2;
    OxAudioPlay(song, musicGroup, 0.8f, 1.0f, -1);
    for (int frame = 0; frame < 40; ++frame) {
      if (frame % 5 == 0) OxAudioPlay(hit, effects, 0.5f, 1.0f + frame / 40.0f, 0);
      if (frame == 10) OxAudioPauseGroup(musicGroup);
      if (frame == 20) OxAudioResumeGroup(musicGroup);
      if (frame == 30) OxAudioSetGroupVolume(effects, 0.25f);
      OxAudioUpdate();
      usleep(16000);
    }
    OxAudioStopGroup(effects);
    OxAudioUnloadAudio(hit);
    OxAudioUnloadAudio(song);
    OxAudioUnloadAudioGroup(effects);
    OxAudioUnloadAudioGroup(musicGroup);
    OxAudioExit();
    return 0;
  });
}

// The whole library on this machine, which has no sound card: OxSysInit
// starts the mixer on the silent driver and succeeds, a sound plays through
// a few frames, and a game that ends without OxSysExit (or a fatal report's
// exit) still exits cleanly while the audio threads run.
TEST_F(Audio, SystemStartsWithoutSoundCard)
{
  oxtest::UsePrivateDisplay();
  std::string effect = Write("effect.wav", SoundFormat::Wav);
  for (bool callExit : {true, false}) {
    oxtest::ChildResult child = oxtest::RunInChild([&]() {
      if (OxSysInit(nullptr, SW_SHOWNORMAL, 320, 240, 0, 60, 0, nullptr) != 1) return 1;
      OxAudioGroup effects = OxAudioCreateGroup();
      OxAudio hit = OxAudioLoadSound(effect.c_str());
      if (!OxAudioIsValidGroup(effects) || !OxAudioIsValidAudio(hit)) return 2;
      OxAudioPlay(hit, effects, 1.0f, 1.0f, -1);
      for (int frame = 0; frame < 5; ++frame) {
        OxSysFrameStart();
        OxSysFrameEnd();
      }
      if (callExit) OxSysExit();
      return 0;
    });
    EXPECT_EQ(child.signal, 0) << "callExit " << callExit;
    EXPECT_EQ(child.exitCode, 0) << "callExit " << callExit;
    EXPECT_EQ(child.out.find("Audio module failed to initialize"), std::string::npos);
    EXPECT_EQ(child.err, "");
  }
}

}  // namespace
