// Sprites and shapes against the same pictures drawn the long way, byte for
// byte; pixels where they must be; careless input. Real OpenGL under Xvfb.
#include <gtest/gtest.h>
#include <math.h>

#include <functional>
#include <string>
#include <vector>

#include "OxPixelSupport.h"
#include "OxTestSupport.h"
#include "Oxlen.h"

namespace {

const int kWidth = 800, kHeight = 600;

// Every texel differs: red = 40 x column, green = 40 x row, blue 200.
OxGfxTexture* CountingTexture(int width, int height)
{
  std::vector<unsigned char> texels;
  for (int i = 0; i < width * height; ++i)
    texels.insert(texels.end(), {static_cast<unsigned char>(40 * (i % width)),
                                 static_cast<unsigned char>(40 * (i / width)), 200, 255});
  return OxGfxTextureLoadFromMemory(texels.data(), width, height);
}

// The whole back buffer after the drawing, RGBA, bottom row first.
std::vector<unsigned char> Frame(const std::function<void()>& draw)
{
  OxSysFrameStart();
  OxGfxSetBlendMode(OxGfxBlendModeBlend);
  draw();
  std::vector<unsigned char> pixels = oxtest::ReadFrame(kWidth, kHeight);
  OxSysFrameEnd();
  return pixels;
}

// One sprite of the 6 x 4 sheet: region, place, tint, scale, rotation, origin.
struct Call {
  int rx, ry, rw, rh;
  float x, y;
  unsigned int tint = ~0u;
  float sx = 1, sy = 1, angle = 0, ox = 0, oy = 0;
};

// The sprites as OxSpriteDrawEx draws them, or the long way: a unit square
// spanning the region's texture coordinates, the region's corner as the
// texture offset, five matrices and the tint as the multiply colour. The long
// way with no sheet: rectangles {0, 0, width, height, x, y, colour}.
std::function<void()> Sprites(OxGfxTexture* sheet, std::vector<Call> calls, bool longWay)
{
  return [=] {
    for (const Call& c : calls) {
      OxSpriteRegion region = {c.rx, c.ry, c.rw, c.rh};
      if (!longWay) {
        OxSpriteDrawEx(sheet, &region, c.x, c.y, c.ox, c.oy, c.sx, c.sy, c.angle, c.tint);
        continue;
      }
      float u = c.rw / 6.0f, v = c.rh / 4.0f;
      OxGfxMeshStart();
      OxGfxTriAdd(0, 0, ~0u, 0, v, 1, 0, ~0u, u, v, 1, 1, ~0u, u, 0);
      OxGfxTriAdd(0, 0, ~0u, 0, v, 1, 1, ~0u, u, 0, 0, 1, ~0u, 0, 0);
      OxGfxVertexList* square = OxGfxMeshEnd();
      OxMtx33 m[5];
      OxMtx33Trans(&m[0], c.x, c.y);
      OxMtx33Rot(&m[1], c.angle);
      OxMtx33Scale(&m[2], c.sx, c.sy);
      OxMtx33Trans(&m[3], -c.ox, -c.oy);
      OxMtx33Scale(&m[4], static_cast<float>(c.rw), static_cast<float>(c.rh));
      for (int i = 1; i < 5; ++i) OxMtx33Concat(&m[0], &m[0], &m[i]);
      OxGfxSetRenderMode(sheet ? OxGfxRenderModeTexture : OxGfxRenderModeColor);
      OxGfxSetTransform(&m[0]);
      OxGfxSetTransparency(1.0f);
      OxGfxSetBlendColor(0, 0, 0, 0);
      OxGfxSetColorToAdd(0, 0, 0, 0);
      OxGfxSetColorToMultiply(((c.tint >> 16) & 0xFF) / 255.0f, ((c.tint >> 8) & 0xFF) / 255.0f,
                              (c.tint & 0xFF) / 255.0f, (c.tint >> 24) / 255.0f);
      if (sheet) OxGfxTextureSet(sheet, c.rx / 6.0f, c.ry / 4.0f);
      OxGfxMeshDraw(square, OxGfxMeshDrawModeTriangles);
      OxGfxMeshFree(square);
    }
  };
}

class Sprite : public ::testing::Test {
 protected:
  void SetUp() override
  {
    ASSERT_EQ(OxSysInit(nullptr, SW_SHOW, kWidth, kHeight, 0, 0, 0, nullptr), 1);
    OxGfxSetBackgroundColor(0, 0, 0);
    ASSERT_NE(sheet = CountingTexture(6, 4), nullptr);
  }
  void TearDown() override { OxGfxTextureUnload(sheet), OxSysExit(); }
  OxGfxTexture* sheet = nullptr;
};

TEST_F(Sprite, SameAsTheLongWay)
{
  // The whole texture, then a region turned, mirrored, scaled about a pivot
  // and tinted; a region cut by the edge: columns 4, 5 of rows 0, 1 in place.
  const std::vector<Call> two = {{0, 0, 6, 4, -100, 50},
                                 {1, 1, 3, 2, 12.5f, -40, 0xC080FF40, -9, 7, 0.7f, 1.5f, 1}};
  // The shapes' long way: the rectangle, the outline's four bands, the line.
  const std::vector<Call> rects = {
      {0, 0, 40, 30, -300, -100, 0xFFFF8000}, {0, 0, 50, 3, -200, -100, 0x80FFFFFF},
      {0, 0, 3, 34, -200, -97, 0x80FFFFFF},   {0, 0, 3, 34, -153, -97, 0x80FFFFFF},
      {0, 0, 50, 3, -200, -63, 0x80FFFFFF},   {0, 0, 120, 4, -50, 8, 0xFF00FF00}};
  const std::function<void()> cases[][2] = {
      {Sprites(sheet, two, false), Sprites(sheet, two, true)},
      {Sprites(sheet, {{4, -1, 5, 3, 100, 100, ~0u, 10, 10}}, false),
       Sprites(sheet, {{4, 0, 2, 2, 100, 100, ~0u, 10, 10}}, true)},
      {[] {
         OxShapeFillRect(-300, -100, 40, 30, 0xFFFF8000);
         OxShapeOutlineRect(-200, -100, 50, 40, 3, 0x80FFFFFF);
         OxShapeDrawLine(-50, 10, 70, 10, 4, 0xFF00FF00);
       },
       Sprites(nullptr, rects, true)}};
  for (const auto& c : cases) {
    std::vector<unsigned char> longWay = Frame(c[1]);
    EXPECT_NE(longWay, Frame([] {}));
    EXPECT_EQ(Frame(c[0]), longWay) << "case " << (&c - cases);
  }
}

TEST_F(Sprite, PixelsWhereExpected)
{
  const float l = -kWidth / 2.0f, b = -kHeight / 2.0f;
  OxSpriteRegion texels = {1, 2, 2, 1}, pair = {0, 0, 2, 1}, last = {5, 3, 1, 1};
  // Window pixel x, y from the bottom-left and its colour, in the order drawn.
  const int pixels[][5] = {
      {10, 20, 255, 0, 0},     {14, 22, 255, 0, 0},      {15, 21, 0, 0, 0},
      {12, 23, 0, 0, 0},       {100, 100, 40, 80, 200},  {101, 100, 80, 80, 200},
      {102, 100, 0, 0, 0},     {100, 203, 0, 0, 200},    {100, 200, 0, 120, 200},
      {299, 300, 0, 0, 200},   {299, 301, 40, 0, 200},   {300, 300, 0, 0, 0},
      {400, 400, 100, 120, 0}, {401, 400, 100, 60, 100}, {10, 49, 0, 0, 255},
      {19, 50, 0, 0, 255},     {20, 50, 0, 0, 0},        {10, 51, 0, 0, 0},
      {200, 50, 0, 255, 0},    {218, 50, 0, 255, 0},     {221, 50, 0, 0, 0},
      {315, 50, 0, 0, 0},      {318, 50, 255, 255, 255}};
  Frame([&] {
    OxShapeFillRect(l + 10, b + 20, 5, 3, 0xFFFF0000);     // whole pixels, none past the sides
    OxSpriteDrawRegion(sheet, &texels, l + 100, b + 100);  // texels (1, 2), (2, 2)
    OxSpriteDraw(sheet, l + 100, b + 200);                 // top row on top
    // A quarter turn counter-clockwise about the corner: texel (0, 0) above (1, 0).
    OxSpriteDrawEx(sheet, &pair, l + 300, b + 300, 0, 0, 1, 1, 3.14159265f / 2, ~0u);
    // Tints multiply texel (5, 3); their alpha blends over black.
    OxSpriteDrawEx(sheet, &last, l + 400, b + 400, 0, 0, 1, 1, 0, 0xFF80FF00);
    OxSpriteDrawEx(sheet, &last, l + 401, b + 400, 0, 0, 1, 1, 0, 0x80FFFFFF);
    OxShapeDrawLine(l + 10, b + 50, l + 20, b + 50, 2, 0xFF0000FF);  // rows 49, 50; columns 10-19
    OxShapeFillCircle(l + 200, b + 50, 20, 0xFF00FF00);              // centre to rim
    OxShapeOutlineCircle(l + 300, b + 50, 20, 3, 0xFFFFFFFF);        // a ring with a hole
    for (const int* e : pixels)
      EXPECT_TRUE(oxtest::IsColour(oxtest::ReadPixel(e[0], e[1]), e[2], e[3], e[4], 0))
          << e[0] << ", " << e[1] << " is " << oxtest::ReadPixel(e[0], e[1]);
  });
}

// Refusals give 0 and nothing to draw gives 1, drawing nothing either way
// (else the exit code is 10 + the case); each kind of refusal prints once;
// texture sizes; a new start draws.
TEST(SpriteCareless, DefinedResultsAndOneMessage)
{
  oxtest::ChildResult child = oxtest::RunInChild([] {
    if (OxSpriteDraw(nullptr, 0, 0) != 0 || OxShapeFillRect(0, 0, 1, 1, 0) != 0) return 1;
    if (OxSysInit(nullptr, SW_SHOW, kWidth, kHeight, 0, 0, 0, nullptr) != 1) return 2;
    OxGfxTexture *t = CountingTexture(4, 4), *none = OxGfxTextureLoadFromMemory(nullptr, 0, 0), own;
    OxGfxTextureInitialize(&own);
    if (OxGfxTextureGetWidth(t) != 4 || OxGfxTextureGetHeight(t) != 4 ||
        OxGfxTextureGetWidth(nullptr) != 0 || OxGfxTextureGetHeight(&own) != 0 || !none ||
        OxGfxTextureGetWidth(none) != 0 || OxSpriteDraw(none, 0, 0) != 1)
      return 3;  // texture sizes; an empty texture is nothing to draw
    OxSpriteRegion negative = {0, 0, -1, 2}, farLeft = {-2147483647, 0, 2147483647, 1},
                   empty = {1, 1, 0, 3};
    const std::pair<int, std::function<int()>> cases[] = {
        {0, [&] { return OxSpriteDraw(&own, 0, 0); }},  // a record the library did not make
        {0, [&] { return OxSpriteDrawRegion(t, &negative, 0, 0); }},
        {0, [&] { return OxSpriteDrawRegion(t, &farLeft, 0, 0); }},  // ends left of it
        {1, [&] { return OxSpriteDrawRegion(t, &empty, 0, 0); }},
        {0, [&] { return OxSpriteDraw(t, NAN, 0); }},
        {1, [&] { return OxSpriteDrawEx(t, nullptr, 0, 0, 0, 0, 0, 1, 0, ~0u); }},
        {0, [&] { return OxShapeFillRect(0, 0, -1, 5, ~0u); }},
        {0, [&] { return OxShapeFillCircle(0, 0, NAN, ~0u); }},
        {0, [&] { return OxShapeDrawLine(-3e38f, 0, 3e38f, 0, 1, ~0u); }},  // length overflows
        {1, [&] { return OxShapeDrawLine(5, 5, 5, 5, 3, ~0u); }}};
    std::vector<unsigned char> blank = Frame([] {});
    for (const auto& c : cases) {
      int result = -1;
      if (Frame([&] { result = c.second(); }) != blank || result != c.first)
        return 10 + static_cast<int>(&c - cases);
    }
    OxSysExit();
    // The kept meshes belonged to that context: a new start draws with new ones.
    if (OxSysInit(nullptr, SW_SHOW, kWidth, kHeight, 0, 0, 0, nullptr) != 1) return 4;
    return Frame([] { OxShapeFillCircle(0, 0, 3, 0xFF00FF00); }) == blank ? 5 : 0;
  });
  EXPECT_EQ(child.exitCode, 0) << child.out;
  for (const char* message :
       {"Sprite: graphics not running\n", "Shape: graphics not running\n", "Sprite: no texture\n",
        "Sprite: negative size\n", "Sprite: region outside the texture\n",
        "Sprite: number not finite\n", "Shape: negative size\n", "Shape: number not finite\n"})
    EXPECT_EQ(oxtest::Count(child.out, message), 1u) << message << child.out;
}

}  // namespace
