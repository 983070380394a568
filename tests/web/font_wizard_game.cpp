// A game as the Windows project wizard starts one, with its font file beside
// it: wWinMain, the font opened by its bare name from the working folder, a
// triangle and a line of text every frame. Built unchanged for the desktop
// and the web. Command line: the number of frames, then optionally the name
// of a PNG file to save the last frame to.
#include "Oxlen.h"

#include <cstdio>
#include <cwchar>
#include <string>

int APIENTRY wWinMain(_In_ HINSTANCE hInstance, _In_opt_ HINSTANCE hPrevInstance,
                      _In_ LPWSTR lpCmdLine, _In_ int nCmdShow)
{
  UNREFERENCED_PARAMETER(hPrevInstance);
  wchar_t* rest = nullptr;
  unsigned long frameLimit = std::wcstoul(lpCmdLine, &rest, 10);
  std::string screenshot;
  while (rest && *rest == L' ') ++rest;
  for (; rest && *rest; ++rest) screenshot.push_back(static_cast<char>(*rest));

  if (!OxSysInit(hInstance, nCmdShow, 320, 240, 0, 60, 0, nullptr)) return 1;
  OxSysSetWindowTitle("Font wizard");
  OxGfxSetBackgroundColor(0.0f, 0.0f, 0.5f);
  OxGfxFontId font = OxGfxCreateFont("DejaVuSans.ttf", 24);
  if (!font) {
    std::printf("Font wizard: no font\n");
    OxSysExit();
    return 2;
  }
  OxGfxMeshStart();
  OxGfxTriAdd(-60, -60, 0xFFFF0000, 0, 0, 60, -60, 0xFFFF0000, 0, 0, 0, 60, 0xFFFF0000, 0, 0);
  OxGfxVertexList* triangle = OxGfxMeshEnd();

  unsigned long frames = 0;
  while (OxSysDoesWindowExist() && frames < frameLimit) {
    OxSysFrameStart();
    OxGfxSetRenderMode(OxGfxRenderModeColor);
    OxMtx33 world;
    OxMtx33Identity(&world);
    OxGfxSetTransform(&world);
    OxGfxMeshDraw(triangle, OxGfxMeshDrawModeTriangles);
    OxGfxPrint(font, "Hello, web", -0.9f, 0.7f, 1.0f, 1, 1, 0, 1);
    if (++frames == frameLimit && !screenshot.empty() && !OxGfxSaveScreenshot(screenshot.c_str()))
      std::printf("Font wizard: no screenshot\n");
    OxSysFrameEnd();
  }
  OxGfxMeshFree(triangle);
  OxSysExit();
  std::printf("Font wizard frames: %lu\n", frames);
  return frames == frameLimit ? 0 : 3;
}
