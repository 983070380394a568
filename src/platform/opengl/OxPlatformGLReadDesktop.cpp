// Back-buffer reads on desktop OpenGL: the pack settings a game may have
// changed are set to tightly packed rows for the read and put back after.
#include "platform/OxPlatformGLRead.h"

#include "platform/OxPlatformGLApi.h"

void OxPlatformReadBackBuffer(int width, int height, unsigned char* rgba)
{
  const GLenum settings[] = {GL_PACK_ALIGNMENT, GL_PACK_ROW_LENGTH, GL_PACK_SKIP_PIXELS,
                             GL_PACK_SKIP_ROWS};
  const GLint packed[] = {1, 0, 0, 0};
  GLint saved[4] = {4, 0, 0, 0};
  for (int i = 0; i < 4; ++i) {
    glGetIntegerv(settings[i], &saved[i]);
    glPixelStorei(settings[i], packed[i]);
  }
  GLint readBuffer = GL_BACK;
  glGetIntegerv(GL_READ_BUFFER, &readBuffer);
  glReadBuffer(GL_BACK);
  glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
  glReadBuffer(static_cast<GLenum>(readBuffer));
  for (int i = 0; i < 4; ++i) glPixelStorei(settings[i], saved[i]);
}
