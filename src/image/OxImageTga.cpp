// TGA decoding, from a whole file in memory: colour-mapped, true-colour and
// grey images, plain or run-length encoded, in either row order. The
// platforms whose own decoders lack the format use it. No platform code.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "image/OxImageCheck.h"
#include "image/OxImageDecoders.h"

namespace {

const size_t kHeaderBytes = 18;

enum ImageType : unsigned char {
  kMapped = 1,
  kTrueColor = 2,
  kGrey = 3,
  kRunLength = 8  // added to the three above
};

// One stored pixel or colour map entry of 15, 16, 24 or 32 bits as RGBA;
// 15- and 16-bit ones are five bits a channel (v widened as v * 255 / 31,
// rounded down), their top bit not alpha.
void ColorOf(const unsigned char* in, unsigned bits, unsigned char out[4])
{
  if (bits <= 16) {
    unsigned value = OxImageLe16(in);
    const unsigned shifts[3] = {10, 5, 0};
    for (int c = 0; c < 3; ++c)
      out[c] = static_cast<unsigned char>(((value >> shifts[c]) & 31) * 255 / 31);
    out[3] = 255;
    return;
  }
  out[0] = in[2];
  out[1] = in[1];
  out[2] = in[0];
  out[3] = bits == 32 ? in[3] : 255;
}

// The pixels of the file's image data, in stored order, decoded through
// the colour map or the grey and colour rules; false when the data ends
// early or names an entry the map lacks.
struct Reader {
  const unsigned char* at;
  const unsigned char* end;
  unsigned type;  // without kRunLength
  unsigned pixelBytes;
  unsigned pixelBits;
  const unsigned char* map;  // entries of mapBits, for kMapped
  unsigned mapFirst, mapCount, mapBits;

  bool Pixel(const unsigned char* in, unsigned char out[4]) const
  {
    if (type == kGrey) {
      out[0] = out[1] = out[2] = in[0];
      out[3] = 255;
    } else if (type == kTrueColor) {
      ColorOf(in, pixelBits, out);
    } else {
      unsigned index = pixelBytes == 1 ? in[0] : OxImageLe16(in);
      if (index < mapFirst || index - mapFirst >= mapCount) return false;
      ColorOf(map + (index - mapFirst) * ((mapBits + 7) / 8), mapBits, out);
    }
    return true;
  }
};

}  // namespace

bool OxDecodeTga(const unsigned char* bytes, size_t size, int maxSide, OxDecodedImage* image)
{
  if (size < kHeaderBytes) return false;
  unsigned idBytes = bytes[0], mapType = bytes[1], fullType = bytes[2];
  unsigned mapFirst = OxImageLe16(bytes + 3), mapCount = OxImageLe16(bytes + 5), mapBits = bytes[7];
  unsigned width = OxImageLe16(bytes + 12), height = OxImageLe16(bytes + 14);
  unsigned pixelBits = bytes[16], descriptor = bytes[17];
  unsigned type = fullType & ~static_cast<unsigned>(kRunLength);
  bool runLength = (fullType & kRunLength) != 0;
  if (fullType > 11 || (type != kMapped && type != kTrueColor && type != kGrey)) return false;
  if (type == kMapped) {
    if (mapType != 1 || (pixelBits != 8 && pixelBits != 16) ||
        (mapBits != 15 && mapBits != 16 && mapBits != 24 && mapBits != 32))
      return false;
  } else if (type == kTrueColor) {
    if (pixelBits != 15 && pixelBits != 16 && pixelBits != 24 && pixelBits != 32) return false;
  } else if (pixelBits != 8) {
    return false;
  }
  if (!OxPlatformImageSizeAcceptable(width, height, maxSide)) return false;

  // A map present in a file of another type is skipped.
  size_t mapBytes = mapType == 1 ? static_cast<size_t>(mapCount) * ((mapBits + 7) / 8) : 0;
  if (mapType > 1 || size - kHeaderBytes < idBytes + mapBytes) return false;
  Reader reader;
  reader.map = bytes + kHeaderBytes + idBytes;
  reader.at = reader.map + mapBytes;
  reader.end = bytes + size;
  reader.type = type;
  reader.pixelBits = pixelBits;
  reader.pixelBytes = (pixelBits + 7) / 8;
  reader.mapFirst = mapFirst;
  reader.mapCount = mapCount;
  reader.mapBits = mapBits;

  size_t count = static_cast<size_t>(width) * height;
  unsigned char* pixels = static_cast<unsigned char*>(malloc(count * 4));
  if (!pixels) return false;
  bool topFirst = (descriptor & 0x20) != 0, rightFirst = (descriptor & 0x10) != 0;
  unsigned char color[4] = {0, 0, 0, 0};
  unsigned repeat = 0, literal = 0;  // pixels left of the current packet
  bool ok = true;
  for (size_t i = 0; i < count && ok; ++i) {
    size_t row = i / width, column = i % width;
    if (!topFirst) row = height - 1 - row;
    if (rightFirst) column = width - 1 - column;
    unsigned char* out = pixels + (row * width + column) * 4;
    if (runLength && repeat == 0 && literal == 0) {
      if (reader.at == reader.end) {
        ok = false;
        break;
      }
      unsigned packet = *reader.at++;
      if (packet & 0x80) {
        repeat = (packet & 0x7F) + 1;
        if (static_cast<size_t>(reader.end - reader.at) < reader.pixelBytes ||
            !reader.Pixel(reader.at, color)) {
          ok = false;
          break;
        }
        reader.at += reader.pixelBytes;
      } else {
        literal = packet + 1;
      }
    }
    if (repeat > 0) {
      --repeat;
    } else {
      if (literal > 0) --literal;
      if (static_cast<size_t>(reader.end - reader.at) < reader.pixelBytes ||
          !reader.Pixel(reader.at, color)) {
        ok = false;
        break;
      }
      reader.at += reader.pixelBytes;
    }
    memcpy(out, color, 4);
  }
  if (!ok) {
    free(pixels);
    return false;
  }
  *image = OxDecodedImage{pixels, static_cast<int>(width), static_cast<int>(height)};
  return true;
}
