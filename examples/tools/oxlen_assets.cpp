// Writes the examples' images and sounds, so that no asset is copied from
// elsewhere: a tiled starfield background and a two-frame invader sheet (PNG
// through SDL2_image, or GDI+ in the Windows build), a short laser blip and
// an explosion (WAV through libsndfile) and a looping tune (Ogg Vorbis
// through libsndfile). Usage: oxlen_assets OUTPUT_FOLDER
#ifdef _WIN32
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>
#else
#include <SDL.h>
#include <SDL_image.h>
#endif
#include <sndfile.h>

#include <math.h>
#include <stdio.h>
#include <stdlib.h>

#include <string>
#include <utility>
#include <vector>

namespace {

const int kRate = 44100;
const double kPi = 3.14159265358979323846;

// A small deterministic generator, so every build writes the same files.
unsigned int gSeed = 12345;
unsigned int NextRandom()
{
  gSeed = gSeed * 1103515245u + 12345u;
  return (gSeed >> 16) & 0x7FFF;
}

// The starfield as rows of red, green, blue, alpha bytes, size by size.
std::vector<unsigned char> Starfield(int size)
{
  std::vector<unsigned char> pixels(static_cast<size_t>(size) * size * 4);
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      unsigned char* p = pixels.data() + (static_cast<size_t>(y) * size + x) * 4;
      // A deep blue gradient with faint nebula bands; it tiles vertically.
      double band = 0.5 + 0.5 * sin(2.0 * kPi * (x + 2.0 * y) / size);
      p[0] = static_cast<unsigned char>(10 + 30 * band);
      p[1] = static_cast<unsigned char>(12 + 18 * band);
      p[2] = static_cast<unsigned char>(40 + 50 * band);
      p[3] = 255;
    }
  }
  for (int star = 0; star < size * size / 90; ++star) {
    int x = NextRandom() % size, y = NextRandom() % size;
    unsigned char bright = static_cast<unsigned char>(150 + NextRandom() % 106);
    unsigned char* p = pixels.data() + (static_cast<size_t>(y) * size + x) * 4;
    p[0] = p[1] = p[2] = bright;
  }
  return pixels;
}

// Two 32 x 24 frames side by side: a green invader with its arms up, then
// down; transparent around it.
std::vector<unsigned char> InvaderSheet()
{
  static const char* const kShape[12] = {
      "  X      X  ", "   X    X   ", "  XXXXXXXX  ", " XX XXXX XX ",
      "XXXXXXXXXXXX", "X XXXXXXXX X", "X X      X X", "   XX  XX   ",
      "XX        XX", " X        X ", "  X      X  ", "            "};
  std::vector<unsigned char> pixels(64 * 24 * 4, 0);
  for (int frame = 0; frame < 2; ++frame)
    for (int y = 0; y < 24; ++y)
      for (int x = 0; x < 24; ++x) {
        // Rows 8 and 9 (the arms) swap with rows 10 and 11 in the second frame.
        int row = y / 2;
        if (frame == 1 && row >= 8) row = row < 10 ? row + 2 : row - 2;
        if (kShape[row][x / 2] != 'X') continue;
        unsigned char* p = pixels.data() + (static_cast<size_t>(y) * 64 + frame * 32 + 4 + x) * 4;
        p[0] = 90, p[1] = 230, p[2] = 110, p[3] = 255;
      }
  return pixels;
}

