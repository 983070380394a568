// The engine's own decoders, which the backends call directly: QOI, TGA and
// PNM for every backend, and where the platform's decoders cannot be made quiet and safe
// from outside (SDL2_image's, on Linux and in the browser): PNG through
// libpng (its loader ignores short reads, so a cut file can loop forever, and
// prints libpng's warnings), JPEG through libjpeg (its loader turns CMYK into
// garbage) and QOI by its own rules (its loader makes up the pixels a cut
// file lacks). Each keeps its library's messages to itself.
#pragma once
#include <stddef.h>

#include "image/OxImageCheck.h"

// Decoded pixels: width x height x 4 bytes red, green, blue, alpha, rows top
// first without gaps, in a malloc'ed block the caller frees.
struct OxDecodedImage {
  unsigned char* pixels;
  int width;
  int height;
};

// Decodes a whole PNG file: palettes, grey, 16-bit and transparent colours to
// 8-bit RGBA (gamma is not applied). False, with nothing left allocated, for
// any damage, a file that ends before its end chunk, or a size beyond maxSide
// or kOxImageMaxPixels.
bool OxDecodePng(const unsigned char* bytes, size_t size, int maxSide, OxDecodedImage* image);

// Decodes a whole JPEG file (baseline or progressive; grey, colour, CMYK or
// YCCK) to RGBA with alpha 255. Ink is converted as most programs do: inverted
// when the file carries an Adobe marker (as Photoshop writes it). False, with
// nothing left allocated, for a file that ends before its end marker, data
// the decoder cannot go on with, more than 1000 scans, or a size beyond
// maxSide or kOxImageMaxPixels. Damage the decoder can read past (a few bad
// bytes in the entropy-coded data) gives an image, as in other programs.
bool OxDecodeJpeg(const unsigned char* bytes, size_t size, int maxSide, OxDecodedImage* image);

// Decodes a whole QOI file to RGBA. False, with nothing left allocated, for a
// file that ends before its last pixel or its end marker, operations left
// over after the last pixel, or a size beyond maxSide or kOxImageMaxPixels.
bool OxDecodeQoi(const unsigned char* bytes, size_t size, int maxSide, OxDecodedImage* image);

// Decodes a whole TGA file to RGBA: colour-mapped (8- or 16-bit indices into
// 15-, 16-, 24- or 32-bit entries, counted from the map's first index),
// true-colour (15, 16, 24 or 32 bits; 32-bit alpha kept) or 8-bit grey,
// plain or run-length encoded, rows from the top or the bottom, left to
// right or right to left. Five-bit channels widen as v * 255 / 31 rounded
// down. False, with nothing left allocated, for another kind or depth, data
// that ends early, an index the map lacks, or a size beyond maxSide or
// kOxImageMaxPixels.
bool OxDecodeTga(const unsigned char* bytes, size_t size, int maxSide, OxDecodedImage* image);

// Decodes a whole PNM file to RGBA with alpha 255: bitmaps (P1, P4; 1 is
// black), grey maps (P2, P5) and colour maps (P3, P6), in text or binary,
// with comments, and a largest sample value of 1 to 255 (samples scaled to
// 255, rounded down). False, with nothing left allocated, for larger
// samples, a sample above the largest value, data that ends early, or a
// size beyond maxSide or kOxImageMaxPixels.
bool OxDecodePnm(const unsigned char* bytes, size_t size, int maxSide, OxDecodedImage* image);

// The formats every backend decodes with the decoders above, whatever
// decoders the platform has of its own.
inline bool OxHasOwnDecoder(OxImageFormat format)
{
  return format == kOxImageQoi || format == kOxImageTga || format == kOxImagePnm;
}

// Decodes a file of a format OxHasOwnDecoder accepts; false for any other.
inline bool OxDecodeOwn(OxImageFormat format, const unsigned char* bytes, size_t size, int maxSide,
                        OxDecodedImage* image)
{
  switch (format) {
    case kOxImageQoi: return OxDecodeQoi(bytes, size, maxSide, image);
    case kOxImageTga: return OxDecodeTga(bytes, size, maxSide, image);
    case kOxImagePnm: return OxDecodePnm(bytes, size, maxSide, image);
    default: return false;
  }
}
