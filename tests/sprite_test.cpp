// Sprites and shapes against the same pictures drawn the long way (hand-made
// meshes, matrices and colour setters), byte for byte with batching off and
// on; pixels where they must be; careless input. Real OpenGL under Xvfb.
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
const float kLeft = -kWidth / 2.0f, kBottom = -kHeight / 2.0f;

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

oxtest::Pixel At(const std::vector<unsigned char>& frame, int x, int y)
{
  const unsigned char* p = &frame[(y * kWidth + x) * 4];
  return {p[0], p[1], p[2], p[3]};
}

// The long way's render state: mode, transform (null: identity), multiply
// colour from a 0xAARRGGBB tint, the other colours neutral.
void LongWayState(int mode, const OxMtx33* world, unsigned int tint)
{
  OxMtx33 identity;
  OxMtx33Identity(&identity);
  OxGfxSetRenderMode(mode);
  OxGfxSetTransparency(1.0f);
  OxGfxSetBlendColor(0, 0, 0, 0);
  OxGfxSetColorToMultiply(((tint >> 16) & 0xFF) / 255.0f, ((tint >> 8) & 0xFF) / 255.0f,
                          (tint & 0xFF) / 255.0f, (tint >> 24) / 255.0f);
  OxGfxSetColorToAdd(0, 0, 0, 0);
  OxGfxSetTransform(world ? world : &identity);
}

// Triangles in world pixels, one colour per vertex.
void HandMadeTriangles(const std::vector<float>& corners, unsigned int colour)
{
  LongWayState(OxGfxRenderModeColor, nullptr, 0xFFFFFFFF);
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

// One sprite of the 6 x 4 sheet: region, place, origin, scale, rotation, tint.
struct Call {
  int rx, ry, rw, rh;
  float x, y, ox, oy, sx, sy, angle;
  unsigned int tint;
};

// The sprites as OxSpriteDrawEx draws them, or the long way: a unit square
// spanning the region's texture coordinates, the region's corner as the
// texture offset, five matrices and the tint as the multiply colour.
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
      OxGfxTriAdd(0, 0, 0xFFFFFFFF, 0, v, 1, 0, 0xFFFFFFFF, u, v, 1, 1, 0xFFFFFFFF, u, 0);
      OxGfxTriAdd(0, 0, 0xFFFFFFFF, 0, v, 1, 1, 0xFFFFFFFF, u, 0, 0, 1, 0xFFFFFFFF, 0, 0);
      OxGfxVertexList* square = OxGfxMeshEnd();
      OxMtx33 m[5], world;
      OxMtx33Trans(&m[0], c.x, c.y);
      OxMtx33Rot(&m[1], c.angle);
      OxMtx33Scale(&m[2], c.sx, c.sy);
      OxMtx33Trans(&m[3], -c.ox, -c.oy);
      OxMtx33Scale(&m[4], static_cast<float>(c.rw), static_cast<float>(c.rh));
      world = m[0];
      for (int i = 1; i < 5; ++i) OxMtx33Concat(&world, &world, &m[i]);
      LongWayState(OxGfxRenderModeTexture, &world, c.tint);
      OxGfxTextureSet(sheet, c.rx / 6.0f, c.ry / 4.0f);
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
};

