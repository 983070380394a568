// Image-decoder layer on SDL2_image: reads the whole file, picks the format
// by its signature (TGA, which has none, by its extension), checks the size
// its header declares, decodes into an SDL surface and keeps 32-bit
// surfaces as they are, converting the others.
#include "platform/OxPlatformImage.h"
#include "platform/OxPlatformQuietStderr.h"

#include <SDL2/SDL.h>
#include <SDL2/SDL_image.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <strings.h>
#include <string.h>
#include <unistd.h>

struct OxPlatformImage {
  SDL_Surface* surface;
  OxPlatformPixelOrder order;
};

namespace {

// ---- Types and module state -------------------------------------------------

// The file's bytes as the decoder reads them, and whether it ever asked for
// bytes the file does not have.
struct MemorySource {
  const unsigned char* data;
  size_t size;
  size_t position;
  bool readPastEnd;
};

// One format the decoder knows by its signature, and how to read the image
// size its header declares.
struct SignatureFormat {
  int (*is)(SDL_RWops*);
  SDL_Surface* (*load)(SDL_RWops*);
  bool (*declaredSize)(const unsigned char* bytes, size_t size, long long* width,
                       long long* height);
};

bool PngSize(const unsigned char* bytes, size_t size, long long* width, long long* height);
bool JpegSize(const unsigned char* bytes, size_t size, long long* width, long long* height);
bool BmpSize(const unsigned char* bytes, size_t size, long long* width, long long* height);
bool GifSize(const unsigned char* bytes, size_t size, long long* width, long long* height);
bool WebpSize(const unsigned char* bytes, size_t size, long long* width, long long* height);
bool QoiSize(const unsigned char* bytes, size_t size, long long* width, long long* height);
bool PnmSize(const unsigned char* bytes, size_t size, long long* width, long long* height);

// Tried in order; the common formats first. Only formats whose header size
// is checked before decoding are opened: the decoders allocate the whole
// image as their header declares it, so a few bytes claiming a huge image
// would otherwise cost gigabytes before failing.
const SignatureFormat kSignatureFormats[] = {
    {IMG_isPNG, IMG_LoadPNG_RW, PngSize},   {IMG_isJPG, IMG_LoadJPG_RW, JpegSize},
    {IMG_isBMP, IMG_LoadBMP_RW, BmpSize},   {IMG_isGIF, IMG_LoadGIF_RW, GifSize},
    {IMG_isWEBP, IMG_LoadWEBP_RW, WebpSize}, {IMG_isQOI, IMG_LoadQOI_RW, QoiSize},
    {IMG_isPNM, IMG_LoadPNM_RW, PnmSize},
};

// ---- Declared image sizes -------------------------------------------------------
// Each reads the width and height from the header; false when the header is
// too short to hold them.

unsigned Le16(const unsigned char* p) { return p[0] | (p[1] << 8); }
unsigned long Le32(const unsigned char* p)
{
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<unsigned long>(p[3]) << 24);
}
unsigned Be16(const unsigned char* p) { return (p[0] << 8) | p[1]; }
unsigned long Be32(const unsigned char* p)
{
  return (static_cast<unsigned long>(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3];
}

bool PngSize(const unsigned char* bytes, size_t size, long long* width, long long* height)
{
  if (size < 24) return false;
  *width = static_cast<long long>(Be32(bytes + 16));
  *height = static_cast<long long>(Be32(bytes + 20));
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
      *height = Be16(bytes + at + 5);
      *width = Be16(bytes + at + 7);
      return true;
    }
    if (marker == 0xD8 || (marker >= 0xD0 && marker <= 0xD7) || marker == 0x01) {
      at += 2;
      continue;
    }
    at += 2 + Be16(bytes + at + 2);
  }
  return false;
}

bool BmpSize(const unsigned char* bytes, size_t size, long long* width, long long* height)
{
  if (size < 26) return false;
  if (Le32(bytes + 14) == 12) {  // the old core header: 16-bit sizes
    *width = Le16(bytes + 18);
    *height = Le16(bytes + 20);
    return true;
  }
  *width = static_cast<int32_t>(Le32(bytes + 18));
  *height = static_cast<int32_t>(Le32(bytes + 22));
  if (*width < 0) *width = -*width;
  if (*height < 0) *height = -*height;
  return true;
}

// The bytes of the colour table that a screen or frame descriptor's flags
// announce: none, or 3 bytes for each of 2 to 256 entries.
size_t GifColourTableBytes(unsigned flags)
{
  return (flags & 0x80) ? 3u * (1u << ((flags & 7) + 1)) : 0;
}

