// Graphics module: the OpenGL context and frame, the fatal reports, the
// render state, the camera and world transform, and meshes. Leans on the OpenGL API (platform/OxPlatformGLApi.h),
// the platform's GL-context and terminal layers, the window state's handle
// and full-screen scale, the Shader class and the matrix builders.
#include "OxGraphics.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "platform/OxPlatformGLApi.h"

#include "OxMatrix4.h"
#include "OxMtx33.h"
#include "diagnostics/OxDiagnostics.h"
#include "graphics/OxBatch.h"
#include "graphics/OxRenderState.h"
#include "graphics/OxFontSystem.h"
#include "graphics/OxGraphicsInternal.h"
#include "graphics/OxMatrixBuilders.h"
#include "graphics/OxSpriteSystem.h"
#include "graphics/Shader.h"
#include "platform/OxPlatformGL.h"
#include "platform/OxPlatformImage.h"
#include "platform/OxPlatformTerminal.h"
#include "window/OxFullScreenArea.h"
#include "window/OxWindowState.h"

// ---- Types ---------------------------------------------------------------------

namespace {

// One pending vertex of the mesh being built.
struct OxGfxVertex {
  float x, y, z;
  unsigned int color;  // 0xAARRGGBB
  float u, v;
};

// Vertices the pending list holds: 8,192 triangles.
const unsigned int kPendingVertexCapacity = 24576;
// Components per vertex of the three mesh buffers; bytes are four times these.
const int kPositionComponents = 3;
const int kColorComponents = 4;
const int kTextureCoordinateComponents = 2;
// The eye's height above the world plane, and the projection's depth range.
const float kCameraHeight = 60.0f;
const float kNearPlane = 1.0f;
const float kFarPlane = 1000.0f;
// Upper bound on errors read by one check. OpenGL keeps one flag per kind of
// error, so real queues are short; this only guards against a driver that
// never clears its flag.
const int kMaxErrorsPerCheck = 64;

// ---- Module state ----------------------------------------------------------------

struct GraphicsState {
  // Context and frame.
  OxPlatformDC* deviceContext = nullptr;
  OxPlatformGLContext* renderingContext = nullptr;
  int windowWidth = 0;
  int windowHeight = 0;
  // True from a successful glewInit to OxGfxExit: the OpenGL 2.0 entry points
  // exist. Calls that need them do nothing outside that span (the OpenGL 1.1
  // calls are harmless without a context).
  bool openGLReady = false;
  // True from OxGfxStart to OxGfxEnd: the back buffer holds this frame.
  bool frameUnderWay = false;
  // Whether the window was made with a depth buffer, which the frame start
  // then clears with the colour (the setting may change while it is open).
  bool windowHasDepth = true;

  // Render state: the recorded blend mode (OpenGL starts with blending off).
  unsigned int blendMode = OxGfxBlendModeNone;

  // Camera and world transform.
  float cameraX = 0.0f;
  float cameraY = 0.0f;
  // A 2D transform's world matrix, column by column: only the 2x2 block and
  // the translation are ever written; z passes through.
  float worldStaging[16] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  float worldStaging3D[16] = {};

  // Mesh builder.
  unsigned int pendingCount = 0;
  // Whether the mesh being built has already reported that it is full.
  bool pendingFullReported = false;
} gState;

// The vertices of the mesh being built, outside the state so that their
// 590 KB stay in memory that starts zero-filled.
OxGfxVertex gPendingVertices[kPendingVertexCapacity];

// Ends the process after a fatal report: one key press, then exit code 1.
[[noreturn]] void HaltProcess()
{
  fflush(stdout);
  OxPlatformWaitForKey();
  exit(1);
}

}  // namespace

Shader gShader;

extern "C" {
OX_API float gOxWinMinX = 0.0f;
OX_API float gOxWinMaxX = 0.0f;
OX_API float gOxWinMinY = 0.0f;
OX_API float gOxWinMaxY = 0.0f;
}

// ---- Fatal reports -----------------------------------------------------------

void OxGfxHaltReport(int line, const char* function, const char* message)
{
  printf("HALT:\nLine: %d\nFunc: %s\nFile: %s\n", line, function, OX_GRAPHICS_SOURCE_PATH);
  printf("Mesg: %s", message);
  printf("\n");
  HaltProcess();
}

