// Image checks shared by the backends: the bounded file read, the format by
// signature, and the image size each format's header declares. Leans on the
// file layer.
#include "image/OxImageCheck.h"

#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>

#include "platform/OxPlatformFile.h"

namespace {

// ---- Declared image sizes -------------------------------------------------------
// Each reads the width and height from the header; false when the header is
// too short to hold them.

bool PngSize(const unsigned char* bytes, size_t size, long long* width, long long* height)
{
  if (size < 24) return false;
  *width = static_cast<long long>(OxImageBe32(bytes + 16));
  *height = static_cast<long long>(OxImageBe32(bytes + 20));
  return true;
}

// The first start-of-frame marker's size.
bool JpegSize(const unsigned char* bytes, size_t size, long long* width, long long* height)
{
  size_t at = 2;
  while (at + 9 <= size) {
    if (bytes[at] != 0xFF) return false;
    unsigned marker = bytes[at + 1];
    if (marker == 0xFF) {  // fill byte
      ++at;
      continue;
    }
    bool startOfFrame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 &&
                        marker != 0xCC;
    if (startOfFrame) {
      *height = OxImageBe16(bytes + at + 5);
      *width = OxImageBe16(bytes + at + 7);
      return true;
    }
    if (marker == 0xD8 || (marker >= 0xD0 && marker <= 0xD7) || marker == 0x01) {
      at += 2;
      continue;
    }
    at += 2 + OxImageBe16(bytes + at + 2);
  }
  return false;
}

bool BmpSize(const unsigned char* bytes, size_t size, long long* width, long long* height)
{
  if (size < 26) return false;
  if (OxImageLe32(bytes + 14) == 12) {  // the old core header: 16-bit sizes
    *width = OxImageLe16(bytes + 18);
    *height = OxImageLe16(bytes + 20);
    return true;
  }
  *width = static_cast<int32_t>(OxImageLe32(bytes + 18));
  *height = static_cast<int32_t>(OxImageLe32(bytes + 22));
  if (*width < 0) *width = -*width;
  if (*height < 0) *height = -*height;
  return true;
}

// The bytes of the colour table that a screen or frame descriptor's flags
// announce: none, or 3 bytes for each of 2 to 256 entries.
size_t GifColorTableBytes(unsigned flags)
{
  return (flags & 0x80) ? 3u * (1u << ((flags & 7) + 1)) : 0;
}

// A frame's LZW codes, read lowest bit first across its data sub-blocks.
struct GifCodeReader {
  const unsigned char* bytes;
  size_t size;
  size_t at, end;  // the next byte and the end of its sub-block
  uint32_t bits = 0;
  unsigned count = 0;

