// Graphics-module internals shared by its source files: the two fatal
// reports, the one Shader object and the render state other files read.
// Leans on platform/OxPlatformGLApi.h for the OpenGL entry points.
#pragma once

#include "platform/OxPlatformGLApi.h"

#include "graphics/Shader.h"

// Path of the graphics module's main source file, printed in every report.
#ifndef OX_GRAPHICS_SOURCE_PATH
#define OX_GRAPHICS_SOURCE_PATH "src/graphics/OxGraphics.cpp"
#endif

// Prints the HALT report (line, function, file, message), waits for one key
// press and ends the process with exit code 1.
[[noreturn]] void OxGfxHaltReport(int line, const char* function, const char* message);
// Drains the OpenGL error queue, printing one CHECK_GL_ERROR report per
// error; halts as OxGfxHaltReport does if there was any.
void OxGfxCheckGLErrorReport(int line, const char* function);

// The fatal reports, naming the function the check stands in.
#define HALT(function, message) OxGfxHaltReport(__LINE__, (function), (message))
#define CHECK_GL_ERROR(function) OxGfxCheckGLErrorReport(__LINE__, (function))

// The module's one shader object; its current slot is the render mode.
extern Shader gShader;

// The recorded blend mode (an OxGfxBlendMode value, or whatever was last set).
unsigned int OxGfxGetCurrentBlendMode();

// True from a successful start of OpenGL (its entry points and OpenGL 2.0) to OxGfxExit.
bool OxGfxIsOpenGLReady();

// Issues every draw that the batched path holds, so that the back buffer
// shows everything drawn so far. Call it before reading pixels back (or
// anything else that observes the frame). Does nothing when batching is off
// or nothing is pending. OpenGL's program, texture and buffer bindings
// afterwards are the batched path's, not the faithful path's.
void OxGfxFlushPending();

// Whether a frame is being drawn: from OxGfxStart to OxGfxEnd, with a context.
bool OxGfxIsFrameUnderWay();

// The size in pixels of the area the frame is drawn in, which the viewport
// covers and a screenshot reads: the game window's size, stretched by the
// full-screen scale factors to the display's size in full screen.
void OxGfxGetDrawingSize(int* width, int* height);
