// Writes the seed corpora of the fuzz targets into a folder: small real
// images in every format the decoder reads (PNG with ancillary chunks, CMYK
// and progressive JPEG among them), sounds in every container, and a font
// copied from the system's DejaVu fonts.
// Usage: ox_fuzz_seeds <folder>  (makes <folder>/texture, font and audio)
#include <stdio.h>
#include <sys/stat.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "OxImageSupport.h"
#include "OxTestSound.h"

namespace {

oxtest::RgbaPixels Gradient(int width, int height)
{
  oxtest::RgbaPixels pixels;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      pixels.push_back(static_cast<unsigned char>(x * 255 / width));
      pixels.push_back(static_cast<unsigned char>(y * 255 / height));
      pixels.push_back(static_cast<unsigned char>((x + y) * 40));
      pixels.push_back(static_cast<unsigned char>(x % 2 ? 128 : 255));
    }
  return pixels;
}

bool Copy(const std::string& from, const std::string& to)
{
  std::ifstream in(from, std::ios::binary);
  if (!in) return false;
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return oxtest::WriteBytes(to, bytes);
}

}  // namespace

int main(int argc, char** argv)
{
  if (argc != 2) {
    fprintf(stderr, "usage: %s <folder>\n", argv[0]);
    return 2;
  }
  std::string root = argv[1];
  for (const char* sub : {"", "/texture", "/font", "/audio"}) mkdir((root + sub).c_str(), 0755);
  bool ok = true;

  std::string images = root + "/texture/";
  ok &= oxtest::WritePng(images + "gradient.png", Gradient(4, 3), 4, 3);
  ok &= oxtest::WritePng(images + "one.png", Gradient(1, 1), 1, 1);
  ok &= oxtest::WriteBmp(images + "gradient.bmp", Gradient(5, 2), 5, 2);
  ok &= oxtest::WriteJpeg(images + "gradient.jpg", Gradient(8, 8), 8, 8, 80);
  ok &= oxtest::WriteTga(images + "gradient.tga", Gradient(3, 3), 3, 3);
  ok &= oxtest::WriteTransparentGif(images + "transparent.gif");
  ok &= oxtest::WriteWebp(images + "gradient.webp", Gradient(4, 4), 4, 4);
  ok &= oxtest::WritePngWithChunks(images + "chunks.png", Gradient(5, 4), 5, 4);
  ok &= oxtest::WriteJpegColours(images + "cmyk.jpg", Gradient(8, 8), 8, 8, oxtest::JpegColours::Cmyk);
  ok &= oxtest::WriteJpegColours(images + "progressive.jpg", Gradient(8, 8), 8, 8,
                                 oxtest::JpegColours::Progressive);
  ok &= oxtest::WriteQoi(images + "gradient.qoi", Gradient(4, 3), 4, 3);
  ok &= oxtest::WritePnm(images + "gradient.ppm", Gradient(3, 4), 3, 4);
  // The target takes a file for TGA when its first byte (the id's length)
  // is odd: a run-length encoded one and a colour-mapped one with an id.
  using namespace std::string_literals;
  ok &= oxtest::WriteBytes(images + "runs.tga",
                           "\x01\x00\x0a\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x02\x00"
                           "\x20\x28!\x81\x00\x00\xff\xff\x01\xff\x00\x00\x00\x1e\x14\x0a\x28"s);
  ok &= oxtest::WriteBytes(images + "mapped.tga",
                           "\x01\x01\x01\x01\x00\x02\x00\x18\x00\x00\x00\x00\x02\x00\x01\x00"
                           "\x08\x20!\x00\x00\xff\x00\xff\x00\x01\x02"s);
  ok &= oxtest::WriteBytes(images + "bits.pbm", "P1\n# bits\n3 2\n010\n101\n");
  ok &= oxtest::WriteBytes(images + "grey.pgm", "P2 2 2 100\n1 50\n99 100\n");

  // A small font and a large one: the targets take only the bytes.
  std::string fonts = root + "/font/";
  ok &= Copy("/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf", fonts + "DejaVuSansMono.ttf") ||
        Copy("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", fonts + "DejaVuSans.ttf");

  std::string sounds = root + "/audio/";
  std::vector<float> tone = oxtest::Sine(440, 0.5f, 8000, 400);
  std::vector<float> stereo;
  for (float sample : tone) {
    stereo.push_back(sample);
    stereo.push_back(-sample);
  }
  ok &= oxtest::WriteSoundFile(sounds + "tone.wav", oxtest::SoundFormat::Wav, 8000, 1, tone);
  ok &= oxtest::WriteSoundFile(sounds + "stereo.wav", oxtest::SoundFormat::Wav, 22050, 2, stereo);
  ok &= oxtest::WriteSoundFile(sounds + "tone.flac", oxtest::SoundFormat::Flac, 8000, 1, tone);
  ok &= oxtest::WriteSoundFile(sounds + "tone.ogg", oxtest::SoundFormat::OggVorbis, 8000, 1, tone);
  ok &= oxtest::WriteSoundFile(sounds + "tone.mp3", oxtest::SoundFormat::Mp3, 8000, 1, tone);
  ok &= oxtest::WriteSoundFile(sounds + "tone.aiff", oxtest::SoundFormat::Aiff, 8000, 1, tone);
  std::vector<float> opusTone = oxtest::Sine(440, 0.5f, 48000, 2400);
  ok &= oxtest::WriteSoundFile(sounds + "tone.opus", oxtest::SoundFormat::OggOpus, 48000, 1, opusTone);
  if (!ok) fprintf(stderr, "ox_fuzz_seeds: some seed files could not be written\n");
  return ok ? 0 : 1;
}