// The logical screen, grown to hold the first frame where it reaches beyond.
// The frame is found the way the decoder finds it: extensions are skipped
// with their sub-blocks, any other byte before the frame's ',' is passed
// over, and a ';' or the end of the file means there is no frame. A first
// frame the decoder cannot start (no width or height, a code size above 12
// bits, its colour table or code size cut off) refuses the file: the decoder
// would go on from inside that frame's data to whatever later ',' it finds,
// and such a "frame" may declare any size.
bool GifSize(const unsigned char* bytes, size_t size, long long* width, long long* height)
{
  if (size < 13) return false;
  *width = Le16(bytes + 6);
  *height = Le16(bytes + 8);
  size_t at = 13;
  at += GifColourTableBytes(bytes[10]);
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
    unsigned frameWidth = Le16(bytes + at + 4), frameHeight = Le16(bytes + at + 6);
    unsigned flags = bytes[at + 8];
    size_t codeSizeAt = at + 9 + GifColourTableBytes(flags);
    if (frameWidth == 0 || frameHeight == 0 || codeSizeAt >= size || bytes[codeSizeAt] > 12)
      return false;
    long long right = static_cast<long long>(Le16(bytes + at)) + frameWidth;
    long long bottom = static_cast<long long>(Le16(bytes + at + 2)) + frameHeight;
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
    *width = Le16(bytes + 26) & 0x3FFF;
    *height = Le16(bytes + 28) & 0x3FFF;
  }
  return true;
}

bool QoiSize(const unsigned char* bytes, size_t size, long long* width, long long* height)
{
  if (size < 12) return false;
  *width = static_cast<long long>(Be32(bytes + 4));
  *height = static_cast<long long>(Be32(bytes + 8));
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
  *width = Le16(bytes + 12);
  *height = Le16(bytes + 14);
  return true;
}

// Whether a declared size may be decoded: within the largest side asked for
// and at most 64 Mi pixels (256 MB as 32-bit pixels, which the decoder and a
// conversion may each hold once), so that a damaged header cannot make the
// decoder allocate gigabytes.
bool AcceptableSize(long long width, long long height, int maxSide)
{
  return width <= maxSide && height <= maxSide && width * height <= (1LL << 26);
}

// ---- Reading the file ---------------------------------------------------------

// The whole file in a malloc'ed block (freed by the caller); null when it
// cannot be opened or read (a directory opens but fails to read) or is
// empty. Kept free of the standard containers, whose template code would
// otherwise be exported from the library.
unsigned char* ReadWholeFile(const char* path, size_t* size)
{
  FILE* file = fopen(path, "rb");
  if (!file) return nullptr;
  unsigned char* bytes = nullptr;
  size_t used = 0, capacity = 0;
  bool failed = false;
  for (;;) {
    if (used == capacity) {
      size_t grown = capacity ? capacity * 2 : 65536;
      unsigned char* larger = static_cast<unsigned char*>(realloc(bytes, grown));
      if (!larger) {
        failed = true;
        break;
      }
      bytes = larger;
      capacity = grown;
    }
    size_t got = fread(bytes + used, 1, capacity - used, file);
    used += got;
    if (got == 0) break;
  }
  failed = failed || ferror(file) != 0 || used == 0;
  fclose(file);
  if (failed) {
    free(bytes);
    return nullptr;
  }
  *size = used;
  return bytes;
}

MemorySource* SourceOf(SDL_RWops* stream)
{
  return static_cast<MemorySource*>(stream->hidden.unknown.data1);
}

Sint64 SDLCALL SourceSize(SDL_RWops* stream) { return static_cast<Sint64>(SourceOf(stream)->size); }

Sint64 SDLCALL SourceSeek(SDL_RWops* stream, Sint64 offset, int whence)
{
  MemorySource* source = SourceOf(stream);
  Sint64 base = 0;
  if (whence == RW_SEEK_CUR) base = static_cast<Sint64>(source->position);
  else if (whence == RW_SEEK_END) base = static_cast<Sint64>(source->size);
  Sint64 target = base + offset;
  if (target < 0) return SDL_SetError("seek before the start");
  // Like SDL's own memory streams, a seek beyond the end stops at the end.
  if (static_cast<Uint64>(target) > source->size) target = static_cast<Sint64>(source->size);
  source->position = static_cast<size_t>(target);
  return target;
}

// Whole objects only. A buffered reader may ask once for more than is left;
// asking again at the end, or being short of a record larger than a byte,
// means the file ends before the image does.
size_t SDLCALL SourceRead(SDL_RWops* stream, void* destination, size_t size, size_t count)
{
  MemorySource* source = SourceOf(stream);
  if (size == 0 || count == 0) return 0;
  size_t left = source->size - source->position;
  if (left == 0) {
    source->readPastEnd = true;
    return 0;
  }
  size_t whole = left / size;
  if (whole > count) whole = count;
  if (whole < count && size > 1) source->readPastEnd = true;
  memcpy(destination, source->data + source->position, whole * size);
  source->position += whole * size;
  return whole;
}

size_t SDLCALL SourceWrite(SDL_RWops*, const void*, size_t, size_t) { return 0; }

int SDLCALL SourceClose(SDL_RWops*) { return 0; }

// ---- Decoding -------------------------------------------------------------------

