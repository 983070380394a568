// The window's state as the families read it, kept below them: the window's
// handle, its focus as the window procedure last set it, the full-screen
// flag and scale factors, and the frame clock (the measured frame time and
// rate, and a replay's recorded ones that stand in for them). The system
// module writes it as it makes, switches and destroys the window and as
// frames end, the input family switches the replay on and off, and graphics
// and input read it. Plain values: leans on the platform's types only.
#pragma once

#include "OxPlatform.h"

// ---- Window ----------------------------------------------------------------

// The window's handle: null until the window is made and after OxSysExit.
HWND OxWindowHandle();
void OxWindowSetHandle(HWND window);

// 1 while the window has focus, 1 before any activation message: the live
// flag, whatever a replay tells the game.
int OxWindowFocus();
void OxWindowSetFocus(int focus);

// 1 in full screen, 0 in windowed mode. The scale factors are the display
// size over the game window size in full screen, 1.0 in windowed mode.
int OxWindowIsFullScreen();
float OxWindowFullScreenScaleX();
float OxWindowFullScreenScaleY();
void OxWindowSetFullScreen(int fullScreen, float scaleX, float scaleY);

// Back to the state before any window (no handle, focus 1, windowed with
// factors 1.0), without touching a window: the library's state after
// OxSysExit. The frame clock is kept.
void OxWindowReset();

// ---- Frame clock -----------------------------------------------------------

// The frame time and rate the frame-rate controller measured for the last
// completed frame (or set from the maximum frame rate at init and reset).
void OxWindowSetMeasuredFrame(double frameTime, double frameRate);

// Replay: while on, the frame time and rate answered below are the recorded
// values given here. Switched by the input family once per frame; the
// frame-rate controller does not wait at the end of a replayed frame.
void OxWindowSetReplay(bool replaying, double frameTime, double frameRate);
bool OxWindowIsReplaying();

// The frame time (seconds) and rate (frames per second) the game is told:
// the replayed values during a replay, else the measured ones.
double OxWindowFrameTime();
double OxWindowFrameRate();
