// A complete game in about seventy lines: a window, a spinning mesh, text and a
// sound it makes itself. Space plays the sound again; Escape or closing the
// window quits. An optional argument N ends it after N frames.
#include <math.h>
#include <stdio.h>
#include <stdlib.h>

#include "Oxlen.h"

// The game's sound: a 0.2 s beep (440 Hz, 16-bit mono) written to a scratch
// WAV file, loaded (sounds are decoded whole) and the file removed again.
static OxAudio MakeBeep()
{
  char path[] = "/tmp/oxlen-beep-XXXXXX";
  FILE* file = fdopen(mkstemp(path), "wb");
  if (!file) return OxAudio{};
  const unsigned int rate = 22050, samples = rate / 5, bytes = 2 * samples;
  // The 44-byte header as little-endian words: "RIFF", size, "WAVE",
  // "fmt ", 16, PCM and 1 channel, rate, bytes a second, 2 and 16 bits, "data".
  const unsigned int header[11] = {0x46464952, 36 + bytes, 0x45564157, 0x20746D66, 16,
                                   0x00010001, rate, 2 * rate, 0x00100002, 0x61746164, bytes};
  fwrite(header, sizeof header, 1, file);
  for (unsigned int i = 0; i < samples; ++i) {
    short sample = static_cast<short>(8000 * sin(6.2831853 * 440 * i / rate));
    fwrite(&sample, sizeof sample, 1, file);
  }
  fclose(file);
  OxAudio beep = OxAudioLoadSound(path);
  remove(path);
  return beep;
}

int main(int argc, char** argv)
{
  unsigned long frameLimit = argc > 1 ? strtoul(argv[1], nullptr, 10) : 0;
  OxGfxSetDepthBuffer(0);  // 2D only: a window without depth and stencil buffers
  OxInputSetTapLatch(1);   // a key tapped within one frame still counts as pressed
  if (!OxSysInit(nullptr, SW_SHOWNORMAL, 800, 600, 0, 60, 1, nullptr)) return 1;
  OxGfxSetBatching(1);  // draws are merged into few OpenGL calls
  OxGfxSetBackgroundColor(0.1f, 0.1f, 0.2f);

  OxGfxMeshStart();  // a triangle with one colour per corner (0xAARRGGBB)
  OxGfxTriAdd(-80, -60, 0xFFFF4040, 0, 0, 80, -60, 0xFF40FF40, 0, 0, 0, 90, 0xFF4080FF, 0, 0);
  OxGfxVertexList* triangle = OxGfxMeshEnd();
  OxGfxFontId font = OxGfxCreateFont("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", 32);
  OxAudioGroup effects = OxAudioCreateGroup();
  OxAudio beep = MakeBeep();
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
