// The mixer's device losing its output under a running mix and getting it
// back, through SDL2's disk driver: the output file is limited in size, so
// once it is full every write fails and SDL reports the device gone, as it
// does for an unplugged card or a sound server that went away. Lifting the
// limit and pointing the driver at a fresh file brings a device back. An
// output driver the user forced that fails is tried once only.
// Linux-only program: losing the device takes SDL2's disk driver and a POSIX
// file-size limit; nothing a test can do under Wine makes waveOut fail. The
// device layer around the output is the same code on both builds, and the
// audio tests run it without a sound card on both. Forcing a driver is
// SDL_AUDIODRIVER's, and the Windows build has only waveOut.
#include <SDL.h>
#include <gtest/gtest.h>

#include <math.h>
#include <signal.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "OxImageSupport.h"
#include "OxTestSound.h"
#include "OxTestSupport.h"
#include "mixer/OxMixer.h"
#include "mixer/OxMixerInternal.h"

namespace {

constexpr int kRate = kOxMixerOutputRate;
// The output file takes this many bytes (a third of a second), then fails.
constexpr rlim_t kFileLimit = 128 * 1024;

// Frames pulled so far; each frame's value tells its number, so a file
// shows which frames reached it and in what order.
std::atomic<long> gPulled{0};

float ValueOf(long frame) { return static_cast<float>(frame % 1000) / 1000.0f; }

void CountingRender(void*, float* out, int frameCount)
{
  long first = gPulled.fetch_add(frameCount);
  for (int i = 0; i < frameCount; ++i) {
    out[2 * i] = ValueOf(first + i);
    out[2 * i + 1] = -ValueOf(first + i);
  }
}

long FileBytes(const std::string& path)
{
  struct stat info;
  return stat(path.c_str(), &info) == 0 ? static_cast<long>(info.st_size) : 0;
}

// Waits up to ten seconds for done() to hold.
bool WaitFor(const std::function<bool()>& done)
{
  for (int tries = 0; tries < 2000; ++tries) {
    if (done()) return true;
    usleep(5000);
  }
  return false;
}

class DeviceLoss : public ::testing::Test {
protected:
  void SetUp() override
  {
    folder_ = oxtest::TempDir();
    link_ = folder_ + "/device.raw";
    first_ = folder_ + "/first.raw";
    second_ = folder_ + "/second.raw";
    ASSERT_EQ(symlink(first_.c_str(), link_.c_str()), 0);
  }
  void TearDown() override { oxtest::RunCommand("rm -rf '" + folder_ + "'"); }

  // In the child: the disk driver writes through the link into a file that
  // fills up; writes past the limit fail instead of raising a signal.
  void StartLimited()
  {
    signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit;
    getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = kFileLimit;
    setrlimit(RLIMIT_FSIZE, &limit);
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", link_.c_str(), 1);
  }

  // In the child: the device comes back: the driver is pointed at a fresh
  // file, and once a device has opened on it (and so none writes to the
  // first file any more), the limit goes.
  bool BringBack()
  {
    std::string next = folder_ + "/next.raw";
    symlink(second_.c_str(), next.c_str());
    rename(next.c_str(), link_.c_str());
    if (!WaitFor([&]() { return FileBytes(second_) > 0; })) return false;
    struct rlimit limit;
    getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = limit.rlim_max;
    setrlimit(RLIMIT_FSIZE, &limit);
    return true;
  }

  // Runs body in a child and expects success with nothing on stdout and
  // nothing on stderr but SDL's notices that its disk driver opened.
  void ExpectSuccess(const std::function<int()>& body)
  {
    oxtest::ChildResult child = oxtest::RunInChild(body, 60);
    EXPECT_EQ(child.signal, 0);
    EXPECT_EQ(child.exitCode, 0) << "failed step " << child.exitCode;
    EXPECT_EQ(child.out, "");
    std::string err = child.err;
    for (size_t at; (at = err.find("CRITICAL: ")) != std::string::npos;) err.erase(at, err.find('\n', at) + 1 - at);
    EXPECT_EQ(err, "");
  }

