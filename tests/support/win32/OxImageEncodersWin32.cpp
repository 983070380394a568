// Image files for the texture tests in encoded formats on Win32: GDI+'s own
// encoders (PNG, BMP, JPEG). GDI+ has no WebP encoder; WriteWebp fails.
#include "OxImageSupport.h"

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

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

}  // namespace

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
