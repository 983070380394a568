// The state every new OpenGL ES 2.0 context starts in, set on the page's
// reused WebGL context through the same GL calls the engine makes (so that
// Emscripten's own record of the bindings follows).
#include "platform/web/OxPlatformGLWeb.h"

#include <SDL.h>
#include <emscripten/html5.h>

#include "platform/OxPlatformGLApi.h"

void OxPlatformWebResetContextState()
{
  const GLenum capabilities[] = {GL_BLEND,           GL_CULL_FACE,       GL_DEPTH_TEST,
                                 GL_POLYGON_OFFSET_FILL, GL_SAMPLE_ALPHA_TO_COVERAGE,
                                 GL_SAMPLE_COVERAGE, GL_SCISSOR_TEST,    GL_STENCIL_TEST};
  for (GLenum capability : capabilities) glDisable(capability);
  glEnable(GL_DITHER);
  glBlendColor(0, 0, 0, 0);
  glBlendEquation(GL_FUNC_ADD);
  glBlendFunc(GL_ONE, GL_ZERO);
  glClearColor(0, 0, 0, 0);
  glClearDepthf(1);
  glClearStencil(0);
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  glDepthMask(GL_TRUE);
  glStencilMask(~0u);
  glDepthFunc(GL_LESS);
  glDepthRangef(0, 1);
  glCullFace(GL_BACK);
  glFrontFace(GL_CCW);
  glLineWidth(1);
  glPolygonOffset(0, 0);
  glSampleCoverage(1, GL_FALSE);
  glStencilFunc(GL_ALWAYS, 0, ~0u);
  glStencilOp(GL_KEEP, GL_KEEP, GL_KEEP);
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  glUseProgram(0);
  glBindBuffer(GL_ARRAY_BUFFER, 0);
  glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  glBindRenderbuffer(GL_RENDERBUFFER, 0);
  GLint units = 0, attributes = 0;
  glGetIntegerv(GL_MAX_COMBINED_TEXTURE_IMAGE_UNITS, &units);
  for (GLint unit = 0; unit < units; ++unit) {
    glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(unit));
    glBindTexture(GL_TEXTURE_2D, 0);
    glBindTexture(GL_TEXTURE_CUBE_MAP, 0);
  }
  glActiveTexture(GL_TEXTURE0);
  glGetIntegerv(GL_MAX_VERTEX_ATTRIBS, &attributes);
  for (GLint attribute = 0; attribute < attributes; ++attribute) {
    glDisableVertexAttribArray(static_cast<GLuint>(attribute));
    glVertexAttrib4f(static_cast<GLuint>(attribute), 0, 0, 0, 1);
  }
  // A new context's viewport and scissor box are its drawing buffer.
  int width = 0, height = 0;
  emscripten_webgl_get_drawing_buffer_size(emscripten_webgl_get_current_context(), &width, &height);
  glViewport(0, 0, width, height);
  glScissor(0, 0, width, height);
}

// The page's yield (cmake/web/oxlen-library.js).
extern "C" void OxWebYieldToBrowser();

namespace {

bool gYieldAfterSwap = true;

}  // namespace

void OxPlatformWebYield()
{
  if (gYieldAfterSwap) OxWebYieldToBrowser();
}

void OxPlatformWebUseOwnYield()
{
  // Read from the environment itself: the hint below stays set after a run.
  const char* asked = SDL_getenv(SDL_HINT_EMSCRIPTEN_ASYNCIFY);
  gYieldAfterSwap = !(asked && SDL_strcmp(asked, "0") == 0);
  SDL_SetHint(SDL_HINT_EMSCRIPTEN_ASYNCIFY, "0");
}
