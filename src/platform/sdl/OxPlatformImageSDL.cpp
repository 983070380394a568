// Image-decoder layer for Linux: the shared checks read the file and its
// declared size; PNG and JPEG are decoded by libpng and libjpeg, QOI, TGA
// and PNM by our own decoders (see OxImageDecoders.h), the other formats by
// SDL2_image from the bytes in memory, whose surfaces are kept when they are
// 32-bit and converted otherwise. Nothing here writes to either output
// stream.
#include "platform/OxPlatformImage.h"

#include <SDL2/SDL.h>
#include <SDL2/SDL_image.h>
#include <stdlib.h>
#include <string.h>

#include "image/OxImageCheck.h"
#include "image/OxImageDecoders.h"

// Either a surface from SDL2_image or pixels from a library decoder.
struct OxPlatformImage {
  SDL_Surface* surface;
  unsigned char* pixels;
  int width;
  int height;
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

// ---- Reading from memory ---------------------------------------------------------

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

// SDL2_image's loader for the formats it decodes here.
SDL_Surface* LoadWithSdl(OxImageFormat format, SDL_RWops* stream)
{
  switch (format) {
    case kOxImageBmp: return IMG_LoadBMP_RW(stream);
    case kOxImageGif: return IMG_LoadGIF_RW(stream);
    case kOxImageWebp: return IMG_LoadWEBP_RW(stream);
    default: return nullptr;
  }
}

// Decodes bytes of one of SDL2_image's formats into a surface; null when the
// decoder failed or ran out of file (it would fill the rest with made-up
// pixels).
SDL_Surface* DecodeWithSdl(OxImageFormat format, const unsigned char* bytes, size_t size)
{
  MemorySource source{bytes, size, 0, false};
  SDL_RWops* stream = SDL_AllocRW();
  if (!stream) return nullptr;
  stream->type = SDL_RWOPS_UNKNOWN;
  stream->size = SourceSize;
  stream->seek = SourceSeek;
  stream->read = SourceRead;
  stream->write = SourceWrite;
  stream->close = SourceClose;
  stream->hidden.unknown.data1 = &source;
  SDL_Surface* surface = LoadWithSdl(format, stream);
  SDL_FreeRW(stream);
  if (surface && source.readPastEnd) {
    SDL_FreeSurface(surface);
    return nullptr;
  }
  return surface;
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

// The surface as an image, converted to 32 bits first when it is not;
// null (the surface freed) on failure.
OxPlatformImage* ImageOfSurface(SDL_Surface* surface, int maxSide)
{
  if (surface->w <= 0 || surface->h <= 0 ||
      !OxPlatformImageSizeAcceptable(surface->w, surface->h, maxSide)) {
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
  *image = OxPlatformImage{surface, nullptr, surface->w, surface->h, order};
  return image;
}

}  // namespace

// ---- Interface --------------------------------------------------------------------

// WebP is SDL2_image's only optional codec in use here.
void OxPlatformImageStart() { IMG_Init(IMG_INIT_WEBP); }

void OxPlatformImageStop() { IMG_Quit(); }

OxPlatformImage* OxPlatformImageOpen(const char* path, int maxSide)
{
  size_t size = 0;
  OxImageFormat format = kOxImageUnknown;
  unsigned char* bytes = OxPlatformImageReadFile(path, &size, &format);
  if (!bytes) return nullptr;
  if (!OxPlatformImageMayDecode(format, bytes, size, maxSide)) {
    free(bytes);
    return nullptr;
  }
  OxPlatformImage* image = nullptr;
  if (format == kOxImagePng || format == kOxImageJpeg || OxHasOwnDecoder(format)) {
    OxDecodedImage decoded = {nullptr, 0, 0};
    bool ok = format == kOxImagePng    ? OxDecodePng(bytes, size, maxSide, &decoded)
              : format == kOxImageJpeg ? OxDecodeJpeg(bytes, size, maxSide, &decoded)
                                       : OxDecodeOwn(format, bytes, size, maxSide, &decoded);
    if (ok) image = static_cast<OxPlatformImage*>(malloc(sizeof(OxPlatformImage)));
    if (image) *image = OxPlatformImage{nullptr, decoded.pixels, decoded.width, decoded.height,
                                        kOxPixelOrderRGBA};
    else free(decoded.pixels);
  } else {
    SDL_Surface* surface = DecodeWithSdl(format, bytes, size);
    if (surface) image = ImageOfSurface(surface, maxSide);
  }
  free(bytes);
  return image;
}

int OxPlatformImageWidth(const OxPlatformImage* image) { return image->width; }

int OxPlatformImageHeight(const OxPlatformImage* image) { return image->height; }

const void* OxPlatformImagePixels(const OxPlatformImage* image)
{
  return image->surface ? image->surface->pixels : image->pixels;
}

OxPlatformPixelOrder OxPlatformImagePixelOrder(const OxPlatformImage* image) { return image->order; }

void OxPlatformImageRelease(OxPlatformImage* image)
{
  if (!image) return;
  if (image->surface) SDL_FreeSurface(image->surface);
  free(image->pixels);
  free(image);
}
