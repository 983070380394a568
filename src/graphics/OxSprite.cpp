// Sprites and shapes: textures, regions of them, rectangles, lines and
// circles in world pixels, each drawn as OxGfxMeshDraw of a mesh kept here
// (a square, a triangle, circle fans) placed by the world transform, so that
// both draw paths, batching included, see ordinary mesh draws (a sprite
// hands its square to the batch directly, with the values it has just set).
// Leans on the public render-state setters, the Shader's cached uniform
// values (to skip setters that would change nothing), the batch's mesh
// copies and the texture sizes the loaders record.
#include "OxSprite.h"

#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "platform/OxPlatformGLApi.h"

#include "diagnostics/OxDiagnostics.h"
#include "graphics/OxBatch.h"
#include "graphics/OxGraphicsInternal.h"
#include "graphics/OxSpriteSystem.h"
#include "graphics/Shader.h"

namespace {

// ---- Constants ------------------------------------------------------------------

// Squares kept for sprite regions, one per region size relative to its
// texture (a sprite sheet's frames share one); the least recently used
// one is replaced when all are taken.
const int kSquareMeshes = 64;
// Circle fans of 16, 32, 64, 128 and 256 corners, and the largest radius
// each serves with its edges at most a quarter of a pixel inside the circle
// (r (1 - cos(pi / corners)) <= 0.25).
const int kFanSizes = 5;
const int kMostCorners = 256;
const int kFanCorners[kFanSizes] = {16, 32, 64, 128, kMostCorners};
const float kFanRadiusLimit[kFanSizes - 1] = {13.0f, 51.9f, 207.5f, 830.0f};
// The ring's corners are rounded to this fraction of a pixel, so that the
// two triangles that share a corner compute it from the same numbers.
const float kRingGrid = 16.0f;
const double kTwoPi = 6.283185307179586;

// Refusals, each reported once while graphics runs.
enum Refusal : unsigned int {
  kRefusalNoGraphicsSprite,
  kRefusalNoTexture,
  kRefusalSpriteNegative,
  kRefusalSpriteNotFinite,
  kRefusalOutside,
  kRefusalNoGraphicsShape,
  kRefusalShapeNegative,
  kRefusalShapeNotFinite,
  kRefusalCount
};
const char* const kRefusalMessages[kRefusalCount] = {"Sprite: graphics not running\n",
                                                     "Sprite: no texture\n",
                                                     "Sprite: negative size\n",
                                                     "Sprite: number not finite\n",
                                                     "Sprite: region outside the texture\n",
                                                     "Shape: graphics not running\n",
                                                     "Shape: negative size\n",
                                                     "Shape: number not finite\n"};

// ---- Types ---------------------------------------------------------------------------

// A square (0..1) whose texture coordinates span uSpan x vSpan.
struct SquareMesh {
  float uSpan, vSpan;
  OxGfxVertexList* mesh;  // null: free
  unsigned int lastUse;
};

// ---- Module state -------------------------------------------------------------------

struct SpriteState {
  SquareMesh squares[kSquareMeshes];
  int lastSquare;  // the square of the previous sprite, tried first
  unsigned int useClock;
  unsigned int lastColor;  // the packed colour whose multiply values follow
  float lastMultiply[4];
  OxGfxVertexList* triangle;  // (0, 0), (1, 0), (0, 1)
  OxGfxVertexList* fans[kFanSizes];
  unsigned int reported;  // one bit per Refusal
} gState = {};

// ---- Helpers ---------------------------------------------------------------------------

int Refuse(Refusal refusal)
{
  unsigned int bit = 1u << refusal;
  if (!(gState.reported & bit)) {
    gState.reported |= bit;
    printf("%s", kRefusalMessages[refusal]);
  }
  return 0;
}

// x - x is 0 for every finite x and NaN for an infinity or a NaN, so one
// sum tells whether all the values are finite.
template <typename... Floats>
bool AllFinite(Floats... values)
{
  float sum = 0.0f;
  ((sum += values - values), ...);
  return sum == 0.0f;
}

// A mesh of white vertices from x, y and u, v pairs, made as OxGfxMeshEnd
// makes one (three buffers and the batch's copy) without touching the
// pending vertex list a game may be filling. Null when memory runs out.
OxGfxVertexList* BuildMesh(const float* positions2D, const float* textureCoordinates,
                           unsigned int count)
{
  OxGfxVertexList* mesh = static_cast<OxGfxVertexList*>(calloc(1, OxBatchMeshRecordBytes(count)));
  if (mesh) OxGfxTriListInitialize(mesh);
  float* positions = static_cast<float*>(malloc(sizeof(float) * 3 * count));
  float* colors = static_cast<float*>(malloc(sizeof(float) * 4 * count));
  if (!mesh || !mesh->bufferNames || !positions || !colors) {
    if (mesh) free(mesh->bufferNames);
    free(mesh);
    free(positions);
    free(colors);
    return nullptr;
  }
  for (unsigned int i = 0; i < count; ++i) {
    positions[3 * i] = positions2D[2 * i];
    positions[3 * i + 1] = positions2D[2 * i + 1];
    positions[3 * i + 2] = 0.0f;
    for (int c = 0; c < 4; ++c) colors[4 * i + c] = 1.0f;
  }
  mesh->vertexCount = count;
  glGenBuffers(3, mesh->bufferNames);
  const float* sources[3] = {positions, colors, textureCoordinates};
  const int components[3] = {3, 4, 2};
  for (int buffer = 0; buffer < 3; ++buffer) {
    glBindBuffer(GL_ARRAY_BUFFER, mesh->bufferNames[buffer]);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(count) * components[buffer] * 4,
                 sources[buffer], GL_STATIC_DRAW);
  }
  glBindBuffer(GL_ARRAY_BUFFER, 0);
  CHECK_GL_ERROR("OxSpriteBuildMesh");
  OxBatchKeepMesh(mesh, positions, colors, textureCoordinates, count);
  free(positions);
  free(colors);
  return mesh;
}