  // The next code of width bits; false when the data ends first.
  bool Next(unsigned width, unsigned* code)
  {
    while (count < width) {
      if (at == end) {  // the next sub-block, after its length byte
        if (end >= size || bytes[end] == 0) return false;
        at = end + 1;
        end = at + bytes[end];
        if (end > size) end = size;
        continue;
      }
      bits |= static_cast<uint32_t>(bytes[at++]) << count;
      count += 8;
    }
    *code = bits & ((1u << width) - 1);
    bits >>= width;
    count -= width;
    return true;
  }
};

// Walks a frame's codes as a decoder builds its string table, until the
// frame's pixels are made or the codes end. False when a code names an entry
// beyond the next one the table would make, or when the first code after a
// clear is not a single pixel: a decoder that follows such a code may link
// its entries in a circle and walk it without end, past its own stack.
bool GifCodesStayInTable(const unsigned char* bytes, size_t size, size_t codeSizeAt,
                         unsigned long long pixels)
{
  const unsigned kTableSize = 4096;
  const unsigned minimum = bytes[codeSizeAt];
  const unsigned clear = 1u << minimum, end = clear + 1;
  unsigned width = minimum + 1, next = clear + 2, limit = 2 * clear;
  unsigned short lengths[kTableSize];  // of each entry's string
  for (unsigned i = 0; i < clear && i < kTableSize; ++i) lengths[i] = 1;
  GifCodeReader codes = {bytes, size, codeSizeAt + 1, codeSizeAt + 1};
  bool first = true;
  unsigned previous = 0, code = 0;
  unsigned long long made = 0;
  while (made < pixels && codes.Next(width, &code)) {
    if (code == clear) {
      width = minimum + 1;
      next = clear + 2;
      limit = 2 * clear;
      first = true;
      continue;
    }
    if (first) {
      if (code >= clear) return false;
      first = false;
      made += 1;
    } else {
      if (code == end) return true;
      if (code > next || code >= kTableSize) return false;
      made += code == next ? lengths[previous] + 1u : lengths[code];
      if (next < kTableSize) {
        lengths[next] = static_cast<unsigned short>(lengths[previous] + 1u);
        ++next;
        if (next >= limit && limit < kTableSize) {
          limit *= 2;
          ++width;
        }
      }
    }
    previous = code;
  }
  return true;
}

// The logical screen, grown to hold the first frame where it reaches beyond.
// The frame is found the way the decoder finds it: extensions are skipped
// with their sub-blocks, any other byte before the frame's ',' is passed
// over, and a ';' or the end of the file means there is no frame. A first
// frame the decoder cannot start (no width or height, a code size above 12
// bits, its colour table or code size cut off) refuses the file: the decoder
// would go on from inside that frame's data to whatever later ',' it finds,
// and such a "frame" may declare any size. So is a first frame whose data
// the file cuts off, and one whose codes leave the decoder's table. Only the
// first frame is decoded, so a file cut after it (even one missing its final
// ';') holds a whole image.
bool GifSize(const unsigned char* bytes, size_t size, long long* width, long long* height)
{
  if (size < 13) return false;
  *width = OxImageLe16(bytes + 6);
  *height = OxImageLe16(bytes + 8);
  size_t at = 13;
  at += GifColorTableBytes(bytes[10]);
  while (at < size) {
    unsigned char c = bytes[at++];
    if (c == ';') return false;
    if (c == '!') {
      ++at;  // the extension's label, then its sub-blocks
      while (at < size && bytes[at] != 0) at += 1 + bytes[at];
      ++at;
      continue;
    }
    if (c != ',') continue;
    if (at + 9 > size) return false;
    unsigned frameWidth = OxImageLe16(bytes + at + 4), frameHeight = OxImageLe16(bytes + at + 6);
    unsigned flags = bytes[at + 8];
    size_t codeSizeAt = at + 9 + GifColorTableBytes(flags);
    if (frameWidth == 0 || frameHeight == 0 || codeSizeAt >= size || bytes[codeSizeAt] > 12)
      return false;
    // The frame's data runs in sub-blocks to an empty one; a file that ends
    // first was cut inside the frame, which the decoder may not notice.
    size_t block = codeSizeAt + 1;
    while (block < size && bytes[block] != 0) block += 1 + bytes[block];
    if (block >= size) return false;
    if (!GifCodesStayInTable(bytes, size, codeSizeAt,
                             static_cast<unsigned long long>(frameWidth) * frameHeight))
      return false;
    long long right = static_cast<long long>(OxImageLe16(bytes + at)) + frameWidth;
    long long bottom = static_cast<long long>(OxImageLe16(bytes + at + 2)) + frameHeight;
    if (right > *width) *width = right;
    if (bottom > *height) *height = bottom;
    return true;
  }
  return false;
}

bool WebpSize(const unsigned char* bytes, size_t size, long long* width, long long* height)
{
  if (size < 30) return false;
  const unsigned char* chunk = bytes + 12;
  if (memcmp(chunk, "VP8X", 4) == 0) {
    *width = 1 + (bytes[24] | (bytes[25] << 8) | (bytes[26] << 16));
    *height = 1 + (bytes[27] | (bytes[28] << 8) | (bytes[29] << 16));
  } else if (memcmp(chunk, "VP8L", 4) == 0) {
    *width = 1 + (bytes[21] | ((bytes[22] & 0x3F) << 8));
    *height = 1 + ((bytes[22] >> 6) | (bytes[23] << 2) | ((bytes[24] & 0x0F) << 10));
  } else {  // "VP8 ": the key frame's sizes
    *width = OxImageLe16(bytes + 26) & 0x3FFF;
    *height = OxImageLe16(bytes + 28) & 0x3FFF;
  }
  return true;
}

bool QoiSize(const unsigned char* bytes, size_t size, long long* width, long long* height)
{
  if (size < 12) return false;
  *width = static_cast<long long>(OxImageBe32(bytes + 4));
  *height = static_cast<long long>(OxImageBe32(bytes + 8));
  return true;
}

// "P1" to "P7": whitespace and comments, then width and height in decimal.
bool PnmSize(const unsigned char* bytes, size_t size, long long* width, long long* height)
{
  long long values[2] = {0, 0};
  size_t at = 2;
  for (long long& value : values) {
    for (;;) {
      while (at < size && (bytes[at] == ' ' || bytes[at] == '\t' || bytes[at] == '\n' ||
                           bytes[at] == '\r'))
        ++at;
      if (at < size && bytes[at] == '#') {
        while (at < size && bytes[at] != '\n') ++at;
        continue;
      }
      break;
    }
    if (at >= size || bytes[at] < '0' || bytes[at] > '9') return false;
    while (at < size && bytes[at] >= '0' && bytes[at] <= '9') {
      if (value < (1LL << 40)) value = value * 10 + (bytes[at] - '0');
      ++at;
    }
  }
  *width = values[0];
  *height = values[1];
  return true;
}

// TGA has no signature: its 18-byte header holds the size at bytes 12 to 15.
bool TgaSize(const unsigned char* bytes, size_t size, long long* width, long long* height)
{
  if (size < 18) return false;
  *width = OxImageLe16(bytes + 12);
  *height = OxImageLe16(bytes + 14);
  return true;
}

bool HasTgaExtension(const char* path)
{
  const char* dot = path ? strrchr(path, '.') : nullptr;
  return dot && strcasecmp(dot + 1, "tga") == 0;
}

bool StartsWith(const unsigned char* bytes, size_t size, const char* signature, size_t length)
{
  return size >= length && memcmp(bytes, signature, length) == 0;
}

// Bytes enough for every signature.
const size_t kSignatureBytes = 16;

// Reads count bytes from offset on; false when the file ends or fails first.
bool ReadFully(OxPlatformFile* file, size_t offset, unsigned char* out, size_t count)
{
  size_t done = 0;
  while (done < count) {
    int64_t got = OxPlatformFileRead(file, static_cast<int64_t>(offset + done), out + done,
                                     count - done);
    if (got <= 0) return false;
    done += static_cast<size_t>(got);
  }
  return true;
}

}  // namespace

