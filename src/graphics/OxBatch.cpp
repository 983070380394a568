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

#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "OxGraphics.h"
#include "graphics/OxGraphicsInternal.h"
#include "graphics/OxRenderState.h"
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
// The copies of meshes up to this size keep each distinct vertex once, and
// which one each of the mesh's vertices is: a quad of two triangles is four
// vertices and six indices in a batch.
const unsigned int kSharedVertexLimit = 8;
// Indices one batch holds (a mesh of vertices that all repeat one needs one
// vertex and many indices).
const unsigned int kIndexCapacity = 2 * kBatchCapacity;

enum Kind : unsigned int { kKindColor = 0, kKindTexture = 1, kKindFont = 2, kKindNone = 3 };

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
  // Triangles of meshes are drawn by index (text and other primitives in
  // order): room for kIndexCapacity.
  unsigned int indexCount;
  unsigned short* indices;
  // Where the platform streams batches: the buffer objects of the vertices
  // and the indices (0 until first needed).
  GLuint streams[2];
};

// A kept copy of a small mesh. It lives in the mesh record's own block,
// right after the record (OxBatchMeshRecordBytes), so that a draw finds the
// record, the copy and its vertices in neighbouring memory: with thousands of
// meshes drawn a frame, separate blocks cost a cache miss each, one waiting
// on the other.
struct MeshCopy {
  unsigned int count;   // the mesh's vertices
  unsigned int unique;  // distinct vertices kept: count above kSharedVertexLimit
  bool flat;            // every vertex has the same colour, bit for bit
  // Which kept vertex each of the mesh's is, up to kSharedVertexLimit.
  unsigned char shared[kSharedVertexLimit];
  // The kept vertex of the mesh's vertex i.
  unsigned int Of(unsigned int i) const { return count <= kSharedVertexLimit ? shared[i] : i; }
  // unique x kCopyStride floats, after the copy.
  const float* Vertices() const;
  float* Vertices();
};

// Where a record's copy and the copy's vertices start in the record's block.
const size_t kBlockAlignment = alignof(max_align_t);
constexpr size_t RoundUp(size_t bytes)
{
  return (bytes + kBlockAlignment - 1) / kBlockAlignment * kBlockAlignment;
}
const size_t kCopyOffset = RoundUp(sizeof(OxGfxVertexList));
const size_t kVerticesOffset = RoundUp(sizeof(MeshCopy));
// What a draw fetches ahead of a block: a quad's, on any alignment.
const size_t kPrefetchedBlockBytes =
    kCopyOffset + kVerticesOffset + 4 * kCopyStride * sizeof(float) + 63;

const float* MeshCopy::Vertices() const
{
  return reinterpret_cast<const float*>(reinterpret_cast<const char*>(this) + kVerticesOffset);
}
float* MeshCopy::Vertices()
{
  return reinterpret_cast<float*>(reinterpret_cast<char*>(this) + kVerticesOffset);
}

// The copy in a kept mesh's block: the batch's part of it, written when the
// mesh is kept, however the game holds the record.
MeshCopy* CopyOf(const OxGfxVertexList* mesh)
{
  return reinterpret_cast<MeshCopy*>(
      reinterpret_cast<char*>(const_cast<OxGfxVertexList*>(mesh)) + kCopyOffset);
}

// ---- Module state -------------------------------------------------------------------

// A mesh table slot whose mesh was forgotten.
const OxGfxVertexList* const kTombstone = reinterpret_cast<const OxGfxVertexList*>(1);

struct BatchState {
  bool wanted = false;
  bool recording = false;
  // The render state as the faithful path would have it (OxRenderState.cpp).
  const OxRenderState* logical = &OxRenderStateLogical();
  // The batch program OpenGL uses; 0 when it may be another.
  GLuint actualProgram = 0;
  // Which attribute arrays are enabled, one bit per location.
  unsigned int enabledArrays = 0;
  Program programs[kProgramCount];
  Batch batch = {};
  // Features a kind's batches have needed this frame: later batches start
  // with them, so that draws that alternate between needing a feature and not
  // needing it do not split batches.
  unsigned int stickyFeatures[2] = {0, 0};

