// System-module state that other families read but games do not see.
#pragma once

// The full-screen scale factors: display size over game window size in full
// screen, 1.0 in windowed mode.
float OxSysGetFullScreenScaleX();
float OxSysGetFullScreenScaleY();
// Back to windowed mode's state (flag 0, factors 1.0) without touching a
// window: the library's state after OxSysExit.
void OxSysResetFullScreen();
