// The cost of handing the page back to the browser at every frame end: runs
// frames without a frame-rate limit, each drawing a triangle, and prints
// the average frame time. With the argument "noyield" the frame end keeps
// the page (SDL's swap does not sleep), as a build without Asyncify's yield
// would; the page is frozen meanwhile, so only a benchmark may do that. A
// third argument N draws N small turned quads a frame instead, batched: the
// cost of a batch in the page.
// Built with scripts/build-web.sh, run by scripts/bench-web.sh.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "Oxlen.h"

int main(int argc, char** argv)
{
  const bool yield = !(argc > 1 && strcmp(argv[1], "noyield") == 0);
  const int frames = argc > 2 ? atoi(argv[2]) : 600;
  const int quads = argc > 3 ? atoi(argv[3]) : 0;
  if (!yield) setenv("SDL_EMSCRIPTEN_ASYNCIFY", "0", 1);
  if (!OxSysInit(nullptr, SW_SHOWNORMAL, 320, 240, 0, 0, 0, nullptr)) return 1;
  OxGfxMeshStart();
  OxGfxTriAdd(-60, -60, 0xFFFF0000, 0, 0, 60, -60, 0xFF00FF00, 0, 0, 0, 60, 0xFF0000FF, 0, 0);
  OxGfxVertexList* triangle = OxGfxMeshEnd();
  OxGfxMeshStart();
  OxGfxTriAdd(-2, -2, 0xFFFF8000, 0, 0, 2, -2, 0xFFFF8000, 0, 0, 2, 2, 0xFFFF8000, 0, 0);
  OxGfxTriAdd(-2, -2, 0xFFFF8000, 0, 0, 2, 2, 0xFFFF8000, 0, 0, -2, 2, 0xFFFF8000, 0, 0);
  OxGfxVertexList* quad = OxGfxMeshEnd();
  if (quads > 0) OxGfxSetBatching(1);
  OxMtx33 world;
  OxMtx33Identity(&world);
  double start = OxGetTime(nullptr);
  for (int i = 0; i < frames; ++i) {
    OxSysFrameStart();
    OxGfxSetRenderMode(OxGfxRenderModeColor);
    if (quads == 0) {
      OxGfxSetTransform(&world);
      OxGfxMeshDraw(triangle, OxGfxMeshDrawModeTriangles);
    }
    for (int q = 0; q < quads; ++q) {
      OxMtx33 place;
      OxMtx33Rot(&place, 0.01f * static_cast<float>(q + i));
      place.m[0][2] = static_cast<float>(q % 40 * 8 - 156);
      place.m[1][2] = static_cast<float>(q / 40 % 30 * 8 - 116);
      OxGfxSetTransform(&place);
      OxGfxMeshDraw(quad, OxGfxMeshDrawModeTriangles);
    }
    OxSysFrameEnd();
  }
  double seconds = OxGetTime(nullptr) - start;
  OxGfxMeshFree(triangle);
  OxGfxMeshFree(quad);
  OxSysExit();
  printf("frame cost (%s, %d quads): %d frames, %.3f ms a frame\n", yield ? "yield" : "no yield",
         quads, frames, 1000.0 * seconds / frames);
  return 0;
}