// ---- Checks ---------------------------------------------------------------------

OxImageFormat OxPlatformImageFormatOf(const unsigned char* bytes, size_t size, const char* path)
{
  if (StartsWith(bytes, size, "\x89PNG\r\n\x1a\n", 8)) return kOxImagePng;
  if (StartsWith(bytes, size, "\xff\xd8\xff", 3)) return kOxImageJpeg;
  if (StartsWith(bytes, size, "BM", 2)) return kOxImageBmp;
  if (StartsWith(bytes, size, "GIF87a", 6) || StartsWith(bytes, size, "GIF89a", 6))
    return kOxImageGif;
  if (size >= 16 && memcmp(bytes, "RIFF", 4) == 0 && memcmp(bytes + 8, "WEBPVP8", 7) == 0)
    return kOxImageWebp;
  if (StartsWith(bytes, size, "qoif", 4)) return kOxImageQoi;
  if (size >= 3 && bytes[0] == 'P' && bytes[1] >= '1' && bytes[1] <= '6' &&
      (bytes[2] == ' ' || bytes[2] == '\t' || bytes[2] == '\n' || bytes[2] == '\r' ||
       bytes[2] == '\f' || bytes[2] == '\v'))
    return kOxImagePnm;
  if (HasTgaExtension(path)) return kOxImageTga;
  return kOxImageUnknown;
}

bool OxPlatformImageDeclaredSize(OxImageFormat format, const unsigned char* bytes, size_t size,
                                 long long* width, long long* height)
{
  switch (format) {
    case kOxImagePng: return PngSize(bytes, size, width, height);
    case kOxImageJpeg: return JpegSize(bytes, size, width, height);
    case kOxImageBmp: return BmpSize(bytes, size, width, height);
    case kOxImageGif: return GifSize(bytes, size, width, height);
    case kOxImageWebp: return WebpSize(bytes, size, width, height);
    case kOxImageQoi: return QoiSize(bytes, size, width, height);
    case kOxImagePnm: return PnmSize(bytes, size, width, height);
    case kOxImageTga: return TgaSize(bytes, size, width, height);
    default: return false;
  }
}

bool OxPlatformImageSizeAcceptable(long long width, long long height, int maxSide)
{
  return width >= 1 && height >= 1 && width <= maxSide && height <= maxSide &&
         width * height <= kOxImageMaxPixels;
}

bool OxPlatformImageMayDecode(OxImageFormat format, const unsigned char* bytes, size_t size,
                              int maxSide)
{
  long long width = 0, height = 0;
  return OxPlatformImageDeclaredSize(format, bytes, size, &width, &height) &&
         OxPlatformImageSizeAcceptable(width, height, maxSide);
}

unsigned char* OxPlatformImageReadFile(const char* path, size_t* size, OxImageFormat* format)
{
  OxPlatformFile* file = OxPlatformFileOpen(path);
  if (!file) return nullptr;
  int64_t length = OxPlatformFileSize(file);
  unsigned char* bytes = nullptr;
  if (length > 0 && static_cast<uint64_t>(length) <= kOxImageMaxFileBytes)
    bytes = static_cast<unsigned char*>(malloc(static_cast<size_t>(length)));
  // The signature first, so that a large file of another kind is not read.
  size_t whole = static_cast<size_t>(length);
  size_t head = whole < kSignatureBytes ? whole : kSignatureBytes;
  if (bytes && (!ReadFully(file, 0, bytes, head) ||
                (*format = OxPlatformImageFormatOf(bytes, head, path)) == kOxImageUnknown ||
                !ReadFully(file, head, bytes + head, whole - head))) {
    free(bytes);
    bytes = nullptr;
  }
  OxPlatformFileClose(file);
  if (bytes) *size = whole;
  return bytes;
}
