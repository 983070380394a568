// A game's starting point: a window, a frame loop, a square walked with the
// arrow keys and a line of text. Escape or closing the window quits; an
// optional argument N ends it after N frames (handy for a test run).
#include <stdio.h>
#include <stdlib.h>

#include "Oxlen.h"

// The font's path: CMakeLists.txt sets it (beside game.exe on Windows);
// Debian's DejaVu Sans otherwise, as the Web build preloads it.
#ifndef GAME_FONT
#define GAME_FONT "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"
#endif

int main(int argc, char** argv)
{
  unsigned long frameLimit = argc > 1 ? strtoul(argv[1], nullptr, 10) : 0;
  OxGfxSetDepthBuffer(0);  // 2D only: no depth or stencil buffer
  OxInputSetTapLatch(1);   // a key tapped within one frame still counts
  if (!OxSysInit(nullptr, SW_SHOWNORMAL, 800, 600, 0, 60, 1, nullptr)) return 1;
  OxSysSetWindowTitle("My game");
  OxGfxSetBatching(1);
  OxGfxSetBackgroundColor(0.1f, 0.1f, 0.2f);
  OxGfxSetBlendMode(OxGfxBlendModeBlend);
  OxGfxFontId font = OxGfxCreateFont(GAME_FONT, 24);  // -1 when missing: no text

  // World pixels: x right, y up, (0, 0) at the window's centre.
  float x = 0.0f, y = 0.0f;
  unsigned long frame = 0;
  for (; OxSysDoesWindowExist() && (!frameLimit || frame < frameLimit); ++frame) {
    OxSysFrameStart();
    if (OxInputCheckTriggered(VK_ESCAPE)) break;
    x += 4.0f * (OxInputCheckCurr(VK_RIGHT) - OxInputCheckCurr(VK_LEFT));
    y += 4.0f * (OxInputCheckCurr(VK_UP) - OxInputCheckCurr(VK_DOWN));

    OxShapeFillRect(x - 20.0f, y - 20.0f, 40.0f, 40.0f, 0xFFF0A030);
    char text[64];
    snprintf(text, sizeof text, "Frame %lu, arrows move, Escape quits", frame);
    if (font >= 0) OxGfxPrintAt(font, text, -380.0f, 260.0f, 1.0f, 1, 1, 1, 1);
    OxSysFrameEnd();
  }

  printf("Frames: %lu\n", frame);
  OxSysExit();  // also destroys the font
  return 0;
}
