// Shared by the SDL backend's files only: start-up of SDL's video part with
// quiet hints, the SDL window behind a handle, SDL keys as Win32 codes, and
// the X server behind SDL's X11 driver.
#pragma once
#include <SDL2/SDL.h>

#include <string>

#include "OxPlatform.h"

// Starts SDL's video and event parts once (X11 driver, no signal handlers,
// no log output); false when there is no display.
bool OxSdlEnsureVideo();
// The SDL window of a live handle; null for a null, unknown or destroyed one.
SDL_Window* OxSdlWindowFromHandle(HWND window);

// The Win32 view of an SDL key (OxPlatformKeysSDL.cpp): its virtual-key
// code (0 for none; letters follow the keyboard layout), whether Win32
// calls it extended, and the PC scan code (set 1) a key message's lParam carries.
unsigned char OxSdlVirtualKey(const SDL_Keysym& key);
bool OxSdlIsExtendedKey(SDL_Scancode code);
unsigned int OxSdlScanCode(SDL_Scancode code);

// The X server behind SDL's X11 driver (OxPlatformX11SDL.cpp). Under other
// drivers there is none: each does nothing and answers false.
// Watches SDL's connection, once, from its first window on: a broken
// connection marks the display lost instead of ending the process, and a
// request the server refuses has no effect instead of ending it.
void OxSdlX11Watch(SDL_Window* sdl);
// Whether the connection to the X server was lost.
bool OxSdlX11DisplayLost();
// Peeks at the watched connection: true when it has just been found ended
// (the display is then lost).
bool OxSdlX11CheckConnection();
// The pointer's position on the screen, asked of the server through the X
// window behind sdl; false when the server cannot say.
bool OxSdlX11PointerPosition(SDL_Window* sdl, POINT* point);
// A screen position made relative to the X window behind sdl; false when
// the server cannot say.
bool OxSdlX11ScreenToWindow(SDL_Window* sdl, POINT* point);
// The X window's title properties: _NET_WM_NAME in UTF-8, WM_NAME in
// Latin-1 ('?' beyond it) for window managers that read only that.
void OxSdlX11SetTitle(SDL_Window* sdl, const std::string& utf8);
