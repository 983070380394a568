// System lifecycle: the banner, the window class and window, the library's
// window procedure, the message pump and the start and stop order of the
// other families. Leans on the window-system and terminal layers; writes the
// window's handle and focus into the window state the families read.
#include "OxSystem.h"

#include <stdio.h>

#include "OxAudio.h"
#include "OxGraphics.h"
#include "OxInput.h"
#include "diagnostics/OxDiagnostics.h"
#include "input/OxInputInternal.h"
#include "platform/OxPlatformTerminal.h"
#include "platform/OxPlatformWindow.h"
#include "system/OxSystemWindow.h"
#include "window/OxWindowState.h"

// ---- Module state ----------------------------------------------------------

namespace {

constexpr double kVersion = 3.1;
constexpr const char* kWindowTitle = "Oxlen Engine";
constexpr const char* kWindowClassName = "Window Class";
constexpr const char* kConsoleTitle = "Oxlen Engine - Console";

// Where the library stands: stopped (before OxSysInit, after OxSysExit),
// running (after a successful OxSysInit), or partly started by an
// OxSysInit that failed, which OxSysExit (or the next OxSysInit) tears down.
enum class Phase { Stopped, Running, Failed };

struct State {
  Phase phase = Phase::Stopped;
  HINSTANCE instance = nullptr;
  int windowExists = 0;
};

State gState;

// WM_SYSCOMMAND and its SC_KEYMENU command, which a window system with menus
// sends for Alt or F10 pressed and released on their own (lParam 0).
constexpr UINT kSystemCommandMessage = 0x0112;
constexpr WPARAM kKeyMenuCommand = 0xF100;

// The library's window procedure: the messages it cares about, the rest to
// the default procedure.
LRESULT CALLBACK LibraryWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
  switch (message) {
    case kSystemCommandMessage:
      // The default handling of a lone Alt or F10 enters the system menu's
      // modal loop, which holds the game's frame loop until the next key or
      // click; games use Alt as a key, so that command is dropped. Alt with
      // a key (Alt+Space, Alt+F4) keeps its default meaning.
      if ((wParam & 0xFFF0) == kKeyMenuCommand && lParam == 0) return 0;
      return DefWindowProcA(window, message, wParam, lParam);
    case WM_CREATE:
      return 0;
    case WM_DESTROY:
      gState.windowExists = 0;
      return 0;
    case WM_MOVE:
      OxPlatformInvalidateRect(window, false);
      return 0;
    case WM_ACTIVATE:
      OxWindowSetFocus(LOWORD(wParam) != WA_INACTIVE ? 1 : 0);
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
  // A second start would make a second window and context over the first.
  if (gState.phase == Phase::Running) {
    printf("System already running: OxSysInit changes nothing before OxSysExit\n");
    fflush(stdout);
    return 1;
  }
  // What a failed start left behind goes first, so a retry starts clean.
  if (gState.phase == Phase::Failed) OxSysExit();
  OxDiagReadEnvironment();
  OxDiagSetStage(OxDiagStage::StartFailed);

  OxPlatformSetDpiAware();
  gState.instance = instance;
  // The terminal layer allocates no console where the process has (or cannot
  // have) a terminal, which on this platform is always: then nothing is
  // redirected and the banner goes wherever standard output points.
  if (consoleFlag && OxPlatformAllocConsole()) OxPlatformSetConsoleTitle(kConsoleTitle);
  printf("Oxlen Engine version: %2.2f\n\n", kVersion);
  fflush(stdout);
  // A negative client size has no window and no viewport; OpenGL would
  // report the viewport as an error that ends the process.
  if (width < 0 || height < 0) {
    OxDiagPrintFailure("Window size %d x %d refused: width and height cannot be negative\n",
                       width, height);
    fflush(stdout);
    return 0;
  }
  gState.phase = Phase::Failed;

  OxPlatformRegisterClass(kWindowClassName,
                          windowProcedure ? windowProcedure : LibraryWindowProcedure, instance);
  int screenWidth = OxPlatformGetDisplayWidth();
  int screenHeight = OxPlatformGetDisplayHeight();
  int x = screenWidth / 2 - width / 2;
  int y = screenHeight / 2 - height / 2;
  HWND window = OxPlatformCreateWindow(kWindowClassName, kWindowTitle, kOxWindowedStyle, x, y,
                                       width, height, instance);
  OxWindowSetHandle(window);
  if (!window) {
    if (screenWidth == 0)
      OxDiagPrintFailure("Window system failed to initialize: no display could be opened\n");
    else OxDiagPrintFailure("Window creation failed\n");
    fflush(stdout);
    return 0;
  }
  OxPlatformSetWindowStyle(window, kOxWindowedStyle);
  int outerWidth = 0, outerHeight = 0;
  OxSysOuterSize(width, height, kOxWindowedStyle, &outerWidth, &outerHeight);
  OxPlatformMoveWindow(window, screenWidth / 2 - width / 2, screenHeight / 2 - height / 2,
                       outerWidth, outerHeight, true);
  OxPlatformShowWindow(window, showCommand);
  OxPlatformUpdateWindow(window);
  gState.windowExists = 1;

  // A failed start leaves the window shown until OxSysExit, but a loop on
  // OxSysDoesWindowExist does not run.
  if (!OxGfxInit(width, height)) {
    OxDiagSilentFailure("OxSysInit: graphics failed to start (no OpenGL context for the window)");
    gState.windowExists = 0;
    return 0;
  }
  if (!OxInputInit()) {
    gState.windowExists = 0;
    return 0;
  }
  if (!OxAudioInit()) {
    OxDiagPrintFailure("Audio module failed to initialize");
    fflush(stdout);
    gState.windowExists = 0;
    return 0;
  }
  OxFrameRateControllerInit(maxFrameRate);
  OxSysReset();
  OxGfxSetVSync(verticalSync);
  gState.phase = Phase::Running;
  OxDiagSetStage(OxDiagStage::Running);
  return 1;
}

void OxSysReset(void)
{
  OxFrameRateControllerReset();
  OxInputReset();
}

// Graphics stops before the window goes, so its context is deleted on a
// live window; the window is destroyed (its procedure gets WM_DESTROY) so
// that nothing stopped stays on screen, and its class then goes with it.
void OxSysExit(void)
{
  if (gState.phase == Phase::Stopped) return;
  OxPlatformFreeConsole();
  OxAudioExit();
  OxInputExit();
  OxGfxExit();
  if (OxWindowHandle()) OxPlatformDestroyWindow(OxWindowHandle());
  OxPlatformUnregisterClass(kWindowClassName, gState.instance);
  OxWindowReset();
  gState = State();
  OxDiagSetStage(OxDiagStage::Exited);
  fflush(stdout);
}

void OxSysFrameStart(void)
{
  if (gState.phase != Phase::Running) OxDiagNotRunning("OxSysFrameStart", false);
  // A display lost since the last frame is noticed before anything draws.
  OxPlatformCheckDisplay();
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
  // The pump has destroyed the windows of a lost display; the window ceases
  // to exist whichever procedure it had.
  if (OxPlatformIsDisplayLost()) gState.windowExists = 0;
}

// During a replay the game is told the recorded flag.
int OxSysIsFocus(void) { return OxInputReportedFocus(OxWindowFocus()); }

int OxSysDoesWindowExist(void) { return gState.windowExists; }

HWND OxSysGetWindowHandle(void) { return OxWindowHandle(); }

void OxSysSetWindowTitle(const char* title)
{
  HWND window = OxWindowHandle();
  if (!window) OxDiagNotRunning("OxSysSetWindowTitle", false);
  OxPlatformSetWindowText(window, title);
}
