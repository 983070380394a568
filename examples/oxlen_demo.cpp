// The first example: opens the engine's window and runs the frame loop at 60
// frames per second until Escape is pressed or the window is closed.
// "--frames N" stops it after N frames (for runs without a display).
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "Oxlen.h"

// The value of "--frames N" in the command line, 0 when absent.
static unsigned long FrameLimit(const char* commandLine)
{
  const char* flag = strstr(commandLine, "--frames");
  if (!flag) return 0;
  return strtoul(flag + strlen("--frames"), nullptr, 10);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int showCommand)
{
  unsigned long frameLimit = FrameLimit(commandLine);
  if (!OxSysInit(instance, showCommand, 800, 600, 1, 60, 1, nullptr)) {
    OxSysExit();
    return 1;
  }
  unsigned long frames = 0;
  while (OxSysDoesWindowExist()) {
    OxSysFrameStart();
    if (OxInputCheckTriggered(VK_ESCAPE)) break;
    OxSysFrameEnd();
    ++frames;
    if (frameLimit && frames >= frameLimit) break;
  }
  printf("Frames run: %lu\n", frames);
  OxSysExit();
  return 0;
}
