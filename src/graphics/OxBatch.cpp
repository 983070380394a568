// The batched draw path. A batch holds draws of one kind (colour meshes,
// textured meshes or text) that one OpenGL draw can carry: the same
// primitive, blend mode, viewport, texture and camera. Each vertex carries
// what the faithful programs read from uniforms (world matrix, blend,
// multiply and add colours, transparency, texture offset, font colour), and
// the batch's programs compute exactly what the faithful ones do from it.
// Leans on GLEW, the Shader object (deferred while recording) and the
// graphics module's fatal reports.
#include "graphics/OxBatch.h"

#include <math.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "OxGraphics.h"
#include "graphics/OxGraphicsInternal.h"
#include "graphics/Shader.h"

namespace {

// ---- Constants ------------------------------------------------------------------

// Vertices one batch holds; a full batch is issued.
const unsigned int kBatchCapacity = 16384;
// Meshes with more vertices are drawn from their own buffers (copying them
// costs more than a draw call), and no copy of them is kept.
const unsigned int kCopiedMeshLimit = 1024;

enum Kind : unsigned int { kKindColour = 0, kKindTexture = 1, kKindFont = 2, kKindNone = 3 };

// The batch's programs: colour and texture, each light (every colour value
// neutral, where the faithful arithmetic leaves the colour unchanged) and
// full, and text.
enum Variant : unsigned int {
  kVariantColourLight,
  kVariantColourFull,
  kVariantTextureLight,
  kVariantTextureFull,
  kVariantFont,
  kVariantCount
};

// Attribute locations, the same in every batch program.
enum Attribute : GLuint {
  kAttributePosition = 0,  // x, y (z 0 and w 1 by default)
  kAttributeColor = 1,     // colour, or texture coordinate in x and y
  kAttributeWorld0 = 2,    // four columns of the world matrix: 2 to 5
  kAttributeBlend = 6,     // blend colour, or the font colour
  kAttributeMultiply = 7,
  kAttributeAdd = 8,
  kAttributeExtra = 9,     // transparency, texture offset x and y, 0
  kAttributeTotal = 10
};
const char* const kAttributeNames[kAttributeTotal] = {
    "aPosition", "aColor", "aWorld0", "aWorld1", "aWorld2", "aWorld3",
    "aBlendColor", "aMultiplyColor", "aAddColor", "aExtra"};

// Vertex layouts, in floats. A mesh vertex: position (2), colour or texture
// coordinate (4), then the per-draw block: world matrix (16, column by
// column), blend (4), multiply (4), add (4), extra (4).
const unsigned int kMeshData = 2;
const unsigned int kMeshBlock = 6;
const unsigned int kBlockFloats = 32;
const unsigned int kMeshStride = kMeshBlock + kBlockFloats;
// A text vertex: position (2), atlas coordinate (2), font colour (4).
const unsigned int kTextStride = 8;
// A kept mesh vertex: x, y, red, green, blue, alpha, u, v.
const unsigned int kCopyStride = 8;

// ---- Program sources --------------------------------------------------------------
// The faithful programs' arithmetic, written the same way, with the uniforms
// replaced by values that are constant over each draw's vertices.

const char kVertexSource[] =
    "uniform mat4 uPMatrix;\n"
    "uniform mat4 uVMatrix;\n"
    "attribute vec4 aPosition;\n"
    "attribute vec4 aColor;\n"
    "varying vec4 vColor;\n"
    "#if KIND_FONT\n"
    "attribute vec4 aBlendColor;\n"
    "varying vec4 vFontColor;\n"
    "void main(void) {\n"
    "gl_Position = vec4(aPosition.xy, 0, 1);\n"
    "vColor = aColor;\n"
    "vFontColor = aBlendColor;\n"
    "}\n"
    "#else\n"
    "attribute vec4 aWorld0;\n"
    "attribute vec4 aWorld1;\n"
    "attribute vec4 aWorld2;\n"
    "attribute vec4 aWorld3;\n"
    "attribute vec4 aExtra;\n"
    "varying vec4 vExtra;\n"
    "#if FULL\n"
    "attribute vec4 aBlendColor;\n"
    "attribute vec4 aMultiplyColor;\n"
    "attribute vec4 aAddColor;\n"
    "varying vec4 vBlendColor;\n"
    "varying vec4 vMultiplyColor;\n"
    "varying vec4 vAddColor;\n"
    "#endif\n"
    "void main()\n"
    "{\n"
    "vColor = aColor;\n"
    "vExtra = aExtra;\n"
    "#if FULL\n"
    "vBlendColor = aBlendColor;\n"
    "vMultiplyColor = aMultiplyColor;\n"
    "vAddColor = aAddColor;\n"
    "#endif\n"
    "gl_Position = uPMatrix * uVMatrix * mat4(aWorld0, aWorld1, aWorld2, aWorld3) * aPosition;\n"
    "}\n"
    "#endif\n";

const char kFragmentSource[] =
    "uniform sampler2D uTexture;\n"
    "varying vec4 vColor;\n"
    "#if KIND_FONT\n"
    "varying vec4 vFontColor;\n"
    "void main(void) {\n"
    "gl_FragColor = vec4(vFontColor.x, vFontColor.y , vFontColor.z, texture2D(uTexture, vColor.xy).a * vFontColor.w);\n"
    "}\n"
    "#else\n"
    "varying vec4 vExtra;\n"
    "#if FULL\n"
    "varying vec4 vBlendColor;\n"
    "varying vec4 vMultiplyColor;\n"
    "varying vec4 vAddColor;\n"
    "#endif\n"
    "void main()\n"
    "{\n"
    "#if KIND_TEXTURE\n"
    "vec2 offsetTexCoord = vColor.xy;\n"
    "offsetTexCoord.x += vExtra.y;\n"
    "offsetTexCoord.y += vExtra.z;\n"
    "if(offsetTexCoord.x > 1.0)\n"
    "offsetTexCoord.x -= 1.0;\n"
    "if(offsetTexCoord.y > 1.0)\n"
    "offsetTexCoord.y -= 1.0;\n"
    "gl_FragColor = texture2D(uTexture, offsetTexCoord);\n"
    "#if FULL\n"
    "gl_FragColor.x = (gl_FragColor.x * (1.0 - vBlendColor.w) + vBlendColor.x * vBlendColor.w) * vMultiplyColor.x + vAddColor.x;\n"
    "gl_FragColor.y = (gl_FragColor.y * (1.0 - vBlendColor.w) + vBlendColor.y * vBlendColor.w) * vMultiplyColor.y + vAddColor.y;\n"
    "gl_FragColor.z = (gl_FragColor.z * (1.0 - vBlendColor.w) + vBlendColor.z * vBlendColor.w) * vMultiplyColor.z + vAddColor.z;\n"
    "gl_FragColor.w *= (vExtra.x * vMultiplyColor.w)  + vAddColor.w;\n"
    "#endif\n"
    "#else\n"
    "#if FULL\n"
    "gl_FragColor.x = (vColor.x * (1.0 - vBlendColor.w) + vBlendColor.x * vBlendColor.w) * vMultiplyColor.x + vAddColor.x;\n"
    "gl_FragColor.y = (vColor.y * (1.0 - vBlendColor.w) + vBlendColor.y * vBlendColor.w) * vMultiplyColor.y + vAddColor.y;\n"
    "gl_FragColor.z = (vColor.z * (1.0 - vBlendColor.w) + vBlendColor.z * vBlendColor.w) * vMultiplyColor.z + vAddColor.z;\n"
    "gl_FragColor.w = vColor.w * vExtra.x * vMultiplyColor.w + vAddColor.w;\n"
    "#else\n"
    "gl_FragColor = vColor;\n"
    "#endif\n"
    "#endif\n"
    "}\n"
    "#endif\n";

// The defines that pick each variant out of the two sources.
const char* const kVariantDefines[kVariantCount] = {
    "#define KIND_FONT 0\n#define KIND_TEXTURE 0\n#define FULL 0\n",
    "#define KIND_FONT 0\n#define KIND_TEXTURE 0\n#define FULL 1\n",
    "#define KIND_FONT 0\n#define KIND_TEXTURE 1\n#define FULL 0\n",
    "#define KIND_FONT 0\n#define KIND_TEXTURE 1\n#define FULL 1\n",
    "#define KIND_FONT 1\n#define KIND_TEXTURE 0\n#define FULL 0\n"};

// ---- Types ---------------------------------------------------------------------------

// What the faithful path would have OpenGL hold (logical), or what OpenGL
// holds (actual).
struct RenderState {
  GLuint texture;      // bound to GL_TEXTURE_2D on unit 0
  int viewport[4];
  unsigned int blend;  // 0, 1 or 2
};

struct Program {
  GLuint name;
  GLint projection;
  GLint view;
  bool cameraKnown;
  float camera[32];  // projection, then view, as last sent
};

// The pending draws.
struct Batch {
  unsigned int kind;  // kKindNone when nothing is pending
  GLenum primitive;
  bool full;          // some draw's colour values are not neutral
  GLuint texture;     // sampled by textured meshes and text
  unsigned int blend;
  int viewport[4];
  float camera[32];   // projection and view of the meshes' program
  unsigned int cameraSlot;
  unsigned int cameraGeneration;
  unsigned int count;  // vertices
  float* vertices;     // kBatchCapacity x kMeshStride floats
};

// A kept copy of a small mesh.
struct MeshCopy {
  unsigned int count;
  float* vertices;  // count x kCopyStride floats
};
struct MeshSlot {
  const OxGfxVertexList* key;
  MeshCopy* copy;
};

// ---- Module state -------------------------------------------------------------------

const RenderState kFreshContext = {0, {0, 0, 0, 0}, OxGfxBlendModeNone};

bool gWanted = false;
bool gRecording = false;
RenderState gLogical = kFreshContext;
RenderState gActual = kFreshContext;
bool gActualViewportKnown = false;
// The batch program OpenGL uses; 0 when it may be another.
GLuint gActualProgram = 0;
// Which attribute arrays are enabled, one bit per location.
unsigned int gEnabledArrays = 0;
Program gPrograms[kVariantCount];
bool gProgramsBuilt = false;
GLuint gStreamBuffer = 0;
Batch gBatch = {};

// Kept mesh copies: open addressing on the record's address.
const OxGfxVertexList* const kTombstone = reinterpret_cast<const OxGfxVertexList*>(1);
MeshSlot* gMeshTable = nullptr;
size_t gMeshTableSize = 0;  // a power of two, or 0
size_t gMeshTableFilled = 0;  // live entries and tombstones

// ---- Mesh copies -----------------------------------------------------------------

size_t HashOf(const OxGfxVertexList* mesh)
{
  uint64_t bits = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(mesh));
  return static_cast<size_t>((bits >> 4) * 0x9E3779B97F4A7C15ull >> 20);
}

