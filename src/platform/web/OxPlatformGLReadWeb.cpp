// Back-buffer reads on WebGL 1: the default framebuffer is the one read, and
// RGBA rows are tightly packed at any pack alignment, so there is no state to
// set or put back.
#include "platform/OxPlatformGLRead.h"

#include "platform/OxPlatformGLApi.h"

void OxPlatformReadBackBuffer(int width, int height, unsigned char* rgba)
{
  glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
}
