// A Windows-style game with its own window procedure: it handles creation,
// keys, the mouse and closing itself and hands the rest to DefWindowProcA.
// Only the engine's headers. Command line: the most frames to run; it runs
// until its window is closed (or Escape), then reports what it was sent.
#include "Oxlen.h"

#include <cstdio>
#include <cstdlib>

namespace {

struct ProcedureGame {
  BOOL running = TRUE;
  int created = 0;
  int closes = 0;
  int destroys = 0;
  POINT lastMouse = {0, 0};
} gGame;

LRESULT CALLBACK WndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
  switch (message) {
    case WM_CREATE:
      ++gGame.created;
      return 0;
    case WM_KEYDOWN:
      if (wParam == VK_ESCAPE) return DefWindowProcA(hWnd, WM_CLOSE, 0, 0);
      return 0;
    case WM_MOUSEMOVE:
      gGame.lastMouse.x = GET_X_LPARAM(lParam);
      gGame.lastMouse.y = GET_Y_LPARAM(lParam);
      return 0;
    case WM_CLOSE:
      ++gGame.closes;
      std::printf("Procedure game: mouse (%ld, %ld)\n", static_cast<long>(gGame.lastMouse.x),
                  static_cast<long>(gGame.lastMouse.y));
      std::printf("Procedure game: WM_CLOSE\n");
      return DefWindowProcA(hWnd, message, wParam, lParam);
    case WM_DESTROY:
      ++gGame.destroys;
      gGame.running = FALSE;
      std::printf("Procedure game: WM_DESTROY\n");
      return 0;
    default:
      return DefWindowProcA(hWnd, message, wParam, lParam);
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nCmdShow)
{
  UNREFERENCED_PARAMETER(hPrevInstance);
  unsigned long frameLimit = std::strtoul(lpCmdLine, nullptr, 10);
  if (!OxSysInit(hInstance, nCmdShow, 320, 240, 0, 60, 0, WndProc)) {
    OxSysExit();
    return 1;
  }
  OxSysSetWindowTitle("Procedure game");
  std::printf("Procedure game: running\n");
  std::fflush(stdout);

  unsigned long frames = 0;
  while (gGame.running && frames < frameLimit) {
    OxSysFrameStart();
    OxSysFrameEnd();
    ++frames;
  }
  OxSysExit();
  std::printf("Procedure game: created %d, closes %d, destroys %d, frames %s\n", gGame.created,
              gGame.closes, gGame.destroys, frames < frameLimit ? "left" : "all run");
  return gGame.destroys == 1 ? 0 : 3;
}
