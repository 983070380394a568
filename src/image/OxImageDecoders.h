// The engine's own decoders, which the backends call directly: QOI for every
// backend, and where the platform's decoders cannot be made quiet and safe
// from outside (SDL2_image's, on Linux and in the browser): PNG through
// libpng (its loader ignores short reads, so a cut file can loop forever, and
// prints libpng's warnings), JPEG through libjpeg (its loader turns CMYK into
// garbage) and QOI by its own rules (its loader makes up the pixels a cut
// file lacks). Each keeps its library's messages to itself.
#pragma once
#include <stddef.h>

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
