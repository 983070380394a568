/* Compile-only: the engine's headers from C beside the C standard library
   and SDL2, included before them (OX_ENGINE_FIRST) or after them, and the
   Win32-shaped names used afterwards. Built with -Werror, so any clash,
   redefinition or warning fails the build. */
#ifdef OX_ENGINE_FIRST
#include "Oxlen.h"
#endif

/* The Windows build has no SDL2: there the system's own headers (which the
   engine's header includes) and OpenGL's stand beside. */
#ifdef _WIN32
#include <windows.h>
#include <GL/gl.h>
#define OX_TICKS() GetTickCount()
#else
#include <SDL.h>
#include <SDL_opengl.h>
#define OX_TICKS() SDL_GetTicks()
#endif
#include <assert.h>
#include <complex.h>
#include <ctype.h>
#include <errno.h>
#include <fenv.h>
#include <float.h>
#include <inttypes.h>
#include <iso646.h>
#include <limits.h>
#include <locale.h>
#include <math.h>
#include <setjmp.h>
#include <signal.h>
#include <stdalign.h>
#include <stdarg.h>
#include <stdatomic.h>
#include <stdbool.h>
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <stdnoreturn.h>
#include <string.h>
#include <tgmath.h>
#ifndef _WIN32
/* MinGW's C library has no C11 threads header. */
#include <threads.h>
#endif
#include <time.h>
#include <uchar.h>
#include <wchar.h>
#include <wctype.h>

#ifndef OX_ENGINE_FIRST
#include "Oxlen.h"
#endif

static LRESULT CALLBACK Procedure(_In_ HWND window, _In_ UINT message, _In_ WPARAM wParam,
                                  _In_ LPARAM lParam)
{
  if (message == WM_MOUSEMOVE) return GET_X_LPARAM(lParam) + GET_Y_LPARAM(lParam);
  return DefWindowProcA(window, message, wParam, lParam);
}

static BOOL WINAPI Names(_In_z_ LPCSTR text, _Out_ LPSTR out, _Inout_ LPWSTR wide,
                         _In_ LPCWSTR constWide, _In_opt_ PWSTR spare)
{
  WNDPROC procedure = Procedure;
  UNREFERENCED_PARAMETER(spare);
  *out = text[0];
  *wide = constWide[0];
  return procedure != NULL ? TRUE : FALSE;
}

int APIENTRY UsesEveryName(void);
int APIENTRY UsesEveryName(void)
{
  char out = 0;
  wchar_t wide[2] = {L'a', 0};
  OxMtx33 world;
  const OxMtx33 constant = {{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};
  float lifted[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
  void (*exported)(const struct OxMtx33*) = OxGfxSetTransform;
  OxMtx33Identity(&world);
  /* Every form the setters take; not run, only compiled. */
  if (wide[1]) {
    OxGfxSetTransform(world.m);
    OxGfxSetTransform(constant.m);
    OxGfxSetTransform(&world);
    OxGfxSetTransform(&constant);
    OxGfxSetTransform3D(lifted);
    exported(&world);
  }
  return Names("x", &out, wide, L"b", NULL) + (int)(OX_TICKS() & 1) + (GL_TRUE == TRUE) +
         (int)sqrt(4.0) + (true ? 1 : 0);
}
