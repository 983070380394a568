// Screenshots: the frame being drawn, read back from the back buffer and
// written as a PNG. Leans on the platform's frame read-back, the image
// writer and the graphics module's drawing area.
#include "OxGraphics.h"

#include <stdio.h>

#include <memory>
#include <new>

#include "diagnostics/OxDiagnostics.h"
#include "graphics/OxGraphicsInternal.h"
#include "image/OxImageWrite.h"
#include "platform/OxPlatformGLRead.h"

int OxGfxSaveScreenshot(const char* path)
{
  if (!path) {
    OxDiagPrintFailure("Screenshot: no path given\n");
    return 0;
  }
  // Outside a frame the back buffer holds nothing the game drew (after a
  // swap its content is undefined), and before OxGfxInit there is no context.
  if (!OxGfxIsFrameUnderWay()) {
    OxDiagPrintFailure("Screenshot: no frame is being drawn for %s\n", path);
    return 0;
  }
  // Draws waiting in a batch must reach the back buffer before it is read.
  OxGfxFlushPending();

  // The area the frame is drawn in, which the viewport covers.
  int width = 0, height = 0;
  OxGfxGetDrawingSize(&width, &height);
  if (width <= 0 || height <= 0) {
    OxDiagPrintFailure("Screenshot: cannot write %s\n", path);
    return 0;
  }
  const size_t rowBytes = static_cast<size_t>(width) * 3;
  // A frame too large to hold in memory is a failure, not an exception.
  std::unique_ptr<unsigned char[]> pixels(new (std::nothrow) unsigned char[rowBytes * static_cast<size_t>(height)]);
  std::unique_ptr<const unsigned char*[]> rows(new (std::nothrow) const unsigned char*[static_cast<size_t>(height)]);
  if (!pixels || !rows) {
    OxDiagPrintFailure("Screenshot: cannot write %s\n", path);
    return 0;
  }
  OxPlatformReadBackBuffer(width, height, pixels.get());

  // OpenGL's rows run bottom-up, an image's top-down.
  for (int y = 0; y < height; ++y)
    rows[static_cast<size_t>(y)] = pixels.get() + rowBytes * static_cast<size_t>(height - 1 - y);
  if (!OxPlatformWritePng(path, width, height, rows.get())) {
    OxDiagPrintFailure("Screenshot: cannot write %s\n", path);
    return 0;
  }
  return 1;
}