  std::string folder_, link_, first_, second_;
};

// The device layer:
// - it opens the disk driver's device (not silent);
// - when the file is full the device is lost, and the silent clock goes on
//   pulling the mix (a second's worth of frames while silent);
// - once a device can open again the device uses it, and the new file gets
//   the frames that render produces, in order.
TEST_F(DeviceLoss, DeviceKeepsPullingAndReopens)
{
  ExpectSuccess([&]() {
    StartLimited();
    OxMixerDevice* device = OxMixerDeviceOpen(CountingRender, nullptr);
    if (!device) return 1;
    if (OxMixerDeviceIsSilent(device)) return 2;
    if (!WaitFor([&]() { return OxMixerDeviceIsSilent(device); })) return 3;
    long lost = gPulled;
    // Every second the device is tried again and fails again, so the
    // device may come and go meanwhile; frames are pulled all along.
    if (!WaitFor([&]() { return gPulled >= lost + kRate; })) return 4;
    if (!BringBack()) return 5;
    if (!WaitFor([&]() { return !OxMixerDeviceIsSilent(device) && FileBytes(second_) > 8 * kRate; })) return 6;
    OxMixerDeviceClose(device);
    long pulled = gPulled;
    usleep(50000);
    if (gPulled != pulled) return 7;  // closed: render is called no more
    return 0;
  });
  EXPECT_LE(FileBytes(first_), static_cast<long>(kFileLimit));
  std::string bytes = oxtest::ReadBytes(second_);
  std::vector<float> frames(bytes.size() / sizeof(float));
  memcpy(frames.data(), bytes.data(), frames.size() * sizeof(float));
  ASSERT_GT(frames.size(), 2u * kRate);
  for (size_t f = 1; f < frames.size() / 2; ++f) {
    long before = lroundf(frames[2 * (f - 1)] * 1000.0f);
    ASSERT_EQ(lroundf(frames[2 * f] * 1000.0f), (before + 1) % 1000) << "frame " << f;
    ASSERT_EQ(frames[2 * f + 1], -frames[2 * f]) << "frame " << f;
  }
}

// The whole mixer while its output is gone: updates keep succeeding, time
// passes (a quarter-second sound ends on its own, a looping one plays on),
// and when a device is back the looping sound is heard in it.
TEST_F(DeviceLoss, MixerPlaysOnWithoutAnOutput)
{
  std::string shortPath = folder_ + "/short.wav";
  std::string loopPath = folder_ + "/loop.wav";
  ASSERT_TRUE(oxtest::WriteSoundFile(shortPath, oxtest::SoundFormat::Wav, kRate, 1,
                                     oxtest::Constant(0.1f, kRate / 4)));
  ASSERT_TRUE(oxtest::WriteSoundFile(loopPath, oxtest::SoundFormat::Wav, kRate, 1,
                                     oxtest::Sine(440, 0.25f, kRate, kRate / 10)));
  ExpectSuccess([&]() {
    StartLimited();
    OxMixerSystem* system = nullptr;
    OxMixerSystemCreate(&system);
    if (OxMixerSystemInit(system, 64, OX_MIXER_INIT_NORMAL | OX_MIXER_INIT_RAMPS, nullptr) != OX_MIXER_OK) return 1;
    OxMixerSound* loop = nullptr;
    OxMixerSound* once = nullptr;
    if (OxMixerSystemCreateSound(system, loopPath.c_str(), 0, nullptr, &loop) != OX_MIXER_OK) return 2;
    if (OxMixerSystemCreateSound(system, shortPath.c_str(), 0, nullptr, &once) != OX_MIXER_OK) return 3;
    OxMixerChannel* looping = nullptr;
    OxMixerSystemPlaySound(system, loop, nullptr, 1, &looping);
    OxMixerChannelSetMode(looping, OX_MIXER_LOOP_NORMAL);
    OxMixerChannelSetPaused(looping, 0);
    // The file fills up; the next write fails and the output is lost.
    if (!WaitFor([&]() { return FileBytes(first_) > static_cast<long>(kFileLimit) - 4096; })) return 4;
    OxMixerChannel* ending = nullptr;
    if (OxMixerSystemPlaySound(system, once, nullptr, 0, &ending) != OX_MIXER_OK) return 5;
    int playing = 1;
    if (!WaitFor([&]() {
          if (OxMixerSystemUpdate(system) != OX_MIXER_OK) return true;
          OxMixerChannelIsPlaying(ending, &playing);
          return playing == 0;
        }))
      return 6;
    if (OxMixerSystemUpdate(system) != OX_MIXER_OK) return 7;
    OxMixerChannelIsPlaying(looping, &playing);
    if (!playing) return 8;
    if (!BringBack()) return 9;
    if (!WaitFor([&]() { return FileBytes(second_) > 8 * kRate / 2; })) return 10;
    if (OxMixerSystemRelease(system) != OX_MIXER_OK) return 11;
    return 0;
  });
  std::string bytes = oxtest::ReadBytes(second_);
  std::vector<float> frames(bytes.size() / sizeof(float));
  memcpy(frames.data(), bytes.data(), frames.size() * sizeof(float));
  EXPECT_NEAR(oxtest::Peak(frames, 0, 0, frames.size() / 2), 0.25f, 1e-3f);
}

// Cases: with SDL_AUDIODRIVER naming a driver that cannot open here (sndio,
// whose library prints a line of its own to standard error at every failed
// open, with no sndio server; a driver SDL does not have; the disk driver,
// which starts and then cannot open its file), the device runs silent,
// pulling the mix, and is not tried again: over three and a half seconds
// (three retry periods) standard error holds at most the first attempt's
// one line, and standard output the one line that says so. Nothing of SDL's
// audio part is left running after the failed open.
TEST(ForcedDriver, FailedOnceIsNotRetried)
{
  const char* drivers[] = {"sndio", "no-such-driver", "disk"};
  for (const char* driver : drivers) {
    SCOPED_TRACE(driver);
    oxtest::ChildResult child = oxtest::RunInChild([&]() {
      setenv("SDL_AUDIODRIVER", driver, 1);
      setenv("SDL_DISKAUDIOFILE", "/nonexistent/oxlen-output.raw", 1);
      long before = gPulled;
      OxMixerDevice* device = OxMixerDeviceOpen(CountingRender, nullptr);
      if (!device) return 1;
      if (!OxMixerDeviceIsSilent(device)) return 2;
      usleep(3500000);
      if (gPulled < before + 3 * kRate) return 3;  // the silent clock went on
      if (SDL_WasInit(SDL_INIT_AUDIO) != 0) return 4;
      OxMixerDeviceClose(device);
      return 0;
    }, 60);
    EXPECT_EQ(child.exitCode, 0) << "failed step " << child.exitCode;
    EXPECT_EQ(child.out, "Audio: the output driver " + std::string(driver) +
                             " did not open; sound stays silent\n");
    EXPECT_LE(oxtest::Count(child.err, "\n"), 1u) << child.err;
  }
}

}  // namespace
