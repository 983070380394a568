// PNG decoding through libpng, from a whole file in memory: libpng's errors
// end the decode through its jump buffer, its warnings are dropped, and a
// read beyond the bytes given is an error.
#include <png.h>
#include <stdlib.h>
#include <string.h>

#include "image/OxImageCheck.h"
#include "image/OxImageDecoders.h"

namespace {

// What the read callback reads from, and what must be freed if the decode
// jumps out. Kept outside the function that calls setjmp, so nothing it
// changes is lost by the jump.
struct PngDecode {
  const unsigned char* bytes;
  size_t size;
  size_t position;
  unsigned char* pixels;
  png_bytep* rows;
};

void ReadBytes(png_structp png, png_bytep out, size_t length)
{
  PngDecode* decode = static_cast<PngDecode*>(png_get_io_ptr(png));
  if (length > decode->size - decode->position) png_error(png, "file ends early");
  memcpy(out, decode->bytes + decode->position, length);
  decode->position += length;
}

[[noreturn]] void OnError(png_structp png, png_const_charp)
{
  png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

// The decode proper; false on any error. libpng's structures are made and
// destroyed by the caller.
bool Decode(png_structp png, png_infop info, PngDecode* decode, int maxSide,
            OxDecodedImage* image)
{
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_read_fn(png, decode, ReadBytes);
  png_set_user_limits(png, static_cast<png_uint_32>(maxSide), static_cast<png_uint_32>(maxSide));
  png_read_info(png, info);
  png_uint_32 width = 0, height = 0;
  int depth = 0, color = 0, interlace = 0;
  png_get_IHDR(png, info, &width, &height, &depth, &color, &interlace, nullptr, nullptr);
  if (!OxPlatformImageSizeAcceptable(width, height, maxSide)) return false;

  if (color == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
  if (color == PNG_COLOR_TYPE_GRAY && depth < 8) png_set_expand_gray_1_2_4_to_8(png);
  if (png_get_valid(png, info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(png);
  if (depth == 16) png_set_strip_16(png);
  if (color == PNG_COLOR_TYPE_GRAY || color == PNG_COLOR_TYPE_GRAY_ALPHA)
    png_set_gray_to_rgb(png);
  png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  if (png_get_rowbytes(png, info) != static_cast<size_t>(width) * 4) return false;

  size_t rowBytes = static_cast<size_t>(width) * 4;
  decode->pixels = static_cast<unsigned char*>(malloc(rowBytes * height));
  decode->rows = static_cast<png_bytep*>(malloc(sizeof(png_bytep) * height));
  if (!decode->pixels || !decode->rows) return false;
  for (png_uint_32 y = 0; y < height; ++y) decode->rows[y] = decode->pixels + rowBytes * y;
  png_read_image(png, decode->rows);
  // Up to the end chunk: a file cut after its image data is still cut.
  png_read_end(png, nullptr);
  image->width = static_cast<int>(width);
  image->height = static_cast<int>(height);
  return true;
}

}  // namespace

bool OxDecodePng(const unsigned char* bytes, size_t size, int maxSide, OxDecodedImage* image)
{
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, OnError, OnWarning);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  PngDecode decode = {bytes, size, 0, nullptr, nullptr};
  bool decoded = info && Decode(png, info, &decode, maxSide, image);
  png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
  free(decode.rows);
  if (!decoded) {
    free(decode.pixels);
    return false;
  }
  image->pixels = decode.pixels;
  return true;
}
