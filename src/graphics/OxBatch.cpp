// The batched draw path. A batch holds draws of one kind (colour meshes,
// textured meshes or text) that one OpenGL draw can carry: the same
// primitive, blend mode, viewport, texture and camera. Each vertex carries
// what the faithful programs read from uniforms (world matrix, blend,
// multiply and add colours, transparency, texture offset, font colour), and
// the batch's programs (graphics/OxShaderSources.cpp) compute exactly what
// the faithful ones do from it. Leans on the OpenGL API
// (platform/OxPlatformGLApi.h), the Shader object (deferred while recording)
// and the graphics module's fatal reports.
#include "graphics/OxBatch.h"

#include <math.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "OxGraphics.h"
#include "graphics/OxGraphicsInternal.h"
#include "graphics/OxShaderSources.h"
#include "graphics/Shader.h"

namespace {

// ---- Constants ------------------------------------------------------------------

// Vertices one batch holds; a full batch is issued.
const unsigned int kBatchCapacity = 16384;
// Vertices of one OpenGL draw when a batch is issued: a multiple of 1, 2
// and 3, so that no point, line or triangle is cut.
const unsigned int kDrawPiece = 1020;
// Meshes with more vertices are drawn from their own buffers (copying them
// costs more than a draw call), and no copy of them is kept.
const unsigned int kCopiedMeshLimit = 1024;

enum Kind : unsigned int { kKindColour = 0, kKindTexture = 1, kKindFont = 2, kKindNone = 3 };

// What a draw needs beyond the plain vertex colour or texel: each colour
// value that is not neutral (a neutral one leaves every step of the
// faithful arithmetic exact, so leaving the step out changes no bit), and a
// world matrix that is not a 2D affine one.
enum Feature : unsigned int {
  kFeatureBlend = 1,         // blend colour with alpha other than 0
  kFeatureMultiply = 2,      // multiply colour other than (1, 1, 1, 1)
  kFeatureAdd = 4,           // add colour other than (0, 0, 0, 0)
  kFeatureTransparency = 8,  // transparency other than 1
  kFeatureWorld3D = 16,      // more than OxGfxSetTransform's 2D affine matrix
  kFeatureCount = 32
};
// One program for each kind of mesh and set of features, and one for text.
const unsigned int kFontProgram = 2 * kFeatureCount;
const unsigned int kProgramCount = kFontProgram + 1;

// Attribute locations, the same in every batch program.
enum Attribute : GLuint {
  kAttributePosition = 0,  // x, y (z 0 and w 1 by default)
  kAttributeColor = 1,     // colour, or texture coordinate in x and y
  kAttributeWorld0 = 2,    // 2 to 5: the world matrix's columns (3D), or
                           // 2: (m00, m10, m01, m11) and 3: (m02, m12)
  kAttributeBlend = 6,     // blend colour, or the font colour
  kAttributeMultiply = 7,
  kAttributeAdd = 8,
  kAttributeTransparency = 9,
  kAttributeOffset = 10,   // texture offset
  kAttributeTotal = 11
};
const char* const kAttributeNames[kAttributeTotal] = {
    "aPosition", "aColor", "aWorld0", "aWorld1", "aWorld2", "aWorld3",
    "aBlendColor", "aMultiplyColor", "aAddColor", "aTransparency", "aTextureOffset"};

// A kept mesh vertex: x, y, red, green, blue, alpha, u, v.
const unsigned int kCopyStride = 8;
// A text vertex: position (2), atlas coordinate (2), font colour (4).
const unsigned int kTextStride = 8;
// The largest mesh vertex: position, colour, 3D world, every colour value.
const unsigned int kMaxStride = 2 + 4 + 16 + 4 + 4 + 4 + 1;

// ---- Types ---------------------------------------------------------------------------

// What the faithful path would have OpenGL hold (logical), or what OpenGL
// holds (actual).
struct RenderState {
  GLuint texture;      // bound to GL_TEXTURE_2D on unit 0
  int viewport[4];
  unsigned int blend;  // 0, 1 or 2
};

struct Program {
  GLuint name;  // 0 until first used
  GLint projection;
  GLint view;
  bool cameraKnown;
  float camera[32];  // projection, then view, as last sent
};

// Where a mesh vertex's parts lie, in floats from its start; 0 for a part
// the features leave out. Position at 0, colour or texture coordinate at 2.
struct Layout {
  unsigned int stride;
  unsigned int block;  // the world matrix, first of the per-draw values
  unsigned int offset, blend, multiply, add, transparency;
};

// The values a mesh draw with a program reads from its uniforms.
struct DrawValues {
  const float* world;
  const float* blend;
  const float* multiply;
  const float* add;
  const float* transparency;
  const float* offset;
  unsigned int features;
};

// The pending draws.
struct Batch {
  unsigned int kind;  // kKindNone when nothing is pending
  GLenum primitive;
  unsigned int features;
  Layout layout;
  GLuint texture;     // sampled by textured meshes and text
  unsigned int blend;
  int viewport[4];
  float camera[32];   // projection and view of the meshes' program
  unsigned int cameraSlot;
  unsigned int cameraGeneration;
  unsigned int count;  // vertices
  float* vertices;     // room for kBatchCapacity x kMaxStride floats
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
Program gPrograms[kProgramCount];
Batch gBatch = {};
// Features a kind's batches have needed this frame: later batches start
// with them, so that draws that alternate between needing a feature and not
// needing it do not split batches.
unsigned int gStickyFeatures[2] = {0, 0};

// Kept mesh copies: open addressing on the record's address.
const OxGfxVertexList* const kTombstone = reinterpret_cast<const OxGfxVertexList*>(1);
MeshSlot* gMeshTable = nullptr;
size_t gMeshTableSize = 0;    // a power of two, or 0
size_t gMeshTableFilled = 0;  // live entries and tombstones
size_t gMeshTableLive = 0;

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

Layout LayoutOf(unsigned int kind, unsigned int features)
{
  Layout layout = {};
  unsigned int at = kind == kKindColour ? 6 : 4;
  layout.block = at;
  at += features & kFeatureWorld3D ? 16 : 6;
  if (kind == kKindTexture) {
    layout.offset = at;
    at += 2;
  }
  if (features & kFeatureBlend) {
    layout.blend = at;
    at += 4;
  }
  if (features & kFeatureMultiply) {
    layout.multiply = at;
    at += 4;
  }
  if (features & kFeatureAdd) {
    layout.add = at;
    at += 4;
  }
  if (features & kFeatureTransparency) layout.transparency = at++;
  layout.stride = at;
  return layout;
}

GLuint CompileStage(GLenum type, const char* defines, const char* body)
{
  GLuint shader = glCreateShader(type);
  const char* parts[3] = {kOxPlatformShaderPreamble, defines, body};
  glShaderSource(shader, 3, parts, nullptr);
  glCompileShader(shader);
  GLint status = 0;
  glGetShaderiv(shader, GL_COMPILE_STATUS, &status);
  if (status != GL_TRUE) HALT("Shader::AddShaderFromString", "FAILED Shader compilation !");
  return shader;
}

// The program of a kind of mesh and its features, or of text (kind font),
// built the first time it is asked for.
Program& ProgramFor(unsigned int kind, unsigned int features)
{
  unsigned int index = kind == kKindFont ? kFontProgram : kind * kFeatureCount + features;
  Program& program = gPrograms[index];
  if (program.name != 0) return program;
  char defines[256];
  snprintf(defines, sizeof(defines),
           "#define KIND_FONT %d\n#define KIND_TEXTURE %d\n#define WORLD_3D %d\n"
           "#define HAS_BLEND %d\n#define HAS_MULTIPLY %d\n#define HAS_ADD %d\n"
           "#define HAS_TRANSPARENCY %d\n",
           kind == kKindFont, kind == kKindTexture, (features & kFeatureWorld3D) != 0,
           (features & kFeatureBlend) != 0, (features & kFeatureMultiply) != 0,
           (features & kFeatureAdd) != 0, (features & kFeatureTransparency) != 0);
  program.name = glCreateProgram();
  GLuint vertex = CompileStage(GL_VERTEX_SHADER, defines, kBatchVertexSource);
  GLuint fragment = CompileStage(GL_FRAGMENT_SHADER, defines, kBatchFragmentSource);
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
  return program;
}

Program& UseProgram(Program& program)
{
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

// Reads what a mesh draw with the slot's program would take from uniforms
// and tells which features it needs. False when the values need the
// faithful path: a world matrix whose last row is not (0, 0, 0, 1) (clip w
// would not be 1, and values constant over a triangle would no longer
// interpolate exactly), or colour values or an offset that are not finite
// (they would not interpolate to themselves).
bool ReadDrawValues(unsigned int slot, DrawValues* values)
{
  const float* w = values->world = gShader.Value(slot, kUniformWorldMatrix);
  if (w[3] != 0.0f || w[7] != 0.0f || w[11] != 0.0f || w[15] != 1.0f) return false;
  const float* blend = values->blend = gShader.Value(slot, kUniformBlendColor);
  const float* multiply = values->multiply = gShader.Value(slot, kUniformMultiplyColor);
  const float* add = values->add = gShader.Value(slot, kUniformAddColor);
  values->transparency = gShader.Value(slot, kUniformTransparencyValue);
  values->offset = gShader.Value(slot, kUniformTextureOffset);
  if (!AllFinite(blend, 4) || !AllFinite(multiply, 4) || !AllFinite(add, 4) ||
      !AllFinite(values->transparency, 1) || !AllFinite(values->offset, 2))
    return false;
  unsigned int features = 0;
  if (blend[3] != 0.0f) features |= kFeatureBlend;
  if (multiply[0] != 1.0f || multiply[1] != 1.0f || multiply[2] != 1.0f || multiply[3] != 1.0f)
    features |= kFeatureMultiply;
  if (add[0] != 0.0f || add[1] != 0.0f || add[2] != 0.0f || add[3] != 0.0f)
    features |= kFeatureAdd;
  if (values->transparency[0] != 1.0f) features |= kFeatureTransparency;
  // OxGfxSetTransform's matrices: column 2 (0, 0, 1, 0), row 2 otherwise 0.
  if (w[2] != 0.0f || w[6] != 0.0f || w[8] != 0.0f || w[9] != 0.0f || w[10] != 1.0f ||
      w[14] != 0.0f)
    features |= kFeatureWorld3D;
  values->features = features;
  return true;
}

// The per-draw part of one vertex in the layout.
void WriteDrawValues(const Layout& layout, unsigned int features, const DrawValues& values,
                     float* vertex)
{
  const float* w = values.world;
  float* block = vertex + layout.block;
  if (features & kFeatureWorld3D) {
    memcpy(block, w, 16 * sizeof(float));
  } else {
    block[0] = w[0];
    block[1] = w[1];
    block[2] = w[4];
    block[3] = w[5];
    block[4] = w[12];
    block[5] = w[13];
  }
  if (layout.offset) memcpy(vertex + layout.offset, values.offset, 2 * sizeof(float));
  if (layout.blend) memcpy(vertex + layout.blend, values.blend, 4 * sizeof(float));
  if (layout.multiply) memcpy(vertex + layout.multiply, values.multiply, 4 * sizeof(float));
  if (layout.add) memcpy(vertex + layout.add, values.add, 4 * sizeof(float));
  if (layout.transparency) vertex[layout.transparency] = values.transparency[0];
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

// Whether count more vertices of this kind, needing these features, can
// join the pending draws.
bool Joins(unsigned int kind, GLenum primitive, unsigned int features, GLuint texture,
           unsigned int slot, unsigned int count)
{
  return gBatch.kind == kind && gBatch.primitive == primitive &&
         (features & ~gBatch.features) == 0 && gBatch.count + count <= kBatchCapacity &&
         gBatch.blend == gLogical.blend &&
         memcmp(gBatch.viewport, gLogical.viewport, sizeof(gBatch.viewport)) == 0 &&
         (kind == kKindColour || gBatch.texture == texture) &&
         (kind == kKindFont || CameraMatches(slot));
}

// The camera of the slot's program as the batch programs take it.
void CameraOf(unsigned int slot, float camera[32])
{
  memcpy(camera, gShader.Value(slot, kUniformPMatrix), 16 * sizeof(float));
  memcpy(camera + 16, gShader.Value(slot, kUniformVMatrix), 16 * sizeof(float));
}

void Begin(unsigned int kind, GLenum primitive, unsigned int features, GLuint texture,
           unsigned int slot)
{
  OxBatchFlush();
  gBatch.kind = kind;
  gBatch.primitive = primitive;
  if (kind != kKindFont) {
    gStickyFeatures[kind] |= features;
    gBatch.features = gStickyFeatures[kind];
    gBatch.layout = LayoutOf(kind, gBatch.features);
    CameraOf(slot, gBatch.camera);
    gBatch.cameraSlot = slot;
    gBatch.cameraGeneration = gShader.CameraGeneration(slot);
  }
  gBatch.texture = texture;
  gBatch.blend = gLogical.blend;
  memcpy(gBatch.viewport, gLogical.viewport, sizeof(gBatch.viewport));
}

// Draws the vertices in pieces of whole points, lines or triangles: the
// software rasteriser's vertex stage allocates working memory for each draw
// in proportion to its vertices, and small pieces keep that memory in the
// allocator's reused pool instead of mapping fresh pages for every draw.
// The pieces rasterise as the whole draw would.
void DrawInPieces(GLenum primitive, unsigned int vertices)
{
  for (unsigned int first = 0; first < vertices; first += kDrawPiece) {
    unsigned int count = vertices - first < kDrawPiece ? vertices - first : kDrawPiece;
    glDrawArrays(primitive, static_cast<GLint>(first), static_cast<GLsizei>(count));
  }
}

// A mesh drawn at once from its own buffers with a batch program, the
// per-draw values given as constant attributes.
void DrawDirect(const OxGfxVertexList* mesh, unsigned int kind, GLenum primitive,
                const DrawValues& values, unsigned int slot)
{
  OxBatchFlush();
  unsigned int features = values.features;
  Program& program = UseProgram(ProgramFor(kind, features));
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
  float vertex[kMaxStride];
  Layout layout = LayoutOf(kind, features);
  WriteDrawValues(layout, features, values, vertex);
  const float* block = vertex + layout.block;
  if (features & kFeatureWorld3D) {
    for (GLuint column = 0; column < 4; ++column)
      glVertexAttrib4fv(kAttributeWorld0 + column, block + 4 * column);
  } else {
    glVertexAttrib4fv(kAttributeWorld0, block);
    glVertexAttrib2fv(kAttributeWorld0 + 1, block + 4);
  }
  if (layout.offset) glVertexAttrib2fv(kAttributeOffset, vertex + layout.offset);
  if (layout.blend) glVertexAttrib4fv(kAttributeBlend, vertex + layout.blend);
  if (layout.multiply) glVertexAttrib4fv(kAttributeMultiply, vertex + layout.multiply);
  if (layout.add) glVertexAttrib4fv(kAttributeAdd, vertex + layout.add);
  if (layout.transparency) glVertexAttrib1f(kAttributeTransparency, vertex[layout.transparency]);
  // A line strip in one draw: its pieces would not rasterise as the whole.
  if (primitive == GL_LINE_STRIP)
    glDrawArrays(primitive, 0, static_cast<GLsizei>(mesh->vertexCount));
  else
    DrawInPieces(primitive, mesh->vertexCount);
}

void PointArrays()
{
  const char* base = reinterpret_cast<const char*>(gBatch.vertices);
  auto at = [base](unsigned int floats) { return base + floats * sizeof(float); };
  if (gBatch.kind == kKindFont) {
    GLsizei stride = kTextStride * sizeof(float);
    SetArrays((1u << kAttributePosition) | (1u << kAttributeColor) | (1u << kAttributeBlend));
    glVertexAttribPointer(kAttributePosition, 2, GL_FLOAT, GL_FALSE, stride, at(0));
    glVertexAttribPointer(kAttributeColor, 2, GL_FLOAT, GL_FALSE, stride, at(2));
    glVertexAttribPointer(kAttributeBlend, 4, GL_FLOAT, GL_FALSE, stride, at(4));
    return;
  }
  const Layout& layout = gBatch.layout;
  GLsizei stride = static_cast<GLsizei>(layout.stride * sizeof(float));
  unsigned int arrays = (1u << kAttributePosition) | (1u << kAttributeColor) |
                        (1u << kAttributeWorld0) | (1u << (kAttributeWorld0 + 1));
  if (gBatch.features & kFeatureWorld3D)
    arrays |= (1u << (kAttributeWorld0 + 2)) | (1u << (kAttributeWorld0 + 3));
  if (layout.offset) arrays |= 1u << kAttributeOffset;
  if (layout.blend) arrays |= 1u << kAttributeBlend;
  if (layout.multiply) arrays |= 1u << kAttributeMultiply;
  if (layout.add) arrays |= 1u << kAttributeAdd;
  if (layout.transparency) arrays |= 1u << kAttributeTransparency;
  SetArrays(arrays);
  glVertexAttribPointer(kAttributePosition, 2, GL_FLOAT, GL_FALSE, stride, at(0));
  glVertexAttribPointer(kAttributeColor, gBatch.kind == kKindColour ? 4 : 2, GL_FLOAT, GL_FALSE,
                        stride, at(2));
  if (gBatch.features & kFeatureWorld3D) {
    for (GLuint column = 0; column < 4; ++column)
      glVertexAttribPointer(kAttributeWorld0 + column, 4, GL_FLOAT, GL_FALSE, stride,
                            at(layout.block + 4 * column));
  } else {
    glVertexAttribPointer(kAttributeWorld0, 4, GL_FLOAT, GL_FALSE, stride, at(layout.block));
    glVertexAttribPointer(kAttributeWorld0 + 1, 2, GL_FLOAT, GL_FALSE, stride,
                          at(layout.block + 4));
  }
  if (layout.offset)
    glVertexAttribPointer(kAttributeOffset, 2, GL_FLOAT, GL_FALSE, stride, at(layout.offset));
  if (layout.blend)
    glVertexAttribPointer(kAttributeBlend, 4, GL_FLOAT, GL_FALSE, stride, at(layout.blend));
  if (layout.multiply)
    glVertexAttribPointer(kAttributeMultiply, 4, GL_FLOAT, GL_FALSE, stride, at(layout.multiply));
  if (layout.add)
    glVertexAttribPointer(kAttributeAdd, 4, GL_FLOAT, GL_FALSE, stride, at(layout.add));
  if (layout.transparency)
    glVertexAttribPointer(kAttributeTransparency, 1, GL_FLOAT, GL_FALSE, stride,
                          at(layout.transparency));
}

bool CreateResources()
{
  if (!gBatch.vertices) {
    gBatch.vertices = static_cast<float*>(malloc(sizeof(float) * kBatchCapacity * kMaxStride));
    if (!gBatch.vertices) return false;
  }
  gBatch.kind = kKindNone;
  gBatch.count = 0;
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
  glUseProgram(0);
  gShader.ForgetProgramInUse();
  for (Program& program : gPrograms) {
    if (program.name != 0) glDeleteProgram(program.name);
    program.name = 0;
  }
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
  Program& program = UseProgram(ProgramFor(gBatch.kind, gBatch.features));
  if (gBatch.kind != kKindFont) SendCamera(program, gBatch.camera);
  if (gBatch.kind != kKindColour) ApplyTexture(gBatch.texture);
  ApplyBlend(gBatch.blend);
  ApplyViewport(gBatch.viewport);

  // Read straight from the batch's memory (client-side arrays): a buffer
  // object would only add a copy of every vertex.
  glBindBuffer(GL_ARRAY_BUFFER, 0);
  PointArrays();
  DrawInPieces(gBatch.primitive, gBatch.count);
  gBatch.count = 0;
  gBatch.kind = kKindNone;
}

void OxBatchFrameStart()
{
  OxBatchFlush();
  gStickyFeatures[kKindColour] = 0;
  gStickyFeatures[kKindTexture] = 0;
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
    ++gMeshTableLive;
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
  // The last copy gone: the table goes too, so that a game that frees its
  // meshes leaves nothing behind.
  if (--gMeshTableLive == 0) {
    free(gMeshTable);
    gMeshTable = nullptr;
    gMeshTableSize = 0;
    gMeshTableFilled = 0;
  }
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
  DrawValues values;
  if (!ReadDrawValues(slot, &values)) return false;

  GLenum primitive = kPrimitives[mode];
  MeshSlot* kept = FindSlot(mesh);
  const MeshCopy* copy = kept ? kept->copy : nullptr;
  // Meshes without a copy (large, or not built by OxGfxMeshEnd), a vertex
  // count raised by the game, and line strips (which cannot be joined) are
  // drawn at once.
  if (!copy || mesh->vertexCount > copy->count || primitive == GL_LINE_STRIP) {
    DrawDirect(mesh, kind, primitive, values, slot);
    return true;
  }
  unsigned int count = mesh->vertexCount - mesh->vertexCount % kGroup[mode];
  if (count == 0) return true;

  GLuint texture = kind == kKindTexture ? gLogical.texture : 0;
  if (!Joins(kind, primitive, values.features, texture, slot, count))
    Begin(kind, primitive, values.features, texture, slot);
  const Layout& layout = gBatch.layout;
  unsigned int features = gBatch.features;
  float* first = gBatch.vertices + static_cast<size_t>(gBatch.count) * layout.stride;
  // The per-draw values once, then copied to the other vertices.
  WriteDrawValues(layout, features, values, first);
  size_t blockBytes = (layout.stride - layout.block) * sizeof(float);
  const float* in = copy->vertices;
  float* out = first;
  for (unsigned int i = 0; i < count; ++i, out += layout.stride, in += kCopyStride) {
    out[0] = in[0];
    out[1] = in[1];
    if (kind == kKindColour) {
      memcpy(out + 2, in + 2, 4 * sizeof(float));
    } else {
      out[2] = in[6];
      out[3] = in[7];
    }
    if (i > 0) memcpy(out + layout.block, first + layout.block, blockBytes);
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
    if (!Joins(kKindFont, GL_TRIANGLES, 0, texture, kShaderSlotFont, kGlyphVertices))
      Begin(kKindFont, GL_TRIANGLES, 0, texture, kShaderSlotFont);
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
