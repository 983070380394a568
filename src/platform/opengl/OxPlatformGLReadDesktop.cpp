// Reading the frame back on desktop OpenGL with neutral pack, transfer and
// read state. Leans on GLEW for the OpenGL entry points and to learn which
// states the driver has (asking about one it lacks would be an OpenGL error).
#include "platform/OxPlatformGLRead.h"

#include <GL/glew.h>

void OxPlatformReadBackBuffer(int width, int height, unsigned char* pixels)
{
  // Pack store: rows tightly packed, nothing skipped, top not swapped with
  // bottom.
  struct Store {
    GLenum name;
    GLint neutral;
    bool offered;
  } const stores[] = {
      {GL_PACK_ALIGNMENT, 1, true},
      {GL_PACK_ROW_LENGTH, 0, true},
      {GL_PACK_SKIP_PIXELS, 0, true},
      {GL_PACK_SKIP_ROWS, 0, true},
      {GL_PACK_INVERT_MESA, GL_FALSE, GLEW_MESA_pack_invert != 0},
  };
  // Pixel transfer: colours passed as they are (scales 1, biases 0, no
  // colour maps); the imaging stages' scales and biases where they exist.
  bool imaging = GLEW_ARB_imaging != 0;
  struct Transfer {
    GLenum name;
    GLfloat neutral;
    bool offered;
  } const transfers[] = {
      {GL_RED_SCALE, 1.0f, true},
      {GL_GREEN_SCALE, 1.0f, true},
      {GL_BLUE_SCALE, 1.0f, true},
      {GL_ALPHA_SCALE, 1.0f, true},
      {GL_RED_BIAS, 0.0f, true},
      {GL_GREEN_BIAS, 0.0f, true},
      {GL_BLUE_BIAS, 0.0f, true},
      {GL_ALPHA_BIAS, 0.0f, true},
      {GL_MAP_COLOR, 0.0f, true},
      {GL_POST_CONVOLUTION_RED_SCALE, 1.0f, imaging},
      {GL_POST_CONVOLUTION_GREEN_SCALE, 1.0f, imaging},
      {GL_POST_CONVOLUTION_BLUE_SCALE, 1.0f, imaging},
      {GL_POST_CONVOLUTION_ALPHA_SCALE, 1.0f, imaging},
      {GL_POST_CONVOLUTION_RED_BIAS, 0.0f, imaging},
      {GL_POST_CONVOLUTION_GREEN_BIAS, 0.0f, imaging},
      {GL_POST_CONVOLUTION_BLUE_BIAS, 0.0f, imaging},
      {GL_POST_CONVOLUTION_ALPHA_BIAS, 0.0f, imaging},
      {GL_POST_COLOR_MATRIX_RED_SCALE, 1.0f, imaging},
      {GL_POST_COLOR_MATRIX_GREEN_SCALE, 1.0f, imaging},
      {GL_POST_COLOR_MATRIX_BLUE_SCALE, 1.0f, imaging},
      {GL_POST_COLOR_MATRIX_ALPHA_SCALE, 1.0f, imaging},
      {GL_POST_COLOR_MATRIX_RED_BIAS, 0.0f, imaging},
      {GL_POST_COLOR_MATRIX_GREEN_BIAS, 0.0f, imaging},
      {GL_POST_COLOR_MATRIX_BLUE_BIAS, 0.0f, imaging},
      {GL_POST_COLOR_MATRIX_ALPHA_BIAS, 0.0f, imaging},
  };
  // The imaging stages that change or swallow pixels, switched off.
  const GLenum stages[] = {GL_COLOR_TABLE, GL_CONVOLUTION_1D, GL_CONVOLUTION_2D,
                           GL_SEPARABLE_2D, GL_POST_CONVOLUTION_COLOR_TABLE,
                           GL_POST_COLOR_MATRIX_COLOR_TABLE, GL_HISTOGRAM, GL_MINMAX};
  const int kStores = sizeof stores / sizeof stores[0];
  const int kTransfers = sizeof transfers / sizeof transfers[0];
  const int kStages = sizeof stages / sizeof stages[0];

  GLint savedStores[kStores];
  for (int i = 0; i < kStores; ++i) {
    if (!stores[i].offered) continue;
    glGetIntegerv(stores[i].name, &savedStores[i]);
    glPixelStorei(stores[i].name, stores[i].neutral);
  }
  GLfloat savedTransfers[kTransfers];
  for (int i = 0; i < kTransfers; ++i) {
    if (!transfers[i].offered) continue;
    glGetFloatv(transfers[i].name, &savedTransfers[i]);
    glPixelTransferf(transfers[i].name, transfers[i].neutral);
  }
  GLboolean savedStages[kStages];
  for (int i = 0; i < kStages && imaging; ++i) {
    savedStages[i] = glIsEnabled(stages[i]);
    glDisable(stages[i]);
  }
  // Pixels go to client memory, not into a buffer object.
  bool packBuffers = GLEW_VERSION_2_1 || GLEW_ARB_pixel_buffer_object;
  GLint packBuffer = 0;
  if (packBuffers) {
    glGetIntegerv(GL_PIXEL_PACK_BUFFER_BINDING, &packBuffer);
    glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
  }
  // From the window's framebuffer, whose read buffer is its own state: it is
  // chosen only once that framebuffer is bound.
  bool framebuffers = GLEW_VERSION_3_0 || GLEW_ARB_framebuffer_object;
  GLint readFramebuffer = 0;
  if (framebuffers) {
    glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &readFramebuffer);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
  }
  GLint readBuffer = GL_BACK;
  glGetIntegerv(GL_READ_BUFFER, &readBuffer);
  glReadBuffer(GL_BACK);

  glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, pixels);

  glReadBuffer(static_cast<GLenum>(readBuffer));
  if (framebuffers) glBindFramebuffer(GL_READ_FRAMEBUFFER, static_cast<GLuint>(readFramebuffer));
  if (packBuffers) glBindBuffer(GL_PIXEL_PACK_BUFFER, static_cast<GLuint>(packBuffer));
  for (int i = 0; i < kStages && imaging; ++i)
    if (savedStages[i]) glEnable(stages[i]);
  for (int i = 0; i < kTransfers; ++i)
    if (transfers[i].offered) glPixelTransferf(transfers[i].name, savedTransfers[i]);
  for (int i = 0; i < kStores; ++i)
    if (stores[i].offered) glPixelStorei(stores[i].name, savedStores[i]);
}