MeshSlot* FindSlot(const OxGfxVertexList* mesh)
{
  if (gMeshTableSize == 0) return nullptr;
  size_t mask = gMeshTableSize - 1;
  for (size_t i = HashOf(mesh) & mask;; i = (i + 1) & mask) {
    MeshSlot& slot = gMeshTable[i];
    if (slot.key == mesh) return &slot;
    if (!slot.key) return nullptr;
  }
}

bool GrowTable()
{
  size_t size = gMeshTableSize ? gMeshTableSize * 2 : 64;
  MeshSlot* table = static_cast<MeshSlot*>(calloc(size, sizeof(MeshSlot)));
  if (!table) return false;
  size_t filled = 0;
  for (size_t i = 0; i < gMeshTableSize; ++i) {
    const MeshSlot& old = gMeshTable[i];
    if (!old.key || old.key == kTombstone) continue;
    for (size_t j = HashOf(old.key) & (size - 1);; j = (j + 1) & (size - 1)) {
      if (table[j].key) continue;
      table[j] = old;
      break;
    }
    ++filled;
  }
  free(gMeshTable);
  gMeshTable = table;
  gMeshTableSize = size;
  gMeshTableFilled = filled;
  return true;
}

// ---- OpenGL state -----------------------------------------------------------------

void ApplyBlend(unsigned int mode)
{
  if (gActual.blend == mode) return;
  gActual.blend = mode;
  if (mode == OxGfxBlendModeNone) {
    glDisable(GL_BLEND);
  } else if (mode == OxGfxBlendModeBlend) {
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  } else {
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
  }
}

