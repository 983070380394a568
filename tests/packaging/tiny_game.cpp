// A tiny game built out of tree against an installed copy of the engine: it
// opens the window, runs five frames and quits.
#include <Oxlen.h>

#include <cstdio>

int main()
{
  if (!OxSysInit(nullptr, SW_SHOWNORMAL, 320, 240, 0, 60, 0, nullptr)) return 2;
  int frames = 0;
  while (frames < 5 && OxSysDoesWindowExist()) {
    OxSysFrameStart();
    OxSysFrameEnd();
    ++frames;
  }
  OxSysExit();
  std::printf("Tiny game frames: %d\n", frames);
  return frames == 5 ? 0 : 3;
}