// The square's two triangles: texture coordinate v = 0 at the top edge, as
// textures are addressed from their top-left texel.
OxGfxVertexList* BuildSquare(float uSpan, float vSpan)
{
  const float positions[12] = {0, 0, 1, 0, 1, 1, 0, 0, 1, 1, 0, 1};
  const float coordinates[12] = {0, vSpan, uSpan, vSpan, uSpan, 0, 0, vSpan, uSpan, 0, 0, 0};
  return BuildMesh(positions, coordinates, 6);
}

// The kept square for this span; null when memory runs out.
OxGfxVertexList* SquareFor(float uSpan, float vSpan)
{
  // The previous square again: its use is stamped when another is chosen.
  SquareMesh* last = &gState.squares[gState.lastSquare];
  if (last->mesh && last->uSpan == uSpan && last->vSpan == vSpan) return last->mesh;
  unsigned int now = ++gState.useClock;
  last->lastUse = now;
  int oldest = 0;
  for (int i = 0; i < kSquareMeshes; ++i) {
    SquareMesh& square = gState.squares[i];
    if (square.mesh && square.uSpan == uSpan && square.vSpan == vSpan) {
      square.lastUse = now;
      gState.lastSquare = i;
      return square.mesh;
    }
    // Free places come first, then the least recently used.
    const SquareMesh& best = gState.squares[oldest];
    if (best.mesh && (!square.mesh || square.lastUse < best.lastUse)) oldest = i;
  }
  OxGfxVertexList* mesh = BuildSquare(uSpan, vSpan);
  if (!mesh) return nullptr;
  SquareMesh& square = gState.squares[oldest];
  // Draws already made or recorded do not need the replaced mesh any more.
  OxGfxMeshFree(square.mesh);
  square = {uSpan, vSpan, mesh, now};
  gState.lastSquare = oldest;
  return mesh;
}

OxGfxVertexList* Triangle()
{
  if (!gState.triangle) {
    const float positions[6] = {0, 0, 1, 0, 0, 1};
    const float coordinates[6] = {0, 0, 0, 0, 0, 0};
    gState.triangle = BuildMesh(positions, coordinates, 3);
  }
  return gState.triangle;
}

int FanIndex(float radius)
{
  int index = 0;
  while (index < kFanSizes - 1 && radius > kFanRadiusLimit[index]) ++index;
  return index;
}

// The corners of the index's fan on the unit circle, cosine and sine of
// each, counter-clockwise from angle 0; worked out once for the process.
const float* UnitCircle(int index)
{
  static float corners[kFanSizes][2 * kMostCorners];
  static bool made[kFanSizes];
  if (!made[index]) {
    int count = kFanCorners[index];
    for (int i = 0; i < count; ++i) {
      double angle = kTwoPi * i / count;
      corners[index][2 * i] = static_cast<float>(cos(angle));
      corners[index][2 * i + 1] = static_cast<float>(sin(angle));
    }
    made[index] = true;
  }
  return corners[index];
}