void ApplyViewport(const int viewport[4])
{
  if (gActualViewportKnown && memcmp(gActual.viewport, viewport, sizeof(gActual.viewport)) == 0)
    return;
  glViewport(viewport[0], viewport[1], viewport[2], viewport[3]);
  memcpy(gActual.viewport, viewport, sizeof(gActual.viewport));
  gActualViewportKnown = true;
}

void ApplyTexture(GLuint name)
{
  if (gActual.texture == name) return;
  glBindTexture(GL_TEXTURE_2D, name);
  gActual.texture = name;
}

void SetArrays(unsigned int wanted)
{
  unsigned int change = wanted ^ gEnabledArrays;
  for (GLuint location = 0; location < kAttributeTotal; ++location) {
    if (!(change & (1u << location))) continue;
    if (wanted & (1u << location))
      glEnableVertexAttribArray(location);
    else
      glDisableVertexAttribArray(location);
  }
  gEnabledArrays = wanted;
}

// ---- Programs ------------------------------------------------------------------------

GLuint CompileStage(GLenum type, unsigned int variant, const char* body)
{
  GLuint shader = glCreateShader(type);
  const char* parts[2] = {kVariantDefines[variant], body};
  glShaderSource(shader, 2, parts, nullptr);
  glCompileShader(shader);
  GLint status = 0;
  glGetShaderiv(shader, GL_COMPILE_STATUS, &status);
  if (status != GL_TRUE) HALT("Shader::AddShaderFromString", "FAILED Shader compilation !");
  return shader;
}