  // The records whose blocks hold a copy: open addressing on the address.
  const OxGfxVertexList** meshTable = nullptr;
  size_t meshTableSize = 0;    // a power of two, or 0
  size_t meshTableFilled = 0;  // live entries and tombstones
  size_t meshTableLive = 0;
  size_t lastSlot = 0;  // where the last mesh looked up was found
} gState;

// ---- Mesh copies -----------------------------------------------------------------

size_t HashOf(const OxGfxVertexList* mesh)
{
  uint64_t bits = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(mesh));
  return static_cast<size_t>((bits >> 4) * 0x9E3779B97F4A7C15ull >> 20);
}

// Whether a mesh's block holds a copy: the game may pass records of its own.
bool IsKept(const OxGfxVertexList* mesh)
{
  if (gState.meshTableSize == 0 || !mesh) return false;
  size_t mask = gState.meshTableSize - 1;
  // The slot found last first: a run of draws of one mesh (sprites, tiles,
  // particles) finds it at once, wherever its probe sequence would start.
  if (gState.meshTable[gState.lastSlot & mask] == mesh) return true;
  for (size_t i = HashOf(mesh) & mask;; i = (i + 1) & mask) {
    const OxGfxVertexList* key = gState.meshTable[i];
    if (key == mesh) {
      gState.lastSlot = i;
      return true;
    }
    if (!key) return false;
  }
}

bool GrowTable()
{
  size_t size = gState.meshTableSize ? gState.meshTableSize * 2 : 64;
  auto** table = static_cast<const OxGfxVertexList**>(calloc(size, sizeof(OxGfxVertexList*)));
  if (!table) return false;
  size_t filled = 0;
  for (size_t i = 0; i < gState.meshTableSize; ++i) {
    const OxGfxVertexList* old = gState.meshTable[i];
    if (!old || old == kTombstone) continue;
    for (size_t j = HashOf(old) & (size - 1);; j = (j + 1) & (size - 1)) {
      if (table[j]) continue;
      table[j] = old;
      break;
    }
    ++filled;
  }
  free(gState.meshTable);
  gState.meshTable = table;
  gState.meshTableSize = size;
  gState.meshTableFilled = filled;
  return true;
}

// ---- OpenGL state -----------------------------------------------------------------

void SetArrays(unsigned int wanted)
{
  unsigned int change = wanted ^ gState.enabledArrays;
  for (GLuint location = 0; location < kAttributeTotal; ++location) {
    if (!(change & (1u << location))) continue;
    if (wanted & (1u << location))
      glEnableVertexAttribArray(location);
    else
      glDisableVertexAttribArray(location);
  }
  gState.enabledArrays = wanted;
}

// ---- Programs ------------------------------------------------------------------------