// Every pending error gets its own report before the one halt.
void OxGfxCheckGLErrorReport(int line, const char* function)
{
  int reported = 0;
  for (GLenum code = glGetError(); code != GL_NO_ERROR && reported < kMaxErrorsPerCheck;
       code = glGetError()) {
    printf("CHECK_GL_ERROR:\nLine: %d\nFunc: %s\nFile: %s\n", line, function,
           OX_GRAPHICS_SOURCE_PATH);
    printf("Code: 0x%.8x\n", code);
    printf("Mesg: ");
    printf("\n");
    ++reported;
  }
  if (reported > 0) HaltProcess();
}

unsigned int OxGfxGetCurrentBlendMode() { return gState.blendMode; }

bool OxGfxIsFrameUnderWay() { return gState.frameUnderWay; }

bool OxGfxIsOpenGLReady() { return gState.openGLReady; }

void OxGfxGetDrawingSize(int* width, int* height)
{
  *width = OxFullScreenPixels(OxGfxGetWindowWidth(), OxWindowFullScreenScaleX());
  *height = OxFullScreenPixels(OxGfxGetWindowHeight(), OxWindowFullScreenScaleY());
}

void OxGfxFlushPending() { OxBatchFlush(); }

// ---- Camera helpers ------------------------------------------------------------

namespace {

// The visible world rectangle around the camera; full-screen scale does not
// enter, so windowed and full-screen modes show the same world.
void UpdateWindowExtents()
{
  float width = static_cast<float>(gState.windowWidth);
  float height = static_cast<float>(gState.windowHeight);
  gOxWinMinX = gState.cameraX - width * 0.5f;
  gOxWinMaxX = gState.cameraX + width * 0.5f;
  gOxWinMinY = gState.cameraY - height * 0.5f;
  gOxWinMaxY = gState.cameraY + height * 0.5f;
}

// Builds projection and view from the window size, the full-screen scale and
// the camera, uploads them to the program in use and sets the viewport.
void SetProjectionAndViewMatrices()
{
  float scaleX = OxWindowFullScreenScaleX();
  float scaleY = OxWindowFullScreenScaleY();
  int viewportWidth = 0, viewportHeight = 0;
  OxGfxGetDrawingSize(&viewportWidth, &viewportHeight);

  float width = static_cast<float>(viewportWidth);
  float height = static_cast<float>(viewportHeight);
  Matrix4 projection = BuildOrthoMatrix(width, height, kNearPlane, kFarPlane);
  // OpenGL reads the floats column by column, hence the transpose.
  Matrix4 projectionUpload = TransposeMatrix(projection);
  gShader.SetUniformMatrix4(kUniformPMatrix, &projectionUpload.m[0][0]);
  OxRenderViewport(0, 0, viewportWidth, viewportHeight);
  CHECK_GL_ERROR("SetProjectionAndViewMatrices");

  Point4 eye(gState.cameraX, gState.cameraY, kCameraHeight, 1.0f);
  Point4 target(gState.cameraX, gState.cameraY, 0.0f, 1.0f);
  Vector4 up(0.0f, 1.0f, 0.0f, 0.0f);
  Matrix4 lookAt = BuildLookAtMatrix(eye, target, up);
  // transpose(L) x S read column by column is S x L: the scale stretches the
  // camera's view over the full-screen viewport.
  Matrix4 view = TransposeMatrix(lookAt);
  Matrix4 scale(scaleX, 0.0f, 0.0f, 0.0f,
                0.0f, scaleY, 0.0f, 0.0f,
                0.0f, 0.0f, 1.0f, 0.0f,
                0.0f, 0.0f, 0.0f, 1.0f);
  view *= scale;
  gShader.SetUniformMatrix4(kUniformVMatrix, &view.m[0][0]);
  CHECK_GL_ERROR("SetProjectionAndViewMatrices");
}

}  // namespace

// ---- Context and frame ------------------------------------------------------------