void BuildPrograms()
{
  if (gProgramsBuilt) return;
  for (unsigned int variant = 0; variant < kVariantCount; ++variant) {
    Program& program = gPrograms[variant];
    program.name = glCreateProgram();
    GLuint vertex = CompileStage(GL_VERTEX_SHADER, variant, kVertexSource);
    GLuint fragment = CompileStage(GL_FRAGMENT_SHADER, variant, kFragmentSource);
    glAttachShader(program.name, vertex);
    glAttachShader(program.name, fragment);
    for (GLuint location = 0; location < kAttributeTotal; ++location)
      glBindAttribLocation(program.name, location, kAttributeNames[location]);
    glLinkProgram(program.name);
    // Deleted with the program.
    glDeleteShader(vertex);
    glDeleteShader(fragment);
    program.projection = glGetUniformLocation(program.name, "uPMatrix");
    program.view = glGetUniformLocation(program.name, "uVMatrix");
    program.cameraKnown = false;
  }
  gProgramsBuilt = true;
}

Program& UseProgram(unsigned int variant)
{
  Program& program = gPrograms[variant];
  if (gActualProgram != program.name) {
    glUseProgram(program.name);
    gActualProgram = program.name;
    gShader.ForgetProgramInUse();
  }
  return program;
}

void SendCamera(Program& program, const float camera[32])
{
  if (program.cameraKnown && memcmp(program.camera, camera, sizeof(program.camera)) == 0) return;
  glUniformMatrix4fv(program.projection, 1, GL_FALSE, camera);
  glUniformMatrix4fv(program.view, 1, GL_FALSE, camera + 16);
  memcpy(program.camera, camera, sizeof(program.camera));
  program.cameraKnown = true;
}

// ---- Per-draw values -----------------------------------------------------------------

bool AllFinite(const float* values, unsigned int count)
{
  for (unsigned int i = 0; i < count; ++i)
    if (!isfinite(values[i])) return false;
  return true;
}

// The per-draw block of a mesh draw with the slot's program: world matrix,
// blend, multiply and add colours, extra. False when the values need the
// faithful path: a world matrix whose last row is not (0, 0, 0, 1) (clip w
// would not be 1, and values constant over a triangle would no longer
// interpolate exactly), or colour values or an offset that are not finite
// (they would not interpolate to themselves). *neutral tells whether the
// colour arithmetic leaves colours unchanged.
bool DrawBlock(unsigned int slot, float block[kBlockFloats], bool* neutral)
{
  const float* world = gShader.Value(slot, kUniformWorldMatrix);
  if (world[3] != 0.0f || world[7] != 0.0f || world[11] != 0.0f || world[15] != 1.0f) return false;
  const float* blend = gShader.Value(slot, kUniformBlendColor);
  const float* multiply = gShader.Value(slot, kUniformMultiplyColor);
  const float* add = gShader.Value(slot, kUniformAddColor);
  float transparency = gShader.Value(slot, kUniformTransparencyValue)[0];
  const float* offset = gShader.Value(slot, kUniformTextureOffset);
  memcpy(block, world, 16 * sizeof(float));
  memcpy(block + 16, blend, 4 * sizeof(float));
  memcpy(block + 20, multiply, 4 * sizeof(float));
  memcpy(block + 24, add, 4 * sizeof(float));
  block[28] = transparency;
  block[29] = offset[0];
  block[30] = offset[1];
  block[31] = 0.0f;
  if (!AllFinite(block + 16, 15)) return false;
  // Blend alpha 0 with a finite blend colour, multiply 1, add 0 and
  // transparency 1: every step of the arithmetic is exact.
  *neutral = blend[3] == 0.0f && multiply[0] == 1.0f && multiply[1] == 1.0f &&
             multiply[2] == 1.0f && multiply[3] == 1.0f && add[0] == 0.0f && add[1] == 0.0f &&
             add[2] == 0.0f && add[3] == 0.0f && transparency == 1.0f;
  return true;
}

