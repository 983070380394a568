// Screenshots: the frame being drawn, read back from the back buffer with
// OpenGL and written as a PNG. Leans on the platform's image writer and the
// system module's full-screen scale.
#include "OxGraphics.h"

#include <stdio.h>

#include <vector>

#include "graphics/OxGraphicsInternal.h"
#include "platform/OxPlatformImageWrite.h"
#include "system/OxSystemInternal.h"

int OxGfxSaveScreenshot(const char* path)
{
  if (!path) {
    printf("Screenshot: no path given\n");
    return 0;
  }
  // Outside a frame the back buffer holds nothing the game drew (after a
  // swap its content is undefined), and before OxGfxInit there is no context.
  if (!OxGfxIsFrameUnderWay()) {
    printf("Screenshot: no frame is being drawn for %s\n", path);
    return 0;
  }
  // NOTE: draws waiting in a batch must reach the back buffer before it is
  // read; this is the place to flush them.

  // The area the frame is drawn in: the window in game pixels, stretched by
  // the full-screen scale like the viewport.
  int width = static_cast<int>(static_cast<float>(OxGfxGetWindowWidth()) * OxSysGetFullScreenScaleX());
  int height = static_cast<int>(static_cast<float>(OxGfxGetWindowHeight()) * OxSysGetFullScreenScaleY());
  if (width <= 0 || height <= 0) {
    printf("Screenshot: cannot write %s\n", path);
    return 0;
  }
  const size_t rowBytes = static_cast<size_t>(width) * 3;
  std::vector<unsigned char> pixels(rowBytes * static_cast<size_t>(height));
  GLint packAlignment = 4;
  glGetIntegerv(GL_PACK_ALIGNMENT, &packAlignment);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadBuffer(GL_BACK);
  glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
  glPixelStorei(GL_PACK_ALIGNMENT, packAlignment);

  // OpenGL's rows run bottom-up, an image's top-down.
  std::vector<const unsigned char*> rows(static_cast<size_t>(height));
  for (int y = 0; y < height; ++y)
    rows[static_cast<size_t>(y)] = pixels.data() + rowBytes * static_cast<size_t>(height - 1 - y);
  if (!OxPlatformWritePng(path, width, height, rows.data())) {
    printf("Screenshot: cannot write %s\n", path);
    return 0;
  }
  return 1;
}