int OxGfxInit(int width, int height)
{
  // A second start would build a second context and programs over the first.
  if (gState.renderingContext) {
    printf("Graphics already running: OxGfxInit changes nothing before OxGfxExit\n");
    return 1;
  }
  gState.windowWidth = width;
  gState.windowHeight = height;
  printf("Graphics: OpenGL\n");

  gState.deviceContext = nullptr;
  gState.renderingContext = nullptr;
  // A window that could not be created has no drawing surface either.
  gState.deviceContext = OxPlatformGetDC(OxWindowHandle());
  if (!gState.deviceContext) return 0;

  // The platform layer chooses and sets the pixel format with the context.
  gState.renderingContext = OxPlatformCreateContext(gState.deviceContext);
  if (!gState.renderingContext) {
    OxPlatformReleaseDC(OxWindowHandle(), gState.deviceContext);
    gState.deviceContext = nullptr;
    return 0;
  }
  OxPlatformMakeCurrent(gState.deviceContext, gState.renderingContext);
  gState.windowHasDepth = OxPlatformWantsDepthStencil();
  // A new context blends nothing, whatever the last one was set to.
  gState.blendMode = OxGfxBlendModeNone;

  if (!OxPlatformLoadGL()) HALT("OxGfxInit", "fail to initialize GLEW!!");
  if (!OxPlatformHasGL20()) HALT("OxGfxInit", "OpenGL 2.0 is not supported!!");
  gState.openGLReady = true;

  OxPlatformImageStart();

  UpdateWindowExtents();
  gShader.BuildPrograms();
  OxGfxFontSystemStart();

  OxGfxSetRenderMode(OxGfxRenderModeColor);
  OxGfxSetColorToMultiply(1.0f, 1.0f, 1.0f, 1.0f);
  OxGfxSetColorToAdd(0.0f, 0.0f, 0.0f, 0.0f);
  OxGfxSetTransparency(1.0f);

  glClearColor(1.0f, 1.0f, 1.0f, 1.0f);
  CHECK_GL_ERROR("OxGfxInit");
  // Batching asked for before start-up begins now.
  OxBatchStart();
  return 1;
}

void OxGfxSetVSync(int enable)
{
  int interval = enable ? 1 : 0;
  if (!OxPlatformHasSwapControl()) return;
  OxPlatformSetSwapInterval(interval);
}

void OxGfxReset(void)
{
  gState.pendingCount = 0;
  gState.pendingFullReported = false;
}

void OxGfxExit(void)
{
  // Draws still pending are dropped, as an unfinished frame would be.
  if (gState.openGLReady) OxBatchStop();
  OxSpriteSystemEnd();
  OxGfxFontSystemEnd();
  gShader.Destroy();
  if (gState.renderingContext) OxPlatformDeleteContext(gState.renderingContext);
  if (gState.deviceContext) OxPlatformReleaseDC(OxWindowHandle(), gState.deviceContext);
  OxPlatformImageStop();
  // Cleared so that a second exit, or one after a failed start, does nothing.
  gState.renderingContext = nullptr;
  gState.deviceContext = nullptr;
  gState.openGLReady = false;
  gState.frameUnderWay = false;
}

void OxGfxStart(void)
{
  gState.frameUnderWay = gState.openGLReady;
  // Draws made between frames land before the clear, as they would have.
  OxBatchFrameStart();
  glClear(gState.windowHasDepth ? GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT : GL_COLOR_BUFFER_BIT);
  OxRenderViewport(0, 0, gState.windowWidth, gState.windowHeight);
}

void OxGfxEnd(void)
{
  gState.frameUnderWay = false;
  if (!gState.openGLReady) return;
  OxBatchFlush();
  CHECK_GL_ERROR("OxGfxEnd");
  // With no program in use, the next frame's first OxGfxSetRenderMode
  // switches programs and so uploads the camera's matrices again.
  gShader.Unuse();
  CHECK_GL_ERROR("OxGfxEnd");
  glFinish();
  OxPlatformSwapBuffers(gState.deviceContext);
}

void OxGfxSetBackgroundColor(float red, float green, float blue)
{
  glClearColor(red, green, blue, 1.0f);
}

int OxGfxGetWindowWidth(void) { return gState.windowWidth; }
int OxGfxGetWindowHeight(void) { return gState.windowHeight; }

// ---- Render state -------------------------------------------------------------------

void OxGfxSetRenderMode(int mode)
{
  if (!gState.openGLReady) {
    OxDiagNotRunning("OxGfxSetRenderMode", false);
    return;
  }
  // An error left by any earlier call ends the process here.
  CHECK_GL_ERROR("OxGfxSetRenderMode");
  if (mode == OxGfxRenderModeNone) {
    gShader.Use(kShaderSlotNone);
  } else if (mode == OxGfxRenderModeColor || mode == OxGfxRenderModeTexture) {
    if (gShader.Use(static_cast<unsigned int>(mode))) SetProjectionAndViewMatrices();
  }
}

