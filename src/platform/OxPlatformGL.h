// Rendering-context layer: an OpenGL context on the game's window, its
// buffer swap and swap interval. Implemented once per backend.
#pragma once
#include "OxPlatform.h"

// The window's drawing surface, the stand-in for a device context.
struct OxPlatformDC;
// An OpenGL rendering context.
struct OxPlatformGLContext;

// The drawing surface of a window; null when the window is null or gone.
OxPlatformDC* OxPlatformGetDC(HWND window);
void OxPlatformReleaseDC(HWND window, OxPlatformDC* dc);
// Whether windows and contexts created from now on have depth and stencil
// buffers (24 and 8 bits, the default) or neither.
void OxPlatformSetDepthStencil(bool wanted);
bool OxPlatformWantsDepthStencil();
// Creates a double-buffered RGBA8 context on the surface, with 24 depth and 8
// stencil bits or none as OxPlatformWantsDepthStencil says; null on failure.
// The context is not made current.
OxPlatformGLContext* OxPlatformCreateContext(OxPlatformDC* dc);
// Makes the context current on the calling thread; false on failure.
bool OxPlatformMakeCurrent(OxPlatformDC* dc, OxPlatformGLContext* context);
void OxPlatformDeleteContext(OxPlatformGLContext* context);
// Presents the back buffer of the surface; false on failure.
bool OxPlatformSwapBuffers(OxPlatformDC* dc);
// Whether a repeating texture of any size samples right: false where only
// power-of-two sizes may repeat (WebGL 1), and others must clamp.
bool OxPlatformRepeatsAnyTextureSize();
// Whether the driver lets the swap interval be set.
bool OxPlatformHasSwapControl();
// Sets the swap interval (0 or 1) where the driver offers it; ignored otherwise.
void OxPlatformSetSwapInterval(int interval);
