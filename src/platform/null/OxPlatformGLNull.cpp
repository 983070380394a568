// Rendering-context layer of the null backend: OpenGL through EGL on a
// display without a window system, each window's drawing surface an
// off-screen buffer of its client size, made again when the size changes.
// Presenting shows nothing; the frame stays readable.
#include "platform/OxPlatformGL.h"
#include "platform/OxPlatformWindow.h"
#include "platform/null/OxPlatformNull.h"

#include <GL/glew.h>
#include <EGL/egl.h>
#include <EGL/eglext.h>

#include <map>

struct OxPlatformDC {
  HWND window;
};

struct OxPlatformGLContext {
  EGLContext context;
};

namespace {

struct Surface {
  EGLSurface surface = EGL_NO_SURFACE;
  int width = 0, height = 0;
};

struct GLState {
  bool tried = false;
  EGLDisplay display = EGL_NO_DISPLAY;
  std::map<HWND, Surface> surfaces;
  HWND currentWindow = nullptr;
  OxPlatformGLContext* current = nullptr;
};

GLState gGL;

EGLDisplay Display()
{
  if (gGL.tried) return gGL.display;
  gGL.tried = true;
  auto getPlatformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
      eglGetProcAddress("eglGetPlatformDisplayEXT"));
  if (!getPlatformDisplay) return EGL_NO_DISPLAY;
  EGLDisplay display =
      getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
  if (display == EGL_NO_DISPLAY || !eglInitialize(display, nullptr, nullptr) ||
      !eglBindAPI(EGL_OPENGL_API))
    return EGL_NO_DISPLAY;
  gGL.display = display;
  return display;
}

// RGBA 8 bits each, with 24 depth and 8 stencil bits or neither.
bool ChooseConfig(bool depthStencil, EGLConfig* config)
{
  const EGLint attributes[] = {EGL_SURFACE_TYPE,
                               EGL_PBUFFER_BIT,
                               EGL_RENDERABLE_TYPE,
                               EGL_OPENGL_BIT,
                               EGL_RED_SIZE,
                               8,
                               EGL_GREEN_SIZE,
                               8,
                               EGL_BLUE_SIZE,
                               8,
                               EGL_ALPHA_SIZE,
                               8,
                               EGL_DEPTH_SIZE,
                               depthStencil ? 24 : 0,
                               EGL_STENCIL_SIZE,
                               depthStencil ? 8 : 0,
                               EGL_NONE};
  EGLint count = 0;
  return eglChooseConfig(Display(), attributes, config, 1, &count) && count == 1;
}

// The window's surface at its client size now, made (again) when it has
// none or its size changed, which *remade tells; EGL_NO_SURFACE for a dead
// window.
EGLSurface SurfaceOf(HWND window, bool* remade)
{
  int width = 0, height = 0;
  bool depthStencil = true;
  *remade = false;
  if (!OxNullWindowSurface(window, &width, &height, &depthStencil) || Display() == EGL_NO_DISPLAY)
    return EGL_NO_SURFACE;
  if (width < 1) width = 1;
  if (height < 1) height = 1;
  Surface& surface = gGL.surfaces[window];
  if (surface.surface != EGL_NO_SURFACE && surface.width == width && surface.height == height)
    return surface.surface;
  EGLConfig config;
  if (!ChooseConfig(depthStencil, &config)) return EGL_NO_SURFACE;
  const EGLint size[] = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE};
  EGLSurface made = eglCreatePbufferSurface(Display(), config, size);
  if (made == EGL_NO_SURFACE) return EGL_NO_SURFACE;
  if (surface.surface != EGL_NO_SURFACE) eglDestroySurface(Display(), surface.surface);
  surface = Surface{made, width, height};
  *remade = true;
  return made;
}

bool Bind(HWND window, OxPlatformGLContext* context);

// The surfaces of windows destroyed since the last call go (the context
// current on one of them is let go first).
void ReapSurfaces()
{
  for (auto it = gGL.surfaces.begin(); it != gGL.surfaces.end();) {
    if (OxPlatformIsWindow(it->first)) {
      ++it;
      continue;
    }
    if (gGL.currentWindow == it->first) Bind(nullptr, nullptr);
    eglDestroySurface(Display(), it->second.surface);
    it = gGL.surfaces.erase(it);
  }
}

bool Bind(HWND window, OxPlatformGLContext* context)
{
  if (!context) {
    gGL.currentWindow = nullptr;
    gGL.current = nullptr;
    return Display() == EGL_NO_DISPLAY ||
           eglMakeCurrent(Display(), EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
  }
  bool remade;
  EGLSurface surface = SurfaceOf(window, &remade);
  if (surface == EGL_NO_SURFACE || !eglMakeCurrent(Display(), surface, surface, context->context))
    return false;
  gGL.currentWindow = window;
  gGL.current = context;
  return true;
}

}  // namespace

OxPlatformDC* OxPlatformGetDC(HWND window)
{
  ReapSurfaces();
  return OxPlatformIsWindow(window) ? new OxPlatformDC{window} : nullptr;
}

void OxPlatformReleaseDC(HWND, OxPlatformDC* dc) { delete dc; }

OxPlatformGLContext* OxPlatformCreateContext(OxPlatformDC* dc)
{
  int width, height;
  bool depthStencil;
  if (!dc || !OxNullWindowSurface(dc->window, &width, &height, &depthStencil)) return nullptr;
  EGLConfig config;
  if (Display() == EGL_NO_DISPLAY || !ChooseConfig(depthStencil, &config)) return nullptr;
  EGLContext context = eglCreateContext(Display(), config, EGL_NO_CONTEXT, nullptr);
  if (context == EGL_NO_CONTEXT) return nullptr;
  return new OxPlatformGLContext{context};
}

bool OxPlatformMakeCurrent(OxPlatformDC* dc, OxPlatformGLContext* context)
{
  ReapSurfaces();
  if (!context) return Bind(nullptr, nullptr);
  return dc && Bind(dc->window, context);
}

void OxPlatformDeleteContext(OxPlatformGLContext* context)
{
  if (!context) return;
  if (gGL.current == context) Bind(nullptr, nullptr);
  eglDestroyContext(Display(), context->context);
  delete context;
}

// The frame stays in the surface; a window whose size changed gets a
// surface of its new size, as a resized window's buffers are.
bool OxPlatformSwapBuffers(OxPlatformDC* dc)
{
  ReapSurfaces();
  if (!dc || !OxPlatformIsWindow(dc->window)) return false;
  glFlush();
  if (gGL.currentWindow != dc->window || !gGL.current) return true;
  bool remade;
  EGLSurface surface = SurfaceOf(dc->window, &remade);
  if (surface == EGL_NO_SURFACE) return false;
  return !remade || eglMakeCurrent(Display(), surface, surface, gGL.current->context);
}

bool OxPlatformRepeatsAnyTextureSize() { return true; }

bool OxPlatformHasSwapControl() { return false; }

void OxPlatformSetSwapInterval(int) {}
