// The handful of X11 names that the display tests use, for the builds of
// the tests without X (Windows, the null backend): the test display is the
// desktop, a window is a window handle and a key is a virtual-key code (see
// keysym.h). Only what the tests call is here; the helpers of OxX11Support.h
// do the work (with user32 on Windows, OxPlatformNull.h on the null backend).
#pragma once
#include <stdint.h>

typedef struct OxTestDesktop Display;
typedef uintptr_t Window;
typedef unsigned long KeySym;

#ifndef True
#define True 1
#endif
#ifndef False
#define False 0
#endif

// Nothing to close or flush: user32 calls take effect at once.
int XCloseDisplay(Display* display);
int XSync(Display* display, int discard);
// Moves the window's outer top-left corner to (x, y) on the desktop.
int XMoveWindow(Display* display, Window window, int x, int y);
// No protocol errors reach a test here: the handler is never called.
typedef int (*XErrorHandler)(Display* display, void* event);
XErrorHandler XSetErrorHandler(XErrorHandler handler);