TEST_F(Sprite, SameAsTheLongWay)
{
  // Whole texture; a region turned, mirrored, scaled about a pivot and tinted;
  // a run of one texture (merged when batched): a sheet's frames, every size.
  std::vector<Call> sprites = {{0, 0, 6, 4, -100, 50, 0, 0, 1, 1, 0, ~0u},
                               {1, 1, 3, 2, 12.5f, -40, 1.5f, 1, -9, 7, 0.7f, 0xC080FF40}};
  for (int i = 0; i < 24; ++i) {
    sprites.push_back({i % 6, i / 6, 1, 1, -390.0f + 13 * i, 200, 0, 0, 12, 12, 0, ~0u});
    sprites.push_back({0, 0, 1 + i % 6, 1 + i / 6, -390.0f + 30 * i, -280, 0, 0, 1, 2, 0, ~0u});
  }
  // A region cut by the edge: columns 4 and 5 of rows 0 and 1, in their place.
  const std::function<void()> cases[][2] = {
      {Sprites(sheet, sprites, false), Sprites(sheet, sprites, true)},
      {Sprites(sheet, {{4, -1, 5, 3, 100, 100, 0, 0, 10, 10, 0, ~0u}}, false),
       Sprites(sheet, {{4, 0, 2, 2, 100, 100, 0, 0, 10, 10, 0, ~0u}}, true)},
      {[] {
         OxShapeFillRect(-300, -100, 40, 30, 0xFFFF8000);
         OxShapeOutlineRect(-200, -100, 50, 40, 3, 0x80FFFFFF);
         OxShapeDrawLine(-50, 10, 70, 10, 4, 0xFF00FF00);
       },
       [] {
         HandMadeTriangles(Rect(-300, -100, 40, 30), 0xFFFF8000);
         for (const std::vector<float>& band : {Rect(-200, -100, 50, 3), Rect(-200, -97, 3, 34),
                                                Rect(-153, -97, 3, 34), Rect(-200, -63, 50, 3)})
           HandMadeTriangles(band, 0x80FFFFFF);  // the outline's four bands
         HandMadeTriangles(Rect(-50, 8, 120, 4), 0xFF00FF00);
       }}};
  std::vector<unsigned char> blank = Frame([] {}, false);
  for (const auto& c : cases) {
    std::vector<unsigned char> longWay = Frame(c[1], false);
    EXPECT_NE(longWay, blank);
    for (bool batched : {false, true})
      EXPECT_EQ(Frame(c[0], batched), longWay)
          << "case " << (&c - cases) << ", batched " << batched;
  }
}

TEST_F(Sprite, PixelsWhereExpected)
{
  const float l = kLeft, b = kBottom;
  OxSpriteRegion texels = {1, 2, 2, 1}, pair = {0, 0, 2, 1}, last = {5, 3, 1, 1};
  auto draw = [&] {
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
  };
  // Window pixel x, y from the bottom-left and its colour, in the order drawn.
  const int pixels[][5] = {
      {10, 20, 255, 0, 0},     {14, 22, 255, 0, 0},      {9, 21, 0, 0, 0},
      {15, 21, 0, 0, 0},       {12, 19, 0, 0, 0},        {12, 23, 0, 0, 0},
      {100, 100, 40, 80, 200}, {101, 100, 80, 80, 200},  {102, 100, 0, 0, 0},
      {100, 203, 0, 0, 200},   {100, 200, 0, 120, 200},  {105, 200, 200, 120, 200},
      {299, 300, 0, 0, 200},   {299, 301, 40, 0, 200},   {300, 300, 0, 0, 0},
      {400, 400, 100, 120, 0}, {401, 400, 100, 60, 100}, {10, 49, 0, 0, 255},
      {19, 50, 0, 0, 255},     {20, 50, 0, 0, 0},        {10, 51, 0, 0, 0},
      {200, 50, 0, 255, 0},    {218, 50, 0, 255, 0},     {221, 50, 0, 0, 0},
      {300, 50, 0, 0, 0},      {318, 50, 255, 255, 255}, {315, 50, 0, 0, 0},
      {300, 68, 255, 255, 255}};
  for (bool batched : {false, true}) {
    std::vector<unsigned char> frame = Frame(draw, batched);
    for (const int* e : pixels) {
      EXPECT_TRUE(oxtest::IsColour(At(frame, e[0], e[1]), e[2], e[3], e[4], 0))
          << e[0] << ", " << e[1] << " is " << At(frame, e[0], e[1]) << ", batched " << batched;
    }
  }
}

struct BadCase {
  const char* name;
  std::function<int()> call;
  int result;
};

