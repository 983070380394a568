// Image writer on GDI+: the pixels go into a 24-bit bitmap, GDI+'s PNG
// encoder writes it into a stream in memory, and those bytes go to the file
// the shared writer opened.
#include "image/OxImageWrite.h"

#include <windows.h>
#include <objidl.h>
#include <shlwapi.h>
#include <gdiplus.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <vector>

using namespace Gdiplus::DllExports;

namespace {

// The class id of GDI+'s PNG encoder; false when it has none.
bool FindPngEncoder(CLSID* id)
{
  UINT count = 0, bytes = 0;
  if (GdipGetImageEncodersSize(&count, &bytes) != Gdiplus::Ok || bytes == 0) return false;
  std::vector<unsigned char> buffer(bytes);
  auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
  if (GdipGetImageEncoders(count, bytes, codecs) != Gdiplus::Ok) return false;
  for (UINT i = 0; i < count; ++i) {
    if (codecs[i].MimeType && wcscmp(codecs[i].MimeType, L"image/png") == 0) {
      *id = codecs[i].Clsid;
      return true;
    }
  }
  return false;
}

// The PNG file's bytes for the pixels, encoded by GDI+ (started for the
// length of the call); empty on failure.
std::vector<unsigned char> Encode(int width, int height, const unsigned char* const* rows)
{
  std::vector<unsigned char> encoded;
  ULONG_PTR token = 0;
  Gdiplus::GdiplusStartupInput input;
  if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok) return encoded;
  CLSID png;
  Gdiplus::GpBitmap* bitmap = nullptr;
  IStream* stream = nullptr;
  if (FindPngEncoder(&png) &&
      GdipCreateBitmapFromScan0(width, height, 0, PixelFormat24bppRGB, nullptr, &bitmap) ==
          Gdiplus::Ok) {
    Gdiplus::Rect rect(0, 0, width, height);
    Gdiplus::BitmapData data;
    memset(&data, 0, sizeof(data));
    bool filled = false;
    if (GdipBitmapLockBits(bitmap, &rect, Gdiplus::ImageLockModeWrite, PixelFormat24bppRGB,
                           &data) == Gdiplus::Ok) {
      // GDI+ holds 24-bit pixels as blue, green, red.
      for (int y = 0; y < height; ++y) {
        unsigned char* out = static_cast<unsigned char*>(data.Scan0) + data.Stride * y;
        const unsigned char* in = rows[y];
        for (int x = 0; x < width; ++x) {
          out[3 * x + 0] = in[3 * x + 2];
          out[3 * x + 1] = in[3 * x + 1];
          out[3 * x + 2] = in[3 * x + 0];
        }
      }
      filled = GdipBitmapUnlockBits(bitmap, &data) == Gdiplus::Ok;
    }
    stream = filled ? SHCreateMemStream(nullptr, 0) : nullptr;
    STATSTG status;
    LARGE_INTEGER start = {};
    if (stream && GdipSaveImageToStream(bitmap, stream, &png, nullptr) == Gdiplus::Ok &&
        stream->Stat(&status, STATFLAG_NONAME) == S_OK && status.cbSize.QuadPart > 0 &&
        status.cbSize.QuadPart < (1ull << 31) &&
        stream->Seek(start, STREAM_SEEK_SET, nullptr) == S_OK) {
      ULONG size = static_cast<ULONG>(status.cbSize.QuadPart), got = 0;
      try {
        encoded.resize(size);
        if (stream->Read(encoded.data(), size, &got) != S_OK || got != size) encoded.clear();
      } catch (...) {
        encoded.clear();
      }
    }
  }
  if (stream) stream->Release();
  if (bitmap) GdipDisposeImage(bitmap);
  Gdiplus::GdiplusShutdown(token);
  return encoded;
}

}  // namespace

bool OxPlatformEncodePng(FILE* stream, int width, int height, const unsigned char* const* rows)
{
  std::vector<unsigned char> encoded;
  try {
    encoded = Encode(width, height, rows);
  } catch (...) {
    return false;
  }
  return !encoded.empty() && fwrite(encoded.data(), 1, encoded.size(), stream) == encoded.size();
}
