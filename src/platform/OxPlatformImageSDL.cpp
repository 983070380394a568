// Image-decoder layer on SDL2_image: reads the whole file, picks the format
// by its signature (TGA, which has none, by its extension), decodes into an
// SDL surface and keeps 32-bit surfaces as they are, converting the others.
#include "platform/OxPlatformImage.h"

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

// One format the decoder knows by its signature.
struct SignatureFormat {
  int (*is)(SDL_RWops*);
  SDL_Surface* (*load)(SDL_RWops*);
};

// Tried in order; the common formats first.
const SignatureFormat kSignatureFormats[] = {
    {IMG_isPNG, IMG_LoadPNG_RW}, {IMG_isJPG, IMG_LoadJPG_RW}, {IMG_isBMP, IMG_LoadBMP_RW},
    {IMG_isGIF, IMG_LoadGIF_RW}, {IMG_isWEBP, IMG_LoadWEBP_RW}, {IMG_isTIF, IMG_LoadTIF_RW},
    {IMG_isQOI, IMG_LoadQOI_RW}, {IMG_isICO, IMG_LoadICO_RW}, {IMG_isCUR, IMG_LoadCUR_RW},
    {IMG_isPCX, IMG_LoadPCX_RW}, {IMG_isPNM, IMG_LoadPNM_RW}, {IMG_isLBM, IMG_LoadLBM_RW},
    {IMG_isXCF, IMG_LoadXCF_RW}, {IMG_isXPM, IMG_LoadXPM_RW}, {IMG_isXV, IMG_LoadXV_RW},
};

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

// Holds standard error on /dev/null while it lives: the codecs behind the
// decoder print their warnings and errors there, and the library writes to
// neither stream. The library runs on one thread, so nothing else of it
// writes meanwhile.
class QuietStandardError {
 public:
  QuietStandardError() : mSaved(-1)
  {
    fflush(stderr);
    int sink = open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (sink < 0) return;
    mSaved = dup(STDERR_FILENO);
    if (mSaved >= 0) dup2(sink, STDERR_FILENO);
    close(sink);
  }
  ~QuietStandardError()
  {
    if (mSaved < 0) return;
    fflush(stderr);
    dup2(mSaved, STDERR_FILENO);
    close(mSaved);
  }
  QuietStandardError(const QuietStandardError&) = delete;
  QuietStandardError& operator=(const QuietStandardError&) = delete;

 private:
  int mSaved;
};

bool HasTgaExtension(const char* path)
{
  const char* dot = strrchr(path, '.');
  return dot && strcasecmp(dot + 1, "tga") == 0;
}

// Decodes with the first format whose signature matches; the read-past-end
// record is cleared after the signature tests, which may read beyond a
// small file's end without harm.
SDL_Surface* Decode(SDL_RWops* stream, MemorySource* source, const char* path)
{
  for (const SignatureFormat& format : kSignatureFormats) {
    source->readPastEnd = false;
    if (!format.is(stream)) continue;
    source->readPastEnd = false;
    SDL_RWseek(stream, 0, RW_SEEK_SET);
    return format.load(stream);
  }
  if (!HasTgaExtension(path)) return nullptr;
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
  QuietStandardError quiet;
  IMG_Init(IMG_INIT_PNG | IMG_INIT_JPG | IMG_INIT_TIF | IMG_INIT_WEBP);
}

void OxPlatformImageStop() { IMG_Quit(); }

OxPlatformImage* OxPlatformImageOpen(const char* path)
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
    QuietStandardError quiet;
    surface = Decode(stream, &source, path);
  }
  SDL_FreeRW(stream);
  free(bytes);
  if (!surface) return nullptr;
  // A decoder that ran out of file fills the rest with made-up pixels.
  if (source.readPastEnd || surface->w <= 0 || surface->h <= 0) {
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
