// QOI decoding, from a whole file in memory. The format is one page of
// rules; decoding it here (instead of through SDL2_image, whose decoder
// repeats the last pixel over whatever a cut file lacks) lets a file that
// ends before its pixels and end marker fail. No platform code: any backend
// may use it.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "image/OxImageCheck.h"
#include "image/OxImageDecoders.h"

namespace {

const size_t kHeaderBytes = 14;
const unsigned char kEndMarker[8] = {0, 0, 0, 0, 0, 0, 0, 1};

// The operations, by their whole first byte or by its top two bits.
const unsigned char kRgb = 0xFE, kRgba = 0xFF;
const unsigned char kIndex = 0x00, kDiff = 0x40, kLuma = 0x80;  // and 0xC0, a run

int Hash(const unsigned char* px) { return (px[0] * 3 + px[1] * 5 + px[2] * 7 + px[3] * 11) % 64; }

}  // namespace

bool OxDecodeQoi(const unsigned char* bytes, size_t size, int maxSide, OxDecodedImage* image)
{
  if (size < kHeaderBytes + sizeof kEndMarker || memcmp(bytes, "qoif", 4) != 0) return false;
  uint32_t width = static_cast<uint32_t>(OxImageBe32(bytes + 4));
  uint32_t height = static_cast<uint32_t>(OxImageBe32(bytes + 8));
  unsigned channels = bytes[12], colorSpace = bytes[13];
  if ((channels != 3 && channels != 4) || colorSpace > 1 ||
      !OxPlatformImageSizeAcceptable(width, height, maxSide))
    return false;
  size_t count = static_cast<size_t>(width) * height;
  unsigned char* pixels = static_cast<unsigned char*>(malloc(count * 4));
  if (!pixels) return false;

  unsigned char index[64][4];
  memset(index, 0, sizeof index);
  unsigned char px[4] = {0, 0, 0, 255};
  // The operations end where the end marker begins.
  size_t end = size - sizeof kEndMarker, at = kHeaderBytes;
  unsigned run = 0;
  bool damaged = false;
  for (size_t i = 0; i < count && !damaged; ++i) {
    if (run > 0) {
      --run;
    } else if (at >= end) {
      damaged = true;
      break;
    } else {
      unsigned char op = bytes[at++];
      if (op == kRgb || op == kRgba) {
        size_t needed = op == kRgb ? 3 : 4;
        if (end - at < needed) {
          damaged = true;
          break;
        }
        memcpy(px, bytes + at, needed);
        at += needed;
      } else if ((op & 0xC0) == kIndex) {
        memcpy(px, index[op & 0x3F], 4);
      } else if ((op & 0xC0) == kDiff) {
        px[0] = static_cast<unsigned char>(px[0] + ((op >> 4) & 3) - 2);
        px[1] = static_cast<unsigned char>(px[1] + ((op >> 2) & 3) - 2);
        px[2] = static_cast<unsigned char>(px[2] + (op & 3) - 2);
      } else if ((op & 0xC0) == kLuma) {
        if (at >= end) {
          damaged = true;
          break;
        }
        int green = (op & 0x3F) - 32;
        unsigned char second = bytes[at++];
        px[0] = static_cast<unsigned char>(px[0] + green - 8 + ((second >> 4) & 0x0F));
        px[1] = static_cast<unsigned char>(px[1] + green);
        px[2] = static_cast<unsigned char>(px[2] + green - 8 + (second & 0x0F));
      } else {  // a run: this pixel and op & 0x3F more
        run = op & 0x3F;
      }
      memcpy(index[Hash(px)], px, 4);
    }
    memcpy(pixels + 4 * i, px, 4);
  }
  // Every pixel decoded, and the end marker right after the last operation.
  if (damaged || run > 0 || at != end || memcmp(bytes + end, kEndMarker, sizeof kEndMarker) != 0) {
    free(pixels);
    return false;
  }
  image->pixels = pixels;
  image->width = static_cast<int>(width);
  image->height = static_cast<int>(height);
  return true;
}
