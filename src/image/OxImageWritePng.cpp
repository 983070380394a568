// Image writer on libpng: its errors come back through our own handler (a
// jump out of the library) and its warnings are dropped, so nothing reaches
// standard error. The file itself is the shared writer's.
#include "image/OxImageWrite.h"

#include <png.h>
#include <setjmp.h>
#include <stdio.h>

namespace {

[[noreturn]] void PngError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void PngWarning(png_structp, png_const_charp) {}

}  // namespace

// False when libpng reported an error (a failed write among them). No C++
// objects live here, so the jump out of libpng skips no destructor.
bool OxPlatformEncodePng(FILE* stream, int width, int height, const unsigned char* const* rows)
{
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, PngError, PngWarning);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    return false;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_init_io(png, stream);
  // Screenshots are written during play. One filter for every row (each byte
  // less the one to its left) and a low deflate level took a fifth of the
  // instructions of libpng's defaults on a 1920 x 1080 frame (a quarter of
  // its fastest level's), for a file 1.4 times the default's size.
  png_set_filter(png, 0, PNG_FILTER_SUB);
  png_set_compression_level(png, 3);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width),
               static_cast<png_uint_32>(height), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  png_write_image(png, const_cast<png_bytepp>(rows));
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return true;
}