// ---- The batch ------------------------------------------------------------------------

bool CameraMatches(unsigned int slot)
{
  unsigned int generation = gShader.CameraGeneration(slot);
  if (gBatch.cameraSlot == slot && gBatch.cameraGeneration == generation) return true;
  if (memcmp(gBatch.camera, gShader.Value(slot, kUniformPMatrix), 16 * sizeof(float)) != 0 ||
      memcmp(gBatch.camera + 16, gShader.Value(slot, kUniformVMatrix), 16 * sizeof(float)) != 0)
    return false;
  gBatch.cameraSlot = slot;
  gBatch.cameraGeneration = generation;
  return true;
}

// Whether count more vertices of this kind can join the pending draws.
bool Joins(unsigned int kind, GLenum primitive, GLuint texture, unsigned int slot,
           unsigned int count)
{
  return gBatch.kind == kind && gBatch.primitive == primitive &&
         gBatch.count + count <= kBatchCapacity && gBatch.blend == gLogical.blend &&
         memcmp(gBatch.viewport, gLogical.viewport, sizeof(gBatch.viewport)) == 0 &&
         (kind == kKindColour || gBatch.texture == texture) &&
         (kind == kKindFont || CameraMatches(slot));
}

void Begin(unsigned int kind, GLenum primitive, GLuint texture, unsigned int slot)
{
  OxBatchFlush();
  gBatch.kind = kind;
  gBatch.primitive = primitive;
  gBatch.full = false;
  gBatch.texture = texture;
  gBatch.blend = gLogical.blend;
  memcpy(gBatch.viewport, gLogical.viewport, sizeof(gBatch.viewport));
  if (kind != kKindFont) {
    memcpy(gBatch.camera, gShader.Value(slot, kUniformPMatrix), 16 * sizeof(float));
    memcpy(gBatch.camera + 16, gShader.Value(slot, kUniformVMatrix), 16 * sizeof(float));
    gBatch.cameraSlot = slot;
    gBatch.cameraGeneration = gShader.CameraGeneration(slot);
  }
}

// The camera of the slot's program as the batch programs take it.
void CameraOf(unsigned int slot, float camera[32])
{
  memcpy(camera, gShader.Value(slot, kUniformPMatrix), 16 * sizeof(float));
  memcpy(camera + 16, gShader.Value(slot, kUniformVMatrix), 16 * sizeof(float));
}

// A mesh drawn at once from its own buffers with a batch program, the
// per-draw values given as constant attributes.
void DrawDirect(const OxGfxVertexList* mesh, unsigned int kind, GLenum primitive, bool neutral,
                unsigned int slot, const float block[kBlockFloats])
{
  OxBatchFlush();
  Program& program = UseProgram(kind == kKindColour
                                    ? (neutral ? kVariantColourLight : kVariantColourFull)
                                    : (neutral ? kVariantTextureLight : kVariantTextureFull));
  float camera[32];
  CameraOf(slot, camera);
  SendCamera(program, camera);
  if (kind == kKindTexture) ApplyTexture(gLogical.texture);
  ApplyBlend(gLogical.blend);
  ApplyViewport(gLogical.viewport);

  SetArrays((1u << kAttributePosition) | (1u << kAttributeColor));
  glBindBuffer(GL_ARRAY_BUFFER, mesh->bufferNames[0]);
  glVertexAttribPointer(kAttributePosition, 3, GL_FLOAT, GL_FALSE, 0, nullptr);
  if (kind == kKindColour) {
    glBindBuffer(GL_ARRAY_BUFFER, mesh->bufferNames[1]);
    glVertexAttribPointer(kAttributeColor, 4, GL_FLOAT, GL_FALSE, 0, nullptr);
  } else {
    glBindBuffer(GL_ARRAY_BUFFER, mesh->bufferNames[2]);
    glVertexAttribPointer(kAttributeColor, 2, GL_FLOAT, GL_FALSE, 0, nullptr);
  }
  for (GLuint column = 0; column < 4; ++column)
    glVertexAttrib4fv(kAttributeWorld0 + column, block + 4 * column);
  glVertexAttrib4fv(kAttributeBlend, block + 16);
  glVertexAttrib4fv(kAttributeMultiply, block + 20);
  glVertexAttrib4fv(kAttributeAdd, block + 24);
  glVertexAttrib4fv(kAttributeExtra, block + 28);
  glDrawArrays(primitive, 0, static_cast<GLsizei>(mesh->vertexCount));
}

