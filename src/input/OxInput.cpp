// Input: keyboard and mouse-button snapshots of this frame and the previous
// one, and the cursor in client pixels. Leans on the window-system layer for
// key state and the pointer, and on the system module for the window and the
// full-screen scale factors.
#include "OxInput.h"

#include <string.h>

#include "OxSystem.h"
#include "platform/OxPlatformWindow.h"
#include "system/OxSystemInternal.h"

// ---- Module state ----------------------------------------------------------

namespace {

struct State {
  unsigned char current[256] = {};
  unsigned char previous[256] = {};
  int cursorX = 0, cursorY = 0;
  int deltaX = 0, deltaY = 0;
};

State gState;

// A cursor component in the game's window pixels: single-precision division
// by the scale factor, truncated toward zero.
int Unscale(int value, float factor)
{
  return static_cast<int>(static_cast<float>(value) / factor);
}

}  // namespace

// ---- Functions -------------------------------------------------------------

int OxInputInit(void) { return 1; }

void OxInputReset(void)
{
  memset(gState.current, 0, sizeof(gState.current));
  memset(gState.previous, 0, sizeof(gState.previous));
  gState.cursorX = gState.cursorY = 0;
  gState.deltaX = gState.deltaY = 0;
}

void OxInputUpdate(void)
{
  memcpy(gState.previous, gState.current, sizeof(gState.current));
  OxPlatformGetKeyboardState(gState.current);
  POINT point = {0, 0};
  OxPlatformGetCursorPos(&point);
  OxPlatformScreenToClient(OxSysGetWindowHandle(), &point);
  // Unsigned arithmetic wraps like the 32-bit subtraction it stands for.
  gState.deltaX = static_cast<int>(static_cast<unsigned int>(point.x) - static_cast<unsigned int>(gState.cursorX));
  gState.deltaY = static_cast<int>(static_cast<unsigned int>(point.y) - static_cast<unsigned int>(gState.cursorY));
  gState.cursorX = point.x;
  gState.cursorY = point.y;
}

void OxInputExit(void) {}

unsigned char OxInputCheckCurr(unsigned char key) { return (gState.current[key] & 0x80) ? 1 : 0; }

unsigned char OxInputCheckPrev(unsigned char key) { return (gState.previous[key] & 0x80) ? 1 : 0; }

unsigned char OxInputCheckTriggered(unsigned char key)
{
  return (gState.current[key] & ~gState.previous[key] & 0x80) ? 1 : 0;
}

unsigned char OxInputCheckReleased(unsigned char key)
{
  return (gState.previous[key] & ~gState.current[key] & 0x80) ? 1 : 0;
}

void OxInputGetCursorPosition(int* x, int* y)
{
  *x = Unscale(gState.cursorX, OxSysGetFullScreenScaleX());
  *y = Unscale(gState.cursorY, OxSysGetFullScreenScaleY());
}

void OxInputGetCursorPositionDelta(int* dx, int* dy)
{
  *dx = Unscale(gState.deltaX, OxSysGetFullScreenScaleX());
  *dy = Unscale(gState.deltaY, OxSysGetFullScreenScaleY());
}

void OxInputShowCursor(int show)
{
  if (show) {
    while (OxPlatformShowCursor(true) < 0) {
    }
  } else {
    while (OxPlatformShowCursor(false) >= 0) {
    }
  }
}