void OxGfxSetBlendMode(int mode)
{
  unsigned int blendMode = static_cast<unsigned int>(mode);
  if (blendMode == gState.blendMode) return;
  // Recorded for every value, also one that changes no OpenGL state.
  gState.blendMode = blendMode;
  if (blendMode <= OxGfxBlendModeAdd) OxRenderBlend(blendMode);
}

// The colour setters touch OpenGL only while a program is in use: a uniform
// call without one is an OpenGL error, and such a call changes nothing anyway.

namespace {

// Whether a colour setter has a program to set a value in; with none, the
// call changes nothing and is diagnosed.
bool SetterHasProgram(const char* function)
{
  if (gShader.GetCurrentProgram() != kShaderSlotNone) return true;
  if (!gState.openGLReady)
    OxDiagNotRunning(function, false);
  else OxDiagTrap("%s with no render mode set: ignored (call OxGfxSetRenderMode first)", function);
  return false;
}

}  // namespace

void OxGfxSetTransparency(float alpha)
{
  if (!SetterHasProgram("OxGfxSetTransparency")) return;
  gShader.SetUniform1f(kUniformTransparencyValue, alpha);
  CHECK_GL_ERROR("OxGfxSetTransparency");
}

void OxGfxSetBlendColor(float red, float green, float blue, float alpha)
{
  if (!SetterHasProgram("OxGfxSetBlendColor")) return;
  gShader.SetUniform4f(kUniformBlendColor, red, green, blue, alpha);
  CHECK_GL_ERROR("OxGfxSetBlendColor");
}

void OxGfxSetColorToMultiply(float red, float green, float blue, float alpha)
{
  if (!SetterHasProgram("OxGfxSetColorToMultiply")) return;
  gShader.SetUniform4f(kUniformMultiplyColor, red, green, blue, alpha);
  CHECK_GL_ERROR("OxGfxSetColorToMultiply");
}

void OxGfxSetColorToAdd(float red, float green, float blue, float alpha)
{
  if (!SetterHasProgram("OxGfxSetColorToAdd")) return;
  gShader.SetUniform4f(kUniformAddColor, red, green, blue, alpha);
  CHECK_GL_ERROR("OxGfxSetColorToAdd");
}

// ---- Camera and world transform -------------------------------------------------

void OxGfxSetCamPosition(float x, float y)
{
  gState.cameraX = x;
  gState.cameraY = y;
  UpdateWindowExtents();
}

void OxGfxGetCamPosition(float* x, float* y)
{
  *x = gState.cameraX;
  *y = gState.cameraY;
}

float OxGfxGetWinMinX(void) { return gOxWinMinX; }
float OxGfxGetWinMaxX(void) { return gOxWinMaxX; }
float OxGfxGetWinMinY(void) { return gOxWinMinY; }
float OxGfxGetWinMaxY(void) { return gOxWinMaxY; }

// The 2D affine transform as a 4x4 matrix, column by column: the 2x2 block,
// z passed through, the translation column; the third row is never read.
void OxGfxSetTransform(const struct OxMtx33* matrix)
{
  const float (*m)[3] = matrix->m;
  OxGfxSetWorld2D(m[0][0], m[0][1], m[0][2], m[1][0], m[1][1], m[1][2]);
}

void OxGfxSetWorld2D(float a, float b, float tx, float c, float d, float ty)
{
  gState.worldStaging[0] = a;
  gState.worldStaging[1] = c;
  gState.worldStaging[4] = b;
  gState.worldStaging[5] = d;
  gState.worldStaging[12] = tx;
  gState.worldStaging[13] = ty;
  gShader.SetUniformMatrix4(kUniformWorldMatrix, gState.worldStaging);
}

void OxGfxSetTransform3D(const struct Matrix4* matrix)
{
  for (int row = 0; row < 4; ++row)
    for (int column = 0; column < 4; ++column)
      gState.worldStaging3D[4 * column + row] = matrix->m[row][column];
  gShader.SetUniformMatrix4(kUniformWorldMatrix, gState.worldStaging3D);
}

// ---- Meshes ------------------------------------------------------------------------

void OxGfxMeshStart(void) {}

void OxGfxVertexAdd(float x, float y, unsigned int color, float u, float v)
{
  // The list never grows: vertices beyond it are dropped, reported once.
  if (gState.pendingCount >= kPendingVertexCapacity) {
    if (!gState.pendingFullReported) {
      printf("Mesh is full: vertices beyond %u are ignored\n", kPendingVertexCapacity);
      gState.pendingFullReported = true;
    }
    return;
  }
  OxGfxVertex& vertex = gPendingVertices[gState.pendingCount++];
  vertex.x = x;
  vertex.y = y;
  vertex.z = 0.0f;
  vertex.color = color;
  vertex.u = u;
  vertex.v = v;
}

