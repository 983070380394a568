// PNM decoding, from a whole file in memory: bitmaps (P1, P4), grey maps
// (P2, P5) and colour maps (P3, P6), in text or binary, with samples of up to
// 255. The platforms whose own decoders lack the format use it. No platform
// code.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "image/OxImageCheck.h"
#include "image/OxImageDecoders.h"

namespace {

bool IsSpace(unsigned char c)
{
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// Reads the file's numbers one at a time, skipping whitespace and comments.
struct Scanner {
  const unsigned char* at;
  const unsigned char* end;

  void SkipSpace()
  {
    while (at < end) {
      if (*at == '#') {
        while (at < end && *at != '\n') ++at;
      } else if (IsSpace(*at)) {
        ++at;
      } else {
        break;
      }
    }
  }

  // A decimal number of at most `limit`; false for anything else.
  bool Number(unsigned limit, unsigned* value)
  {
    SkipSpace();
    if (at == end || *at < '0' || *at > '9') return false;
    unsigned long long number = 0;
    while (at < end && *at >= '0' && *at <= '9') {
      number = number * 10 + static_cast<unsigned>(*at++ - '0');
      if (number > limit) return false;
    }
    *value = static_cast<unsigned>(number);
    return true;
  }

  // One bitmap digit of a text bitmap, which needs no space between digits.
  bool Bit(unsigned* value)
  {
    SkipSpace();
    if (at == end || (*at != '0' && *at != '1')) return false;
    *value = static_cast<unsigned>(*at++ - '0');
    return true;
  }
};

}  // namespace

bool OxDecodePnm(const unsigned char* bytes, size_t size, int maxSide, OxDecodedImage* image)
{
  if (size < 3 || bytes[0] != 'P' || bytes[1] < '1' || bytes[1] > '6') return false;
  unsigned kind = static_cast<unsigned>(bytes[1] - '0');
  bool text = kind <= 3, bitmap = kind == 1 || kind == 4, color = kind == 3 || kind == 6;
  Scanner scanner = {bytes + 2, bytes + size};
  unsigned width = 0, height = 0, maxValue = 1;
  const unsigned kLargestSide = 1u << 24;
  if (!scanner.Number(kLargestSide, &width) || !scanner.Number(kLargestSide, &height) ||
      (!bitmap && !scanner.Number(255, &maxValue)) || maxValue == 0 ||
      !OxPlatformImageSizeAcceptable(width, height, maxSide))
    return false;
  // Binary samples begin after one whitespace byte.
  if (!text) {
    if (scanner.at == scanner.end || !IsSpace(*scanner.at)) return false;
    ++scanner.at;
  }

  size_t count = static_cast<size_t>(width) * height;
  unsigned char* pixels = static_cast<unsigned char*>(malloc(count * 4));
  if (!pixels) return false;
  unsigned channels = color ? 3 : 1;
  size_t rowBytes = (width + 7) / 8;  // a binary bitmap's row
  bool ok = true;
  for (size_t i = 0; i < count && ok; ++i) {
    unsigned char* out = pixels + i * 4;
    unsigned samples[3] = {0, 0, 0};
    if (bitmap) {
      unsigned bit = 0;
      if (text) {
        ok = scanner.Bit(&bit);
      } else {
        size_t row = i / width, column = i % width;
        size_t at = row * rowBytes + column / 8;
        ok = at < static_cast<size_t>(scanner.end - scanner.at);
        if (ok) bit = (scanner.at[at] >> (7 - column % 8)) & 1;
      }
      // 1 is black.
      samples[0] = samples[1] = samples[2] = bit ? 0 : 255;
    } else {
      for (unsigned c = 0; c < channels && ok; ++c) {
        if (text) {
          ok = scanner.Number(maxValue, &samples[c]);
        } else {
          ok = scanner.at < scanner.end && *scanner.at <= maxValue;
          if (ok) samples[c] = *scanner.at++;
        }
        // Scaled to 255, rounded down.
        if (ok) samples[c] = samples[c] * 255 / maxValue;
      }
      if (!color) samples[1] = samples[2] = samples[0];
    }
    for (int c = 0; c < 3; ++c) out[c] = static_cast<unsigned char>(samples[c]);
    out[3] = 255;
  }
  if (!ok) {
    free(pixels);
    return false;
  }
  *image = OxDecodedImage{pixels, static_cast<int>(width), static_cast<int>(height)};
  return true;
}
