/* A game in C with the classic WinMain entry point, its matrices passed as
   arrays (a float[4][4] of its own for the 3D setter). Only the engine's
   headers. Command line: the number of frames to run; the game echoes it. */
#include "Oxlen.h"

#include <stdio.h>
#include <stdlib.h>

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nCmdShow)
{
  OxMtx33 world;
  float lifted[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 50}, {0, 0, 1, 0}, {0, 0, 0, 1}};
  OxGfxVertexList* square;
  unsigned long frameLimit = strtoul(lpCmdLine, NULL, 10);
  unsigned long frames = 0;
  BOOL running = TRUE;

  UNREFERENCED_PARAMETER(hPrevInstance);
  printf("Classic game command line: [%s]\n", lpCmdLine);
  if (!OxSysInit(hInstance, nCmdShow, 320, 240, 0, 60, 0, NULL)) {
    OxSysExit();
    return 1;
  }
  OxSysSetWindowTitle("Classic game");

  OxGfxMeshStart();
  OxGfxTriAdd(-20, -20, 0xFF40FF40, 0, 0, 20, -20, 0xFF40FF40, 0, 0, 20, 20, 0xFF40FF40, 0, 0);
  OxGfxTriAdd(-20, -20, 0xFF40FF40, 0, 0, 20, 20, 0xFF40FF40, 0, 0, -20, 20, 0xFF40FF40, 0, 0);
  square = OxGfxMeshEnd();

  while (running && OxSysDoesWindowExist()) {
    OxSysFrameStart();
    if (OxInputCheckTriggered(VK_ESCAPE)) running = FALSE;
    OxGfxSetRenderMode(OxGfxRenderModeColor);
    OxMtx33Trans(&world, -60.0f + (float)frames, 0);
    OxGfxSetTransform(world.m);
    OxGfxMeshDraw(square, OxGfxMeshDrawModeTriangles);
    OxGfxSetTransform3D(lifted);
    OxGfxMeshDraw(square, OxGfxMeshDrawModeTriangles);
    OxSysFrameEnd();
    if (++frames >= frameLimit) running = FALSE;
  }

  OxGfxMeshFree(square);
  OxSysExit();
  printf("Classic game frames: %lu\n", frames);
  return frames == frameLimit ? 0 : 3;
}