bool HasTgaExtension(const char* path)
{
  const char* dot = strrchr(path, '.');
  return dot && strcasecmp(dot + 1, "tga") == 0;
}

// Decodes with the first format whose signature matches, once its header
// declares a size within maxSide; the read-past-end record is cleared after
// the signature tests, which may read beyond a small file's end without harm.
SDL_Surface* Decode(SDL_RWops* stream, MemorySource* source, const char* path, int maxSide)
{
  long long width = 0, height = 0;
  for (const SignatureFormat& format : kSignatureFormats) {
    source->readPastEnd = false;
    if (!format.is(stream)) continue;
    if (!format.declaredSize(source->data, source->size, &width, &height) ||
        !AcceptableSize(width, height, maxSide))
      return nullptr;
    source->readPastEnd = false;
    SDL_RWseek(stream, 0, RW_SEEK_SET);
    return format.load(stream);
  }
  if (!HasTgaExtension(path)) return nullptr;
  if (!TgaSize(source->data, source->size, &width, &height) ||
      !AcceptableSize(width, height, maxSide))
    return nullptr;
  source->readPastEnd = false;
  SDL_RWseek(stream, 0, RW_SEEK_SET);
  return IMG_LoadTGA_RW(stream);
}

// Whether the surface's pixels can go to OpenGL as they are: 32 bits with
// alpha in one of the two byte orders, rows without padding, not encoded.
bool IsDirectlyUsable(const SDL_Surface* surface, OxPlatformPixelOrder* order)
{
  if (surface->pitch != surface->w * 4 || SDL_MUSTLOCK(surface)) return false;
  if (surface->format->format == SDL_PIXELFORMAT_RGBA32) {
    *order = kOxPixelOrderRGBA;
    return true;
  }
  if (surface->format->format == SDL_PIXELFORMAT_BGRA32) {
    *order = kOxPixelOrderBGRA;
    return true;
  }
  return false;
}

}  // namespace


// ---- Interface --------------------------------------------------------------------

void OxPlatformImageStart()
{
  OxPlatformQuietStderr quiet;
  IMG_Init(IMG_INIT_PNG | IMG_INIT_JPG | IMG_INIT_TIF | IMG_INIT_WEBP);
}

void OxPlatformImageStop() { IMG_Quit(); }

OxPlatformImage* OxPlatformImageOpen(const char* path, int maxSide)
{
  size_t size = 0;
  unsigned char* bytes = ReadWholeFile(path, &size);
  if (!bytes) return nullptr;

  MemorySource source{bytes, size, 0, false};
  SDL_RWops* stream = SDL_AllocRW();
  if (!stream) {
    free(bytes);
    return nullptr;
  }
  stream->type = SDL_RWOPS_UNKNOWN;
  stream->size = SourceSize;
  stream->seek = SourceSeek;
  stream->read = SourceRead;
  stream->write = SourceWrite;
  stream->close = SourceClose;
  stream->hidden.unknown.data1 = &source;

  SDL_Surface* surface;
  {
    OxPlatformQuietStderr quiet;
    surface = Decode(stream, &source, path, maxSide);
  }
  SDL_FreeRW(stream);
  free(bytes);
  if (!surface) return nullptr;
  // A decoder that ran out of file fills the rest with made-up pixels, and
  // one that made a larger image than the header declared is refused too.
  if (source.readPastEnd || surface->w <= 0 || surface->h <= 0 ||
      !AcceptableSize(surface->w, surface->h, maxSide)) {
    SDL_FreeSurface(surface);
    return nullptr;
  }

  OxPlatformPixelOrder order = kOxPixelOrderRGBA;
  if (!IsDirectlyUsable(surface, &order)) {
    // Palettes (with their colour key as alpha), 24-bit, grey and the rest.
    SDL_Surface* converted = SDL_ConvertSurfaceFormat(surface, SDL_PIXELFORMAT_RGBA32, 0);
    SDL_FreeSurface(surface);
    if (!converted) return nullptr;
    surface = converted;
    if (!IsDirectlyUsable(surface, &order)) {
      SDL_FreeSurface(surface);
      return nullptr;
    }
  }

  OxPlatformImage* image = static_cast<OxPlatformImage*>(malloc(sizeof(OxPlatformImage)));
  if (!image) {
    SDL_FreeSurface(surface);
    return nullptr;
  }
  image->surface = surface;
  image->order = order;
  return image;
}

int OxPlatformImageWidth(const OxPlatformImage* image) { return image->surface->w; }

int OxPlatformImageHeight(const OxPlatformImage* image) { return image->surface->h; }

const void* OxPlatformImagePixels(const OxPlatformImage* image) { return image->surface->pixels; }

OxPlatformPixelOrder OxPlatformImagePixelOrder(const OxPlatformImage* image) { return image->order; }

void OxPlatformImageRelease(OxPlatformImage* image)
{
  if (!image) return;
  SDL_FreeSurface(image->surface);
  free(image);
}
