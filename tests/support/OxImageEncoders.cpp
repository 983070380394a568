// Image files for the texture tests in encoded formats: SDL surfaces saved
// by SDL2_image and SDL (PNG, JPEG, BMP), WebP encoded by libwebp.
#include "OxImageSupport.h"

#include <SDL2/SDL.h>
#include <SDL2/SDL_image.h>
#include <webp/encode.h>

#include <algorithm>

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

bool ReadImage(const std::string& path, RgbaPixels* pixels, int* width, int* height)
{
  SDL_Surface* loaded = IMG_Load(path.c_str());
  if (!loaded) return false;
  SDL_Surface* image = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_RGBA32, 0);
  SDL_FreeSurface(loaded);
  if (!image) return false;
  *width = image->w;
  *height = image->h;
  pixels->resize(static_cast<size_t>(image->w) * image->h * 4);
  for (int y = 0; y < image->h; ++y) {
    const unsigned char* row = static_cast<const unsigned char*>(image->pixels) + y * image->pitch;
    std::copy(row, row + image->w * 4, pixels->begin() + static_cast<size_t>(y) * image->w * 4);
  }
  SDL_FreeSurface(image);
  return true;
}

}  // namespace oxtest
