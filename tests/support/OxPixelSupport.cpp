// Back-buffer readback through glReadPixels on the library's current context.
#include "OxPixelSupport.h"

#include <stdlib.h>

#ifdef __EMSCRIPTEN__
#include <GLES2/gl2.h>
#else
#include <GL/glew.h>
#endif

namespace oxtest {

std::ostream& operator<<(std::ostream& out, const Pixel& pixel)
{
  return out << "(" << pixel.r << ", " << pixel.g << ", " << pixel.b << ", " << pixel.a << ")";
}

namespace {

void ReadRectangle(int x, int y, int width, int height, unsigned char* bytes)
{
#ifndef __EMSCRIPTEN__
  glReadBuffer(GL_BACK);  // WebGL 1 reads the default framebuffer's only buffer
#endif
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(x, y, width, height, GL_RGBA, GL_UNSIGNED_BYTE, bytes);
}

}  // namespace

Pixel ReadPixel(int x, int y)
{
  unsigned char bytes[4] = {0, 0, 0, 0};
  ReadRectangle(x, y, 1, 1, bytes);
  return Pixel{bytes[0], bytes[1], bytes[2], bytes[3]};
}

std::vector<unsigned char> ReadFrame(int width, int height)
{
  std::vector<unsigned char> pixels(static_cast<size_t>(width) * height * 4);
  ReadRectangle(0, 0, width, height, pixels.data());
  return pixels;
}

bool IsColour(const Pixel& pixel, int r, int g, int b, int tolerance)
{
  return abs(pixel.r - r) <= tolerance && abs(pixel.g - g) <= tolerance &&
         abs(pixel.b - b) <= tolerance;
}

}  // namespace oxtest
