/* Oxlen Engine input: keyboard and mouse-button snapshots of this frame and
   the previous one, the cursor in window pixels, and the cursor's visibility.
   Keys are virtual-key codes (VK_* in OxPlatform.h; letters and digits by
   their upper-case characters). Every function belongs to the game's thread. */
#ifndef OX_INPUT_H
#define OX_INPUT_H

#include "OxExport.h"

OX_EXTERN_C_BEGIN

/* Starts input; always 1. */
OX_API int OxInputInit(void);
/* Clears both snapshots, the stored cursor position and its delta. */
OX_API void OxInputReset(void);
/* Takes the frame's snapshot: the current keys become the previous ones, the
   keys as of the messages already pumped become current, and the cursor is
   read from the pointer and converted to client pixels (delta = new - old). */
OX_API void OxInputUpdate(void);
/* Stops input; holds nothing to release. */
OX_API void OxInputExit(void);

/* 1 when the key is down in this frame's snapshot. */
OX_API unsigned char OxInputCheckCurr(unsigned char key);
/* 1 when the key was down in the previous frame's snapshot. */
OX_API unsigned char OxInputCheckPrev(unsigned char key);
/* 1 when the key is down now and was up in the previous snapshot. */
OX_API unsigned char OxInputCheckTriggered(unsigned char key);
/* 1 when the key is up now and was down in the previous snapshot. */
OX_API unsigned char OxInputCheckReleased(unsigned char key);

/* The cursor in the game's window pixels (origin at the client area's top
   left, y down), divided by the full-screen scale factors; unclamped, so it
   may lie outside the window. Not checked: x and y must be valid pointers. */
OX_API void OxInputGetCursorPosition(int* x, int* y);
/* The cursor's move since the previous snapshot, divided like the position.
   Not checked: dx and dy must be valid pointers. */
OX_API void OxInputGetCursorPositionDelta(int* dx, int* dy);
/* Non-zero shows the cursor, zero hides it, whatever calls came before. */
OX_API void OxInputShowCursor(int show);

OX_EXTERN_C_END

#endif
