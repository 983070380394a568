// Screenshots: the frame being drawn, read back from the back buffer with
// OpenGL and written as a PNG. Leans on the platform's image writer and the
// system module's full-screen scale.
#include "OxGraphics.h"

#include <stdio.h>

#include <memory>
#include <new>

#include "graphics/OxGraphicsInternal.h"
#include "image/OxImageWrite.h"
#include "platform/OxPlatformGLRead.h"
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
  // Draws waiting in a batch must reach the back buffer before it is read.
  OxGfxFlushPending();

  // The area the frame is drawn in: the window in game pixels, stretched by
  // the full-screen scale like the viewport.
  int width = static_cast<int>(static_cast<float>(OxGfxGetWindowWidth()) * OxSysGetFullScreenScaleX());
  int height = static_cast<int>(static_cast<float>(OxGfxGetWindowHeight()) * OxSysGetFullScreenScaleY());
  if (width <= 0 || height <= 0) {
    printf("Screenshot: cannot write %s\n", path);
    return 0;
  }
  const size_t rowBytes = static_cast<size_t>(width) * 3;
  // A frame too large to hold in memory is a failure, not an exception.
  std::unique_ptr<unsigned char[]> pixels(
      new (std::nothrow) unsigned char[static_cast<size_t>(width) * 4 * static_cast<size_t>(height)]);
  std::unique_ptr<const unsigned char*[]> rows(new (std::nothrow) const unsigned char*[static_cast<size_t>(height)]);
  if (!pixels || !rows) {
    printf("Screenshot: cannot write %s\n", path);
    return 0;
  }
  // Read as RGBA, which every OpenGL reads, then packed to RGB in place.
  OxPlatformReadBackBuffer(width, height, pixels.get());
  const unsigned char* from = pixels.get();
  unsigned char* to = pixels.get();
  for (size_t i = 0, count = static_cast<size_t>(width) * static_cast<size_t>(height); i < count; ++i) {
    to[0] = from[0], to[1] = from[1], to[2] = from[2];
    from += 4, to += 3;
  }

  // OpenGL's rows run bottom-up, an image's top-down.
  for (int y = 0; y < height; ++y)
    rows[static_cast<size_t>(y)] = pixels.get() + rowBytes * static_cast<size_t>(height - 1 - y);
  if (!OxPlatformWritePng(path, width, height, rows.get())) {
    printf("Screenshot: cannot write %s\n", path);
    return 0;
  }
  return 1;
}