Layout LayoutOf(unsigned int kind, unsigned int features)
{
  Layout layout = {};
  unsigned int at = kind == kKindColor ? 6 : 4;
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
  Program& program = gState.programs[index];
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
  if (gState.actualProgram != program.name) {
    glUseProgram(program.name);
    gState.actualProgram = program.name;
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

// Four values' bits side by side, so that the checks of a draw's values
// compare four at once where the processor can.
typedef uint32_t Lanes __attribute__((vector_size(16)));

const uint32_t kOneBits = 0x3F800000u;
const uint32_t kExponentBits = 0x7F800000u;

inline uint32_t Bits(float value)
{
  uint32_t bits;
  memcpy(&bits, &value, sizeof(bits));
  return bits;
}

inline Lanes LanesOf(const float* values)
{
  Lanes lanes;
  memcpy(&lanes, values, sizeof(lanes));
  return lanes;
}

// The lanes where a and b differ, all ones there (comparisons give signed
// lanes; the cast keeps one lane type for both compilers).
inline Lanes Differ(Lanes a, Lanes b) { return (Lanes)(a != b); }

// The lanes whose value is infinite or not a number.
inline Lanes Infinite(Lanes lanes)
{
  const Lanes exponent = {kExponentBits, kExponentBits, kExponentBits, kExponentBits};
  return (Lanes)((lanes & exponent) == exponent);
}

inline bool AnyLane(Lanes lanes)
{
  uint64_t halves[2];
  memcpy(halves, &lanes, sizeof(halves));
  return (halves[0] | halves[1]) != 0;
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
  const float* blend = values->blend = gShader.Value(slot, kUniformBlendColor);
  const float* multiply = values->multiply = gShader.Value(slot, kUniformMultiplyColor);
  const float* add = values->add = gShader.Value(slot, kUniformAddColor);
  const float* transparency = values->transparency =
      gShader.Value(slot, kUniformTransparencyValue);
  const float* offset = values->offset = gShader.Value(slot, kUniformTextureOffset);
  // Compared as bits: a negative zero counts as a value other than zero,
  // which only sends the draw down a slower exact route.
  const Lanes scalars = {Bits(transparency[0]), Bits(offset[0]), Bits(offset[1]), 0};
  const Lanes lastRow = {Bits(w[3]), Bits(w[7]), Bits(w[11]), Bits(w[15])};
  const Lanes neutralRow = {0, 0, 0, kOneBits};
  Lanes refused = Infinite(LanesOf(blend)) | Infinite(LanesOf(multiply)) |
                  Infinite(LanesOf(add)) | Infinite(scalars) | Differ(lastRow, neutralRow);
  if (AnyLane(refused)) return false;
  unsigned int features = 0;
  if (blend[3] != 0.0f) features |= kFeatureBlend;
  const Lanes ones = {kOneBits, kOneBits, kOneBits, kOneBits};
  if (AnyLane(Differ(LanesOf(multiply), ones))) features |= kFeatureMultiply;
  if (AnyLane(LanesOf(add))) features |= kFeatureAdd;
  if (transparency[0] != 1.0f) features |= kFeatureTransparency;
  // OxGfxSetTransform's matrices: column 2 (0, 0, 1, 0), row 2 otherwise 0.
  const Lanes zeros = {Bits(w[2]), Bits(w[6]), Bits(w[8]), Bits(w[9])};
  const Lanes rest = {Bits(w[10]), Bits(w[14]), 0, 0};
  const Lanes flatRest = {kOneBits, 0, 0, 0};
  if (AnyLane(zeros | Differ(rest, flatRest))) features |= kFeatureWorld3D;
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
  if (gState.batch.cameraSlot == slot && gState.batch.cameraGeneration == generation) return true;
  if (memcmp(gState.batch.camera, gShader.Value(slot, kUniformPMatrix), 16 * sizeof(float)) != 0 ||
      memcmp(gState.batch.camera + 16, gShader.Value(slot, kUniformVMatrix), 16 * sizeof(float)) !=
          0)
    return false;
  gState.batch.cameraSlot = slot;
  gState.batch.cameraGeneration = generation;
  return true;
}

// Whether count more vertices of this kind, needing these features, can
// join the pending draws.
bool Joins(unsigned int kind, GLenum primitive, unsigned int features, GLuint texture,
           unsigned int slot, unsigned int count)
{
  return gState.batch.kind == kind && gState.batch.primitive == primitive &&
         (features & ~gState.batch.features) == 0 && gState.batch.count + count <= kBatchCapacity &&
         gState.batch.indexCount + count <= kIndexCapacity &&
         gState.batch.blend == gState.logical->blend &&
         memcmp(gState.batch.viewport, gState.logical->viewport, sizeof(gState.batch.viewport)) ==
             0 &&
         (kind == kKindColor || gState.batch.texture == texture) &&
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
  gState.batch.kind = kind;
  gState.batch.primitive = primitive;
  if (kind != kKindFont) {
    gState.stickyFeatures[kind] |= features;
    gState.batch.features = gState.stickyFeatures[kind];
    gState.batch.layout = LayoutOf(kind, gState.batch.features);
    CameraOf(slot, gState.batch.camera);
    gState.batch.cameraSlot = slot;
    gState.batch.cameraGeneration = gShader.CameraGeneration(slot);
  }
  gState.batch.texture = texture;
  gState.batch.blend = gState.logical->blend;
  memcpy(gState.batch.viewport, gState.logical->viewport, sizeof(gState.batch.viewport));
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

// The same for triangles by index; pieces of whole triangles. The indices
// are in the batch's memory, or in the bound element buffer from its start.
void DrawIndexedInPieces(unsigned int indices)
{
  const unsigned short* base = OxPlatformStreamsBatches() ? nullptr : gState.batch.indices;
  for (unsigned int first = 0; first < indices; first += kDrawPiece) {
    unsigned int count = indices - first < kDrawPiece ? indices - first : kDrawPiece;
    glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(count), GL_UNSIGNED_SHORT, base + first);
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
  if (kind == kKindTexture) OxRenderApplyTexture(gState.logical->texture);
  OxRenderApplyBlend(gState.logical->blend);
  OxRenderApplyViewport(gState.logical->viewport);

  SetArrays((1u << kAttributePosition) | (1u << kAttributeColor));
  glBindBuffer(GL_ARRAY_BUFFER, mesh->bufferNames[0]);
  glVertexAttribPointer(kAttributePosition, 3, GL_FLOAT, GL_FALSE, 0, nullptr);
  if (kind == kKindColor) {
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

// Points the attributes at the batch's vertices: at its memory, or at the
// start of the bound buffer where batches are streamed.
void PointArrays()
{
  const char* base =
      OxPlatformStreamsBatches() ? nullptr : reinterpret_cast<const char*>(gState.batch.vertices);
  auto at = [base](unsigned int floats) { return base + floats * sizeof(float); };
  if (gState.batch.kind == kKindFont) {
    GLsizei stride = kTextStride * sizeof(float);
    SetArrays((1u << kAttributePosition) | (1u << kAttributeColor) | (1u << kAttributeBlend));
    glVertexAttribPointer(kAttributePosition, 2, GL_FLOAT, GL_FALSE, stride, at(0));
    glVertexAttribPointer(kAttributeColor, 2, GL_FLOAT, GL_FALSE, stride, at(2));
    glVertexAttribPointer(kAttributeBlend, 4, GL_FLOAT, GL_FALSE, stride, at(4));
    return;
  }
  const Layout& layout = gState.batch.layout;
  GLsizei stride = static_cast<GLsizei>(layout.stride * sizeof(float));
  unsigned int arrays = (1u << kAttributePosition) | (1u << kAttributeColor) |
                        (1u << kAttributeWorld0) | (1u << (kAttributeWorld0 + 1));
  if (gState.batch.features & kFeatureWorld3D)
    arrays |= (1u << (kAttributeWorld0 + 2)) | (1u << (kAttributeWorld0 + 3));
  if (layout.offset) arrays |= 1u << kAttributeOffset;
  if (layout.blend) arrays |= 1u << kAttributeBlend;
  if (layout.multiply) arrays |= 1u << kAttributeMultiply;
  if (layout.add) arrays |= 1u << kAttributeAdd;
  if (layout.transparency) arrays |= 1u << kAttributeTransparency;
  SetArrays(arrays);
  glVertexAttribPointer(kAttributePosition, 2, GL_FLOAT, GL_FALSE, stride, at(0));
  glVertexAttribPointer(kAttributeColor, gState.batch.kind == kKindColor ? 4 : 2, GL_FLOAT,
                        GL_FALSE, stride, at(2));
  if (gState.batch.features & kFeatureWorld3D) {
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
  if (!gState.batch.vertices) {
    gState.batch.vertices =
        static_cast<float*>(malloc(sizeof(float) * kBatchCapacity * kMaxStride));
    if (!gState.batch.vertices) return false;
  }
  if (!gState.batch.indices) {
    gState.batch.indices =
        static_cast<unsigned short*>(malloc(sizeof(unsigned short) * kIndexCapacity));
    if (!gState.batch.indices) return false;
  }
  gState.batch.kind = kKindNone;
  gState.batch.count = 0;
  gState.batch.indexCount = 0;
  return true;
}

// Puts OpenGL where the faithful path would have it.
void RestoreFaithfulState()
{
  SetArrays(0);
  glBindBuffer(GL_ARRAY_BUFFER, 0);
  gShader.SetDeferred(false);
  gState.actualProgram = 0;
  OxRenderApplyLogical();
}

void Enter()
{
  if (!CreateResources()) return;
  gShader.SetDeferred(true);
  gState.actualProgram = 0;
  gState.recording = true;
  OxRenderStateDefer(true);
}

void Leave()
{
  OxBatchFlush();
  gState.recording = false;
  OxRenderStateDefer(false);
  RestoreFaithfulState();
}

}  // namespace

// ---- Switching --------------------------------------------------------------------

bool OxBatchIsRecording() { return gState.recording; }
bool OxBatchIsWanted() { return gState.wanted; }

void OxBatchSetWanted(bool on)
{
  gState.wanted = on;
  if (!OxGfxIsOpenGLReady() || on == gState.recording) return;
  if (on)
    Enter();
  else
    Leave();
}

void OxBatchStart()
{
  if (gState.wanted && !gState.recording) Enter();
}

void OxBatchStop()
{
  gState.batch.count = 0;
  gState.batch.indexCount = 0;
  gState.batch.kind = kKindNone;
  if (gState.recording) {
    gState.recording = false;
    gShader.SetDeferred(false);
  }
  OxRenderStateDefer(false);
  glUseProgram(0);
  gShader.ForgetProgramInUse();
  for (Program& program : gState.programs) {
    if (program.name != 0) glDeleteProgram(program.name);
    program.name = 0;
  }
  free(gState.batch.vertices);
  gState.batch.vertices = nullptr;
  free(gState.batch.indices);
  gState.batch.indices = nullptr;
  if (gState.batch.streams[0]) glDeleteBuffers(2, gState.batch.streams);
  gState.batch.streams[0] = gState.batch.streams[1] = 0;
  // The next context starts afresh.
  OxRenderStateReset();
  gState.actualProgram = 0;
  gState.enabledArrays = 0;
}

void OxBatchFlush()
{
  if (gState.batch.count == 0) return;
  Program& program = UseProgram(ProgramFor(gState.batch.kind, gState.batch.features));
  if (gState.batch.kind != kKindFont) SendCamera(program, gState.batch.camera);
  if (gState.batch.kind != kKindColor) OxRenderApplyTexture(gState.batch.texture);
  OxRenderApplyBlend(gState.batch.blend);
  OxRenderApplyViewport(gState.batch.viewport);

  bool indexed = gState.batch.indexCount > 0;
  if (OxPlatformStreamsBatches()) {
    // One copy each into buffers given fresh storage at every flush, so
    // that a draw still reading the last batch never waits.
    if (!gState.batch.streams[0]) glGenBuffers(2, gState.batch.streams);
    unsigned int stride =
        gState.batch.kind == kKindFont ? kTextStride : gState.batch.layout.stride;
    glBindBuffer(GL_ARRAY_BUFFER, gState.batch.streams[0]);
    glBufferData(GL_ARRAY_BUFFER, sizeof(float) * stride * gState.batch.count,
                 gState.batch.vertices, GL_STREAM_DRAW);
    if (indexed) {
      glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, gState.batch.streams[1]);
      glBufferData(GL_ELEMENT_ARRAY_BUFFER, sizeof(unsigned short) * gState.batch.indexCount,
                   gState.batch.indices, GL_STREAM_DRAW);
    }
  } else {
    // Read straight from the batch's memory (client-side arrays).
    glBindBuffer(GL_ARRAY_BUFFER, 0);
  }
  PointArrays();
  if (indexed)
    DrawIndexedInPieces(gState.batch.indexCount);
  else
    DrawInPieces(gState.batch.primitive, gState.batch.count);
  if (indexed && OxPlatformStreamsBatches()) glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
  gState.batch.count = 0;
  gState.batch.indexCount = 0;
  gState.batch.kind = kKindNone;
}

void OxBatchFrameStart()
{
  OxBatchFlush();
  gState.stickyFeatures[kKindColor] = 0;
  gState.stickyFeatures[kKindTexture] = 0;
}

void OxBatchSuspend()
{
  if (!gState.recording) return;
  Leave();
}

void OxBatchResume()
{
  if (gState.recording || !gState.wanted) return;
  gShader.SetDeferred(true);
  gState.actualProgram = 0;
  gState.recording = true;
  OxRenderStateDefer(true);
}

// ---- Render state ------------------------------------------------------------------------

void OxBatchTextureDeleting(GLuint name)
{
  if (name == 0) return;
  if (gState.batch.count > 0 && gState.batch.kind != kKindColor && gState.batch.texture == name)
    OxBatchFlush();
  OxRenderTextureGone(name);
}

void OxBatchPrepareTextureParameter()
{
  if (!gState.recording) return;
  GLuint bound = OxRenderStateLogical().texture;
  if (gState.batch.count > 0 && gState.batch.kind != kKindColor && gState.batch.texture == bound)
    OxBatchFlush();
  glActiveTexture(GL_TEXTURE0);
  OxRenderApplyTexture(bound);
}

// ---- Meshes and text ---------------------------------------------------------------------

size_t OxBatchMeshRecordBytes(unsigned int count)
{
  if (count > kCopiedMeshLimit) return sizeof(OxGfxVertexList);
  return kCopyOffset + kVerticesOffset + sizeof(float) * kCopyStride * (count ? count : 1);
}

void OxBatchKeepMesh(const OxGfxVertexList* mesh, const float* positions, const float* colors,
                     const float* textureCoordinates, unsigned int count)
{
  OxBatchForgetMesh(mesh);
  if (count > kCopiedMeshLimit) return;
  if ((gState.meshTableFilled + 1) * 4 > gState.meshTableSize * 3 && !GrowTable()) return;
  MeshCopy* copy = CopyOf(mesh);
  float* vertices = copy->Vertices();
  copy->count = count;
  // Small meshes keep each distinct vertex once, drawn by index.
  const bool shares = count <= kSharedVertexLimit;
  unsigned int unique = 0;
  for (unsigned int i = 0; i < count; ++i) {
    float* vertex = vertices + kCopyStride * unique;
    vertex[0] = positions[3 * i];
    vertex[1] = positions[3 * i + 1];
    memcpy(vertex + 2, colors + 4 * i, 4 * sizeof(float));
    vertex[6] = textureCoordinates[2 * i];
    vertex[7] = textureCoordinates[2 * i + 1];
    // Compared bit for bit, so that a vertex shared keeps its exact values.
    unsigned int same = 0;
    while (shares && same < unique &&
           memcmp(vertices + kCopyStride * same, vertex, kCopyStride * sizeof(float)) != 0)
      ++same;
    if (shares) copy->shared[i] = static_cast<unsigned char>(same);
    if (!shares || same == unique) ++unique;
  }
  copy->unique = unique;
  copy->flat = true;
  for (unsigned int i = 1; i < count && copy->flat; ++i)
    copy->flat = memcmp(colors + 4 * i, colors, 4 * sizeof(float)) == 0;
  size_t mask = gState.meshTableSize - 1;
  for (size_t i = HashOf(mesh) & mask;; i = (i + 1) & mask) {
    const OxGfxVertexList*& slot = gState.meshTable[i];
    if (slot && slot != kTombstone) continue;
    if (!slot) ++gState.meshTableFilled;
    slot = mesh;
    ++gState.meshTableLive;
    break;
  }
}

void OxBatchForgetMesh(const OxGfxVertexList* mesh)
{
  if (!IsKept(mesh)) return;
  gState.meshTable[gState.lastSlot & (gState.meshTableSize - 1)] = kTombstone;
  // The last copy gone: the table goes too, so that a game that frees its
  // meshes leaves nothing behind.
  if (--gState.meshTableLive == 0) {
    free(gState.meshTable);
    gState.meshTable = nullptr;
    gState.meshTableSize = 0;
    gState.meshTableFilled = 0;
  }
}

namespace {

// Copies the per-draw values of a batch vertex to the count - 1 vertices
// after it, kFloats of them (0: floats).
template <unsigned int kFloats>
inline void SpreadBlockOf(float* block, unsigned int stride, unsigned int count,
                          unsigned int floats)
{
  const unsigned int size = (kFloats ? kFloats : floats) * sizeof(float);
  for (unsigned int i = 1; i < count; ++i) memcpy(block + i * stride, block, size);
}

// The common lengths (a 2D world matrix alone, with a texture offset, with a
// multiply colour, with both) as copies of a known size, which the compiler
// writes inline.
void SpreadBlock(float* block, unsigned int stride, unsigned int count, unsigned int floats)
{
  switch (floats) {
    case 6: SpreadBlockOf<6>(block, stride, count, floats); return;
    case 8: SpreadBlockOf<8>(block, stride, count, floats); return;
    case 10: SpreadBlockOf<10>(block, stride, count, floats); return;
    case 12: SpreadBlockOf<12>(block, stride, count, floats); return;
    default: SpreadBlockOf<0>(block, stride, count, floats);
  }
}

// Writes the position and the colour or texture coordinate of the batch's
// vertices from a kept copy: the copy's own (kIndexed), or the mesh's
// vertices in order. A colour mesh's vertices take flatColor where one is
// given.
template <unsigned int kKind, bool kIndexed>
void WriteVertices(const MeshCopy* copy, unsigned int written, float* out, unsigned int stride,
                   const float* flatColor)
{
  for (unsigned int i = 0; i < written; ++i, out += stride) {
    const float* in = copy->Vertices() + kCopyStride * (kIndexed ? i : copy->Of(i));
    out[0] = in[0];
    out[1] = in[1];
    if (kKind == kKindColor) {
      memcpy(out + 2, flatColor ? flatColor : in + 2, 4 * sizeof(float));
    } else {
      out[2] = in[6];
      out[3] = in[7];
    }
  }
}

// Records or draws one mesh draw of a kind (colour or texture) with the
// values its program holds (a flat colour mesh's multiply and transparency
// are formed here and taken out of values).
void MeshDrawWith(const OxGfxVertexList* mesh, unsigned int mode, unsigned int kind,
                  unsigned int slot, DrawValues& values)
{
  static const GLenum kPrimitives[] = {GL_POINTS, GL_LINES, GL_LINE_STRIP, GL_TRIANGLES};
  // The vertices a primitive uses whole; the rest are dropped, so that a
  // merged draw does not join one mesh's leftover vertex to the next mesh.
  static const unsigned int kGroup[] = {1, 2, 1, 3};
  GLenum primitive = kPrimitives[mode];
  // The copy's address follows from the record's, so its memory is fetched
  // while the table is searched.
  const MeshCopy* copy = IsKept(mesh) ? CopyOf(mesh) : nullptr;
  // Meshes without a copy (large, or not built by OxGfxMeshEnd), a vertex
  // count raised by the game, and line strips (which cannot be joined) are
  // drawn at once.
  if (!copy || mesh->vertexCount > copy->count || primitive == GL_LINE_STRIP) {
    DrawDirect(mesh, kind, primitive, values, slot);
    return;
  }
  unsigned int count = mesh->vertexCount - mesh->vertexCount % kGroup[mode];
  if (count == 0) return;

  // A flat-coloured mesh whose only colour steps are products (a multiply
  // colour, a transparency): they are formed here once, in the program's
  // order, as the program would form them at every pixel (a colour constant
  // over a triangle interpolates to itself, and a neutral value's product is
  // exact), so the draw needs neither step and carries fewer values.
  static const float kNeutralMultiply[4] = {1.0f, 1.0f, 1.0f, 1.0f};
  static const float kNeutralTransparency = 1.0f;
  const unsigned int kProducts = kFeatureMultiply | kFeatureTransparency;
  float product[4];
  const float* flatColor = nullptr;
  if (kind == kKindColor && copy->flat && (values.features & (kFeatureBlend | kFeatureAdd)) == 0 &&
      (values.features & kProducts) != 0) {
    const float* color = copy->Vertices() + 2;
    for (unsigned int k = 0; k < 3; ++k) product[k] = color[k] * values.multiply[k];
    product[3] = color[3] * values.transparency[0] * values.multiply[3];
    flatColor = product;
    values.multiply = kNeutralMultiply;
    values.transparency = &kNeutralTransparency;
    values.features &= ~kProducts;
  }

  GLuint texture = kind == kKindTexture ? gState.logical->texture : 0;
  if (!Joins(kind, primitive, values.features, texture, slot, count))
    Begin(kind, primitive, values.features, texture, slot);
  const Layout& layout = gState.batch.layout;
  unsigned int features = gState.batch.features;
  float* first = gState.batch.vertices + static_cast<size_t>(gState.batch.count) * layout.stride;
  // The per-draw values once, then copied to the other vertices.
  WriteDrawValues(layout, features, values, first);
  // Triangles: each kept vertex once and the mesh's vertices as indices;
  // other primitives: the mesh's vertices in order.
  bool indexed = primitive == GL_TRIANGLES;
  unsigned int written = indexed ? copy->unique : count;
  if (indexed) {
    unsigned short* index = gState.batch.indices + gState.batch.indexCount;
    unsigned short base = static_cast<unsigned short>(gState.batch.count);
    if (copy->count <= kSharedVertexLimit) {
      for (unsigned int i = 0; i < count; ++i)
        index[i] = static_cast<unsigned short>(base + copy->shared[i]);
    } else {
      for (unsigned int i = 0; i < count; ++i) index[i] = static_cast<unsigned short>(base + i);
    }
    gState.batch.indexCount += count;
  }
  if (kind == kKindColor && indexed)
    WriteVertices<kKindColor, true>(copy, written, first, layout.stride, flatColor);
  else if (kind == kKindColor)
    WriteVertices<kKindColor, false>(copy, written, first, layout.stride, flatColor);
  else if (indexed)
    WriteVertices<kKindTexture, true>(copy, written, first, layout.stride, flatColor);
  else
    WriteVertices<kKindTexture, false>(copy, written, first, layout.stride, flatColor);
  SpreadBlock(first + layout.block, layout.stride, written, layout.stride - layout.block);
  gState.batch.count += written;
}

}  // namespace

bool OxBatchMeshDraw(const OxGfxVertexList* mesh, unsigned int mode)
{
  // A small mesh's block (record, copy, the first vertices) is fetched while
  // the draw's values are read. A prefetch never faults, so a record of the
  // game's own, with no block after it, is harmless.
  const char* block = reinterpret_cast<const char*>(mesh);
  for (size_t line = 0; line < kPrefetchedBlockBytes; line += 64) __builtin_prefetch(block + line);
  unsigned int slot = gShader.GetCurrentProgram();
  // No program or the font program: the faithful path draws nothing either.
  if (slot != kShaderSlotColor && slot != kShaderSlotTexture) return true;
  DrawValues values;
  if (!ReadDrawValues(slot, &values)) return false;
  MeshDrawWith(mesh, mode, slot == kShaderSlotColor ? kKindColor : kKindTexture, slot, values);
  return true;
}

void OxBatchSpriteDraw(const OxGfxVertexList* square, bool tinted)
{
  const unsigned int slot = kShaderSlotTexture;
  DrawValues values;
  values.world = gShader.Value(slot, kUniformWorldMatrix);
  values.blend = gShader.Value(slot, kUniformBlendColor);
  values.multiply = gShader.Value(slot, kUniformMultiplyColor);
  values.add = gShader.Value(slot, kUniformAddColor);
  values.transparency = gShader.Value(slot, kUniformTransparencyValue);
  values.offset = gShader.Value(slot, kUniformTextureOffset);
  values.features = tinted ? static_cast<unsigned int>(kFeatureMultiply) : 0u;
  MeshDrawWith(square, OxGfxMeshDrawModeTriangles, kKindTexture, slot, values);
}

bool OxBatchCanPrint(const float color[4]) { return !AnyLane(Infinite(LanesOf(color))); }

void OxBatchText(const OxBatchTextVertex* vertices, unsigned int count, const float color[4])
{
  const unsigned int kGlyphVertices = 6;
  GLuint texture = gState.logical->texture;
  while (count > 0) {
    if (!Joins(kKindFont, GL_TRIANGLES, 0, texture, kShaderSlotFont, kGlyphVertices))
      Begin(kKindFont, GL_TRIANGLES, 0, texture, kShaderSlotFont);
    unsigned int room = (kBatchCapacity - gState.batch.count) / kGlyphVertices * kGlyphVertices;
    unsigned int taken = count < room ? count : room;
    float* out = gState.batch.vertices + static_cast<size_t>(gState.batch.count) * kTextStride;
    for (unsigned int i = 0; i < taken; ++i, out += kTextStride) {
      memcpy(out, vertices + i, 4 * sizeof(float));
      memcpy(out + 4, color, 4 * sizeof(float));
    }
    gState.batch.count += taken;
    vertices += taken;
    count -= taken;
  }
}
