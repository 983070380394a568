// The OpenGL API the graphics family draws with: OpenGL 2.0 through GLEW on
// the desktop backends, WebGL 1 (OpenGL ES 2.0) in the browser. Both take the
// same calls and the same shader arithmetic; what differs is said here.
#pragma once

#ifdef __EMSCRIPTEN__
#include <GLES2/gl2.h>
#include <GLES2/gl2ext.h>

// WebGL 1 takes unsized texture formats only; RGBA keeps 8 bits a channel.
#ifndef GL_RGBA8
#define GL_RGBA8 GL_RGBA
#endif
// Named for the decoders that hand over BGRA pixels; the web's never do.
#ifndef GL_BGRA
#define GL_BGRA GL_BGRA_EXT
#endif

// What every shader source starts with: GLSL ES 1.00 wants its version and a
// default float precision; high precision keeps the desktop's arithmetic.
constexpr const char kOxPlatformShaderPreamble[] = "#version 100\nprecision highp float;\n";

// The entry points are linked in; WebGL 1 is OpenGL ES 2.0.
inline bool OxPlatformLoadGL() { return true; }
inline bool OxPlatformHasGLEntryPoints() { return true; }
inline bool OxPlatformHasGL20() { return true; }
// Whether the batch hands its vertices and indices to OpenGL through buffer
// objects: WebGL has no arrays in the program's memory, and the page's
// emulation of them copies each attribute's array on its own at every draw
// (and only as many vertices as an indexed draw has indices), where a buffer
// takes the batch in one copy.
inline bool OxPlatformStreamsBatches() { return true; }
#else
#include <GL/glew.h>

// The sources are GLSL 1.10 as they are.
constexpr const char kOxPlatformShaderPreamble[] = "";

// Loads the entry points of the current context; false when GLEW cannot.
// Without a window system (the null backend's EGL) GLEW loads the context's
// entry points, then fails to find an X display for its GLX part, which
// nothing here uses.
#ifdef OX_PLATFORM_NULL
inline bool OxPlatformLoadGL()
{
  GLenum result = glewInit();
  return result == GLEW_OK || result == GLEW_ERROR_NO_GLX_DISPLAY;
}
#else
inline bool OxPlatformLoadGL() { return glewInit() == GLEW_OK; }
#endif
// Whether the OpenGL 2.0 entry points have been loaded, by any start so far.
inline bool OxPlatformHasGLEntryPoints() { return glActiveTexture != nullptr; }
// Whether the current context offers OpenGL 2.0 (after OxPlatformLoadGL).
inline bool OxPlatformHasGL20() { return GLEW_VERSION_2_0; }
// Whether the batch hands its vertices and indices to OpenGL through buffer
// objects: not on the desktop, where OpenGL reads them from the batch's
// memory and a buffer would only add a copy of every vertex.
inline bool OxPlatformStreamsBatches() { return false; }
#endif