void PointArrays(unsigned int kind)
{
  const char* base = nullptr;
  if (kind == kKindFont) {
    GLsizei stride = kTextStride * sizeof(float);
    SetArrays((1u << kAttributePosition) | (1u << kAttributeColor) | (1u << kAttributeBlend));
    glVertexAttribPointer(kAttributePosition, 2, GL_FLOAT, GL_FALSE, stride, base);
    glVertexAttribPointer(kAttributeColor, 2, GL_FLOAT, GL_FALSE, stride, base + 2 * sizeof(float));
    glVertexAttribPointer(kAttributeBlend, 4, GL_FLOAT, GL_FALSE, stride, base + 4 * sizeof(float));
    return;
  }
  GLsizei stride = kMeshStride * sizeof(float);
  SetArrays((1u << kAttributeTotal) - 1);
  glVertexAttribPointer(kAttributePosition, 2, GL_FLOAT, GL_FALSE, stride, base);
  glVertexAttribPointer(kAttributeColor, 4, GL_FLOAT, GL_FALSE, stride,
                        base + kMeshData * sizeof(float));
  for (GLuint location = kAttributeWorld0; location < kAttributeTotal; ++location)
    glVertexAttribPointer(location, 4, GL_FLOAT, GL_FALSE, stride,
                          base + (kMeshBlock + 4 * (location - kAttributeWorld0)) * sizeof(float));
}

bool CreateResources()
{
  if (!gBatch.vertices) {
    gBatch.vertices = static_cast<float*>(malloc(sizeof(float) * kBatchCapacity * kMeshStride));
    if (!gBatch.vertices) return false;
  }
  gBatch.kind = kKindNone;
  gBatch.count = 0;
  BuildPrograms();
  if (gStreamBuffer == 0) glGenBuffers(1, &gStreamBuffer);
  return true;
}

// Puts OpenGL where the faithful path would have it.
void RestoreFaithfulState()
{
  SetArrays(0);
  glBindBuffer(GL_ARRAY_BUFFER, 0);
  gShader.SetDeferred(false);
  gActualProgram = 0;
  glActiveTexture(GL_TEXTURE0);
  ApplyTexture(gLogical.texture);
  ApplyBlend(gLogical.blend);
  ApplyViewport(gLogical.viewport);
}

void Enter()
{
  if (!CreateResources()) return;
  gShader.SetDeferred(true);
  gActualProgram = 0;
  gRecording = true;
}

void Leave()
{
  OxBatchFlush();
  gRecording = false;
  RestoreFaithfulState();
}

}  // namespace

// ---- Switching --------------------------------------------------------------------

bool OxBatchIsRecording() { return gRecording; }
bool OxBatchIsWanted() { return gWanted; }

void OxBatchSetWanted(bool on)
{
  gWanted = on;
  if (!OxGfxIsOpenGLReady() || on == gRecording) return;
  if (on)
    Enter();
  else
    Leave();
}

void OxBatchStart()
{
  if (gWanted && !gRecording) Enter();
}

void OxBatchStop()
{
  gBatch.count = 0;
  gBatch.kind = kKindNone;
  if (gRecording) {
    gRecording = false;
    gShader.SetDeferred(false);
  }
  if (gProgramsBuilt) {
    glUseProgram(0);
    gShader.ForgetProgramInUse();
    for (Program& program : gPrograms) glDeleteProgram(program.name);
    gProgramsBuilt = false;
  }
  if (gStreamBuffer != 0) glDeleteBuffers(1, &gStreamBuffer);
  gStreamBuffer = 0;
  free(gBatch.vertices);
  gBatch.vertices = nullptr;
  // The next context starts afresh.
  gLogical = kFreshContext;
  gActual = kFreshContext;
  gActualViewportKnown = false;
  gActualProgram = 0;
  gEnabledArrays = 0;
}

