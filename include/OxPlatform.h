/* Oxlen Engine: the Win32-shaped types, messages, virtual-key and show codes
   that games written for the Windows build use, with their Win32 values. */
#ifndef OX_PLATFORM_H
#define OX_PLATFORM_H

#include <stdint.h>
#include "OxExport.h"

#ifndef CALLBACK
#define CALLBACK
#endif
#ifndef WINAPI
#define WINAPI
#endif

typedef unsigned int UINT;
typedef int BOOL;
typedef uintptr_t WPARAM;
typedef intptr_t LPARAM;
typedef intptr_t LRESULT;
typedef struct OxPlatformInstance* HINSTANCE;
typedef struct OxPlatformWindow* HWND;
typedef LRESULT (CALLBACK* WNDPROC)(HWND, UINT, WPARAM, LPARAM);

#endif
