// Back-buffer reads on WebGL 1: the default framebuffer is the one read, and
// there is no pack or transfer state beyond the alignment; WebGL reads RGBA
// only, so the rows are read as RGBA and packed to RGB here.
#include "platform/OxPlatformGLRead.h"

#include <vector>

#include "platform/OxPlatformGLApi.h"

void OxPlatformReadBackBuffer(int width, int height, unsigned char* pixels)
{
  size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
  std::vector<unsigned char> rgba(4 * count);
  glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
  for (size_t i = 0; i < count; ++i) {
    pixels[3 * i] = rgba[4 * i];
    pixels[3 * i + 1] = rgba[4 * i + 1];
    pixels[3 * i + 2] = rgba[4 * i + 2];
  }
}