void OxGfxTriAdd(float x0, float y0, unsigned int color0, float u0, float v0,
                 float x1, float y1, unsigned int color1, float u1, float v1,
                 float x2, float y2, unsigned int color2, float u2, float v2)
{
  OxGfxVertexAdd(x0, y0, color0, u0, v0);
  OxGfxVertexAdd(x1, y1, color1, u1, v1);
  OxGfxVertexAdd(x2, y2, color2, u2, v2);
}

void OxGfxTriListInitialize(OxGfxVertexList* mesh)
{
  if (!mesh) return;
  mesh->bufferNames = static_cast<unsigned int*>(calloc(3, sizeof(unsigned int)));
}

OxGfxVertexList* OxGfxMeshEnd(void)
{
  if (!gState.openGLReady) {
    OxDiagNotRunning("OxGfxMeshEnd", true);
    return nullptr;
  }
  unsigned int count = gState.pendingCount;
  OxGfxVertexList* mesh = static_cast<OxGfxVertexList*>(calloc(1, OxBatchMeshRecordBytes(count)));
  if (mesh) OxGfxTriListInitialize(mesh);
  // One block for the three temporary arrays; at least one float so that an
  // empty mesh does not look like a failed allocation.
  size_t floatsPerVertex = kPositionComponents + kColorComponents + kTextureCoordinateComponents;
  float* arrays = static_cast<float*>(malloc((count * floatsPerVertex + 1) * sizeof(float)));
  if (!mesh || !mesh->bufferNames || !arrays) {
    OxDiagPrintFailure("Error: Cannot build mesh. Memory allocation failed\n");
    if (mesh) free(mesh->bufferNames);
    free(mesh);
    free(arrays);
    OxGfxReset();
    return nullptr;
  }
  mesh->vertexCount = count;
  glGenBuffers(3, mesh->bufferNames);

  float* positions = arrays;
  float* colors = positions + count * kPositionComponents;
  float* textureCoordinates = colors + count * kColorComponents;
  for (unsigned int i = 0; i < count; ++i) {
    const OxGfxVertex& vertex = gPendingVertices[i];
    positions[3 * i + 0] = vertex.x;
    positions[3 * i + 1] = vertex.y;
    positions[3 * i + 2] = vertex.z;
    colors[4 * i + 0] = static_cast<float>((vertex.color >> 16) & 0xFF) / 255.0f;
    colors[4 * i + 1] = static_cast<float>((vertex.color >> 8) & 0xFF) / 255.0f;
    colors[4 * i + 2] = static_cast<float>(vertex.color & 0xFF) / 255.0f;
    colors[4 * i + 3] = static_cast<float>(vertex.color >> 24) / 255.0f;
    textureCoordinates[2 * i + 0] = vertex.u;
    textureCoordinates[2 * i + 1] = vertex.v;
  }

  const float* sources[3] = {positions, colors, textureCoordinates};
  const int components[3] = {kPositionComponents, kColorComponents,
                             kTextureCoordinateComponents};
  for (int buffer = 0; buffer < 3; ++buffer) {
    glBindBuffer(GL_ARRAY_BUFFER, mesh->bufferNames[buffer]);
    glBufferData(GL_ARRAY_BUFFER,
                 static_cast<GLsizeiptr>(count) * components[buffer] * sizeof(float),
                 sources[buffer], GL_STATIC_DRAW);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    // Fully resident before the call returns.
    glFinish();
  }
  CHECK_GL_ERROR("OxGfxMeshEnd");
  // The batched path draws small meshes from a copy of their vertices.
  OxBatchKeepMesh(mesh, positions, colors, textureCoordinates, count);

  free(arrays);
  OxGfxReset();
  return mesh;
}