// Refusals give 0 and nothing to draw gives 1, drawing nothing either way;
// each kind of refusal prints once; texture sizes; a new start draws.
TEST(SpriteCareless, DefinedResultsAndOneMessage)
{
  oxtest::ChildResult child = oxtest::RunInChild([] {
    const float nan = nanf(""), inf = INFINITY;
    if (OxSpriteDraw(nullptr, 0, 0) != 0 || OxShapeFillRect(0, 0, 1, 1, 0) != 0) return 1;
    if (OxSysInit(nullptr, SW_SHOW, kWidth, kHeight, 0, 0, 0, nullptr) != 1) return 2;
    glewInit();
    OxGfxTexture* t = CountingTexture(4, 4);
    OxGfxTexture ownRecord;
    OxGfxTextureInitialize(&ownRecord);
    OxSpriteRegion negative = {0, 0, -1, 2}, outside = {4, 0, 2, 2},
                   farLeft = {-2147483647, 0, 2147483647, 1}, empty = {1, 1, 0, 3};
    OxGfxTexture* none = OxGfxTextureLoadFromMemory(nullptr, 0, 0);
    if (OxGfxTextureGetWidth(t) != 4 || OxGfxTextureGetHeight(t) != 4 ||
        OxGfxTextureGetWidth(nullptr) != 0 || OxGfxTextureGetHeight(&ownRecord) != 0 || !none ||
        OxGfxTextureGetWidth(none) != 0 || OxSpriteDraw(none, 0, 0) != 1)
      printf("sizes gave wrong values\n");
    OxGfxTextureUnload(none);
    const BadCase cases[] = {
        {"null texture", [&] { return OxSpriteDraw(nullptr, 0, 0); }, 0},
        {"game's own record", [&] { return OxSpriteDraw(&ownRecord, 0, 0); }, 0},
        {"negative region", [&] { return OxSpriteDrawRegion(t, &negative, 0, 0); }, 0},
        {"region outside", [&] { return OxSpriteDrawRegion(t, &outside, 0, 0); }, 0},
        {"region left of it", [&] { return OxSpriteDrawRegion(t, &farLeft, 0, 0); }, 0},
        {"empty region", [&] { return OxSpriteDrawRegion(t, &empty, 0, 0); }, 1},
        {"NaN position", [&] { return OxSpriteDraw(t, nan, 0); }, 0},
        {"zero scale", [&] { return OxSpriteDrawEx(t, nullptr, 0, 0, 0, 0, 0, 1, 0, ~0u); }, 1},
        {"negative width", [&] { return OxShapeFillRect(0, 0, -1, 5, ~0u); }, 0},
        {"NaN radius", [&] { return OxShapeFillCircle(0, 0, nan, ~0u); }, 0},
        {"infinite thickness", [&] { return OxShapeOutlineCircle(0, 0, 3, inf, ~0u); }, 0},
        {"ends too far apart", [&] { return OxShapeDrawLine(-3e38f, 0, 3e38f, 0, 1, ~0u); }, 0},
        {"zero-length line", [&] { return OxShapeDrawLine(5, 5, 5, 5, 3, ~0u); }, 1}};
    std::vector<unsigned char> blank = Frame([] {}, false);
    for (const BadCase& c : cases)
      for (bool batched : {false, true}) {
        int result = -1;
        if (Frame([&] { result = c.call(); }, batched) != blank) printf("%s drew\n", c.name);
        if (result != c.result) printf("%s gave %d\n", c.name, result);
      }
    OxGfxTextureUnload(t);
    free(ownRecord.textureName);
    OxSysExit();
    // The kept meshes belonged to that context: a new start draws with new ones.
    if (OxSysInit(nullptr, SW_SHOW, kWidth, kHeight, 0, 0, 0, nullptr) != 1) return 3;
    blank = Frame([] { OxShapeFillCircle(0, 0, 3, 0xFF00FF00); }, false);
    if (!oxtest::IsColour(At(blank, 400, 300), 0, 255, 0, 0)) printf("restart drew\n");
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
