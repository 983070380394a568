// Image files for the texture tests in encoded formats: SDL surfaces saved
// by SDL2_image and SDL (PNG, JPEG, BMP), PNG and JPEG variants written with
// libpng and libjpeg, WebP encoded by libwebp.
#include "OxImageSupport.h"

#include <SDL2/SDL.h>
#include <SDL2/SDL_image.h>
#include <png.h>
#include <stdio.h>
#include <webp/encode.h>
// libjpeg's header needs FILE and size_t declared first.
#include <jpeglib.h>

#include <algorithm>
#include <vector>

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

bool WritePngWithChunks(const std::string& path, const RgbaPixels& pixels, int width,
                        int height)
{
  FILE* file = fopen(path.c_str(), "wb");
  if (!file) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  std::vector<unsigned char> rgb(static_cast<size_t>(width) * height * 3);
  for (size_t i = 0; i < rgb.size() / 3; ++i)
    for (int c = 0; c < 3; ++c) rgb[3 * i + c] = pixels[4 * i + c];
  bool written = false;
  if (info && setjmp(png_jmpbuf(png)) == 0) {
    png_init_io(png, file);
    png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_ADAM7,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_gAMA(png, info, 1.0 / 2.2);
    png_set_cHRM(png, info, 0.3127, 0.329, 0.64, 0.33, 0.3, 0.6, 0.15, 0.06);
    png_time when = {2024, 5, 17, 12, 30, 0};
    png_set_tIME(png, info, &when);
    png_color_16 transparent = {};
    transparent.red = rgb[0];
    transparent.green = rgb[1];
    transparent.blue = rgb[2];
    png_set_tRNS(png, info, nullptr, 0, &transparent);
    png_text text = {};
    text.compression = PNG_TEXT_COMPRESSION_NONE;
    text.key = const_cast<char*>("Software");
    text.text = const_cast<char*>("a paint program");
    png_set_text(png, info, &text, 1);
    png_write_info(png, info);
    std::vector<png_bytep> rows(height);
    for (int y = 0; y < height; ++y) rows[y] = &rgb[static_cast<size_t>(y) * width * 3];
    png_write_image(png, rows.data());
    png_write_end(png, info);
    written = true;
  }
  png_destroy_write_struct(&png, &info);
  return fclose(file) == 0 && written;
}

bool WriteJpegColours(const std::string& path, const RgbaPixels& pixels, int width, int height,
                      JpegColours colours)
{
  FILE* file = fopen(path.c_str(), "wb");
  if (!file) return false;
  jpeg_compress_struct cinfo;
  jpeg_error_mgr errors;
  cinfo.err = jpeg_std_error(&errors);
  jpeg_create_compress(&cinfo);
  jpeg_stdio_dest(&cinfo, file);
  cinfo.image_width = width;
  cinfo.image_height = height;
  bool ink = colours == JpegColours::Cmyk || colours == JpegColours::Ycck;
  cinfo.input_components = colours == JpegColours::Grey ? 1 : ink ? 4 : 3;
  cinfo.in_color_space = colours == JpegColours::Grey ? JCS_GRAYSCALE : ink ? JCS_CMYK : JCS_RGB;
  jpeg_set_defaults(&cinfo);
  if (colours == JpegColours::Cmyk) jpeg_set_colorspace(&cinfo, JCS_CMYK);
  if (colours == JpegColours::Ycck) jpeg_set_colorspace(&cinfo, JCS_YCCK);
  if (colours == JpegColours::Progressive) jpeg_simple_progression(&cinfo);
  jpeg_set_quality(&cinfo, 100, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  std::vector<unsigned char> row(static_cast<size_t>(width) * 4);
  for (int y = 0; y < height; ++y) {
    const unsigned char* in = &pixels[static_cast<size_t>(y) * width * 4];
    for (int x = 0; x < width; ++x) {
      if (ink) {
        for (int c = 0; c < 4; ++c) row[4 * x + c] = static_cast<unsigned char>(255 - in[4 * x + c]);
      } else if (colours == JpegColours::Grey) {
        row[x] = in[4 * x];
      } else {
        for (int c = 0; c < 3; ++c) row[3 * x + c] = in[4 * x + c];
      }
    }
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&cinfo, rows, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  return fclose(file) == 0;
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