#ifdef _WIN32
bool WritePng(const std::string& path, int width, int height, std::vector<unsigned char> pixels)
{
  using namespace Gdiplus::DllExports;
  // GDI+ holds 32-bit pixels as blue, green, red, alpha.
  for (size_t i = 0; i < pixels.size(); i += 4) std::swap(pixels[i], pixels[i + 2]);
  ULONG_PTR token = 0;
  Gdiplus::GdiplusStartupInput input;
  if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok) return false;
  bool written = false;
  UINT count = 0, bytes = 0;
  GdipGetImageEncodersSize(&count, &bytes);
  std::vector<unsigned char> buffer(bytes ? bytes : 1);
  auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
  Gdiplus::GpBitmap* bitmap = nullptr;
  if (bytes && GdipGetImageEncoders(count, bytes, codecs) == Gdiplus::Ok &&
      GdipCreateBitmapFromScan0(width, height, width * 4, PixelFormat32bppARGB, pixels.data(),
                                &bitmap) == Gdiplus::Ok) {
    std::wstring widePath(path.begin(), path.end());
    for (UINT i = 0; i < count && !written; ++i)
      if (wcscmp(codecs[i].MimeType, L"image/png") == 0)
        written = GdipSaveImageToFile(bitmap, widePath.c_str(), &codecs[i].Clsid, nullptr) ==
                  Gdiplus::Ok;
    GdipDisposeImage(bitmap);
  }
  Gdiplus::GdiplusShutdown(token);
  return written;
}
#else
bool WritePng(const std::string& path, int width, int height, std::vector<unsigned char> pixels)
{
  SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(pixels.data(), width, height, 32,
                                                            width * 4, SDL_PIXELFORMAT_RGBA32);
  if (!surface) return false;
  bool written = IMG_SavePNG(surface, path.c_str()) == 0;
  SDL_FreeSurface(surface);
  return written;
}
#endif

bool WriteSound(const std::string& path, int format, const std::vector<float>& samples)
{
  SF_INFO info = {};
  info.samplerate = kRate;
  info.channels = 1;
  info.format = format;
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  if (!file) return false;
  sf_count_t written = sf_writef_float(file, samples.data(), static_cast<sf_count_t>(samples.size()));
  sf_close(file);
  return written == static_cast<sf_count_t>(samples.size());
}

// A falling square-ish sweep, 0.15 s.
std::vector<float> Laser()
{
  std::vector<float> samples(kRate * 15 / 100);
  double phase = 0;
  for (size_t i = 0; i < samples.size(); ++i) {
    double t = static_cast<double>(i) / samples.size();
    phase += 2.0 * kPi * (1400.0 - 1100.0 * t) / kRate;
    samples[i] = static_cast<float>(0.35 * (1.0 - t) * (sin(phase) > 0 ? 1.0 : -1.0));
  }
  return samples;
}

// Filtered noise with a fast decay, 0.6 s.
std::vector<float> Explosion()
{
  std::vector<float> samples(kRate * 6 / 10);
  double low = 0;
  for (size_t i = 0; i < samples.size(); ++i) {
    double t = static_cast<double>(i) / samples.size();
    double noise = (NextRandom() / 16383.5) - 1.0;
    low += (noise - low) * 0.08;
    samples[i] = static_cast<float>(1.6 * low * (1.0 - t) * (1.0 - t));
  }
  return samples;
}

// Eight bars of a calm arpeggio over a bass note, 8 s, looping cleanly.
std::vector<float> Tune()
{
  const double notes[] = {220.00, 261.63, 329.63, 392.00, 329.63, 261.63, 246.94, 293.66,
                          196.00, 246.94, 293.66, 392.00, 293.66, 246.94, 220.00, 261.63};
  const int noteFrames = kRate / 2;
  std::vector<float> samples(16 * noteFrames);
  for (int n = 0; n < 16; ++n) {
    double bass = notes[(n / 4) * 4] / 2.0;
    for (int i = 0; i < noteFrames; ++i) {
      double t = static_cast<double>(i) / kRate;
      double envelope = exp(-3.0 * t);
      double lead = sin(2.0 * kPi * notes[n] * t) * envelope;
      double under = sin(2.0 * kPi * bass * (n * noteFrames + i) / kRate);
      samples[n * noteFrames + i] = static_cast<float>(0.25 * lead + 0.12 * under);
    }
  }
  return samples;
}

}  // namespace

int main(int argc, char** argv)
{
  if (argc != 2) {
    printf("usage: oxlen_assets OUTPUT_FOLDER\n");
    return 2;
  }
  std::string folder = argv[1];
  bool ok = WritePng(folder + "/background.png", 256, 256, Starfield(256));
  ok = WritePng(folder + "/invaders.png", 64, 24, InvaderSheet()) && ok;
  ok = WriteSound(folder + "/laser.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, Laser()) && ok;
  ok = WriteSound(folder + "/explosion.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, Explosion()) && ok;
  ok = WriteSound(folder + "/music.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS, Tune()) && ok;
  if (!ok) printf("oxlen_assets: could not write the assets into %s\n", folder.c_str());
  return ok ? 0 : 1;
}