// A fan of unit-circle triangles about the origin, counter-clockwise from
// angle 0; the last corner repeats the first exactly.
OxGfxVertexList* Fan(int index)
{
  if (gState.fans[index]) return gState.fans[index];
  int corners = kFanCorners[index];
  const float* circle = UnitCircle(index);
  unsigned int count = static_cast<unsigned int>(3 * corners);
  float* positions = static_cast<float*>(malloc(sizeof(float) * 2 * count));
  float* coordinates = static_cast<float*>(calloc(2 * count, sizeof(float)));
  if (positions && coordinates) {
    for (int i = 0; i < corners; ++i) {
      int next = (i + 1) % corners;
      float* triangle = positions + 6 * i;
      triangle[0] = 0.0f;
      triangle[1] = 0.0f;
      triangle[2] = circle[2 * i];
      triangle[3] = circle[2 * i + 1];
      triangle[4] = circle[2 * next];
      triangle[5] = circle[2 * next + 1];
    }
    gState.fans[index] = BuildMesh(positions, coordinates, count);
  }
  free(positions);
  free(coordinates);
  return gState.fans[index];
}

// Whether the program in use holds these values for the uniform.
bool Holds(unsigned int slot, OxShaderUniform uniform, const float* values, int count)
{
  return memcmp(gShader.Value(slot, uniform), values, sizeof(float) * count) == 0;
}

// The render mode and the four colour values of its program, multiply from
// the packed colour; setters whose value is already held are skipped.
void SetModeAndColors(int mode, unsigned int color)
{
  unsigned int slot = static_cast<unsigned int>(mode);
  if (gShader.GetCurrentProgram() != slot) OxGfxSetRenderMode(mode);
  const float one[1] = {1.0f};
  const float zero[4] = {0.0f, 0.0f, 0.0f, 0.0f};
  float* multiply = gState.lastMultiply;
  if (color != gState.lastColor) {
    gState.lastColor = color;
    multiply[0] = static_cast<float>((color >> 16) & 0xFF) / 255.0f;
    multiply[1] = static_cast<float>((color >> 8) & 0xFF) / 255.0f;
    multiply[2] = static_cast<float>(color & 0xFF) / 255.0f;
    multiply[3] = static_cast<float>(color >> 24) / 255.0f;
  }
  if (!Holds(slot, kUniformTransparencyValue, one, 1)) OxGfxSetTransparency(1.0f);
  if (!Holds(slot, kUniformBlendColor, zero, 4)) OxGfxSetBlendColor(0.0f, 0.0f, 0.0f, 0.0f);
  if (!Holds(slot, kUniformMultiplyColor, multiply, 4))
    OxGfxSetColorToMultiply(multiply[0], multiply[1], multiply[2], multiply[3]);
  if (!Holds(slot, kUniformAddColor, zero, 4)) OxGfxSetColorToAdd(0.0f, 0.0f, 0.0f, 0.0f);
}

// One mesh draw in the colour program: the square, a fan or the triangle.
void DrawShape(OxGfxVertexList* mesh, unsigned int color, float a, float b, float tx, float c,
               float d, float ty)
{
  SetModeAndColors(OxGfxRenderModeColor, color);
  OxGfxSetWorld2D(a, b, tx, c, d, ty);
  OxGfxMeshDraw(mesh, OxGfxMeshDrawModeTriangles);
}

// A filled axis-aligned rectangle; its size is known not to be negative.
void FillRect(OxGfxVertexList* square, float x, float y, float width, float height,
              unsigned int color)
{
  DrawShape(square, color, width, 0.0f, x, 0.0f, height, y);
}

// The triangle with corners p, q and r.
void FillTriangle(OxGfxVertexList* triangle, const float p[2], const float q[2], const float r[2],
                  unsigned int color)
{
  DrawShape(triangle, color, q[0] - p[0], r[0] - p[0], p[0], q[1] - p[1], r[1] - p[1], p[1]);
}

bool ShapeCanDraw(int* result)
{
  if (OxGfxIsOpenGLReady()) return true;
  *result = Refuse(kRefusalNoGraphicsShape);
  return false;
}

}  // namespace

// ---- Module stop ------------------------------------------------------------------------

void OxSpriteSystemEnd()
{
  for (SquareMesh& square : gState.squares) OxGfxMeshFree(square.mesh);
  OxGfxMeshFree(gState.triangle);
  for (OxGfxVertexList* fan : gState.fans) OxGfxMeshFree(fan);
  gState = {};
}

// ---- Sprites -------------------------------------------------------------------------------

int OxSpriteDraw(OxGfxTexture* texture, float x, float y)
{
  return OxSpriteDrawEx(texture, nullptr, x, y, 0.0f, 0.0f, 1.0f, 1.0f, 0.0f, 0xFFFFFFFFu);
}