namespace {

// The draws that show nothing: no program in use, or texture mode with
// transparency or multiply-colour alpha 0 (the texture program's colours
// start at zero). Only reached with diagnostics on.
void DiagnoseDraw(const OxGfxVertexList* mesh)
{
  if (!gState.openGLReady) {
    OxDiagNotRunning("OxGfxMeshDraw", false);
    return;
  }
  if (!mesh || !mesh->bufferNames) return;
  unsigned int slot = gShader.GetCurrentProgram();
  if (slot != kShaderSlotColor && slot != kShaderSlotTexture) {
    OxDiagTrap("OxGfxMeshDraw with no render mode set: nothing is drawn "
               "(call OxGfxSetRenderMode each frame)");
    return;
  }
  if (slot != kShaderSlotTexture) return;
  bool clear = gShader.Value(slot, kUniformTransparencyValue)[0] == 0.0f;
  bool noAlpha = gShader.Value(slot, kUniformMultiplyColor)[3] == 0.0f;
  if (clear || noAlpha)
    OxDiagTrap("OxGfxMeshDraw in texture mode with %s 0: nothing is visible",
               clear && noAlpha ? "transparency and multiply colour alpha"
               : clear          ? "transparency"
                                : "multiply colour alpha");
}

// One OpenGL draw of the mesh with the program in use.
void DrawMeshNow(OxGfxVertexList* mesh, unsigned int mode)
{
  static const GLenum kPrimitives[] = {GL_POINTS, GL_LINES, GL_LINE_STRIP, GL_TRIANGLES};
  GLenum primitive = kPrimitives[mode];
  GLsizei count = static_cast<GLsizei>(mesh->vertexCount);

  // -1 with no program, or with the font program, which draws no meshes.
  GLint position = gShader.GetAttribLocation(kAttributePosition);
  if (position != -1) glEnableVertexAttribArray(position);
  glBindBuffer(GL_ARRAY_BUFFER, mesh->bufferNames[0]);
  if (position != -1)
    glVertexAttribPointer(position, kPositionComponents, GL_FLOAT, GL_FALSE, 0, nullptr);

  unsigned int slot = gShader.GetCurrentProgram();
  if (slot == kShaderSlotColor) {
    glBindBuffer(GL_ARRAY_BUFFER, mesh->bufferNames[1]);
    GLint color = gShader.GetAttribLocation(kAttributeColor);
    glEnableVertexAttribArray(color);
    glVertexAttribPointer(color, kColorComponents, GL_FLOAT, GL_FALSE, 0, nullptr);
    glDrawArrays(primitive, 0, count);
    glDisableVertexAttribArray(color);
  } else if (slot == kShaderSlotTexture) {
    glBindBuffer(GL_ARRAY_BUFFER, mesh->bufferNames[2]);
    GLint textureCoordinate = gShader.GetAttribLocation(kAttributeTextureCoordinate);
    glEnableVertexAttribArray(textureCoordinate);
    glVertexAttribPointer(textureCoordinate, kTextureCoordinateComponents, GL_FLOAT, GL_FALSE,
                          0, nullptr);
    glDrawArrays(primitive, 0, count);
    glDisableVertexAttribArray(textureCoordinate);
  }

  if (position != -1) glDisableVertexAttribArray(position);
  glBindBuffer(GL_ARRAY_BUFFER, 0);
}

}  // namespace

void OxGfxMeshDraw(OxGfxVertexList* mesh, unsigned int mode)
{
  if (mode > OxGfxMeshDrawModeTriangles) {
    printf("Mesh Draw Mode %u is invalid!\n", mode);
    return;
  }
  if (OxDiagIsOn()) DiagnoseDraw(mesh);
  if (!mesh || !mesh->bufferNames || !gState.openGLReady) return;
  if (OxBatchIsRecording()) {
    if (OxBatchMeshDraw(mesh, mode)) return;
    // Values the batch cannot carry: drawn the faithful way.
    OxBatchSuspend();
    DrawMeshNow(mesh, mode);
    OxBatchResume();
    return;
  }
  DrawMeshNow(mesh, mode);
}

void OxGfxMeshFree(OxGfxVertexList* mesh)
{
  if (!mesh) return;
  OxBatchForgetMesh(mesh);
  if (mesh->bufferNames && gState.openGLReady) glDeleteBuffers(3, mesh->bufferNames);
  free(mesh->bufferNames);
  free(mesh);
}

// ---- Batched drawing -----------------------------------------------------------------

int OxGfxSetDepthBuffer(int on)
{
  int previous = OxPlatformWantsDepthStencil() ? 1 : 0;
  OxPlatformSetDepthStencil(on != 0);
  return previous;
}

int OxGfxSetBatching(int on)
{
  int previous = OxBatchIsWanted() ? 1 : 0;
  OxBatchSetWanted(on != 0);
  return previous;
}

void OxGfxFlush(void) { OxBatchFlush(); }
