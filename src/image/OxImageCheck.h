// What every image-decoder backend does before decoding: reads the file
// (regular files only, within a size bound), knows its format by its
// signature (TGA, which has none, by its extension), and reads the size its
// header declares so that an image too large is refused before a decoder
// allocates it. Backend-neutral: it decodes nothing.
#pragma once
#include <stddef.h>

// The formats the image layer reads.
enum OxImageFormat {
  kOxImageUnknown,
  kOxImagePng,
  kOxImageJpeg,
  kOxImageBmp,
  kOxImageGif,
  kOxImageWebp,
  kOxImageQoi,
  kOxImagePnm,
  kOxImageTga
};

// The largest image file read: room for the largest image allowed (64 Mi
// pixels) in the least compact format read, 32-bit BMP or TGA, with its
// header; larger files are refused before they are read.
constexpr size_t kOxImageMaxFileBytes = (static_cast<size_t>(1) << 28) + (1 << 20);
// The most pixels an image may have: 256 MB as 32-bit pixels, which a decoder
// and a conversion may each hold once.
constexpr long long kOxImageMaxPixels = 1LL << 26;

// Unsigned integers of the byte orders image headers use.
inline unsigned OxImageLe16(const unsigned char* p) { return p[0] | (p[1] << 8); }
inline unsigned long OxImageLe32(const unsigned char* p)
{
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<unsigned long>(p[3]) << 24);
}
inline unsigned OxImageBe16(const unsigned char* p) { return (p[0] << 8) | p[1]; }
inline unsigned long OxImageBe32(const unsigned char* p)
{
  return (static_cast<unsigned long>(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3];
}

// The file's bytes in a malloc'ed block (freed by the caller), its size and
// its format; null for a path that is not a regular file, an empty file, a
// file of no known format (refused after its first bytes) or one larger than
// kOxImageMaxFileBytes (refused before reading).
unsigned char* OxPlatformImageReadFile(const char* path, size_t* size, OxImageFormat* format);

// The format of bytes by signature; TGA by the path's ".tga" extension.
OxImageFormat OxPlatformImageFormatOf(const unsigned char* bytes, size_t size, const char* path);

// The width and height bytes of the given format declare; false when the
// header is too short to hold them, for a GIF whose first frame a decoder
// cannot start (it would go on to whatever later frame it finds), and for
// one whose first frame's codes name entries its decoder's table lacks.
bool OxPlatformImageDeclaredSize(OxImageFormat format, const unsigned char* bytes, size_t size,
                                 long long* width, long long* height);

// Whether an image of width x height may be decoded: both at least 1 and at
// most maxSide, and at most kOxImageMaxPixels pixels in all.
bool OxPlatformImageSizeAcceptable(long long width, long long height, int maxSide);

// The declared size read and found acceptable: the checks a backend makes
// before decoding bytes of the given format.
bool OxPlatformImageMayDecode(OxImageFormat format, const unsigned char* bytes, size_t size,
                              int maxSide);
