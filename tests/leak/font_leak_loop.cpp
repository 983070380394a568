// Runs fonts through their whole life for a leak check: creates, prints with
// and destroys a font the number of times given, then leaves one font for
// the library's exit to release. Exit code 0 when every step worked.
#include <stdlib.h>

#include "Oxlen.h"

int main(int argc, char** argv)
{
  const char* font = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
  int rounds = argc > 1 ? atoi(argv[1]) : 3;
  if (OxSysInit(nullptr, SW_SHOW, 320, 240, 0, 0, 0, nullptr) != 1) return 2;
  int failures = 0;
  for (int round = 0; round < rounds; ++round) {
    OxGfxFontId id = OxGfxCreateFont(font, 12 + round);
    if (id == -1) failures = 3;
    OxSysFrameStart();
    OxGfxPrint(id, "Leak check 0123", -0.5f, 0.0f, 1.0f, 0, 0, 0, 1);
    float width = 0, height = 0;
    OxGfxGetPrintSize(id, "Leak check", 1.0f, &width, &height);
    OxSysFrameEnd();
    OxGfxDestroyFont(id);
  }
  if (OxGfxCreateFont(font, 10) == -1) failures = 4;
  OxGfxCreateFont("/no/such/font.ttf", 10);
  OxSysExit();
  return failures;
}
