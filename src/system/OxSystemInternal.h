// System-module state that other families read but games do not see.
#pragma once

// The full-screen scale factors: display size over game window size in full
// screen, 1.0 in windowed mode.
float OxSysGetFullScreenScaleX();
float OxSysGetFullScreenScaleY();
// Back to windowed mode's state (flag 0, factors 1.0) without touching a
// window: the library's state after OxSysExit.
void OxSysResetFullScreen();

// The window's focus flag as the window procedure last set it, whatever a
// replay tells the game.
int OxSysGetWindowFocus();

// Replay: while on, the frame-rate controller's frame time and frame rate
// getters answer the recorded values given here, and the frame end does not
// wait. Switched by the input family once per frame.
void OxFrameRateControllerSetReplay(bool replaying, double frameTime, double frameRate);
