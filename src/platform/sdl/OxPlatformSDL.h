// Shared by the SDL backend's files only: start-up of SDL's video part with
// quiet hints, and the SDL window behind a handle.
#pragma once
#include <SDL2/SDL.h>

#include "OxPlatform.h"

// Starts SDL's video and event parts once (X11 driver, no signal handlers,
// no log output); false when there is no display.
bool OxSdlEnsureVideo();
// The SDL window of a live handle; null for a null, unknown or destroyed one.
SDL_Window* OxSdlWindowFromHandle(HWND window);
