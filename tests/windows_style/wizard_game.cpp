// A game as the Windows project wizard starts one: wWinMain with source
// annotations, a global instance, InitInstance, a format-checked log helper
// and the world matrices passed as arrays. Only the engine's headers.
// Command line: the number of frames to run, then anything; the game echoes
// the wide command line as code points so the caller can check its decoding.
#include "Oxlen.h"

#include <cstdarg>
#include <cstdio>
#include <cwchar>

#define MAX_LOADSTRING 100

// Global Variables:
HINSTANCE hInst;                       // current instance
char szTitle[MAX_LOADSTRING] = "Wizard game";

static void Log(_In_z_ _Printf_format_string_ const char* format, ...)
{
  va_list arguments;
  va_start(arguments, format);
  std::vprintf(format, arguments);
  va_end(arguments);
}

static BOOL InitInstance(_In_opt_ HINSTANCE hInstance, _In_ int nCmdShow)
{
  hInst = hInstance;  // Store instance handle in our global variable
  if (!OxSysInit(hInstance, nCmdShow, 320, 240, 0, 60, 0, nullptr)) return FALSE;
  OxSysSetWindowTitle(szTitle);
  return TRUE;
}

static void BuildWorld(_Out_ OxMtx33* world, _In_ float angle)
{
  OxMtx33 rotation, translation;
  OxMtx33RotDeg(&rotation, angle);
  OxMtx33Trans(&translation, 40, 0);
  OxMtx33Concat(world, &translation, &rotation);
}

int APIENTRY wWinMain(_In_ HINSTANCE hInstance,
                      _In_opt_ HINSTANCE hPrevInstance,
                      _In_ LPWSTR    lpCmdLine,
                      _In_ int       nCmdShow)
{
  UNREFERENCED_PARAMETER(hPrevInstance);

  Log("Wizard game command line:");
  for (LPCWSTR character = lpCmdLine; *character; ++character)
    Log(" U+%04lX", static_cast<unsigned long>(*character));
  Log("\n");
  unsigned long frameLimit = std::wcstoul(lpCmdLine, nullptr, 10);

  // Perform application initialization:
  if (!InitInstance(hInstance, nCmdShow)) {
    OxSysExit();
    return FALSE;
  }

  OxGfxMeshStart();
  OxGfxTriAdd(-30, -20, 0xFFFF8000, 0, 0, 30, -20, 0xFF00C0FF, 0, 0, 0, 30, 0xFFFFFFFF, 0, 0);
  OxGfxVertexList* triangle = OxGfxMeshEnd();
  Matrix4 lifted(1, 0, 0, 0,
                 0, 1, 0, 50,
                 0, 0, 1, 0,
                 0, 0, 0, 1);

  unsigned long frames = 0;
  for (float angle = 0; OxSysDoesWindowExist() && frames < frameLimit; angle += 3) {
    OxSysFrameStart();
    OxGfxSetRenderMode(OxGfxRenderModeColor);
    OxMtx33 world;
    BuildWorld(&world, angle);
    OxGfxSetTransform(world.m);
    OxGfxMeshDraw(triangle, OxGfxMeshDrawModeTriangles);
    OxGfxSetTransform3D(lifted.m);
    OxGfxMeshDraw(triangle, OxGfxMeshDrawModeTriangles);
    OxSysFrameEnd();
    ++frames;
  }

  OxGfxMeshFree(triangle);
  OxSysExit();
  Log("Wizard game frames: %lu\n", frames);
  return frames == frameLimit ? 0 : 3;
}
