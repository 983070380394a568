// Image files for the texture tests, written with SDL2_image and SDL (PNG,
// JPEG, BMP), libpng and libjpeg (PNG with ancillary chunks, JPEG in other
// colour spaces), libwebp (WebP) or byte by byte (GIF, TGA, QOI, PNM), from
// pixels given as bytes red, green, blue, alpha, top row first.
#pragma once
#include <string>
#include <vector>

namespace oxtest {

// Four bytes per pixel, red, green, blue, alpha, row after row from the top.
using RgbaPixels = std::vector<unsigned char>;

// 32-bit PNG with alpha. False when the file could not be written.
bool WritePng(const std::string& path, const RgbaPixels& pixels, int width, int height);
// 24-bit BMP (alpha dropped).
bool WriteBmp(const std::string& path, const RgbaPixels& pixels, int width, int height);
// JPEG at the given quality (alpha dropped; colours only approximate).
bool WriteJpeg(const std::string& path, const RgbaPixels& pixels, int width, int height,
               int quality = 100);
// Lossless WebP with alpha (the exact pixels).
bool WriteWebp(const std::string& path, const RgbaPixels& pixels, int width, int height);
// Uncompressed 32-bit TGA, top row first.
bool WriteTga(const std::string& path, const RgbaPixels& pixels, int width, int height);
// A 2 x 1 GIF with a four-colour palette: left pixel palette entry 0 (red),
// right pixel entry 2, which is the transparent index.
bool WriteTransparentGif(const std::string& path);
// Decodes an image file (PNG, BMP, JPEG) into RGBA pixels, top row first,
// with SDL2_image on Linux and GDI+ on Windows; false when it cannot.
bool ReadImage(const std::string& path, RgbaPixels* pixels, int* width, int* height);
// PNG written with libpng carrying the ancillary chunks ordinary tools
// write (gamma, chromaticities, time, text) and a transparent colour
// (tRNS): 24-bit RGB, Adam7-interlaced. Pixels whose red, green and blue
// equal the first pixel's decode with alpha 0, the others with alpha 255.
bool WritePngWithChunks(const std::string& path, const RgbaPixels& pixels, int width,
                        int height);
// The colour spaces a JPEG file can hold besides plain RGB (YCbCr).
enum class JpegColours { Grey, Cmyk, Ycck, Progressive };
// JPEG written with libjpeg at quality 100. Grey keeps the red channel;
// Progressive is plain colour in progressive scans. Cmyk and Ycck store the
// ink values given as cmyk (4 bytes a pixel: cyan, magenta, yellow, black,
// 0 for none), inverted and with an Adobe marker, as Photoshop writes them.
bool WriteJpegColours(const std::string& path, const RgbaPixels& pixels, int width, int height,
                      JpegColours colours);
// QOI with every pixel as a full RGBA chunk, then the end marker.
bool WriteQoi(const std::string& path, const RgbaPixels& pixels, int width, int height);
// Binary PPM (P6), alpha dropped.
bool WritePnm(const std::string& path, const RgbaPixels& pixels, int width, int height);
// Writes bytes to a file as they are.
bool WriteBytes(const std::string& path, const std::string& bytes);
std::string ReadBytes(const std::string& path);

}  // namespace oxtest