void OxBatchFlush()
{
  if (gBatch.count == 0) return;
  unsigned int variant = gBatch.kind == kKindFont
                             ? kVariantFont
                             : (gBatch.kind == kKindColour ? kVariantColourLight
                                                           : kVariantTextureLight) +
                                   (gBatch.full ? 1 : 0);
  Program& program = UseProgram(variant);
  if (gBatch.kind != kKindFont) SendCamera(program, gBatch.camera);
  if (gBatch.kind != kKindColour) ApplyTexture(gBatch.texture);
  ApplyBlend(gBatch.blend);
  ApplyViewport(gBatch.viewport);

  unsigned int stride = gBatch.kind == kKindFont ? kTextStride : kMeshStride;
  glBindBuffer(GL_ARRAY_BUFFER, gStreamBuffer);
  glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(gBatch.count) * stride * sizeof(float),
               gBatch.vertices, GL_STREAM_DRAW);
  PointArrays(gBatch.kind);
  glDrawArrays(gBatch.primitive, 0, static_cast<GLsizei>(gBatch.count));
  gBatch.count = 0;
  gBatch.kind = kKindNone;
}

void OxBatchSuspend()
{
  if (!gRecording) return;
  Leave();
}

void OxBatchResume()
{
  if (gRecording || !gWanted) return;
  gShader.SetDeferred(true);
  gActualProgram = 0;
  gRecording = true;
}

// ---- Render state ------------------------------------------------------------------------

void OxBatchViewport(int x, int y, int width, int height)
{
  gLogical.viewport[0] = x;
  gLogical.viewport[1] = y;
  gLogical.viewport[2] = width;
  gLogical.viewport[3] = height;
  if (gRecording) return;
  glViewport(x, y, width, height);
  memcpy(gActual.viewport, gLogical.viewport, sizeof(gActual.viewport));
  gActualViewportKnown = true;
}

