// Shared by the SDL backend's files only: start-up of SDL's video part with
// quiet hints, the SDL window behind a handle, and SDL keys as Win32 codes.
#pragma once
#include <SDL2/SDL.h>

#include "OxPlatform.h"

// Starts SDL's video and event parts once (X11 driver, no signal handlers,
// no log output); false when there is no display.
bool OxSdlEnsureVideo();
// The SDL window of a live handle; null for a null, unknown or destroyed one.
SDL_Window* OxSdlWindowFromHandle(HWND window);

// The Win32 view of an SDL key (OxPlatformKeysSDL.cpp): its virtual-key
// code (0 for none; letters follow the keyboard layout), the generic code
// that a left or right modifier also sets, whether Win32 calls it extended,
// and the PC scan code (set 1) a key message's lParam carries.
unsigned char OxSdlVirtualKey(const SDL_Keysym& key);
unsigned char OxSdlGenericKey(unsigned char sideKey);
bool OxSdlIsExtendedKey(SDL_Scancode code);
unsigned int OxSdlScanCode(SDL_Scancode code);
