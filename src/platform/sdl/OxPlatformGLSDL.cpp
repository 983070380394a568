// Rendering-context layer on SDL2: an OpenGL context on a window that the
// window-system layer created with the pixel format already chosen.
#include "platform/OxPlatformGL.h"
#include "OxPlatformSDL.h"
#include "platform/OxPlatformWindow.h"
#ifdef __EMSCRIPTEN__
#include "platform/web/OxPlatformGLWeb.h"
#endif

// The window's drawing surface: its handle, looked up on every use so that a
// surface of a destroyed window fails instead of touching freed memory.
struct OxPlatformDC {
  HWND window;
};

struct OxPlatformGLContext {
  SDL_GLContext context;
};

OxPlatformDC* OxPlatformGetDC(HWND window)
{
  if (!OxSdlWindowFromHandle(window)) return nullptr;
  return new OxPlatformDC{window};
}

void OxPlatformReleaseDC(HWND, OxPlatformDC* dc) { delete dc; }

OxPlatformGLContext* OxPlatformCreateContext(OxPlatformDC* dc)
{
  SDL_Window* window = dc ? OxSdlWindowFromHandle(dc->window) : nullptr;
  if (!window) return nullptr;
  // SDL makes a new context current; put back whatever was current before.
  SDL_Window* previousWindow = SDL_GL_GetCurrentWindow();
  SDL_GLContext previousContext = SDL_GL_GetCurrentContext();
  SDL_GLContext context = SDL_GL_CreateContext(window);
  if (!context) return nullptr;
#ifdef __EMSCRIPTEN__
  OxPlatformWebResetContextState();
  OxPlatformWebUseOwnYield();
#endif
  if (previousContext) SDL_GL_MakeCurrent(previousWindow, previousContext);
  else SDL_GL_MakeCurrent(window, nullptr);
  return new OxPlatformGLContext{context};
}

bool OxPlatformMakeCurrent(OxPlatformDC* dc, OxPlatformGLContext* context)
{
  SDL_Window* window = dc ? OxSdlWindowFromHandle(dc->window) : nullptr;
  if (!context) return SDL_GL_MakeCurrent(window, nullptr) == 0;
  if (!window) return false;
  return SDL_GL_MakeCurrent(window, context->context) == 0;
}

void OxPlatformDeleteContext(OxPlatformGLContext* context)
{
  if (!context) return;
  if (SDL_GL_GetCurrentContext() == context->context)
    SDL_GL_MakeCurrent(SDL_GL_GetCurrentWindow(), nullptr);
  SDL_GL_DeleteContext(context->context);
  delete context;
}

bool OxPlatformSwapBuffers(OxPlatformDC* dc)
{
  SDL_Window* window = dc ? OxSdlWindowFromHandle(dc->window) : nullptr;
  if (!window || OxPlatformIsDisplayLost()) return false;
  SDL_GL_SwapWindow(window);
#ifdef __EMSCRIPTEN__
  OxPlatformWebYield();
#endif
  return true;
}

bool OxPlatformRepeatsAnyTextureSize()
{
#ifdef __EMSCRIPTEN__
  return false;
#else
  return true;
#endif
}

bool OxPlatformHasSwapControl()
{
  if (!SDL_GL_GetCurrentContext()) return false;
  return SDL_GL_SetSwapInterval(SDL_GL_GetSwapInterval()) == 0;
}

void OxPlatformSetSwapInterval(int interval)
{
  if (SDL_GL_GetCurrentContext()) SDL_GL_SetSwapInterval(interval);
}
