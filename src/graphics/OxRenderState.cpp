// The render state both draw paths set (see OxRenderState.h).
#include "graphics/OxRenderState.h"

#include <string.h>

#include "OxGraphics.h"

namespace {

const OxRenderState kFreshContext = {0, {0, 0, 0, 0}, OxGfxBlendModeNone};

struct RenderStates {
  OxRenderState logical = kFreshContext;
  OxRenderState actual = kFreshContext;
  bool actualViewportKnown = false;
  bool deferred = false;
} gRender;

// OpenGL's blending for mode 0, 1 or 2 (the only modes the families set);
// nothing for any other.
void CallBlend(unsigned int mode)
{
  if (mode == OxGfxBlendModeNone) {
    glDisable(GL_BLEND);
  } else if (mode == OxGfxBlendModeBlend) {
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  } else if (mode == OxGfxBlendModeAdd) {
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
  }
}

}  // namespace

void OxRenderStateReset() { gRender = RenderStates(); }

void OxRenderStateDefer(bool deferred) { gRender.deferred = deferred; }

const OxRenderState& OxRenderStateLogical() { return gRender.logical; }

// ---- What the families set ----------------------------------------------------------

void OxRenderViewport(int x, int y, int width, int height)
{
  gRender.logical.viewport[0] = x;
  gRender.logical.viewport[1] = y;
  gRender.logical.viewport[2] = width;
  gRender.logical.viewport[3] = height;
  if (gRender.deferred) return;
  glViewport(x, y, width, height);
  memcpy(gRender.actual.viewport, gRender.logical.viewport, sizeof(gRender.actual.viewport));
  gRender.actualViewportKnown = true;
}

void OxRenderBlend(unsigned int mode)
{
  gRender.logical.blend = mode;
  if (gRender.deferred) return;
  // The faithful path calls OpenGL whenever the recorded mode changes, also
  // when OpenGL's blending already matches (after a mode outside 0 to 2).
  gRender.actual.blend = mode;
  CallBlend(mode);
}

void OxRenderBindTexture(GLuint name)
{
  gRender.logical.texture = name;
  if (gRender.deferred) return;
  glBindTexture(GL_TEXTURE_2D, name);
  gRender.actual.texture = name;
}

void OxRenderTextureBound(GLuint name)
{
  gRender.logical.texture = name;
  gRender.actual.texture = name;
}

void OxRenderTextureGone(GLuint name)
{
  if (name == 0) return;
  if (gRender.logical.texture == name) gRender.logical.texture = 0;
  if (gRender.actual.texture == name) gRender.actual.texture = 0;
}

// ---- What the batch applies ---------------------------------------------------------

void OxRenderApplyBlend(unsigned int mode)
{
  if (gRender.actual.blend == mode) return;
  gRender.actual.blend = mode;
  CallBlend(mode);
}

void OxRenderApplyViewport(const int viewport[4])
{
  if (gRender.actualViewportKnown &&
      memcmp(gRender.actual.viewport, viewport, sizeof(gRender.actual.viewport)) == 0)
    return;
  glViewport(viewport[0], viewport[1], viewport[2], viewport[3]);
  memcpy(gRender.actual.viewport, viewport, sizeof(gRender.actual.viewport));
  gRender.actualViewportKnown = true;
}

void OxRenderApplyTexture(GLuint name)
{
  if (gRender.actual.texture == name) return;
  glBindTexture(GL_TEXTURE_2D, name);
  gRender.actual.texture = name;
}

void OxRenderApplyLogical()
{
  glActiveTexture(GL_TEXTURE0);
  OxRenderApplyTexture(gRender.logical.texture);
  OxRenderApplyBlend(gRender.logical.blend);
  OxRenderApplyViewport(gRender.logical.viewport);
}