void OxBatchBlend(unsigned int mode)
{
  gLogical.blend = mode;
  if (gRecording) return;
  // The faithful path calls OpenGL whenever the recorded mode changes, also
  // when OpenGL's blending already matches (after a mode outside 0 to 2).
  gActual.blend = mode;
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

void OxBatchBindTexture(GLuint name)
{
  gLogical.texture = name;
  if (gRecording) return;
  glBindTexture(GL_TEXTURE_2D, name);
  gActual.texture = name;
}

void OxBatchTextureBound(GLuint name)
{
  gLogical.texture = name;
  gActual.texture = name;
}

void OxBatchTextureDeleting(GLuint name)
{
  if (name == 0) return;
  if (gBatch.count > 0 && gBatch.kind != kKindColour && gBatch.texture == name) OxBatchFlush();
  if (gLogical.texture == name) gLogical.texture = 0;
  if (gActual.texture == name) gActual.texture = 0;
}

void OxBatchPrepareTextureParameter()
{
  if (!gRecording) return;
  if (gBatch.count > 0 && gBatch.kind != kKindColour && gBatch.texture == gLogical.texture)
    OxBatchFlush();
  glActiveTexture(GL_TEXTURE0);
  ApplyTexture(gLogical.texture);
}

// ---- Meshes and text ---------------------------------------------------------------------

void OxBatchKeepMesh(const OxGfxVertexList* mesh, const float* positions, const float* colours,
                     const float* textureCoordinates, unsigned int count)
{
  OxBatchForgetMesh(mesh);
  if (count > kCopiedMeshLimit) return;
  if ((gMeshTableFilled + 1) * 4 > gMeshTableSize * 3 && !GrowTable()) return;
  MeshCopy* copy = static_cast<MeshCopy*>(malloc(sizeof(MeshCopy)));
  float* vertices = static_cast<float*>(malloc(sizeof(float) * kCopyStride * (count ? count : 1)));
  if (!copy || !vertices) {
    free(copy);
    free(vertices);
    return;
  }
  copy->count = count;
  copy->vertices = vertices;
  for (unsigned int i = 0; i < count; ++i) {
    float* vertex = vertices + kCopyStride * i;
    vertex[0] = positions[3 * i];
    vertex[1] = positions[3 * i + 1];
    memcpy(vertex + 2, colours + 4 * i, 4 * sizeof(float));
    vertex[6] = textureCoordinates[2 * i];
    vertex[7] = textureCoordinates[2 * i + 1];
  }
  size_t mask = gMeshTableSize - 1;
  for (size_t i = HashOf(mesh) & mask;; i = (i + 1) & mask) {
    MeshSlot& slot = gMeshTable[i];
    if (slot.key && slot.key != kTombstone) continue;
    if (!slot.key) ++gMeshTableFilled;
    slot.key = mesh;
    slot.copy = copy;
    break;
  }
}

void OxBatchForgetMesh(const OxGfxVertexList* mesh)
{
  MeshSlot* slot = FindSlot(mesh);
  if (!slot) return;
  free(slot->copy->vertices);
  free(slot->copy);
  slot->key = kTombstone;
  slot->copy = nullptr;
}

bool OxBatchMeshDraw(const OxGfxVertexList* mesh, unsigned int mode)
{
  static const GLenum kPrimitives[] = {GL_POINTS, GL_LINES, GL_LINE_STRIP, GL_TRIANGLES};
  // The vertices a primitive uses whole; the rest are dropped, so that a
  // merged draw does not join one mesh's leftover vertex to the next mesh.
  static const unsigned int kGroup[] = {1, 2, 1, 3};
  unsigned int slot = gShader.GetCurrentProgram();
  // No program or the font program: the faithful path draws nothing either.
  if (slot != kShaderSlotColor && slot != kShaderSlotTexture) return true;
  unsigned int kind = slot == kShaderSlotColor ? kKindColour : kKindTexture;
  float block[kBlockFloats];
  bool neutral = false;
  if (!DrawBlock(slot, block, &neutral)) return false;

  GLenum primitive = kPrimitives[mode];
  MeshSlot* kept = FindSlot(mesh);
  const MeshCopy* copy = kept ? kept->copy : nullptr;
  // Meshes without a copy (large, or not built by OxGfxMeshEnd), a vertex
  // count changed by the game, and line strips (which cannot be joined) are
  // drawn at once.
  if (!copy || mesh->vertexCount > copy->count || primitive == GL_LINE_STRIP) {
    DrawDirect(mesh, kind, primitive, neutral, slot, block);
    return true;
  }
  unsigned int count = mesh->vertexCount - mesh->vertexCount % kGroup[mode];
  if (count == 0) return true;

  GLuint texture = kind == kKindTexture ? gLogical.texture : 0;
  if (!Joins(kind, primitive, texture, slot, count)) Begin(kind, primitive, texture, slot);
  gBatch.full = gBatch.full || !neutral;
  float* out = gBatch.vertices + static_cast<size_t>(gBatch.count) * kMeshStride;
  const float* in = copy->vertices;
  if (kind == kKindColour) {
    for (unsigned int i = 0; i < count; ++i, out += kMeshStride, in += kCopyStride) {
      memcpy(out, in, kMeshBlock * sizeof(float));
      memcpy(out + kMeshBlock, block, kBlockFloats * sizeof(float));
    }
  } else {
    for (unsigned int i = 0; i < count; ++i, out += kMeshStride, in += kCopyStride) {
      out[0] = in[0];
      out[1] = in[1];
      out[2] = in[6];
      out[3] = in[7];
      out[4] = 0.0f;
      out[5] = 0.0f;
      memcpy(out + kMeshBlock, block, kBlockFloats * sizeof(float));
    }
  }
  gBatch.count += count;
  return true;
}

bool OxBatchCanPrint(const float colour[4]) { return AllFinite(colour, 4); }

void OxBatchText(const OxBatchTextVertex* vertices, unsigned int count, const float colour[4])
{
  const unsigned int kGlyphVertices = 6;
  GLuint texture = gLogical.texture;
  while (count > 0) {
    if (!Joins(kKindFont, GL_TRIANGLES, texture, kShaderSlotFont, kGlyphVertices))
      Begin(kKindFont, GL_TRIANGLES, texture, kShaderSlotFont);
    unsigned int room = (kBatchCapacity - gBatch.count) / kGlyphVertices * kGlyphVertices;
    unsigned int taken = count < room ? count : room;
    float* out = gBatch.vertices + static_cast<size_t>(gBatch.count) * kTextStride;
    for (unsigned int i = 0; i < taken; ++i, out += kTextStride) {
      memcpy(out, vertices + i, 4 * sizeof(float));
      memcpy(out + 4, colour, 4 * sizeof(float));
    }
    gBatch.count += taken;
    vertices += taken;
    count -= taken;
  }
}
