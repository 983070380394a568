// The OpenGL state both draw paths set: the texture bound to unit 0, the
// viewport and the blending. It is kept twice: as the faithful path would
// have OpenGL hold it (logical) and as OpenGL holds it (actual). While the
// batch records, setting it changes only the logical state; the batch
// applies what each flush needs, and puts the logical state back into
// OpenGL when it stops recording.
#pragma once

#include "platform/OxPlatformGLApi.h"

struct OxRenderState {
  GLuint texture;  // bound to GL_TEXTURE_2D on unit 0
  int viewport[4];
  unsigned int blend;  // 0, 1 or 2
};

// A fresh context: both states as OpenGL starts, nothing deferred.
void OxRenderStateReset();
// Whether setting the state defers its OpenGL calls (while the batch records).
void OxRenderStateDefer(bool deferred);
// The state as the faithful path would have OpenGL hold it.
const OxRenderState& OxRenderStateLogical();

// ---- What the families set ------------------------------------------------------

// glViewport.
void OxRenderViewport(int x, int y, int width, int height);
// OpenGL blending for blend mode 0, 1 or 2 (the only ones that change it).
void OxRenderBlend(unsigned int mode);
// glBindTexture(GL_TEXTURE_2D) on unit 0.
void OxRenderBindTexture(GLuint name);
// Another call bound a texture on unit 0 itself (loads, the glyph atlas).
void OxRenderTextureBound(GLuint name);
// The texture is being deleted: it is bound nowhere from now on.
void OxRenderTextureGone(GLuint name);

// ---- What the batch applies -------------------------------------------------------

// Each calls OpenGL only when OpenGL holds something else.
void OxRenderApplyBlend(unsigned int mode);
void OxRenderApplyViewport(const int viewport[4]);
void OxRenderApplyTexture(GLuint name);
// OpenGL made to hold the logical state (texture on unit 0, blending,
// viewport).
void OxRenderApplyLogical();
