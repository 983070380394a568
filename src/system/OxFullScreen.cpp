// Full screen and windowed mode: a borderless window over the whole primary
// display, or the centred captioned window. Leans on the window-system layer
// and on graphics for the game window size; the flag and scale factors are
// kept in the window state, where the families read them.
#include "OxSystem.h"

#include "OxGraphics.h"
#include "diagnostics/OxDiagnostics.h"
#include "platform/OxPlatformWindow.h"
#include "system/OxSystemWindow.h"
#include "window/OxWindowState.h"

// ---- Functions -------------------------------------------------------------

int OxSysIsFullScreen(void) { return OxWindowIsFullScreen(); }

void OxSysSetFullScreen(int fullScreen)
{
  HWND window = OxWindowHandle();
  // Without a window the game window size is 0 and the factors would be
  // infinite; nothing is changed.
  if (!window) {
    OxDiagNotRunning("OxSysSetFullScreen", false);
    return;
  }
  int screenWidth = OxPlatformGetDisplayWidth();
  int screenHeight = OxPlatformGetDisplayHeight();
  int gameWidth = OxGfxGetWindowWidth();
  int gameHeight = OxGfxGetWindowHeight();
  if (fullScreen) {
    // A game window of zero width or height has nothing to stretch; an
    // infinite factor would turn the viewport into an OpenGL error.
    float scaleX =
        gameWidth > 0 ? static_cast<float>(screenWidth) / static_cast<float>(gameWidth) : 1.0f;
    float scaleY =
        gameHeight > 0 ? static_cast<float>(screenHeight) / static_cast<float>(gameHeight) : 1.0f;
    OxWindowSetFullScreen(1, scaleX, scaleY);
    DWORD style = OxPlatformGetWindowStyle(window);
    style &= ~static_cast<DWORD>(WS_CAPTION | WS_THICKFRAME);
    OxPlatformSetWindowStyle(window, style);
    OxPlatformMoveWindow(window, 0, 0, screenWidth, screenHeight, true);
    OxPlatformInvalidateRect(nullptr, true);
    OxPlatformUpdateWindow(window);
  } else {
    OxWindowSetFullScreen(0, 1.0f, 1.0f);
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
