// Image-decoder layer on Win32: the shared checks read the file (regular
// files only, within the size bound) and the size its header declares; GDI+
// decodes PNG, JPEG, BMP and GIF from the bytes in memory into 32-bit
// non-premultiplied ARGB (blue, green, red, alpha in memory), and QOI, TGA
// and PNM go through our own decoders. WebP, which GDI+ does not read, is
// refused.
#include "platform/OxPlatformImage.h"

#include <windows.h>
#include <objidl.h>
#include <shlwapi.h>
#include <gdiplus.h>

#include <limits.h>
#include <stdlib.h>
#include <string.h>

#include "image/OxImageCheck.h"
#include "image/OxImageDecoders.h"

using namespace Gdiplus::DllExports;

struct OxPlatformImage {
  int width;
  int height;
  unsigned char* pixels;  // malloc'ed, rows top first without gaps
  OxPlatformPixelOrder order;
};

namespace {

// ---- Module state ----------------------------------------------------------

struct State {
  ULONG_PTR token = 0;
  int starts = 0;
};

State gState;

// ---- Completeness ----------------------------------------------------------
// GDI+ decodes some cut files without a word (a PNG without its end chunk,
// and on some systems a JPEG without its end marker, with grey for what is
// missing); these find the end the file must have before GDI+ sees it.

unsigned long Be32(const unsigned char* p)
{
  return (static_cast<unsigned long>(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3];
}

// Every chunk whole, up to and including the end chunk.
bool PngIsWhole(const unsigned char* bytes, size_t size)
{
  size_t at = 8;
  while (at + 12 <= size) {
    size_t length = Be32(bytes + at);
    if (length > size - at - 12) return false;
    if (memcmp(bytes + at + 4, "IEND", 4) == 0) return true;
    at += 12 + length;
  }
  return false;
}

// An end-of-image marker after the first start of scan: the marker segments
// before it are walked by their lengths (a thumbnail inside one has its own
// end marker), and the scan data cannot hold one (0xFF in it is stuffed).
bool JpegIsWhole(const unsigned char* bytes, size_t size)
{
  size_t at = 2;
  for (;;) {
    if (at + 4 > size || bytes[at] != 0xFF) return false;
    unsigned marker = bytes[at + 1];
    if (marker == 0xFF) {
      ++at;
      continue;
    }
    if (marker == 0xD8 || (marker >= 0xD0 && marker <= 0xD7) || marker == 0x01) {
      at += 2;
      continue;
    }
    if (marker == 0xDA) break;
    at += 2 + ((bytes[at + 2] << 8) | bytes[at + 3]);
  }
  for (size_t i = size - 1; i > at; --i)
    if (bytes[i] == 0xD9 && bytes[i - 1] == 0xFF) return true;
  return false;
}

// ---- Decoding --------------------------------------------------------------

// GDI+'s pixels of bytes of a format it reads, after its own look at the
// size; null when it cannot decode them all.
OxPlatformImage* DecodeWithGdiplus(const unsigned char* bytes, size_t size, int maxSide)
{
  if (size > static_cast<size_t>(UINT_MAX)) return nullptr;
  IStream* stream = SHCreateMemStream(bytes, static_cast<UINT>(size));
  if (!stream) return nullptr;
  OxPlatformImage* result = nullptr;
  Gdiplus::GpBitmap* bitmap = nullptr;
  if (GdipCreateBitmapFromStream(stream, &bitmap) == Gdiplus::Ok && bitmap) {
    UINT width = 0, height = 0;
    GdipGetImageWidth(bitmap, &width);
    GdipGetImageHeight(bitmap, &height);
    size_t row = static_cast<size_t>(width) * 4;
    unsigned char* pixels = nullptr;
    if (OxPlatformImageSizeAcceptable(width, height, maxSide))
      pixels = static_cast<unsigned char*>(malloc(row * height));
    Gdiplus::Rect rect(0, 0, static_cast<INT>(width), static_cast<INT>(height));
    Gdiplus::BitmapData data;
    memset(&data, 0, sizeof(data));
    if (pixels && GdipBitmapLockBits(bitmap, &rect, Gdiplus::ImageLockModeRead,
                                     PixelFormat32bppARGB, &data) == Gdiplus::Ok) {
      for (UINT y = 0; y < height; ++y)
        memcpy(pixels + row * y,
               static_cast<const unsigned char*>(data.Scan0) + data.Stride * static_cast<INT>(y),
               row);
      GdipBitmapUnlockBits(bitmap, &data);
      result = static_cast<OxPlatformImage*>(malloc(sizeof(OxPlatformImage)));
      if (result) {
        *result = OxPlatformImage{static_cast<int>(width), static_cast<int>(height), pixels,
                                  kOxPixelOrderBGRA};
        pixels = nullptr;
      }
    }
    free(pixels);
    GdipDisposeImage(bitmap);
  }
  stream->Release();
  return result;
}

// QOI, TGA or PNM through our own decoders.
OxPlatformImage* DecodeWithOwnDecoder(OxImageFormat format, const unsigned char* bytes, size_t size,
                                      int maxSide)
{
  OxDecodedImage decoded = {nullptr, 0, 0};
  if (!OxDecodeOwn(format, bytes, size, maxSide, &decoded)) return nullptr;
  auto* image = static_cast<OxPlatformImage*>(malloc(sizeof(OxPlatformImage)));
  if (!image) {
    free(decoded.pixels);
    return nullptr;
  }
  *image = OxPlatformImage{decoded.width, decoded.height, decoded.pixels, kOxPixelOrderRGBA};
  return image;
}

}  // namespace

// ---- Interface -------------------------------------------------------------

void OxPlatformImageStart()
{
  if (gState.starts++ > 0) return;
  Gdiplus::GdiplusStartupInput input;
  input.GdiplusVersion = 1;
  input.DebugEventCallback = nullptr;
  input.SuppressBackgroundThread = FALSE;
  input.SuppressExternalCodecs = FALSE;
  if (Gdiplus::GdiplusStartup(&gState.token, &input, nullptr) != Gdiplus::Ok) gState.token = 0;
}

void OxPlatformImageStop()
{
  if (gState.starts == 0 || --gState.starts > 0) return;
  if (gState.token) Gdiplus::GdiplusShutdown(gState.token);
  gState.token = 0;
}

OxPlatformImage* OxPlatformImageOpen(const char* path, int maxSide)
{
  size_t size = 0;
  OxImageFormat format = kOxImageUnknown;
  unsigned char* bytes = OxPlatformImageReadFile(path, &size, &format);
  if (!bytes) return nullptr;
  OxPlatformImage* image = nullptr;
  if (OxPlatformImageMayDecode(format, bytes, size, maxSide)) {
    if (OxHasOwnDecoder(format)) {
      image = DecodeWithOwnDecoder(format, bytes, size, maxSide);
    } else if ((format == kOxImagePng && PngIsWhole(bytes, size)) ||
               (format == kOxImageJpeg && JpegIsWhole(bytes, size)) || format == kOxImageBmp ||
               format == kOxImageGif) {
      // Decoding works without the start-up call too: GDI+ is started for
      // the length of this call when nothing else started it.
      bool ownStart = gState.starts == 0;
      if (ownStart) OxPlatformImageStart();
      if (gState.token) image = DecodeWithGdiplus(bytes, size, maxSide);
      if (ownStart) OxPlatformImageStop();
    }
  }
  free(bytes);
  return image;
}

int OxPlatformImageWidth(const OxPlatformImage* image) { return image->width; }

int OxPlatformImageHeight(const OxPlatformImage* image) { return image->height; }

const void* OxPlatformImagePixels(const OxPlatformImage* image) { return image->pixels; }

OxPlatformPixelOrder OxPlatformImagePixelOrder(const OxPlatformImage* image) { return image->order; }

void OxPlatformImageRelease(OxPlatformImage* image)
{
  if (!image) return;
  free(image->pixels);
  free(image);
}
