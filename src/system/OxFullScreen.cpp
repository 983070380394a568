// Full screen and windowed mode: a borderless window over the whole primary
// display, or the centred captioned window. Leans on the window-system layer
// and on graphics for the game window size.
#include "OxSystem.h"

#include "OxGraphics.h"
#include "diagnostics/OxDiagnostics.h"
#include "platform/OxPlatformWindow.h"
#include "system/OxSystemInternal.h"
#include "system/OxSystemWindow.h"

// ---- Module state ----------------------------------------------------------

namespace {

struct State {
  int fullScreen = 0;
  float scaleX = 1.0f;
  float scaleY = 1.0f;
};

State gState;

}  // namespace

// ---- Functions -------------------------------------------------------------

float OxSysGetFullScreenScaleX() { return gState.scaleX; }
float OxSysGetFullScreenScaleY() { return gState.scaleY; }

int OxSysIsFullScreen(void) { return gState.fullScreen; }

void OxSysResetFullScreen() { gState = State(); }

void OxSysSetFullScreen(int fullScreen)
{
  HWND window = OxSysGetWindowHandle();
  // Without a window the game window size is 0 and the factors would be
  // infinite; nothing is changed.
  if (!window) {
    OxDiagNotRunning("OxSysSetFullScreen", false);
    return;
  }
  gState.fullScreen = fullScreen ? 1 : 0;
  int screenWidth = OxPlatformGetDisplayWidth();
  int screenHeight = OxPlatformGetDisplayHeight();
  int gameWidth = OxGfxGetWindowWidth();
  int gameHeight = OxGfxGetWindowHeight();
  if (OxSysIsFullScreen() == 1) {
    // A game window of zero width or height has nothing to stretch; an
    // infinite factor would turn the viewport into an OpenGL error.
    gState.scaleX = gameWidth > 0 ? static_cast<float>(screenWidth) / static_cast<float>(gameWidth)
                                  : 1.0f;
    gState.scaleY = gameHeight > 0
                        ? static_cast<float>(screenHeight) / static_cast<float>(gameHeight)
                        : 1.0f;
    DWORD style = OxPlatformGetWindowStyle(window);
    style &= ~static_cast<DWORD>(WS_CAPTION | WS_THICKFRAME);
    OxPlatformSetWindowStyle(window, style);
    OxPlatformMoveWindow(window, 0, 0, screenWidth, screenHeight, true);
    OxPlatformInvalidateRect(nullptr, true);
    OxPlatformUpdateWindow(window);
  } else {
    gState.scaleX = 1.0f;
    gState.scaleY = 1.0f;
    OxPlatformSetWindowStyle(window, kOxWindowedStyle);
    int outerWidth = 0, outerHeight = 0;
    OxSysOuterSize(gameWidth, gameHeight, kOxWindowedStyle, &outerWidth, &outerHeight);
    OxPlatformMoveWindow(window, screenWidth / 2 - gameWidth / 2, screenHeight / 2 - gameHeight / 2,
                         outerWidth, outerHeight, true);
    OxPlatformInvalidateRect(nullptr, true);
    OxPlatformShowWindow(window, SW_SHOWNORMAL);
    OxPlatformUpdateWindow(window);
  }
}
