// System lifecycle: the banner, the window class and window, the library's
// window procedure, the message pump and the start and stop order of the
// other families. Leans on the window-system and terminal layers.
#include "OxSystem.h"

#include <stdio.h>

#include "OxAudio.h"
#include "OxGraphics.h"
#include "OxInput.h"
#include "input/OxInputInternal.h"
#include "platform/OxPlatformTerminal.h"
#include "platform/OxPlatformWindow.h"
#include "system/OxSystemInternal.h"
#include "system/OxSystemWindow.h"

// ---- Module state ----------------------------------------------------------

namespace {

constexpr double kVersion = 3.1;
constexpr const char* kWindowTitle = "Oxlen Engine";
constexpr const char* kWindowClassName = "Window Class";
constexpr const char* kConsoleTitle = "Oxlen Engine - Console";

struct State {
  HINSTANCE instance = nullptr;
  HWND window = nullptr;
  int windowExists = 0;
  int focus = 1;
};

State gState;

// The library's window procedure: the five messages it cares about, the rest
// to the default procedure.
LRESULT CALLBACK LibraryWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
  switch (message) {
    case WM_CREATE:
      return 0;
    case WM_DESTROY:
      gState.windowExists = 0;
      return 0;
    case WM_MOVE:
      OxPlatformInvalidateRect(window, false);
      return 0;
    case WM_ACTIVATE:
      gState.focus = LOWORD(wParam) != WA_INACTIVE ? 1 : 0;
      return 0;
    case WM_PAINT:
      OxPlatformBeginPaint(window);
      OxPlatformEndPaint(window);
      return 0;
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

}  // namespace

// ---- Functions -------------------------------------------------------------

// The client rectangle runs from (0, 0) to (width, height), so the client
// area comes out exactly the size the game asked for.
void OxSysOuterSize(int width, int height, DWORD style, int* outerWidth, int* outerHeight)
{
  RECT rect = {0, 0, width, height};
  OxPlatformAdjustWindowRect(&rect, style, false, kOxFrameExtendedStyle);
  *outerWidth = rect.right - rect.left;
  *outerHeight = rect.bottom - rect.top;
}

int OxSysInit(HINSTANCE instance, int showCommand, int width, int height, int consoleFlag,
              unsigned int maxFrameRate, unsigned char verticalSync, WNDPROC windowProcedure)
{
  OxPlatformSetDpiAware();
  gState.instance = instance;
  // The terminal layer allocates no console where the process has (or cannot
  // have) a terminal, which on this platform is always: then nothing is
  // redirected and the banner goes wherever standard output points.
  if (consoleFlag && OxPlatformAllocConsole()) OxPlatformSetConsoleTitle(kConsoleTitle);
  printf("Oxlen Engine version: %2.2f\n\n", kVersion);
  fflush(stdout);

  OxPlatformRegisterClass(kWindowClassName,
                          windowProcedure ? windowProcedure : LibraryWindowProcedure, instance);
  int screenWidth = OxPlatformGetDisplayWidth();
  int screenHeight = OxPlatformGetDisplayHeight();
  int x = screenWidth / 2 - width / 2;
  int y = screenHeight / 2 - height / 2;
  gState.window = OxPlatformCreateWindow(kWindowClassName, kWindowTitle, kOxWindowedStyle, x, y,
                                         width, height, instance);
  OxPlatformSetWindowStyle(gState.window, kOxWindowedStyle);
  int outerWidth = 0, outerHeight = 0;
  OxSysOuterSize(width, height, kOxWindowedStyle, &outerWidth, &outerHeight);
  OxPlatformMoveWindow(gState.window, screenWidth / 2 - width / 2, screenHeight / 2 - height / 2,
                       outerWidth, outerHeight, true);
  OxPlatformShowWindow(gState.window, showCommand);
  OxPlatformUpdateWindow(gState.window);
  gState.windowExists = 1;

  if (!OxGfxInit(width, height)) return 0;
  if (!OxInputInit()) return 0;
  if (!OxAudioInit()) {
    printf("Audio module failed to initialize");
    fflush(stdout);
    return 0;
  }
  OxFrameRateControllerInit(maxFrameRate);
  OxSysReset();
  OxGfxSetVSync(verticalSync);
  return 1;
}

void OxSysReset(void)
{
  OxFrameRateControllerReset();
  OxInputReset();
}

void OxSysExit(void)
{
  OxPlatformFreeConsole();
  OxAudioExit();
  OxInputExit();
  OxPlatformUnregisterClass(kWindowClassName, gState.instance);
  OxGfxExit();
  fflush(stdout);
}

void OxSysFrameStart(void)
{
  OxFrameRateControllerStart();
  OxGfxStart();
  OxInputUpdate();
  OxAudioUpdate();
}

void OxSysFrameEnd(void)
{
  OxGfxEnd();
  OxSysUpdate();
  OxFrameRateControllerEnd();
}

void OxSysUpdate()
{
  OxPlatformMessage message;
  while (OxPlatformPeekMessage(&message)) {
    OxPlatformTranslateMessage(&message);
    OxPlatformDispatchMessage(&message);
  }
}

// During a replay the game is told the recorded flag.
int OxSysIsFocus(void) { return OxInputReportedFocus(gState.focus); }

int OxSysGetWindowFocus() { return gState.focus; }

int OxSysDoesWindowExist(void) { return gState.windowExists; }

HWND OxSysGetWindowHandle(void) { return gState.window; }

void OxSysSetWindowTitle(const char* title) { OxPlatformSetWindowText(gState.window, title); }
