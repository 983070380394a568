// The font system's start and stop, called by OxGfxInit and OxGfxExit
// (exported as well, under their plain names).
#pragma once
#include "OxExport.h"

OX_EXTERN_C_BEGIN
// Starts FreeType (halting when it cannot) and makes the text vertex buffer.
OX_API void OxGfxFontSystemStart(void);
// Deletes the text vertex buffer, destroys every font left, stops FreeType.
OX_API void OxGfxFontSystemEnd(void);
OX_EXTERN_C_END
