// System-module details shared by its own files: the window's styles and the
// game window size that full screen returns to.
#pragma once
#include "OxPlatform.h"

// The captioned, fixed-size window: WS_OVERLAPPEDWINDOW | WS_CLIPSIBLINGS |
// WS_CLIPCHILDREN without WS_THICKFRAME and WS_MAXIMIZEBOX (0x06CA0000).
constexpr DWORD kOxWindowedStyle = (WS_OVERLAPPEDWINDOW | WS_CLIPSIBLINGS | WS_CLIPCHILDREN) &
                                   ~static_cast<DWORD>(WS_THICKFRAME | WS_MAXIMIZEBOX);
static_assert(kOxWindowedStyle == 0x06CA0000, "windowed style bits");
// The extended style given to the frame-size computation.
constexpr DWORD kOxFrameExtendedStyle = WS_EX_APPWINDOW;

// The outer size that gives a client area of width by height, for style.
void OxSysOuterSize(int width, int height, DWORD style, int* outerWidth, int* outerHeight);
