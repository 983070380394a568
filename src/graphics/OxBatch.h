// The batched draw path: mesh draws and text recorded with the per-draw state
// the programs would have read from uniforms, merged into few OpenGL draws
// and issued at a flush, with the render state both paths set
// (graphics/OxRenderState.h) applied as each flush needs it. Leans on the
// OpenGL API (platform/OxPlatformGLApi.h), the Shader object and the
// graphics module's fatal reports.
#pragma once

#include <stddef.h>

#include "platform/OxPlatformGLApi.h"

struct OxGfxVertexList;

// ---- Switching ------------------------------------------------------------------

// Whether draws are being recorded: batching on and OpenGL ready.
bool OxBatchIsRecording();
// Whether the game asked for batching (kept across OxGfxExit and OxGfxInit).
bool OxBatchIsWanted();
// Turns recording on or off. Off issues what is pending and puts OpenGL's
// state (programs and their uniforms, texture, blending, viewport) where the
// faithful path would have it. Without OpenGL only the wish is recorded.
void OxBatchSetWanted(bool on);
// OpenGL is ready (end of OxGfxInit): starts recording if it is wanted.
void OxBatchStart();
// Before OpenGL goes (OxGfxExit): drops what is pending, deletes the batch's
// programs and buffer, stops recording (the wish is kept).
void OxBatchStop();
// Issues the pending draws, if any.
void OxBatchFlush();
// A frame begins (OxGfxStart): issues what is pending.
void OxBatchFrameStart();
// Around a draw that the faithful path must make while recording (values the
// batch cannot carry): Suspend issues what is pending and puts OpenGL in the
// faithful state; Resume goes back to recording.
void OxBatchSuspend();
void OxBatchResume();

// ---- Textures the pending draws sample -----------------------------------------

// Before glDeleteTextures of one name: issues pending draws that sample it;
// a deleted texture is no longer bound anywhere.
void OxBatchTextureDeleting(GLuint name);
// Before changing a parameter of the texture bound on unit 0: issues pending
// draws that sample it and makes it the one OpenGL has bound.
void OxBatchPrepareTextureParameter();

// ---- Meshes and text --------------------------------------------------------------

// The bytes a mesh record of count vertices takes, with room after it for
// the batch's copy of a small mesh's vertices: records are allocated with
// this size (zeroed) and freed with free.
size_t OxBatchMeshRecordBytes(unsigned int count);
// Keeps a copy of a small mesh's vertices (positions x, y; colours as the
// mesh's buffer holds them; texture coordinates) for recording its draws,
// in the record's block, which OxBatchMeshRecordBytes(count) sized.
void OxBatchKeepMesh(const OxGfxVertexList* mesh, const float* positions, const float* colors,
                     const float* textureCoordinates, unsigned int count);
void OxBatchForgetMesh(const OxGfxVertexList* mesh);
// Records or draws one mesh draw with the program in use; false when the
// values in effect need the faithful path (then nothing was done).
bool OxBatchMeshDraw(const OxGfxVertexList* mesh, unsigned int mode);
// Records a sprite's square as triangles with the texture program, whose
// values the sprite family has just set itself: a 2D world transform, blend
// and add colours 0, transparency 1, a finite offset and the multiply colour
// of its tint (tinted: not white). Skips reading those values back and
// checking them; the batch must be recording.
void OxBatchSpriteDraw(const OxGfxVertexList* square, bool tinted);
// One text vertex as OxGfxPrint lays it out: position in normalised device
// coordinates, then the atlas texture coordinate.
struct OxBatchTextVertex {
  float x, y, u, v;
};
// Records count text vertices (whole glyphs) drawn with the font program,
// sampling atlas in colour (red, green, blue, alpha), under the blend mode,
// viewport and texture in effect. False when the colour is not finite (the
// faithful path then draws).
bool OxBatchCanPrint(const float color[4]);
void OxBatchText(const OxBatchTextVertex* vertices, unsigned int count, const float color[4]);
