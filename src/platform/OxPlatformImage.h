// Image-decoder layer: opens an image file by path and delivers its size and
// its pixels as 32-bit non-premultiplied colour, top row first, in the byte
// order the decoder already holds them. Implemented once per backend.
#pragma once

// A decoded image, owned by the caller until OxPlatformImageRelease.
struct OxPlatformImage;

// The order of the four bytes of each pixel in memory.
enum OxPlatformPixelOrder {
  kOxPixelOrderBGRA,  // blue, green, red, alpha
  kOxPixelOrderRGBA   // red, green, blue, alpha
};

// Starts the decoder's optional codecs (those that are available); the
// formats built into the decoder work without it. Never fails.
void OxPlatformImageStart();
// Stops what OxPlatformImageStart started; images already open stay valid.
void OxPlatformImageStop();

// Decodes the file at path (its bytes are used as given, so UTF-8 paths
// work). Null for a file that cannot be read or decoded completely: a path
// that is not a regular file (refused before anything is read), missing,
// empty, larger than kOxImageMaxFileBytes, truncated at any length, or not an
// image, and for an image whose header declares a width or height above
// maxSide or more than kOxImageMaxPixels pixels (refused before anything is
// decoded; see OxImageCheck.h, which every backend uses for these
// checks). Accepts PNG, JPEG (CMYK and YCCK converted to colour), BMP, GIF,
// TGA, WebP, QOI and PNM. Prints nothing, writes nothing to either output
// stream and points neither anywhere else.
OxPlatformImage* OxPlatformImageOpen(const char* path, int maxSide);
// Width and height in pixels.
int OxPlatformImageWidth(const OxPlatformImage* image);
int OxPlatformImageHeight(const OxPlatformImage* image);
// The top row's first pixel; rows follow each other with no gap (each is
// width x 4 bytes).
const void* OxPlatformImagePixels(const OxPlatformImage* image);
OxPlatformPixelOrder OxPlatformImagePixelOrder(const OxPlatformImage* image);
// Frees the image and its pixels. A null image is ignored.
void OxPlatformImageRelease(OxPlatformImage* image);
