/* Oxlen Engine graphics: context and frame, render state, camera, meshes,
   textures and text. Every function belongs to the game's thread. */
#ifndef OX_GRAPHICS_H
#define OX_GRAPHICS_H

#include "OxExport.h"

OX_EXTERN_C_BEGIN
OX_API int OxGfxInit(int width, int height);
OX_API void OxGfxExit(void);
OX_API void OxGfxStart(void);
OX_API void OxGfxEnd(void);
OX_API void OxGfxSetVSync(int enable);
OX_API int OxGfxGetWindowWidth(void);
OX_API int OxGfxGetWindowHeight(void);
OX_EXTERN_C_END

#endif
