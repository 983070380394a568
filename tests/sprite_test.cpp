// Sprites and shapes: each call's picture against the same picture drawn the
// long way (hand-made meshes, matrices and colour setters), byte for byte
// with batching off and on; pixels where a rectangle, region, rotation or
// tint must put them; careless input, texture sizes and a new start. Real
// OpenGL (llvmpipe under Xvfb), frames read back after OxGfxFlush.
#include <gtest/gtest.h>

#include <GL/glew.h>
#include <math.h>

#include <functional>
#include <string>
#include <vector>

#include "OxPixelSupport.h"
#include "OxTestSupport.h"
#include "Oxlen.h"

namespace {

const int kWidth = 800;
const int kHeight = 600;
const float kPi = 3.14159265f;

// A texture whose every texel differs: red = 40 x column, green = 40 x row,
// blue 200, alpha 255 (up to 6 x 6 texels).
OxGfxTexture* CountingTexture(int width, int height)
{
  std::vector<unsigned char> texels;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      texels.insert(texels.end(), {static_cast<unsigned char>(40 * x),
                                   static_cast<unsigned char>(40 * y), 200, 255});
  return OxGfxTextureLoadFromMemory(texels.data(), width, height);
}

// The whole back buffer after the drawing, RGBA, bottom row first.
std::vector<unsigned char> Frame(const std::function<void()>& draw, bool batched)
{
  OxGfxSetBatching(batched ? 1 : 0);
  OxSysFrameStart();
  OxGfxSetBlendMode(OxGfxBlendModeBlend);
  draw();
  OxGfxFlush();
  std::vector<unsigned char> pixels = oxtest::ReadFrame(kWidth, kHeight);
  OxSysFrameEnd();
  OxGfxSetBatching(0);
  return pixels;
}

// ---- The long way -----------------------------------------------------------------

void SetColours(float red, float green, float blue, float alpha)
{
  OxGfxSetTransparency(1.0f);
  OxGfxSetBlendColor(0, 0, 0, 0);
  OxGfxSetColorToMultiply(red, green, blue, alpha);
  OxGfxSetColorToAdd(0, 0, 0, 0);
}

// One hand-made mesh of triangles in world pixels, coloured per vertex.
void HandMadeTriangles(const std::vector<float>& corners, unsigned int colour)
{
  OxGfxSetRenderMode(OxGfxRenderModeColor);
  SetColours(1, 1, 1, 1);
  OxMtx33 identity;
  OxMtx33Identity(&identity);
  OxGfxSetTransform(&identity);
  OxGfxMeshStart();
  for (size_t i = 0; i + 1 < corners.size(); i += 2)
    OxGfxVertexAdd(corners[i], corners[i + 1], colour, 0, 0);
  OxGfxVertexList* mesh = OxGfxMeshEnd();
  OxGfxMeshDraw(mesh, OxGfxMeshDrawModeTriangles);
  OxGfxMeshFree(mesh);
}

std::vector<float> Rect(float x, float y, float w, float h)
{
  return {x, y, x + w, y, x + w, y + h, x, y, x + w, y + h, x, y + h};
}

// One sprite: the region, where it goes, origin, scale, rotation and tint.
struct Call {
  int rx, ry, rw, rh;
  float x, y, ox, oy, sx, sy, angle;
  unsigned int tint;
};

// A sprite the long way: a square with the region's texture coordinates,
// its corner as the texture offset, five matrices and the tint as the
// multiply colour.
void HandMadeSprite(OxGfxTexture* texture, int textureWidth, int textureHeight, const Call& c)
{
  float u = static_cast<float>(c.rw) / textureWidth, v = static_cast<float>(c.rh) / textureHeight;
  OxGfxMeshStart();
  OxGfxTriAdd(0, 0, 0xFFFFFFFF, 0, v, 1, 0, 0xFFFFFFFF, u, v, 1, 1, 0xFFFFFFFF, u, 0);
  OxGfxTriAdd(0, 0, 0xFFFFFFFF, 0, v, 1, 1, 0xFFFFFFFF, u, 0, 0, 1, 0xFFFFFFFF, 0, 0);
  OxGfxVertexList* square = OxGfxMeshEnd();
  OxMtx33 place, turn, scale, pivot, size, world;
  OxMtx33Trans(&place, c.x, c.y);
  OxMtx33Rot(&turn, c.angle);
  OxMtx33Scale(&scale, c.sx, c.sy);
  OxMtx33Trans(&pivot, -c.ox, -c.oy);
  OxMtx33Scale(&size, static_cast<float>(c.rw), static_cast<float>(c.rh));
  OxMtx33Concat(&world, &place, &turn);
  OxMtx33Concat(&world, &world, &scale);
  OxMtx33Concat(&world, &world, &pivot);
  OxMtx33Concat(&world, &world, &size);
  OxGfxSetRenderMode(OxGfxRenderModeTexture);
  unsigned int t = c.tint;
  SetColours(((t >> 16) & 0xFF) / 255.0f, ((t >> 8) & 0xFF) / 255.0f, (t & 0xFF) / 255.0f,
             (t >> 24) / 255.0f);
  OxGfxSetTransform(&world);
  OxGfxTextureSet(texture, static_cast<float>(c.rx) / textureWidth,
                  static_cast<float>(c.ry) / textureHeight);
  OxGfxMeshDraw(square, OxGfxMeshDrawModeTriangles);
  OxGfxMeshFree(square);
}

class Sprite : public ::testing::Test {
 protected:
  void SetUp() override
  {
    ASSERT_EQ(OxSysInit(nullptr, SW_SHOW, kWidth, kHeight, 0, 0, 0, nullptr), 1);
    glewInit();
    OxGfxSetBackgroundColor(0, 0, 0);
    sheet = CountingTexture(6, 4);
    ASSERT_NE(sheet, nullptr);
  }
  void TearDown() override
  {
    OxGfxTextureUnload(sheet);
    OxSysExit();
  }
  OxGfxTexture* sheet = nullptr;
  const float left = -kWidth / 2.0f, bottom = -kHeight / 2.0f;
};

// ---- Pictures ----------------------------------------------------------------------

struct SameCase {
  const char* name;
  std::function<void()> family, longWay;
};

TEST_F(Sprite, SameAsTheLongWay)
{
  OxGfxTexture* t = sheet;
  // Sprite cases: the whole texture; a region turned, mirrored, scaled
  // about a pivot and tinted; a sheet's frames in a row (merged when
  // batched); more region sizes than the family keeps squares for.
  std::vector<std::vector<Call>> spriteCases = {
      {{0, 0, 6, 4, -100, 50, 0, 0, 1, 1, 0, 0xFFFFFFFF}},
      {{1, 1, 3, 2, 12.5f, -40, 1.5f, 1, -9, 7, 0.7f, 0xC080FF40}},
      {},
      {}};
  for (int i = 0; i < 60; ++i)
    spriteCases[2].push_back(
        {i % 6, i / 6 % 4, 1, 1, -390.0f + 13 * i, 200, 0, 0, 12, 12, 0, 0xFFFFFFFF});
  for (int i = 0; i < 70; ++i)
    spriteCases[3].push_back({0, 0, 1 + i % 6, 1 + i / 6 % 4, -390.0f + 11 * i,
                              -280.0f + (i % 7) * 3, 0, 0, 1.0f + i / 24, 2, 0, 0xFFFFFFFF});
  std::vector<SameCase> cases;
  for (const std::vector<Call>& calls : spriteCases)
    cases.push_back({"sprites",
                     [&t, calls] {
                       for (const Call& c : calls) {
                         OxSpriteRegion region = {c.rx, c.ry, c.rw, c.rh};
                         OxSpriteDrawEx(t, &region, c.x, c.y, c.ox, c.oy, c.sx, c.sy, c.angle,
                                        c.tint);
                       }
                     },
                     [&t, calls] {
                       for (const Call& c : calls) HandMadeSprite(t, 6, 4, c);
                     }});
  // A region cut by the texture's edge: columns 4 and 5 of rows 0 and 1, in
  // place. Shapes against hand-made meshes in world pixels: rectangles,
  // the outline's four bands, a line along x.
  cases.push_back({"region cut by the edge",
                   [&] {
                     OxSpriteRegion region = {4, -1, 5, 3};
                     OxSpriteDrawEx(t, &region, 100, 100, 0, 0, 10, 10, 0, 0xFFFFFFFF);
                   },
                   [&] {
                     HandMadeSprite(t, 6, 4, {4, 0, 2, 2, 100, 100, 0, 0, 10, 10, 0, ~0u});
                   }});
  cases.push_back({"rectangles",
                   [] {
                     OxShapeFillRect(-300, -100, 40, 30, 0xFFFF8000);
                     OxShapeOutlineRect(-200, -100, 50, 40, 3, 0x80FFFFFF);
                   },
                   [] {
                     HandMadeTriangles(Rect(-300, -100, 40, 30), 0xFFFF8000);
                     std::vector<float> bands = Rect(-200, -100, 50, 3);
                     for (const std::vector<float>& band :
                          {Rect(-200, -97, 3, 34), Rect(-153, -97, 3, 34), Rect(-200, -63, 50, 3)})
                       bands.insert(bands.end(), band.begin(), band.end());
                     HandMadeTriangles(bands, 0x80FFFFFF);
                   }});
  cases.push_back({"line along x", [] { OxShapeDrawLine(-50, 10, 70, 10, 4, 0xFF00FF00); },
                   [] { HandMadeTriangles(Rect(-50, 8, 120, 4), 0xFF00FF00); }});
  std::vector<unsigned char> blank = Frame([] {}, false);
  for (const SameCase& c : cases) {
    for (bool batched : {false, true}) {
      std::vector<unsigned char> family = Frame(c.family, batched);
      EXPECT_EQ(family, Frame(c.longWay, batched)) << c.name << (batched ? ", batched" : "");
      EXPECT_EQ(family, Frame(c.longWay, !batched)) << c.name << (batched ? ", batched" : "");
      EXPECT_NE(family, blank) << c.name;
    }
  }
}

struct Expected {
  int x, y;  // window pixel from the bottom-left
  int r, g, b;
};

struct PixelCase {
  const char* name;
  std::function<void()> draw;
  std::vector<Expected> pixels;
};

TEST_F(Sprite, PixelsWhereExpected)
{
  OxGfxTexture* t = sheet;
  float l = left, b = bottom;
  const PixelCase cases[] = {
      // A 5 x 3 rectangle: its four corner pixels and one pixel outside
      // each side.
      {"rectangle corners",
       [&] { OxShapeFillRect(l + 10, b + 20, 5, 3, 0xFFFF0000); },
       {{10, 20, 255, 0, 0},
        {14, 20, 255, 0, 0},
        {10, 22, 255, 0, 0},
        {14, 22, 255, 0, 0},
        {9, 21, 0, 0, 0},
        {15, 21, 0, 0, 0},
        {12, 19, 0, 0, 0},
        {12, 23, 0, 0, 0}}},
      // Region (1, 2) 2 x 1: texels (1, 2) and (2, 2) side by side.
      {"region texels",
       [&] {
         OxSpriteRegion region = {1, 2, 2, 1};
         OxSpriteDrawRegion(t, &region, l + 100, b + 100);
       },
       {{100, 100, 40, 80, 200}, {101, 100, 80, 80, 200}, {102, 100, 0, 0, 0}}},
      // The whole texture: its top row lands on top.
      {"whole texture upright",
       [&] { OxSpriteDraw(t, l + 100, b + 200); },
       {{100, 203, 0, 0, 200}, {100, 200, 0, 120, 200}, {105, 200, 200, 120, 200}}},
      // Turned a quarter counter-clockwise about its bottom-left corner:
      // texel (0, 0) above texel (1, 0), left of the corner.
      {"quarter turn",
       [&] {
         OxSpriteRegion region = {0, 0, 2, 1};
         OxSpriteDrawEx(t, &region, l + 300, b + 300, 0, 0, 1, 1, kPi / 2, 0xFFFFFFFF);
       },
       {{299, 300, 0, 0, 200}, {299, 301, 40, 0, 200}, {300, 300, 0, 0, 0}}},
      // Tint multiplies the texel; its alpha blends over black.
      {"tint",
       [&] {
         OxSpriteRegion region = {5, 3, 1, 1};  // (200, 120, 200)
         OxSpriteDrawEx(t, &region, l + 400, b + 400, 0, 0, 1, 1, 0, 0xFF80FF00);
         OxSpriteDrawEx(t, &region, l + 401, b + 400, 0, 0, 1, 1, 0, 0x80FFFFFF);
       },
       {{400, 400, 100, 120, 0}, {401, 400, 100, 60, 100}}},
      // A line 2 thick from (10, 50) to (20, 50): rows 49 and 50, columns 10
      // to 19; a circle's centre and rim; a ring's hole.
      {"line and circles",
       [&] {
         OxShapeDrawLine(l + 10, b + 50, l + 20, b + 50, 2, 0xFF0000FF);
         OxShapeFillCircle(l + 200, b + 50, 20, 0xFF00FF00);
         OxShapeOutlineCircle(l + 300, b + 50, 20, 3, 0xFFFFFFFF);
       },
       {{10, 49, 0, 0, 255},
        {19, 50, 0, 0, 255},
        {20, 50, 0, 0, 0},
        {10, 51, 0, 0, 0},
        {200, 50, 0, 255, 0},
        {218, 50, 0, 255, 0},
        {221, 50, 0, 0, 0},
        {300, 50, 0, 0, 0},
        {318, 50, 255, 255, 255},
        {315, 50, 0, 0, 0},
        {300, 68, 255, 255, 255}}},
  };
  for (const PixelCase& c : cases) {
    for (bool batched : {false, true}) {
      OxGfxSetBatching(batched);
      OxSysFrameStart();
      OxGfxSetBlendMode(OxGfxBlendModeBlend);
      c.draw();
      OxGfxFlush();
      for (const Expected& e : c.pixels)
        EXPECT_TRUE(oxtest::IsColour(oxtest::ReadPixel(e.x, e.y), e.r, e.g, e.b, 0))
            << c.name << (batched ? ", batched" : "") << ": pixel " << e.x << ", " << e.y << " is "
            << oxtest::ReadPixel(e.x, e.y);
      OxSysFrameEnd();
      OxGfxSetBatching(0);
    }
  }
}

// ---- Careless input ----------------------------------------------------------------

struct BadCase {
  const char* name;
  std::function<int()> call;
  int result;
  const char* message;  // printed once for two calls; null: none
};

TEST(SpriteCareless, DefinedResultsAndOneMessage)
{
  oxtest::ChildResult child = oxtest::RunInChild([] {
    const float nan = nanf(""), inf = INFINITY;
    // Before graphics runs.
    if (OxSpriteDraw(nullptr, 0, 0) != 0 || OxShapeFillRect(0, 0, 1, 1, 0) != 0) return 1;
    if (OxSysInit(nullptr, SW_SHOW, kWidth, kHeight, 0, 0, 0, nullptr) != 1) return 2;
    glewInit();
    OxGfxTexture* t = CountingTexture(4, 4);
    OxGfxTexture ownRecord;
    OxGfxTextureInitialize(&ownRecord);
    OxSpriteRegion negative = {0, 0, -1, 2}, outside = {4, 0, 2, 2},
                   farLeft = {-2147483647, 0, 2147483647, 1};
    OxSpriteRegion empty = {1, 1, 0, 3};
    // Texture sizes: the library's textures, 0 x 0 included; 0 for others.
    OxGfxTexture* none = OxGfxTextureLoadFromMemory(nullptr, 0, 0);
    if (OxGfxTextureGetWidth(t) != 4 || OxGfxTextureGetHeight(t) != 4 ||
        OxGfxTextureGetWidth(nullptr) != 0 || OxGfxTextureGetHeight(&ownRecord) != 0 || !none ||
        OxGfxTextureGetWidth(none) != 0 || OxSpriteDraw(none, 0, 0) != 1)
      printf("sizes gave wrong values\n");
    OxGfxTextureUnload(none);
    const BadCase cases[] = {
        {"null texture", [&] { return OxSpriteDraw(nullptr, 0, 0); }, 0, "Sprite: no texture\n"},
        {"game's own record", [&] { return OxSpriteDraw(&ownRecord, 0, 0); }, 0, nullptr},
        {"negative region", [&] { return OxSpriteDrawRegion(t, &negative, 0, 0); }, 0,
         "Sprite: negative size\n"},
        {"region outside", [&] { return OxSpriteDrawRegion(t, &outside, 0, 0); }, 0,
         "Sprite: region outside the texture\n"},
        {"region left of it", [&] { return OxSpriteDrawRegion(t, &farLeft, 0, 0); }, 0, nullptr},
        {"empty region", [&] { return OxSpriteDrawRegion(t, &empty, 0, 0); }, 1, nullptr},
        {"NaN position", [&] { return OxSpriteDraw(t, nan, 0); }, 0, "Sprite: number not finite\n"},
        {"zero scale", [&] { return OxSpriteDrawEx(t, nullptr, 0, 0, 0, 0, 0, 1, 0, 0xFFFFFFFF); },
         1, nullptr},
        {"negative width", [&] { return OxShapeFillRect(0, 0, -1, 5, 0xFFFFFFFF); }, 0,
         "Shape: negative size\n"},
        {"NaN radius", [&] { return OxShapeFillCircle(0, 0, nan, 0xFFFFFFFF); }, 0,
         "Shape: number not finite\n"},
        {"infinite thickness", [&] { return OxShapeOutlineCircle(0, 0, 3, inf, 0xFFFFFFFF); }, 0,
         nullptr},
        {"ends too far apart", [&] { return OxShapeDrawLine(-3e38f, 0, 3e38f, 0, 1, 0xFFFFFFFF); },
         0, nullptr},
        {"zero-length line", [&] { return OxShapeDrawLine(5, 5, 5, 5, 3, 0xFFFFFFFF); }, 1,
         nullptr},
    };
    // Nothing is drawn: every frame stays the background.
    std::vector<unsigned char> blank = Frame([] {}, false);
    for (const BadCase& c : cases) {
      int results[2] = {-1, -1};
      for (bool batched : {false, true}) {
        std::vector<unsigned char> frame = Frame([&] { results[batched] = c.call(); }, batched);
        if (frame != blank) printf("%s drew\n", c.name);
      }
      if (results[0] != c.result || results[1] != c.result)
        printf("%s gave %d\n", c.name, results[0]);
    }
    OxGfxTextureUnload(t);
    free(ownRecord.textureName);
    OxSysExit();
    // The kept meshes belonged to that context: a new start draws with new ones.
    if (OxSysInit(nullptr, SW_SHOW, kWidth, kHeight, 0, 0, 0, nullptr) != 1) return 3;
    OxSysFrameStart();
    OxShapeFillCircle(0, 0, 3, 0xFF00FF00);
    OxGfxFlush();
    if (!oxtest::IsColour(oxtest::ReadPixel(400, 300), 0, 255, 0, 0)) printf("restart drew\n");
    OxSysFrameEnd();
    OxSysExit();
    return 0;
  });
  EXPECT_EQ(child.exitCode, 0) << child.out;
  EXPECT_EQ(child.out.find(" drew\n"), std::string::npos) << child.out;
  EXPECT_EQ(child.out.find(" gave"), std::string::npos) << child.out;
  for (const char* message :
       {"Sprite: graphics not running\n", "Shape: graphics not running\n", "Sprite: no texture\n",
        "Sprite: negative size\n", "Sprite: region outside the texture\n",
        "Sprite: number not finite\n", "Shape: negative size\n", "Shape: number not finite\n"})
    EXPECT_EQ(oxtest::Count(child.out, message), 1u) << message << child.out;
}

}  // namespace
