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

Pixel ReadPixel(int x, int y)
{
  unsigned char bytes[4] = {0, 0, 0, 0};
#ifndef __EMSCRIPTEN__
  glReadBuffer(GL_BACK);  // WebGL 1 reads the default framebuffer's only buffer
#endif
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, bytes);
  return Pixel{bytes[0], bytes[1], bytes[2], bytes[3]};
}

bool IsColour(const Pixel& pixel, int r, int g, int b, int tolerance)
{
  return abs(pixel.r - r) <= tolerance && abs(pixel.g - g) <= tolerance &&
         abs(pixel.b - b) <= tolerance;
}

}  // namespace oxtest
