// A complete game in about forty lines: a window, a spinning mesh, text and a
// sound. Space plays the sound again; Escape or closing the window quits.
// An optional argument N ends it after N frames.
#include <stdlib.h>

#include "Oxlen.h"

int main(int argc, char** argv)
{
  unsigned long frameLimit = argc > 1 ? strtoul(argv[1], nullptr, 10) : 0;
  if (!OxSysInit(nullptr, SW_SHOWNORMAL, 800, 600, 0, 60, 1, nullptr)) return 1;
  OxGfxSetBatching(1);  // draws are merged into few OpenGL calls
  OxGfxSetBackgroundColor(0.1f, 0.1f, 0.2f);

  OxGfxMeshStart();  // a triangle with one colour per corner (0xAARRGGBB)
  OxGfxTriAdd(-80, -60, 0xFFFF4040, 0, 0, 80, -60, 0xFF40FF40, 0, 0, 0, 90, 0xFF4080FF, 0, 0);
  OxGfxVertexList* triangle = OxGfxMeshEnd();
  OxGfxFontId font = OxGfxCreateFont("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", 32);
  OxAudioGroup effects = OxAudioCreateGroup();
  OxAudio beep = OxAudioLoadSound(OX_DEMO_ASSET_DIR "/laser.wav");
  OxAudioPlay(beep, effects, 1.0f, 1.0f, 0);

  float angle = 0;
  for (unsigned long frame = 0; OxSysDoesWindowExist(); ++frame) {
    if (frameLimit && frame >= frameLimit) break;
    OxSysFrameStart();
    if (OxInputCheckTriggered(VK_ESCAPE)) break;
    if (OxInputCheckTriggered(VK_SPACE)) OxAudioPlay(beep, effects, 1.0f, 1.0f, 0);

    OxGfxSetRenderMode(OxGfxRenderModeColor);
    OxMtx33 rotation;
    OxMtx33RotDeg(&rotation, angle += 1.0f);
    OxGfxSetTransform(&rotation);
    OxGfxMeshDraw(triangle, OxGfxMeshDrawModeTriangles);
    OxGfxPrint(font, "Hello from Oxlen", -0.4f, 0.8f, 1.0f, 1, 1, 1, 1);
    OxSysFrameEnd();
  }

  OxGfxMeshFree(triangle);
  OxAudioUnloadAudio(beep);
  OxAudioUnloadAudioGroup(effects);
  OxSysExit();  // also destroys the font
  return 0;
}
