// Graphics module: placeholder lifecycle until the rendering code lands.
#include "OxGraphics.h"

namespace {
int gWindowWidth = 0;
int gWindowHeight = 0;
}

int OxGfxInit(int width, int height)
{
  gWindowWidth = width;
  gWindowHeight = height;
  return 1;
}
void OxGfxExit(void) {}
void OxGfxStart(void) {}
void OxGfxEnd(void) {}
void OxGfxSetVSync(int) {}
int OxGfxGetWindowWidth(void) { return gWindowWidth; }
int OxGfxGetWindowHeight(void) { return gWindowHeight; }
