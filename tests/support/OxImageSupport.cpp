// Image files for the texture tests: SDL surfaces saved by SDL2_image and
// SDL, WebP encoded by libwebp, and two formats written byte by byte.
#include "OxImageSupport.h"

#include <SDL2/SDL.h>
#include <SDL2/SDL_image.h>
#include <webp/encode.h>

#include <fstream>
#include <iterator>
#include <sstream>

namespace oxtest {
namespace {

// A surface of the pixels converted to the given format; null on failure.
SDL_Surface* SurfaceOf(const RgbaPixels& pixels, int width, int height, Uint32 format)
{
  SDL_Surface* rgba = SDL_CreateRGBSurfaceWithFormatFrom(
      const_cast<unsigned char*>(pixels.data()), width, height, 32, width * 4,
      SDL_PIXELFORMAT_RGBA32);
  if (!rgba) return nullptr;
  SDL_Surface* converted = SDL_ConvertSurfaceFormat(rgba, format, 0);
  SDL_FreeSurface(rgba);
  return converted;
}

}  // namespace

bool WritePng(const std::string& path, const RgbaPixels& pixels, int width, int height)
{
  SDL_Surface* surface = SurfaceOf(pixels, width, height, SDL_PIXELFORMAT_RGBA32);
  if (!surface) return false;
  bool written = IMG_SavePNG(surface, path.c_str()) == 0;
  SDL_FreeSurface(surface);
  return written;
}

bool WriteBmp(const std::string& path, const RgbaPixels& pixels, int width, int height)
{
  SDL_Surface* surface = SurfaceOf(pixels, width, height, SDL_PIXELFORMAT_BGR24);
  if (!surface) return false;
  bool written = SDL_SaveBMP(surface, path.c_str()) == 0;
  SDL_FreeSurface(surface);
  return written;
}

bool WriteJpeg(const std::string& path, const RgbaPixels& pixels, int width, int height,
               int quality)
{
  SDL_Surface* surface = SurfaceOf(pixels, width, height, SDL_PIXELFORMAT_RGB24);
  if (!surface) return false;
  bool written = IMG_SaveJPG(surface, path.c_str(), quality) == 0;
  SDL_FreeSurface(surface);
  return written;
}

bool WriteWebp(const std::string& path, const RgbaPixels& pixels, int width, int height)
{
  uint8_t* encoded = nullptr;
  size_t size = WebPEncodeLosslessRGBA(pixels.data(), width, height, width * 4, &encoded);
  if (size == 0) return false;
  bool written = WriteBytes(path, std::string(reinterpret_cast<const char*>(encoded), size));
  WebPFree(encoded);
  return written;
}

bool WriteTga(const std::string& path, const RgbaPixels& pixels, int width, int height)
{
  std::string bytes;
  // Uncompressed true colour, 32 bits, 8 alpha bits, top-left origin.
  const unsigned char header[18] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                    static_cast<unsigned char>(width & 0xFF),
                                    static_cast<unsigned char>(width >> 8),
                                    static_cast<unsigned char>(height & 0xFF),
                                    static_cast<unsigned char>(height >> 8), 32, 0x28};
  bytes.append(reinterpret_cast<const char*>(header), sizeof(header));
  for (size_t i = 0; i + 3 < pixels.size(); i += 4) {
    bytes.push_back(static_cast<char>(pixels[i + 2]));
    bytes.push_back(static_cast<char>(pixels[i + 1]));
    bytes.push_back(static_cast<char>(pixels[i + 0]));
    bytes.push_back(static_cast<char>(pixels[i + 3]));
  }
  return WriteBytes(path, bytes);
}

bool WriteTransparentGif(const std::string& path)
{
  const unsigned char gif[] = {
      'G', 'I', 'F', '8', '9', 'a', 2, 0, 1, 0, 0x81, 0, 0,
      // Palette: red, blue, green, white.
      255, 0, 0, 0, 0, 255, 0, 255, 0, 255, 255, 255,
      // Graphic control extension: entry 2 is transparent.
      0x21, 0xF9, 4, 1, 0, 0, 2, 0,
      // Image descriptor, then LZW data: clear, 0, 2, end in 3-bit codes.
      0x2C, 0, 0, 0, 0, 2, 0, 1, 0, 0, 2, 2, 0x84, 0x0A, 0, 0x3B};
  return WriteBytes(path, std::string(reinterpret_cast<const char*>(gif), sizeof(gif)));
}

bool WriteBytes(const std::string& path, const std::string& bytes)
{
  std::ofstream out(path, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

std::string ReadBytes(const std::string& path)
{
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace oxtest
