// The sound itself, as the device receives it: the library plays through
// SDL2's disk audio driver (the null backend's output, in its build), whose
// float stereo 48 kHz output goes to a file, and the test analyses that
// file: distortion of the rate conversion, steps made by changes, and
// exactness against the source files. Each capture runs in a child that
// drives the audio family as a game does.
// Linux and null-backend program: it captures through SDL2's disk audio driver;
// the Windows build has no SDL2, and under Wine its waveOut output goes to
// ALSA's null device, which keeps nothing. The mix itself is the same code on both
// builds, and mixer_quality_test pulls it into buffers on both.
#include <gtest/gtest.h>

#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <vector>

#include "OxAudio.h"
#include "OxImageSupport.h"
#include "OxTestSound.h"
#include "OxTestSupport.h"

using oxtest::SoundFormat;

namespace {

constexpr int kRate = 48000;
// Frames of silence that separate the parts of a capture.
constexpr int kGap = 4800;

// A stretch of the capture where the output is not silent.
struct Part {
  size_t first;  // frame
  size_t end;    // one past the last frame that is not zero
};

// Parts of a stereo capture: frames where either side is not zero, split
// where at least minGap silent frames lie between them.
std::vector<Part> PartsOf(const std::vector<float>& stereo, size_t minGap)
{
  std::vector<Part> parts;
  size_t frames = stereo.size() / 2;
  size_t silent = 0;
  for (size_t f = 0; f < frames; ++f) {
    if (stereo[2 * f] == 0.0f && stereo[2 * f + 1] == 0.0f) {
      ++silent;
      continue;
    }
    if (parts.empty() || silent >= minGap) parts.push_back({f, f + 1});
    parts.back().end = f + 1;
    silent = 0;
  }
  return parts;
}

// Total harmonic distortion plus noise of one side over [first, end) in dB:
// the power left after removing the best-fitting sine of the given
// frequency (and any constant), relative to that sine's power.
double DistortionDb(const std::vector<float>& stereo, int side, size_t first, size_t end, double hertz)
{
  // Least squares for a sin + b cos + c.
  double normal[3][4] = {};
  for (size_t f = first; f < end; ++f) {
    double angle = 2.0 * M_PI * hertz * static_cast<double>(f - first) / kRate;
    double basis[3] = {sin(angle), cos(angle), 1.0};
    for (int r = 0; r < 3; ++r) {
      for (int c = 0; c < 3; ++c) normal[r][c] += basis[r] * basis[c];
      normal[r][3] += basis[r] * stereo[2 * f + side];
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
    double angle = 2.0 * M_PI * hertz * static_cast<double>(f - first) / kRate;
    double sine = fit[0] * sin(angle) + fit[1] * cos(angle);
    double residue = stereo[2 * f + side] - sine - fit[2];
    signal += sine * sine;
    rest += residue * residue;
  }
  return 10.0 * log10(rest / signal);
}

// The largest change between neighbouring frames of either side.
float LargestStep(const std::vector<float>& stereo, size_t first, size_t end)
{
  float largest = 0.0f;
  for (size_t f = first + 1; f < end && 2 * f + 1 < stereo.size(); ++f)
    for (int side = 0; side < 2; ++side)
      largest = fmaxf(largest, fabsf(stereo[2 * f + side] - stereo[2 * (f - 1) + side]));
  return largest;
}

// A reproducible noise in [-0.5, 0.5] whose first value is 0.4, so that a
// sound made of it starts on a frame that is not silent.
std::vector<float> Noise(int frames, unsigned seed)
{
  std::vector<float> samples(frames);
  unsigned state = seed;
  for (int i = 0; i < frames; ++i) {
    state = state * 1664525u + 1013904223u;
    samples[i] = static_cast<float>(state >> 8) / static_cast<float>(1u << 24) - 0.5f;
  }
  samples[0] = 0.4f;
  return samples;
}

class Capture : public ::testing::Test {
protected:
  void SetUp() override
  {
    folder_ = oxtest::TempDir();
    capture_ = folder_ + "/capture.raw";
  }
  void TearDown() override { oxtest::RunCommand("rm -rf '" + folder_ + "'"); }

  std::string Write(const std::string& name, int rate, int channels, const std::vector<float>& samples)
  {
    std::string path = folder_ + "/" + name;
    EXPECT_TRUE(oxtest::WriteSoundFile(path, SoundFormat::Wav, rate, channels, samples));
    return path;
  }

  // Frames the device has written so far.
  long Written() const { return oxtest::CapturedFrames(capture_); }

  // In the child: waits until the device has written frames more frames,
  // calling OxAudioUpdate every few milliseconds as a game's frames would
  // (or not at all, for a frame hitch). The device's own pace is the clock,
  // so a busy machine only stretches the silences.
  bool Wait(long frames, bool update = true) const
  {
    long until = Written() + frames;
    for (int tries = 0; tries < 4000; ++tries) {
      if (Written() >= until) return true;
      if (update) OxAudioUpdate();
      usleep(5000);
    }
    return false;
  }

  // Runs body in a child with the audio family started on the disk driver,
  // and returns the frames the device received. Checks that the child
  // succeeded and printed nothing but the disk driver's own notices.
  std::vector<float> Run(const std::function<int()>& body)
  {
    oxtest::ChildResult child = oxtest::RunInChild([&]() {
      oxtest::CaptureAudioTo(capture_);
      if (OxAudioInit() != 1) return 100;
      if (!Wait(kGap)) return 101;
      int result = body();
      OxAudioExit();
      return result;
    }, 60);
    EXPECT_EQ(child.signal, 0);
    EXPECT_EQ(child.exitCode, 0) << "failed step " << child.exitCode;
    EXPECT_EQ(child.out, "");
    // SDL announces its disk driver on stderr every time it opens it.
    std::string err = child.err;
    for (size_t at; (at = err.find("CRITICAL: ")) != std::string::npos;) err.erase(at, err.find('\n', at) + 1 - at);
    EXPECT_EQ(err, "");
    std::string bytes = oxtest::ReadBytes(capture_);
    std::vector<float> stereo(bytes.size() / sizeof(float));
    memcpy(stereo.data(), bytes.data(), stereo.size() * sizeof(float));
    return stereo;
  }

  std::string folder_;
  std::string capture_;
};

// Rate conversion: a stereo file holding 1 kHz on the left and 10 kHz on
// the right, at 44.1 kHz and at 22.05 kHz, played at pitch 1, 0.5 and 2.
// Total harmonic distortion plus noise stays below -90 dB at pitch 1 and
// below -80 dB at the other pitches, on both sides (the edges of each
// sound, where the filter meets silence, are left out); each sound lasts
// its length divided by the pitch.
TEST_F(Capture, RateConversionKeepsTonesClean)
{
  const int rates[] = {44100, 22050};
  const float pitches[] = {1.0f, 0.5f, 2.0f};
  const double seconds = 0.12;
  std::vector<std::string> paths;
  for (int rate : rates) {
    int frames = static_cast<int>(seconds * rate);
    std::vector<float> left = oxtest::Sine(1000, 0.5f, rate, frames);
    std::vector<float> right = oxtest::Sine(10000, 0.5f, rate, frames);
    std::vector<float> stereo;
    for (int i = 0; i < frames; ++i) {
      stereo.push_back(left[i]);
      stereo.push_back(right[i]);
    }
    paths.push_back(Write("tones" + std::to_string(rate) + ".wav", rate, 2, stereo));
  }
  std::vector<float> out = Run([&]() {
    OxAudioGroup group = OxAudioCreateGroup();
    for (const std::string& path : paths) {
      OxAudio tones = OxAudioLoadSound(path.c_str());
      if (!OxAudioIsValidAudio(tones)) return 1;
      for (float pitch : pitches) {
        OxAudioPlay(tones, group, 1.0f, pitch, 0);
        if (!Wait(static_cast<long>(seconds * kRate / pitch) + kGap)) return 2;
      }
    }
    return 0;
  });
  std::vector<Part> parts = PartsOf(out, kGap / 2);
  ASSERT_EQ(parts.size(), 6u);
  const int edge = kRate / 100;
  for (size_t i = 0; i < parts.size(); ++i) {
    int rate = rates[i / 3];
    float pitch = pitches[i % 3];
    const Part& part = parts[i];
    std::string name = std::to_string(rate) + " Hz at pitch " + std::to_string(pitch);
    EXPECT_NEAR(static_cast<double>(part.end - part.first), seconds * kRate / pitch, 2.0) << name;
    double limit = pitch == 1.0f ? -90.0 : -80.0;
    double low = DistortionDb(out, 0, part.first + edge, part.end - edge, 1000.0 * pitch);
    double high = DistortionDb(out, 1, part.first + edge, part.end - edge, 10000.0 * pitch);
    printf("THD+N %s: 1 kHz %.1f dB, 10 kHz %.1f dB\n", name.c_str(), low, high);
    EXPECT_LT(low, limit) << name << ", 1 kHz tone";
    EXPECT_LT(high, limit) << name << ", 10 kHz tone";
  }
}

// Changes without clicks, on a looping 440 Hz tone at 0.5 from a 48 kHz
// file: pause, resume, two volume changes and a stop at pitch 1, then a
// second play whose group's pitch goes to 1.5 before the stop. No step
// between neighbouring frames is larger than the tone's own largest step at
// the pitch it plays at; the pause leaves silence, and after each stop the
// output stays silent.
TEST_F(Capture, ChangesMakeNoLargerStepsThanTheSound)
{
  const double hertz = 440.0;
  std::string path = Write("tone.wav", kRate, 1, oxtest::Sine(hertz, 0.5f, kRate, 2 * kRate));
  std::vector<float> out = Run([&]() {
    OxAudioGroup group = OxAudioCreateGroup();
    OxAudio tone = OxAudioLoadSound(path.c_str());
    if (!OxAudioIsValidAudio(tone)) return 1;
    OxAudioPlay(tone, group, 1.0f, 1.0f, -1);
    if (!Wait(kGap)) return 2;
    OxAudioPauseGroup(group);
    if (!Wait(kGap)) return 3;
    OxAudioResumeGroup(group);
    if (!Wait(kGap / 2)) return 4;
    OxAudioSetGroupVolume(group, 0.3f);
    if (!Wait(kGap / 2)) return 5;
    OxAudioSetGroupVolume(group, 1.0f);
    if (!Wait(kGap / 2)) return 6;
    OxAudioStopGroup(group);
    if (!Wait(kGap)) return 7;
    OxAudioPlay(tone, group, 1.0f, 1.0f, -1);
    if (!Wait(kGap / 2)) return 8;
    OxAudioSetGroupPitch(group, 1.5f);
    if (!Wait(kGap / 2)) return 9;
    OxAudioStopGroup(group);
    if (!Wait(kGap)) return 10;
    return 0;
  });
  std::vector<Part> parts = PartsOf(out, kGap / 2);
  ASSERT_EQ(parts.size(), 3u) << "play, pause | resume, stop | play, stop";
  auto ownStep = [hertz](double pitch) { return 2.0 * 0.5 * sin(M_PI * hertz * pitch / kRate); };
  float atPitchOne = LargestStep(out, 0, parts[2].first);
  float atPitchUp = LargestStep(out, parts[2].first - 1, out.size() / 2);
  printf("largest step: %.5f at pitch 1 (own %.5f), %.5f with pitch 1.5 (own %.5f)\n", atPitchOne,
         ownStep(1.0), atPitchUp, ownStep(1.5));
  EXPECT_LE(atPitchOne, ownStep(1.0) * 1.0001);
  EXPECT_LE(atPitchUp, ownStep(1.5) * 1.0001);
  // Each part fades in or out within one ramp's worth of frames at its ends.
  for (const Part& part : parts) EXPECT_GT(part.end - part.first, 2u * 240u);
}

// Exactness through the device, against the files as written:
// - a 4,800-frame noise at volume 0.5 with loop count 2 comes out as
//   exactly half the file three times over, then silence;
// - the same noise at pitch 0.5 lasts exactly twice its length and every
//   second frame is a frame of the file;
// - a long noise paused and resumed fades out over 240 frames, holds still,
//   and after fading in again carries on exactly where the fade-out ended.
TEST_F(Capture, LoopsVolumePitchAndPauseStayExact)
{
  const int length = 4800;
  std::vector<float> noise = Noise(length, 7);
  std::vector<float> longNoise = Noise(3 * kRate, 11);
  std::string shortPath = Write("noise.wav", kRate, 1, noise);
  std::string longPath = Write("long.wav", kRate, 1, longNoise);
  std::vector<float> out = Run([&]() {
    OxAudioGroup group = OxAudioCreateGroup();
    OxAudio sound = OxAudioLoadSound(shortPath.c_str());
    OxAudio along = OxAudioLoadSound(longPath.c_str());
    if (!OxAudioIsValidAudio(sound) || !OxAudioIsValidAudio(along)) return 1;
    OxAudioPlay(sound, group, 0.5f, 1.0f, 2);
    if (!Wait(3 * length + kGap)) return 2;
    OxAudioPlay(sound, group, 1.0f, 0.5f, 0);
    if (!Wait(2 * length + kGap)) return 3;
    OxAudioPlay(along, group, 1.0f, 1.0f, 0);
    if (!Wait(kGap)) return 4;
    OxAudioPauseGroup(group);
    if (!Wait(kGap)) return 5;
    OxAudioResumeGroup(group);
    if (!Wait(kGap)) return 6;
    OxAudioStopGroup(group);
    if (!Wait(kGap)) return 7;
    return 0;
  });
  std::vector<Part> parts = PartsOf(out, kGap / 2);
  ASSERT_EQ(parts.size(), 4u) << "loops | pitch 0.5 | play, pause | resume, stop";

  const Part& loops = parts[0];
  ASSERT_EQ(loops.end - loops.first, 3u * length);
  for (size_t f = 0; f < 3u * length; ++f) {
    ASSERT_EQ(out[2 * (loops.first + f)], 0.5f * noise[f % length]) << "frame " << f;
    ASSERT_EQ(out[2 * (loops.first + f) + 1], 0.5f * noise[f % length]) << "frame " << f;
  }

  const Part& slow = parts[1];
  EXPECT_EQ(slow.end - slow.first, 2u * length);
  for (size_t f = 0; f < length; ++f) ASSERT_EQ(out[2 * (slow.first + 2 * f)], noise[f]) << "frame " << f;

  const Part& before = parts[2];
  const Part& after = parts[3];
  size_t paused = 0;  // the first frame of the fade-out
  while (paused < before.end - before.first && out[2 * (before.first + paused)] == longNoise[paused]) ++paused;
  ASSERT_GT(paused, 0u);
  const size_t ramp = 240;
  EXPECT_GE(before.first + paused + ramp, before.end) << "silent within one ramp";
  for (size_t f = paused; f < paused + ramp; ++f) {
    float sample = out[2 * (before.first + f)];
    EXPECT_LE(fabsf(sample), fabsf(longNoise[f])) << "fade-out frame " << f;
    EXPECT_GE(sample * longNoise[f], 0.0f) << "fade-out frame " << f;
  }
  // The fade-in reads on from the frame after the fade-out's last one.
  size_t resumed = paused + ramp;
  for (size_t f = 0; f + 1 < ramp; ++f) {
    float sample = out[2 * (after.first + f)];
    EXPECT_LE(fabsf(sample), fabsf(longNoise[resumed + f])) << "fade-in frame " << f;
    EXPECT_GE(sample * longNoise[resumed + f], 0.0f) << "fade-in frame " << f;
  }
  size_t exact = 0;
  for (size_t f = ramp - 1; after.first + f < after.end; ++f, ++exact)
    if (out[2 * (after.first + f)] != longNoise[resumed + f]) break;
  EXPECT_GT(exact, static_cast<size_t>(kGap / 2)) << "exact after the fade-in, until the stop";
}

// A music stream through a frame hitch: 2 s of stereo noise played as
// music, the game's thread stalled for 0.7 s without an update after the
// first 0.3 s. The device receives the file exactly, frame for frame.
TEST_F(Capture, StreamStaysExactThroughAHitch)
{
  const int length = 2 * kRate;
  std::vector<float> left = Noise(length, 3);
  std::vector<float> right = Noise(length, 5);
  std::vector<float> stereo;
  for (int i = 0; i < length; ++i) {
    stereo.push_back(left[i]);
    stereo.push_back(-right[i]);
  }
  std::string path = Write("music.wav", kRate, 2, stereo);
  std::vector<float> out = Run([&]() {
    OxAudioGroup group = OxAudioCreateGroup();
    OxAudio music = OxAudioLoadMusic(path.c_str());
    if (!OxAudioIsValidAudio(music)) return 1;
    OxAudioPlay(music, group, 1.0f, 1.0f, 0);
    if (!Wait(kRate * 3 / 10)) return 2;
    usleep(700000);
    if (!Wait(length + kGap)) return 3;
    return 0;
  });
  std::vector<Part> parts = PartsOf(out, kGap / 2);
  ASSERT_EQ(parts.size(), 1u);
  ASSERT_EQ(parts[0].end - parts[0].first, static_cast<size_t>(length));
  for (size_t f = 0; f < static_cast<size_t>(length); ++f) {
    ASSERT_EQ(out[2 * (parts[0].first + f)], stereo[2 * f]) << "frame " << f;
    ASSERT_EQ(out[2 * (parts[0].first + f) + 1], stereo[2 * f + 1]) << "frame " << f;
  }
}

}  // namespace
