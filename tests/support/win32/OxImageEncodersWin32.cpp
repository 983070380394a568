// Image files for the texture tests in encoded formats on Win32: GDI+'s own
// encoders (PNG, BMP, JPEG), and the PNG with ancillary chunks written byte
// by byte (stored deflate blocks). GDI+ has no WebP encoder and writes JPEG
// only in YCbCr colour: WriteWebp and WriteJpegColours fail.
#include "OxImageSupport.h"

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <stdint.h>

#include <algorithm>
#include <string>
#include <vector>

using namespace Gdiplus::DllExports;

namespace oxtest {
namespace {

// GDI+ started for the test program's life.
bool StartGdiplus()
{
  static bool started = [] {
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartupInput input;
    return Gdiplus::GdiplusStartup(&token, &input, nullptr) == Gdiplus::Ok;
  }();
  return started;
}

bool EncoderOf(const wchar_t* mimeType, CLSID* encoder)
{
  UINT count = 0, size = 0;
  if (GdipGetImageEncodersSize(&count, &size) != Gdiplus::Ok || size == 0) return false;
  std::vector<unsigned char> buffer(size);
  auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
  if (GdipGetImageEncoders(count, size, codecs) != Gdiplus::Ok) return false;
  for (UINT i = 0; i < count; ++i) {
    if (wcscmp(codecs[i].MimeType, mimeType) == 0) {
      *encoder = codecs[i].Clsid;
      return true;
    }
  }
  return false;
}

// The pixels as a GDI+ bitmap in the given format, saved with the encoder.
bool Save(const std::string& path, const RgbaPixels& pixels, int width, int height,
          Gdiplus::PixelFormat format, const wchar_t* mimeType,
          const Gdiplus::EncoderParameters* parameters = nullptr)
{
  if (!StartGdiplus()) return false;
  CLSID encoder;
  if (!EncoderOf(mimeType, &encoder)) return false;
  // GDI+ holds 32-bit pixels as blue, green, red, alpha.
  std::vector<unsigned char> bgra(pixels.size());
  for (size_t i = 0; i + 3 < pixels.size(); i += 4) {
    bgra[i] = pixels[i + 2];
    bgra[i + 1] = pixels[i + 1];
    bgra[i + 2] = pixels[i];
    bgra[i + 3] = pixels[i + 3];
  }
  Gdiplus::GpBitmap* source = nullptr;
  if (GdipCreateBitmapFromScan0(width, height, width * 4, PixelFormat32bppARGB, bgra.data(),
                                &source) != Gdiplus::Ok)
    return false;
  Gdiplus::GpBitmap* converted = source;
  if (format != PixelFormat32bppARGB) {
    converted = nullptr;
    GdipCloneBitmapAreaI(0, 0, width, height, format, source, &converted);
  }
  std::wstring widePath(path.begin(), path.end());
  bool saved = converted && GdipSaveImageToFile(converted, widePath.c_str(), &encoder,
                                                parameters) == Gdiplus::Ok;
  if (converted && converted != source) GdipDisposeImage(converted);
  GdipDisposeImage(source);
  return saved;
}

// ---- PNG byte by byte --------------------------------------------------------

uint32_t Crc32(const std::string& bytes)
{
  uint32_t crc = 0xFFFFFFFFu;
  for (unsigned char byte : bytes) {
    crc ^= byte;
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

void PutBe32(std::string* out, uint32_t value)
{
  for (int shift = 24; shift >= 0; shift -= 8) out->push_back(static_cast<char>(value >> shift));
}

void PutChunk(std::string* out, const char* type, const std::string& data)
{
  PutBe32(out, static_cast<uint32_t>(data.size()));
  std::string typed = std::string(type) + data;
  out->append(typed);
  PutBe32(out, Crc32(typed));
}

// A zlib stream of stored (uncompressed) deflate blocks.
std::string StoredZlib(const std::string& raw)
{
  std::string out = "\x78\x01";
  size_t at = 0;
  do {
    size_t length = std::min<size_t>(raw.size() - at, 65535);
    bool last = at + length == raw.size();
    out.push_back(last ? 1 : 0);
    out.push_back(static_cast<char>(length & 0xFF));
    out.push_back(static_cast<char>(length >> 8));
    out.push_back(static_cast<char>(~length & 0xFF));
    out.push_back(static_cast<char>((~length >> 8) & 0xFF));
    out.append(raw, at, length);
    at += length;
  } while (at < raw.size());
  uint32_t a = 1, b = 0;
  for (unsigned char byte : raw) {
    a = (a + byte) % 65521;
    b = (b + a) % 65521;
  }
  PutBe32(&out, (b << 16) | a);
  return out;
}

}  // namespace

bool WritePngWithChunks(const std::string& path, const RgbaPixels& pixels, int width,
                        int height)
{
  std::string png = "\x89PNG\r\n\x1a\n";
  std::string header;
  PutBe32(&header, static_cast<uint32_t>(width));
  PutBe32(&header, static_cast<uint32_t>(height));
  header += std::string("\x08\x02\x00\x00\x01", 5);  // 8-bit RGB, Adam7
  PutChunk(&png, "IHDR", header);
  std::string gamma;
  PutBe32(&gamma, 45455);
  PutChunk(&png, "gAMA", gamma);
  std::string chromaticities;
  for (uint32_t value : {31270u, 32900u, 64000u, 33000u, 30000u, 60000u, 15000u, 6000u})
    PutBe32(&chromaticities, value);
  PutChunk(&png, "cHRM", chromaticities);
  PutChunk(&png, "tIME", std::string("\x07\xe8\x05\x11\x0c\x1e\x00", 7));
  std::string transparent;
  for (int c = 0; c < 3; ++c) {
    transparent.push_back('\0');
    transparent.push_back(static_cast<char>(pixels[c]));
  }
  PutChunk(&png, "tRNS", transparent);
  PutChunk(&png, "tEXt", std::string("Software\0a paint program", 24));
  // The seven Adam7 passes: start and step in x and y; rows without filter.
  const int passes[7][4] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                            {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
  std::string raw;
  for (const auto& pass : passes) {
    if (pass[0] >= width || pass[1] >= height) continue;
    for (int y = pass[1]; y < height; y += pass[3]) {
      raw.push_back('\0');
      for (int x = pass[0]; x < width; x += pass[2])
        raw.append(reinterpret_cast<const char*>(&pixels[(static_cast<size_t>(y) * width + x) * 4]), 3);
    }
  }
  PutChunk(&png, "IDAT", StoredZlib(raw));
  PutChunk(&png, "IEND", "");
  return WriteBytes(path, png);
}

bool WriteJpegColours(const std::string&, const RgbaPixels&, int, int, JpegColours)
{
  return false;
}

bool WritePng(const std::string& path, const RgbaPixels& pixels, int width, int height)
{
  return Save(path, pixels, width, height, PixelFormat32bppARGB, L"image/png");
}

bool WriteBmp(const std::string& path, const RgbaPixels& pixels, int width, int height)
{
  return Save(path, pixels, width, height, PixelFormat24bppRGB, L"image/bmp");
}

bool WriteJpeg(const std::string& path, const RgbaPixels& pixels, int width, int height,
               int quality)
{
  Gdiplus::EncoderParameters parameters;
  ULONG value = static_cast<ULONG>(quality);
  parameters.Count = 1;
  parameters.Parameter[0].Guid = Gdiplus::EncoderQuality;
  parameters.Parameter[0].Type = Gdiplus::EncoderParameterValueTypeLong;
  parameters.Parameter[0].NumberOfValues = 1;
  parameters.Parameter[0].Value = &value;
  return Save(path, pixels, width, height, PixelFormat24bppRGB, L"image/jpeg", &parameters);
}

bool WriteWebp(const std::string&, const RgbaPixels&, int, int) { return false; }

bool ReadImage(const std::string& path, RgbaPixels* pixels, int* width, int* height)
{
  if (!StartGdiplus()) return false;
  std::wstring widePath(path.begin(), path.end());
  Gdiplus::GpBitmap* bitmap = nullptr;
  if (GdipCreateBitmapFromFile(widePath.c_str(), &bitmap) != Gdiplus::Ok) return false;
  UINT w = 0, h = 0;
  GdipGetImageWidth(bitmap, &w);
  GdipGetImageHeight(bitmap, &h);
  Gdiplus::Rect area(0, 0, static_cast<INT>(w), static_cast<INT>(h));
  Gdiplus::BitmapData data;
  bool read = GdipBitmapLockBits(bitmap, &area, Gdiplus::ImageLockModeRead, PixelFormat32bppARGB,
                                 &data) == Gdiplus::Ok;
  if (read) {
    *width = static_cast<int>(w);
    *height = static_cast<int>(h);
    pixels->resize(static_cast<size_t>(w) * h * 4);
    for (UINT y = 0; y < h; ++y) {
      const unsigned char* row = static_cast<const unsigned char*>(data.Scan0) + y * data.Stride;
      unsigned char* out = pixels->data() + static_cast<size_t>(y) * w * 4;
      // Blue, green, red, alpha to red, green, blue, alpha.
      for (UINT x = 0; x < w; ++x) {
        out[x * 4] = row[x * 4 + 2];
        out[x * 4 + 1] = row[x * 4 + 1];
        out[x * 4 + 2] = row[x * 4];
        out[x * 4 + 3] = row[x * 4 + 3];
      }
    }
    GdipBitmapUnlockBits(bitmap, &data);
  }
  GdipDisposeImage(bitmap);
  return read;
}

}  // namespace oxtest
