// Rendering-context layer on Win32: the window's device context, a pixel
// format chosen by GDI and a WGL context; the swap interval through
// WGL_EXT_swap_control where the driver lists it.
#include "platform/OxPlatformGL.h"

#include <windows.h>
#include <string.h>

// The device context itself stands for the drawing surface; the context is
// WGL's handle. Both are only cast, never allocated.
struct OxPlatformDC;
struct OxPlatformGLContext;

namespace {

HDC ToHdc(OxPlatformDC* dc) { return reinterpret_cast<HDC>(dc); }
HGLRC ToHglrc(OxPlatformGLContext* context) { return reinterpret_cast<HGLRC>(context); }

typedef const char*(WINAPI* GetExtensionsStringFunction)();
typedef BOOL(WINAPI* SwapIntervalFunction)(int);

template <typename Function>
Function Lookup(const char* name)
{
  return reinterpret_cast<Function>(reinterpret_cast<void*>(wglGetProcAddress(name)));
}

}  // namespace

OxPlatformDC* OxPlatformGetDC(HWND window)
{
  if (!window) return nullptr;
  return reinterpret_cast<OxPlatformDC*>(GetDC(window));
}

void OxPlatformReleaseDC(HWND window, OxPlatformDC* dc) { ReleaseDC(window, ToHdc(dc)); }

namespace {

// The first pixel format of the surface that draws double-buffered RGBA with
// 32 colour bits into a window and has neither depth nor stencil bits; 0
// when the driver offers none (ChoosePixelFormat counts a depth buffer as
// a match for none asked).
int FormatWithoutDepth(HDC dc)
{
  PIXELFORMATDESCRIPTOR format;
  const DWORD flags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
  int count = DescribePixelFormat(dc, 1, sizeof(format), &format);
  for (int index = 1; index <= count; ++index) {
    if (!DescribePixelFormat(dc, index, sizeof(format), &format)) continue;
    if ((format.dwFlags & flags) == flags && format.iPixelType == PFD_TYPE_RGBA &&
        format.cColorBits == 32 && format.cDepthBits == 0 && format.cStencilBits == 0)
      return index;
  }
  return 0;
}

}  // namespace

OxPlatformGLContext* OxPlatformCreateContext(OxPlatformDC* dc)
{
  if (!dc) return nullptr;
  PIXELFORMATDESCRIPTOR format;
  memset(&format, 0, sizeof(format));
  format.nSize = sizeof(format);
  format.nVersion = 1;
  format.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
  format.iPixelType = PFD_TYPE_RGBA;
  format.cColorBits = 32;
  const bool depthStencil = OxPlatformWantsDepthStencil();
  format.cDepthBits = depthStencil ? 24 : 0;
  format.cStencilBits = depthStencil ? 8 : 0;
  format.iLayerType = PFD_MAIN_PLANE;
  int chosen = depthStencil ? 0 : FormatWithoutDepth(ToHdc(dc));
  if (!chosen) chosen = ChoosePixelFormat(ToHdc(dc), &format);
  SetPixelFormat(ToHdc(dc), chosen, &format);
  return reinterpret_cast<OxPlatformGLContext*>(wglCreateContext(ToHdc(dc)));
}

bool OxPlatformMakeCurrent(OxPlatformDC* dc, OxPlatformGLContext* context)
{
  return wglMakeCurrent(ToHdc(dc), ToHglrc(context)) != 0;
}

void OxPlatformDeleteContext(OxPlatformGLContext* context)
{
  if (context) wglDeleteContext(ToHglrc(context));
}

bool OxPlatformSwapBuffers(OxPlatformDC* dc) { return dc && SwapBuffers(ToHdc(dc)) != 0; }

bool OxPlatformRepeatsAnyTextureSize() { return true; }

bool OxPlatformHasSwapControl()
{
  if (!wglGetCurrentContext()) return false;
  auto extensions = Lookup<GetExtensionsStringFunction>("wglGetExtensionsStringEXT");
  if (!extensions) return false;
  const char* names = extensions();
  return names && strstr(names, "WGL_EXT_swap_control") != nullptr;
}

void OxPlatformSetSwapInterval(int interval)
{
  if (!wglGetCurrentContext()) return;
  auto swapInterval = Lookup<SwapIntervalFunction>("wglSwapIntervalEXT");
  if (swapInterval) swapInterval(interval);
}
