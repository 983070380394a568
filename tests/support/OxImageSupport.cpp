// Image files for the texture tests written byte by byte (TGA, GIF, QOI,
// PNM, raw bytes); the encoded formats are in OxImageEncoders.cpp.
#include "OxImageSupport.h"

#include <fstream>
#include <iterator>
#include <sstream>

namespace oxtest {

bool WriteTga(const std::string& path, const RgbaPixels& pixels, int width, int height)
{
  std::string bytes;
  // Uncompressed true colour, 32 bits, 8 alpha bits, top-left origin.
  const unsigned char header[18] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                    static_cast<unsigned char>(width & 0xFF),
                                    static_cast<unsigned char>(width >> 8),
                                    static_cast<unsigned char>(height & 0xFF),
                                    static_cast<unsigned char>(height >> 8), 32, 0x28};
  bytes.append(reinterpret_cast<const char*>(header), sizeof(header));
  for (size_t i = 0; i + 3 < pixels.size(); i += 4) {
    bytes.push_back(static_cast<char>(pixels[i + 2]));
    bytes.push_back(static_cast<char>(pixels[i + 1]));
    bytes.push_back(static_cast<char>(pixels[i + 0]));
    bytes.push_back(static_cast<char>(pixels[i + 3]));
  }
  return WriteBytes(path, bytes);
}

bool WriteTransparentGif(const std::string& path)
{
  const unsigned char gif[] = {
      'G', 'I', 'F', '8', '9', 'a', 2, 0, 1, 0, 0x81, 0, 0,
      // Palette: red, blue, green, white.
      255, 0, 0, 0, 0, 255, 0, 255, 0, 255, 255, 255,
      // Graphic control extension: entry 2 is transparent.
      0x21, 0xF9, 4, 1, 0, 0, 2, 0,
      // Image descriptor, then LZW data: clear, 0, 2, end in 3-bit codes.
      0x2C, 0, 0, 0, 0, 2, 0, 1, 0, 0, 2, 2, 0x84, 0x0A, 0, 0x3B};
  return WriteBytes(path, std::string(reinterpret_cast<const char*>(gif), sizeof(gif)));
}

bool WriteQoi(const std::string& path, const RgbaPixels& pixels, int width, int height)
{
  std::string bytes = "qoif";
  for (int value : {width, height})
    for (int shift = 24; shift >= 0; shift -= 8) bytes.push_back(static_cast<char>(value >> shift));
  bytes.push_back(4);  // RGBA
  bytes.push_back(0);  // sRGB with linear alpha
  for (size_t i = 0; i + 3 < pixels.size(); i += 4) {
    bytes.push_back(static_cast<char>(0xFF));
    bytes.append(reinterpret_cast<const char*>(&pixels[i]), 4);
  }
  bytes.append(7, '\0');
  bytes.push_back(1);
  return WriteBytes(path, bytes);
}

bool WritePnm(const std::string& path, const RgbaPixels& pixels, int width, int height)
{
  std::string bytes = "P6\n" + std::to_string(width) + " " + std::to_string(height) + "\n255\n";
  for (size_t i = 0; i + 3 < pixels.size(); i += 4)
    bytes.append(reinterpret_cast<const char*>(&pixels[i]), 3);
  return WriteBytes(path, bytes);
}

bool WriteBytes(const std::string& path, const std::string& bytes)
{
  std::ofstream out(path, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

std::string ReadBytes(const std::string& path)
{
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace oxtest
