// Screenshots for the headless demo on Windows: OpenGL's glReadPixels on the
// back buffer, flipped to top-down rows and saved with GDI+'s PNG encoder.
#include "../OxDemoScreenshot.h"

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>
#include <GL/gl.h>
#include <stdio.h>

#include <string>
#include <vector>

#include "Oxlen.h"

using namespace Gdiplus::DllExports;

namespace demo {
namespace {

bool PngEncoder(CLSID* encoder)
{
  UINT count = 0, size = 0;
  if (GdipGetImageEncodersSize(&count, &size) != Gdiplus::Ok || size == 0) return false;
  std::vector<unsigned char> buffer(size);
  auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
  if (GdipGetImageEncoders(count, size, codecs) != Gdiplus::Ok) return false;
  for (UINT i = 0; i < count; ++i) {
    if (wcscmp(codecs[i].MimeType, L"image/png") == 0) {
      *encoder = codecs[i].Clsid;
      return true;
    }
  }
  return false;
}

}  // namespace

bool SaveScreenshot(const char* path, int width, int height)
{
  if (width <= 0 || height <= 0) return false;
  // With batching on, draws still pending reach the back buffer first.
  OxGfxFlush();
  // Blue, green, red, alpha: GDI+'s own order for 32-bit pixels.
  std::vector<unsigned char> pixels(static_cast<size_t>(width) * height * 4);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadBuffer(GL_BACK);
  glReadPixels(0, 0, width, height, GL_BGRA_EXT, GL_UNSIGNED_BYTE, pixels.data());
  for (size_t i = 3; i < pixels.size(); i += 4) pixels[i] = 255;

  ULONG_PTR token = 0;
  Gdiplus::GdiplusStartupInput input;
  if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok) {
    printf("Demo: cannot start GDI+ for the screenshot\n");
    return false;
  }
  bool saved = false;
  CLSID encoder;
  // OpenGL's rows run bottom-up: a negative stride starting at the last row
  // gives GDI+ the image top-down.
  const int row = width * 4;
  Gdiplus::GpBitmap* bitmap = nullptr;
  if (PngEncoder(&encoder) &&
      GdipCreateBitmapFromScan0(width, height, -row, PixelFormat32bppARGB,
                                pixels.data() + static_cast<size_t>(height - 1) * row,
                                &bitmap) == Gdiplus::Ok) {
    int wideSize = MultiByteToWideChar(CP_ACP, 0, path, -1, nullptr, 0);
    std::wstring widePath(wideSize > 0 ? wideSize : 1, L'\0');
    MultiByteToWideChar(CP_ACP, 0, path, -1, &widePath[0], wideSize);
    saved = GdipSaveImageToFile(bitmap, widePath.c_str(), &encoder, nullptr) == Gdiplus::Ok;
    GdipDisposeImage(bitmap);
  }
  if (!saved) printf("Demo: cannot write %s\n", path);
  Gdiplus::GdiplusShutdown(token);
  return saved;
}

}  // namespace demo