int OxSpriteDrawRegion(OxGfxTexture* texture, const OxSpriteRegion* region, float x, float y)
{
  return OxSpriteDrawEx(texture, region, x, y, 0.0f, 0.0f, 1.0f, 1.0f, 0.0f, 0xFFFFFFFFu);
}

int OxSpriteDrawEx(OxGfxTexture* texture, const OxSpriteRegion* region, float x, float y,
                   float originX, float originY, float scaleX, float scaleY, float rotation,
                   unsigned int tint)
{
  if (!OxGfxIsOpenGLReady()) return Refuse(kRefusalNoGraphicsSprite);
  int textureWidth = 0, textureHeight = 0;
  // The size first: an unloaded record is no longer known, and is not read.
  if (!OxGfxTextureFindSize(texture, &textureWidth, &textureHeight) || !texture->textureName)
    return Refuse(kRefusalNoTexture);
  if (!AllFinite(x, y, originX, originY, scaleX, scaleY, rotation))
    return Refuse(kRefusalSpriteNotFinite);
  OxSpriteRegion whole = {0, 0, textureWidth, textureHeight};
  if (!region) region = &whole;
  if (region->width < 0 || region->height < 0) return Refuse(kRefusalSpriteNegative);
  if (region->width == 0 || region->height == 0) return 1;

  // The texels of the region inside the texture, in 64 bits so that no sum
  // overflows.
  long long left = region->x, top = region->y;
  long long right = left + region->width, bottom = top + region->height;
  long long insideLeft = left > 0 ? left : 0, insideTop = top > 0 ? top : 0;
  long long insideRight = right < textureWidth ? right : textureWidth;
  long long insideBottom = bottom < textureHeight ? bottom : textureHeight;
  if (insideLeft >= insideRight || insideTop >= insideBottom) return Refuse(kRefusalOutside);
  if (scaleX == 0.0f || scaleY == 0.0f) return 1;

  float texelsWide = static_cast<float>(textureWidth);
  float texelsHigh = static_cast<float>(textureHeight);
  float width = static_cast<float>(insideRight - insideLeft);
  float height = static_cast<float>(insideBottom - insideTop);
  OxGfxVertexList* square = SquareFor(width / texelsWide, height / texelsHigh);
  if (!square) return 0;

  // Where the part inside sits in the region, from its bottom-left corner,
  // y up; then relative to the origin.
  float placeX = static_cast<float>(insideLeft - left) - originX;
  float placeY = static_cast<float>(bottom - insideBottom) - originY;
  float cosine = 1.0f, sine = 0.0f;
  if (rotation != 0.0f) {
    cosine = cosf(rotation);
    sine = sinf(rotation);
  }
  // Trans(x, y) Rot Scale(scaleX, scaleY) Trans(place) Scale(width, height),
  // multiplied out in the order OxMtx33Concat would, left to right.
  float a = cosine * scaleX, b = -sine * scaleY;
  float c = sine * scaleX, d = cosine * scaleY;
  float tx = a * placeX + b * placeY + x;
  float ty = c * placeX + d * placeY + y;

  SetModeAndColors(OxGfxRenderModeTexture, tint);
  OxGfxSetWorld2D(a * width, b * height, tx, c * width, d * height, ty);
  OxGfxTextureUse(texture, static_cast<float>(insideLeft) / texelsWide,
                  static_cast<float>(insideTop) / texelsHigh);
  // While batching, the values just set go to the batch unread; diagnostics
  // take the public draw, which checks them.
  if (OxBatchIsRecording() && !OxDiagIsOn())
    OxBatchSpriteDraw(square, tint != 0xFFFFFFFFu);
  else
    OxGfxMeshDraw(square, OxGfxMeshDrawModeTriangles);
  return 1;
}

// ---- Shapes ----------------------------------------------------------------------------------

int OxShapeFillRect(float x, float y, float width, float height, unsigned int color)
{
  int result = 0;
  if (!ShapeCanDraw(&result)) return result;
  if (!AllFinite(x, y, width, height)) return Refuse(kRefusalShapeNotFinite);
  if (width < 0.0f || height < 0.0f) return Refuse(kRefusalShapeNegative);
  if (width == 0.0f || height == 0.0f) return 1;
  OxGfxVertexList* square = SquareFor(1.0f, 1.0f);
  if (!square) return 0;
  FillRect(square, x, y, width, height, color);
  return 1;
}

