// The game's standard streams stay the game's: the library never points
// standard error or standard output anywhere else, and what the decoders
// under it have to say about damaged files never reaches either stream.
// Desktop-only program: it watches the process's standard stream descriptors
// across child processes, which a page has not.
#include <gtest/gtest.h>

#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <thread>

#include "OxImageSupport.h"
#include "OxTestSound.h"
#include "OxTestSupport.h"
#include "Oxlen.h"

namespace {

// Which open file a descriptor names.
bool SameFile(const struct stat& a, const struct stat& b)
{
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// bytes with count bytes from `from` on changed by a fixed pattern.
std::string Damaged(std::string bytes, size_t from, int count)
{
  unsigned int state = 7;
  for (int i = 0; i < count; ++i) {
    state = state * 1103515245u + 12345u;
    size_t at = from + (state >> 8) % (bytes.size() - from);
    bytes[at] = static_cast<char>(bytes[at] ^ (1 + (state >> 20) % 255));
  }
  return bytes;
}

}  // namespace

// Cases: while a second thread writes 2000 numbered lines to standard error
// and checks, before each, that descriptors 1 and 2 still name the files
// they named at the start, the game's thread loads damaged files whose
// decoders report what they find: a PNG whose gamma chunk fails its
// checksum and one cut inside its image data, JPEGs with damaged data and
// cut short, damaged and cut MP3 files (as sounds and as streamed music,
// frames run so the streams decode), MPEG audio that libmpg123 reports on
// whatever its quiet flag says (Layer II joint-stereo frames whose stereo
// bound passes their subband limit; the fuzz finding of frames of two
// rates), a damaged Ogg Vorbis file and a cut font. Every line arrives, in
// order, nothing else is on standard error, and the descriptors never
// changed.
TEST(StandardStreams, NeverRedirectedAndDecodersSilent)
{
  std::string dir = oxtest::TempDir();
  oxtest::RgbaPixels pixels(32 * 32 * 4);
  for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<unsigned char>(i * 13 + i / 128);
  ASSERT_TRUE(oxtest::WritePngWithChunks(dir + "/whole.png", pixels, 32, 32));
  ASSERT_TRUE(oxtest::WriteJpeg(dir + "/whole.jpg", pixels, 32, 32, 90));
  ASSERT_TRUE(oxtest::WriteSoundFile(dir + "/whole.mp3", oxtest::SoundFormat::Mp3, 22050, 1,
                                     oxtest::Sine(440, 0.5f, 22050, 22050)));
  ASSERT_TRUE(oxtest::WriteSoundFile(dir + "/whole.ogg", oxtest::SoundFormat::OggVorbis, 22050, 1,
                                     oxtest::Sine(440, 0.5f, 22050, 22050)));
  std::string png = oxtest::ReadBytes(dir + "/whole.png");
  size_t gamma = png.find("gAMA");
  ASSERT_NE(gamma, std::string::npos);
  std::string badChecksum = png;
  badChecksum[gamma + 4] ^= 0x01;
  std::string jpeg = oxtest::ReadBytes(dir + "/whole.jpg");
  std::string mp3 = oxtest::ReadBytes(dir + "/whole.mp3");
  std::string ogg = oxtest::ReadBytes(dir + "/whole.ogg");
  std::string font = oxtest::ReadBytes("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf");
  // MPEG-1 Layer II, 32 kbps at 48 kHz (a subband limit of 8), joint stereo
  // with the widest stereo bound (16): 60 silent frames of 96 bytes.
  std::string stereoBound;
  for (int frame = 0; frame < 60; ++frame)
    stereoBound += std::string("\xff\xfd\x14\x70", 4) + std::string(92, '\0');
  std::string twoRates = oxtest::ReadBytes(std::string(OX_SOURCE_DIR) +
                                           "/fuzz/regressions/audio/mp3-frames-of-two-rates.mp3");
  ASSERT_FALSE(twoRates.empty());
  const std::pair<const char*, std::string> files[] = {
      {"checksum.png", badChecksum},
      {"cut.png", png.substr(0, png.size() * 2 / 3)},
      {"damaged.jpg", Damaged(jpeg, jpeg.size() / 2, 20)},
      {"cut.jpg", jpeg.substr(0, jpeg.size() * 3 / 4)},
      {"damaged.mp3", Damaged(mp3, 200, 60)},
      {"cut.mp3", mp3.substr(0, mp3.size() / 2)},
      {"stereo-bound.mp2", stereoBound},
      {"two-rates.mp3", twoRates},
      {"damaged.ogg", Damaged(ogg, 4000, 40)},
      {"cut.ttf", font.substr(0, font.size() / 3)}};
  for (auto& file : files) ASSERT_TRUE(oxtest::WriteBytes(dir + "/" + file.first, file.second));

  const int kLines = 2000;
  oxtest::ChildResult child = oxtest::RunInChild(
      [&] {
        if (OxSysInit(nullptr, SW_SHOW, 320, 240, 0, 0, 0, nullptr) != 1) return 2;
        struct stat out0, err0;
        fstat(STDOUT_FILENO, &out0);
        fstat(STDERR_FILENO, &err0);
        std::atomic<bool> writing{true};
        std::atomic<int> changes{0};
        std::thread writer([&] {
          for (int i = 0; i < kLines; ++i) {
            struct stat out, err;
            fstat(STDOUT_FILENO, &out);
            fstat(STDERR_FILENO, &err);
            if (!SameFile(out, out0) || !SameFile(err, err0)) ++changes;
            std::string line = "line " + std::to_string(i) + "\n";
            (void)!write(STDERR_FILENO, line.data(), line.size());
            usleep(100);
          }
          writing = false;
        });
        OxAudioGroup group = OxAudioCreateGroup();
        int rounds = 0;
        while (writing || rounds < 2) {
          for (auto& file : files) {
            std::string path = dir + "/" + file.first;
            OxGfxTextureUnload(OxGfxTextureLoad(path.c_str()));
            OxAudio sound = OxAudioLoadSound(path.c_str());
            OxAudio music = OxAudioLoadMusic(path.c_str());
            OxAudioPlay(music, group, 1, 1, 0);
            for (int frame = 0; frame < 3; ++frame) {
              OxSysFrameStart();
              OxSysFrameEnd();
            }
            OxAudioStopGroup(group);
            OxAudioUnloadAudio(sound);
            OxAudioUnloadAudio(music);
          }
          OxGfxFontId cut = OxGfxCreateFont((dir + "/cut.ttf").c_str(), 12);
          if (cut != -1) OxGfxDestroyFont(cut);
          ++rounds;
        }
        writer.join();
        OxAudioUnloadAudioGroup(group);
        OxSysExit();
        printf("\n[descriptor changes %d]\n", changes.load());
        return 0;
      },
      300);
  EXPECT_EQ(child.exitCode, 0) << child.out;
  EXPECT_NE(child.out.find("[descriptor changes 0]\n"), std::string::npos)
      << child.out.substr(child.out.size() > 300 ? child.out.size() - 300 : 0);
  std::string expected;
  for (int i = 0; i < kLines; ++i) expected += "line " + std::to_string(i) + "\n";
  EXPECT_EQ(child.err.size(), expected.size());
  EXPECT_TRUE(child.err == expected) << "first difference at byte "
                                     << std::mismatch(expected.begin(), expected.end(),
                                                      child.err.begin(), child.err.end())
                                                .first -
                                            expected.begin()
                                     << "; standard error was:\n"
                                     << child.err.substr(0, 3000);
  oxtest::RunCommand("rm -rf '" + dir + "'");
}
