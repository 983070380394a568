// Image-decoder layer on Win32: GDI+ decodes the file's bytes, read first by
// this file so that only regular files are opened and nothing stays locked,
// into 32-bit non-premultiplied ARGB (blue, green, red, alpha in memory).
#include "platform/OxPlatformImage.h"

#include <windows.h>
#include <objidl.h>
#include <shlwapi.h>
#include <gdiplus.h>

#include <limits.h>
#include <stdint.h>
#include <string.h>

#include <algorithm>
#include <new>
#include <string>
#include <vector>

using namespace Gdiplus::DllExports;

struct OxPlatformImage {
  int width = 0;
  int height = 0;
  std::vector<unsigned char> pixels;
};

namespace {

// The most pixels an image may declare, as on the other platform.
constexpr int64_t kMostPixels = int64_t{64} * 1024 * 1024;
// Files above this size are refused before being read: no image within the
// size limits is that large, even as an uncompressed bitmap.
constexpr int64_t kMostFileBytes = int64_t{1} << 30;

struct State {
  ULONG_PTR token = 0;
  int starts = 0;
};

State gState;

// The path's bytes in the program's code page, as Windows takes 8-bit paths.
std::wstring WidePath(const char* path)
{
  int length = MultiByteToWideChar(CP_ACP, 0, path, -1, nullptr, 0);
  if (length <= 0) return std::wstring();
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_ACP, 0, path, -1, &wide[0], length);
  wide.resize(static_cast<size_t>(length - 1));
  return wide;
}

// The whole file when it is a regular file on a disk (not a directory, a
// device such as CON or NUL, or a pipe) of a size an image can have.
bool ReadRegularFile(const char* path, std::vector<unsigned char>* bytes)
{
  std::wstring wide = WidePath(path);
  if (wide.empty()) return false;
  HANDLE file = CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  bool read = false;
  BY_HANDLE_FILE_INFORMATION info;
  if (GetFileType(file) == FILE_TYPE_DISK && GetFileInformationByHandle(file, &info) &&
      !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
    int64_t size = (static_cast<int64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    if (size > 0 && size <= kMostFileBytes) {
      try {
        bytes->resize(static_cast<size_t>(size));
        size_t done = 0;
        read = true;
        while (done < bytes->size()) {
          DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes->size() - done, 1u << 24));
          DWORD got = 0;
          if (!ReadFile(file, bytes->data() + done, chunk, &got, nullptr) || got == 0) {
            read = false;
            break;
          }
          done += got;
        }
      } catch (const std::bad_alloc&) {
        read = false;
      }
    }
  }
  CloseHandle(file);
  return read;
}

}  // namespace

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
  if (!path) return nullptr;
  // Decoding works without the start-up call too: GDI+ is started for the
  // length of this call when nothing else started it.
  bool ownStart = gState.starts == 0;
  if (ownStart) OxPlatformImageStart();
  OxPlatformImage* result = nullptr;
  std::vector<unsigned char> bytes;
  if (gState.token && ReadRegularFile(path, &bytes) &&
      bytes.size() <= static_cast<size_t>(UINT_MAX)) {
    IStream* stream = SHCreateMemStream(bytes.data(), static_cast<UINT>(bytes.size()));
    Gdiplus::GpBitmap* bitmap = nullptr;
    if (stream && GdipCreateBitmapFromStream(stream, &bitmap) == Gdiplus::Ok && bitmap) {
      UINT width = 0, height = 0;
      GdipGetImageWidth(bitmap, &width);
      GdipGetImageHeight(bitmap, &height);
      // The header's size is checked before any pixel is decoded.
      bool sizeAccepted = width > 0 && height > 0 && width <= static_cast<UINT>(maxSide) &&
                          height <= static_cast<UINT>(maxSide) &&
                          static_cast<int64_t>(width) * height <= kMostPixels;
      if (sizeAccepted) {
        auto* image = new (std::nothrow) OxPlatformImage;
        Gdiplus::Rect rect(0, 0, static_cast<INT>(width), static_cast<INT>(height));
        Gdiplus::BitmapData data;
        memset(&data, 0, sizeof(data));
        if (image && GdipBitmapLockBits(bitmap, &rect, Gdiplus::ImageLockModeRead,
                                        PixelFormat32bppARGB, &data) == Gdiplus::Ok) {
          try {
            image->width = static_cast<int>(width);
            image->height = static_cast<int>(height);
            size_t row = static_cast<size_t>(width) * 4;
            image->pixels.resize(row * height);
            for (UINT y = 0; y < height; ++y)
              memcpy(image->pixels.data() + row * y,
                     static_cast<const unsigned char*>(data.Scan0) + data.Stride * static_cast<INT>(y),
                     row);
            result = image;
            image = nullptr;
          } catch (const std::bad_alloc&) {
          }
          GdipBitmapUnlockBits(bitmap, &data);
        }
        delete image;
      }
    }
    if (bitmap) GdipDisposeImage(bitmap);
    if (stream) stream->Release();
  }
  if (ownStart) OxPlatformImageStop();
  return result;
}

int OxPlatformImageWidth(const OxPlatformImage* image) { return image->width; }

int OxPlatformImageHeight(const OxPlatformImage* image) { return image->height; }

const void* OxPlatformImagePixels(const OxPlatformImage* image) { return image->pixels.data(); }

OxPlatformPixelOrder OxPlatformImagePixelOrder(const OxPlatformImage*) { return kOxPixelOrderBGRA; }

void OxPlatformImageRelease(OxPlatformImage* image) { delete image; }