int OxShapeOutlineRect(float x, float y, float width, float height, float thickness,
                       unsigned int color)
{
  int result = 0;
  if (!ShapeCanDraw(&result)) return result;
  if (!AllFinite(x, y, width, height, thickness)) return Refuse(kRefusalShapeNotFinite);
  if (width < 0.0f || height < 0.0f || thickness < 0.0f) return Refuse(kRefusalShapeNegative);
  if (width == 0.0f || height == 0.0f || thickness == 0.0f) return 1;
  if (2.0f * thickness >= width || 2.0f * thickness >= height)
    return OxShapeFillRect(x, y, width, height, color);
  OxGfxVertexList* square = SquareFor(1.0f, 1.0f);
  if (!square) return 0;
  // Bottom and top bands span the width; the side bands fill between them.
  // Each shared edge is one number in both bands that meet there.
  float sideBottom = y + thickness;
  float sideHeight = height - 2.0f * thickness;
  float sideTop = sideBottom + sideHeight;
  FillRect(square, x, y, width, thickness, color);
  FillRect(square, x, sideBottom, thickness, sideHeight, color);
  FillRect(square, x + width - thickness, sideBottom, thickness, sideHeight, color);
  FillRect(square, x, sideTop, width, y + height - sideTop, color);
  return 1;
}

int OxShapeDrawLine(float x0, float y0, float x1, float y1, float thickness, unsigned int color)
{
  int result = 0;
  if (!ShapeCanDraw(&result)) return result;
  if (!AllFinite(x0, y0, x1, y1, thickness)) return Refuse(kRefusalShapeNotFinite);
  if (thickness < 0.0f) return Refuse(kRefusalShapeNegative);
  float dx = x1 - x0, dy = y1 - y0;
  float length = sqrtf(dx * dx + dy * dy);
  // Also a length that overflows, from two finite but huge ends.
  if (!AllFinite(dx, dy, length)) return Refuse(kRefusalShapeNotFinite);
  if (length == 0.0f || thickness == 0.0f) return 1;
  OxGfxVertexList* square = SquareFor(1.0f, 1.0f);
  if (!square) return 0;
  // The square's x runs along the segment, its y across, centred on it.
  float acrossX = -dy / length * thickness, acrossY = dx / length * thickness;
  DrawShape(square, color, dx, acrossX, x0 - 0.5f * acrossX, dy, acrossY, y0 - 0.5f * acrossY);
  return 1;
}

int OxShapeFillCircle(float x, float y, float radius, unsigned int color)
{
  int result = 0;
  if (!ShapeCanDraw(&result)) return result;
  if (!AllFinite(x, y, radius)) return Refuse(kRefusalShapeNotFinite);
  if (radius < 0.0f) return Refuse(kRefusalShapeNegative);
  if (radius == 0.0f) return 1;
  OxGfxVertexList* fan = Fan(FanIndex(radius));
  if (!fan) return 0;
  DrawShape(fan, color, radius, 0.0f, x, 0.0f, radius, y);
  return 1;
}

int OxShapeOutlineCircle(float x, float y, float radius, float thickness, unsigned int color)
{
  int result = 0;
  if (!ShapeCanDraw(&result)) return result;
  if (!AllFinite(x, y, radius, thickness)) return Refuse(kRefusalShapeNotFinite);
  if (radius < 0.0f || thickness < 0.0f) return Refuse(kRefusalShapeNegative);
  if (radius == 0.0f || thickness == 0.0f) return 1;
  if (thickness >= radius) return OxShapeFillCircle(x, y, radius, color);
  OxGfxVertexList* triangle = Triangle();
  if (!triangle) return 0;
  int index = FanIndex(radius);
  int corners = kFanCorners[index];
  const float* circle = UnitCircle(index);
  float inner = radius - thickness;
  auto corner = [&](int i, float distance, float out[2]) {
    const float* unit = circle + 2 * (i % corners);
    out[0] = roundf((x + distance * unit[0]) * kRingGrid) / kRingGrid;
    out[1] = roundf((y + distance * unit[1]) * kRingGrid) / kRingGrid;
  };
  float outer0[2], inner0[2], outer1[2], inner1[2];
  corner(0, radius, outer0);
  corner(0, inner, inner0);
  for (int i = 1; i <= corners; ++i) {
    corner(i, radius, outer1);
    corner(i, inner, inner1);
    FillTriangle(triangle, outer0, outer1, inner0, color);
    FillTriangle(triangle, inner0, outer1, inner1, color);
    outer0[0] = outer1[0];
    outer0[1] = outer1[1];
    inner0[0] = inner1[0];
    inner0[1] = inner1[1];
  }
  return 1;
}
