// The window state service: plain values that the system module and the
// input family's replay write and the families read. Leans on nothing but
// the platform's types.
#include "window/OxWindowState.h"

// ---- Module state ----------------------------------------------------------

namespace {

struct WindowState {
  // What OxWindowReset returns to.
  struct Window {
    HWND handle = nullptr;
    int focus = 1;
    int fullScreen = 0;
    float scaleX = 1.0f;
    float scaleY = 1.0f;
  } window;
  // The frame clock, which outlives the window.
  double frameTime = 0.0;
  double frameRate = 0.0;
  bool replaying = false;
  double replayedFrameTime = 0.0;
  double replayedFrameRate = 0.0;
};

WindowState gState;

}  // namespace

// ---- Window ----------------------------------------------------------------

HWND OxWindowHandle() { return gState.window.handle; }

void OxWindowSetHandle(HWND window) { gState.window.handle = window; }

int OxWindowFocus() { return gState.window.focus; }

void OxWindowSetFocus(int focus) { gState.window.focus = focus; }

int OxWindowIsFullScreen() { return gState.window.fullScreen; }

float OxWindowFullScreenScaleX() { return gState.window.scaleX; }

float OxWindowFullScreenScaleY() { return gState.window.scaleY; }

void OxWindowSetFullScreen(int fullScreen, float scaleX, float scaleY)
{
  gState.window.fullScreen = fullScreen;
  gState.window.scaleX = scaleX;
  gState.window.scaleY = scaleY;
}

void OxWindowReset() { gState.window = WindowState::Window(); }

// ---- Frame clock -----------------------------------------------------------

void OxWindowSetMeasuredFrame(double frameTime, double frameRate)
{
  gState.frameTime = frameTime;
  gState.frameRate = frameRate;
}

void OxWindowSetReplay(bool replaying, double frameTime, double frameRate)
{
  gState.replaying = replaying;
  gState.replayedFrameTime = frameTime;
  gState.replayedFrameRate = frameRate;
}

bool OxWindowIsReplaying() { return gState.replaying; }

double OxWindowFrameTime()
{
  return gState.replaying ? gState.replayedFrameTime : gState.frameTime;
}

double OxWindowFrameRate()
{
  return gState.replaying ? gState.replayedFrameRate : gState.frameRate;
}
