// Batched drawing: a corpus of scenes drawn with batching off and on, the
// whole frames compared byte for byte; that batching really defers and
// merges draws; the switch and flush calls; OpenGL's state after batching is
// turned off. Real OpenGL (llvmpipe under Xvfb), frames read back from the
// back buffer after OxGfxFlush and before the frame ends.
#include <gtest/gtest.h>

#include <GL/glew.h>
#include <math.h>
#include <stdlib.h>
#include <string.h>

#include <functional>
#include <string>
#include <vector>

#include "OxMatrix4.h"
#include "OxPixelSupport.h"
#include "OxTestSupport.h"
#include "Oxlen.h"

namespace {

const int kWidth = 800;
const int kHeight = 600;
const char kSansPath[] = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
const char kSerifPath[] = "/usr/share/fonts/truetype/dejavu/DejaVuSerif.ttf";

// Everything the scenes draw with, made once per test.
struct Assets {
  OxGfxVertexList* quad = nullptr;      // 6 vertices, four corner colours, uv 0..1
  OxGfxVertexList* flat = nullptr;      // the quad in one translucent colour
  OxGfxVertexList* rect = nullptr;      // 16 x 16, white
  OxGfxVertexList* tri4 = nullptr;      // one triangle and one vertex over
  OxGfxVertexList* fan = nullptr;       // a disc of 48 triangles
  OxGfxVertexList* points = nullptr;    // 257 points
  OxGfxVertexList* lines = nullptr;     // 101 vertices: 50 lines and one over
  OxGfxVertexList* strip = nullptr;     // a 40-vertex zigzag
  OxGfxVertexList* big = nullptr;       // 3,000 vertices: drawn from its own buffers
  OxGfxTexture* checker = nullptr;      // 16 x 16, alpha varying
  OxGfxTexture* gradient = nullptr;     // 64 x 32
  OxGfxTexture* tiny = nullptr;         // 2 x 2
  OxGfxFontId sans = -1;
  OxGfxFontId serif = -1;
};

// A small deterministic generator, so that scenes vary but repeat exactly.
struct Random {
  unsigned int state = 12345;
  float Next(float low, float high)
  {
    state = state * 1664525u + 1013904223u;
    return low + (high - low) * static_cast<float>(state >> 8) / 16777216.0f;
  }
  unsigned int Colour()
  {
    state = state * 1664525u + 1013904223u;
    return state;
  }
};

// A quad in four corner colours, or in one colour when flat is given.
OxGfxVertexList* Quad(float half, unsigned int flat = 0)
{
  unsigned int c[4] = {0xFFFF0000, 0xFF00FF00, 0x8000FFFF, 0xFFFFFF00};
  if (flat) c[0] = c[1] = c[2] = c[3] = flat;
  OxGfxMeshStart();
  OxGfxTriAdd(-half, -half, c[0], 0, 1, half, -half, c[1], 1, 1, half, half, c[2], 1, 0);
  OxGfxTriAdd(-half, -half, c[0], 0, 1, half, half, c[2], 1, 0, -half, half, c[3], 0, 0);
  return OxGfxMeshEnd();
}

OxGfxTexture* Texture(int width, int height, unsigned int seed)
{
  std::vector<unsigned char> pixels(static_cast<size_t>(width) * height * 4);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      unsigned char* p = &pixels[(static_cast<size_t>(y) * width + x) * 4];
      p[0] = static_cast<unsigned char>(x * 255 / (width > 1 ? width - 1 : 1));
      p[1] = static_cast<unsigned char>(y * 255 / (height > 1 ? height - 1 : 1));
      p[2] = static_cast<unsigned char>(((x / 4 + y / 4 + seed) % 2) * 200 + 27);
      p[3] = static_cast<unsigned char>((x + y * 3 + seed) % 5 == 0 ? 0 : 90 + (x * 7) % 166);
    }
  return OxGfxTextureLoadFromMemory(pixels.data(), width, height);
}

void MakeAssets(Assets* a)
{
  a->quad = Quad(20.0f);
  a->flat = Quad(14.0f, 0xC0508CE3);
  OxGfxMeshStart();
  OxGfxTriAdd(-8, -8, 0xFFFFFFFF, 0, 1, 8, -8, 0xFFFFFFFF, 1, 1, 8, 8, 0xFFFFFFFF, 1, 0);
  OxGfxTriAdd(-8, -8, 0xFFFFFFFF, 0, 1, 8, 8, 0xFFFFFFFF, 1, 0, -8, 8, 0xFFFFFFFF, 0, 0);
  a->rect = OxGfxMeshEnd();
  OxGfxMeshStart();
  OxGfxTriAdd(-30, -20, 0xFF2040FF, 0, 1, 30, -25, 0xFFFF8000, 1, 1, 5, 30, 0xC080FF40, 0.5f, 0);
  OxGfxVertexAdd(40, 40, 0xFFFFFFFF, 1, 0);
  a->tri4 = OxGfxMeshEnd();

  OxGfxMeshStart();
  for (int i = 0; i < 48; ++i) {
    float a0 = 6.2831853f * i / 48, a1 = 6.2831853f * (i + 1) / 48;
    OxGfxTriAdd(0, 0, 0xFFFFFFFF, 0.5f, 0.5f, 35 * cosf(a0), 35 * sinf(a0),
                0xFF000000u | (i * 5u << 16) | (255u - i * 5u), 0.5f + 0.5f * cosf(a0),
                0.5f - 0.5f * sinf(a0), 35 * cosf(a1), 35 * sinf(a1),
                0x80000000u | (i * 5u << 8), 0.5f + 0.5f * cosf(a1), 0.5f - 0.5f * sinf(a1));
  }
  a->fan = OxGfxMeshEnd();

  Random random;
  OxGfxMeshStart();
  for (int i = 0; i < 257; ++i)
    OxGfxVertexAdd(random.Next(-60, 60), random.Next(-60, 60), random.Colour() | 0xFF000000u,
                   random.Next(0, 1), random.Next(0, 1));
  a->points = OxGfxMeshEnd();
  OxGfxMeshStart();
  for (int i = 0; i < 101; ++i)
    OxGfxVertexAdd(random.Next(-70, 70), random.Next(-50, 50), random.Colour(), random.Next(0, 1),
                   random.Next(0, 1));
  a->lines = OxGfxMeshEnd();
  OxGfxMeshStart();
  for (int i = 0; i < 40; ++i)
    OxGfxVertexAdd(-80.0f + 4.0f * i, (i % 2) ? 20.0f : -20.0f, random.Colour() | 0xFF000000u,
                   0, 0);
  a->strip = OxGfxMeshEnd();

  OxGfxMeshStart();
  for (int cell = 0; cell < 500; ++cell) {
    float x = -250.0f + 20.0f * (cell % 25), y = -200.0f + 20.0f * (cell / 25);
    unsigned int c0 = random.Colour(), c1 = random.Colour() | 0xFF000000u;
    OxGfxTriAdd(x, y, c0, 0, 1, x + 20, y, c1, 1, 1, x + 20, y + 20, c0, 1, 0);
    OxGfxTriAdd(x, y, c1, 0, 1, x + 20, y + 20, c0, 1, 0, x, y + 20, c1, 0, 0);
  }
  a->big = OxGfxMeshEnd();

  a->checker = Texture(16, 16, 1);
  a->gradient = Texture(64, 32, 2);
  a->tiny = Texture(2, 2, 3);
  a->sans = OxGfxCreateFont(kSansPath, 20);
  a->serif = OxGfxCreateFont(kSerifPath, 32);
}

void FreeAssets(Assets* a)
{
  for (OxGfxVertexList* mesh :
       {a->quad, a->flat, a->rect, a->tri4, a->fan, a->points, a->lines, a->strip, a->big})
    OxGfxMeshFree(mesh);
  for (OxGfxTexture* texture : {a->checker, a->gradient, a->tiny}) OxGfxTextureUnload(texture);
}

void Place(float x, float y, float angleDegrees = 0.0f, float sx = 1.0f, float sy = 1.0f)
{
  OxMtx33 move, turn, scale, turned, transform;
  OxMtx33Trans(&move, x, y);
  OxMtx33RotDeg(&turn, angleDegrees);
  OxMtx33Scale(&scale, sx, sy);
  OxMtx33Concat(&turned, &turn, &scale);
  OxMtx33Concat(&transform, &move, &turned);
  OxGfxSetTransform(&transform);
}

void NeutralColours()
{
  OxGfxSetBlendColor(0, 0, 0, 0);
  OxGfxSetColorToMultiply(1, 1, 1, 1);
  OxGfxSetColorToAdd(0, 0, 0, 0);
  OxGfxSetTransparency(1);
}

// The same starting point for every frame: camera at the origin, both
// programs with the identity transform and neutral colours, no texture, no
// blending, nearest filtering, no program in use.
void ResetState(Assets& a)
{
  OxGfxSetCamPosition(0, 0);
  OxGfxSetBlendMode(OxGfxBlendModeNone);
  OxGfxSetRenderMode(OxGfxRenderModeColor);
  Place(0, 0);
  NeutralColours();
  OxGfxSetRenderMode(OxGfxRenderModeTexture);
  Place(0, 0);
  NeutralColours();
  for (OxGfxTexture* texture : {a.checker, a.gradient, a.tiny}) {
    OxGfxTextureSet(texture, 0, 0);
    OxGfxSetTextureMode(OxGfxTextureModeNearest);
  }
  OxGfxTextureSet(nullptr, 0, 0);
  OxGfxSetRenderMode(OxGfxRenderModeNone);
}

using Scene = std::function<void(Assets&)>;

// The frame a scene draws, read back whole (RGBA, bottom row first).
std::vector<unsigned char> DrawFrame(Assets& a, const Scene& scene, bool batched, int width,
                                     int height)
{
  OxGfxSetBatching(batched ? 1 : 0);
  OxSysFrameStart();
  ResetState(a);
  scene(a);
  OxGfxFlush();
  std::vector<unsigned char> pixels = oxtest::ReadFrame(width, height);
  OxSysFrameEnd();
  OxGfxSetBatching(0);
  return pixels;
}

// How far apart the two paths' frames may be. The batched programs carry
// the uniforms' values as varyings that are equal at every vertex; desktop
// OpenGL (llvmpipe, Wine's) interpolates those exactly, and the browser's
// software rasteriser rounds them its own way: colours one level off in a
// few pixels, and now and then a texture read at a texel's edge that lands
// on its neighbour (a few bytes in a million).
#ifdef __EMSCRIPTEN__
const int kLevelsApart = 1;
const size_t kStrayBytesPerMillion = 10;
#else
const int kLevelsApart = 0;
const size_t kStrayBytesPerMillion = 0;
#endif

// Draws the scene both ways and expects the same bytes (within the
// allowances above); also that the scene drew something.
void ExpectSameFrames(Assets& a, const char* name, const Scene& scene, int width = kWidth,
                      int height = kHeight)
{
  std::vector<unsigned char> faithful = DrawFrame(a, scene, false, width, height);
  std::vector<unsigned char> batched = DrawFrame(a, scene, true, width, height);
  size_t differing = 0, first = 0;
  for (size_t i = 0; i < faithful.size(); ++i)
    if (abs(faithful[i] - batched[i]) > kLevelsApart && differing++ == 0) first = i;
  std::vector<unsigned char> blank = DrawFrame(a, [](Assets&) {}, false, width, height);
  EXPECT_NE(faithful, blank) << name << ": the scene drew nothing";
  if (differing <= faithful.size() * kStrayBytesPerMillion / 1000000) return;
  size_t pixel = first / 4;
  ADD_FAILURE() << name << ": " << differing << " of " << faithful.size()
                << " bytes differ; first at x " << pixel % width << ", y " << pixel / width
                << ", channel " << first % 4 << ": " << int(faithful[first]) << " without batching, "
                << int(batched[first]) << " with";
}

class Batching : public ::testing::Test {
 protected:
  void SetUp() override
  {
    // CTest runs the corpus twice: in the default window and, with
    // OX_TEST_DEPTH=0, in one without depth and stencil buffers.
    const char* depth = getenv("OX_TEST_DEPTH");
    OxGfxSetDepthBuffer(!depth || atoi(depth) != 0);
    ASSERT_EQ(OxSysInit(nullptr, SW_SHOW, kWidth, kHeight, 0, 0, 0, nullptr), 1);
    glewInit();
    MakeAssets(&assets);
    ASSERT_NE(assets.sans, -1);
    ASSERT_NE(assets.serif, -1);
  }
  void TearDown() override
  {
    OxGfxSetBatching(0);
    FreeAssets(&assets);
    OxSysExit();
  }
  Assets assets;
};

// ---- The corpus ----------------------------------------------------------------------

// Cases: a grid of colour meshes each with its own rotation, scale and
// multiply colour; axis-aligned white rectangles with only a multiply colour
// (a program llvmpipe would run on a fixed-point path of its own); the grid
// with the texture program; then both render modes alternating draw by draw.
TEST_F(Batching, TransformsAndModes)
{
  ExpectSameFrames(assets, "colour grid", [](Assets& a) {
    OxGfxSetRenderMode(OxGfxRenderModeColor);
    Random random;
    for (int i = 0; i < 300; ++i) {
      Place(-380.0f + 26.0f * (i % 30), -280.0f + 40.0f * (i / 30), random.Next(0, 360),
            random.Next(0.2f, 1.5f), random.Next(0.2f, 1.5f));
      OxGfxSetColorToMultiply(random.Next(0, 1), random.Next(0, 1), random.Next(0, 1), 1);
      OxGfxMeshDraw(i % 3 ? a.quad : a.fan, OxGfxMeshDrawModeTriangles);
    }
  });
  ExpectSameFrames(assets, "axis-aligned rectangles", [](Assets& a) {
    OxGfxSetRenderMode(OxGfxRenderModeColor);
    Random random;
    for (int i = 0; i < 600; ++i) {
      Place(-392.0f + 16.0f * (i % 50), -292.0f + 16.0f * (i / 50));
      OxGfxSetColorToMultiply(random.Next(0, 1), random.Next(0, 1), random.Next(0, 1), 1);
      OxGfxMeshDraw(a.rect, OxGfxMeshDrawModeTriangles);
    }
  });
  ExpectSameFrames(assets, "texture grid", [](Assets& a) {
    OxGfxSetRenderMode(OxGfxRenderModeTexture);
    OxGfxSetBlendMode(OxGfxBlendModeBlend);
    OxGfxTextureSet(a.checker, 0, 0);
    Random random;
    for (int i = 0; i < 300; ++i) {
      Place(-380.0f + 26.0f * (i % 30), -280.0f + 40.0f * (i / 30), random.Next(0, 360),
            random.Next(0.3f, 2.5f), random.Next(0.3f, 2.5f));
      OxGfxMeshDraw(i % 2 ? a.quad : a.fan, OxGfxMeshDrawModeTriangles);
    }
  });
  ExpectSameFrames(assets, "modes alternating", [](Assets& a) {
    Random random;
    OxGfxSetBlendMode(OxGfxBlendModeBlend);
    for (int i = 0; i < 120; ++i) {
      OxGfxSetRenderMode(i % 2 ? OxGfxRenderModeTexture : OxGfxRenderModeColor);
      if (i % 2) OxGfxTextureSet(a.gradient, random.Next(0, 1), 0);
      Place(random.Next(-350, 350), random.Next(-250, 250), random.Next(0, 360));
      OxGfxMeshDraw(a.quad, OxGfxMeshDrawModeTriangles);
    }
  });
}

// Cases: the three blend modes and an unknown one (which keeps OpenGL's
// blending) interleaved over overlapping meshes, with transparency.
TEST_F(Batching, BlendModes)
{
  ExpectSameFrames(assets, "blend modes", [](Assets& a) {
    Random random;
    OxGfxSetBackgroundColor(0.2f, 0.3f, 0.4f);
    for (int i = 0; i < 200; ++i) {
      int mode = i % 7 == 6 ? 5 : static_cast<int>(random.Next(0, 2.99f));
      OxGfxSetBlendMode(mode);
      OxGfxSetRenderMode(i % 5 == 4 ? OxGfxRenderModeTexture : OxGfxRenderModeColor);
      if (i % 5 == 4) OxGfxTextureSet(a.checker, 0, 0);
      OxGfxSetTransparency(random.Next(0, 1));
      Place(random.Next(-100, 100), random.Next(-100, 100), random.Next(0, 90), 3, 3);
      OxGfxMeshDraw(i % 2 ? a.quad : a.fan, OxGfxMeshDrawModeTriangles);
    }
    OxGfxSetBackgroundColor(1, 1, 1);
  });
}

// Cases: blend, multiply and add colours and transparency changed draw by
// draw, in both programs, with values outside 0..1 (negative, above 1,
// huge), with infinities and NaN (drawn the faithful way) and with negative
// zeros, on meshes of corner colours and of one colour; multiply colours
// and transparency alone, on both.
TEST_F(Batching, ColourValues)
{
  auto values = [](Assets& a, float spread, bool nonFinite) {
    Random random;
    OxGfxSetBlendMode(OxGfxBlendModeBlend);
    for (int i = 0; i < 240; ++i) {
      bool textured = i % 3 == 2;
      OxGfxSetRenderMode(textured ? OxGfxRenderModeTexture : OxGfxRenderModeColor);
      if (textured) OxGfxTextureSet(a.gradient, 0, 0);
      float low = -spread, high = 1 + spread;
      switch (i % 4) {
        case 0:
          OxGfxSetBlendColor(random.Next(low, high), random.Next(low, high),
                             random.Next(low, high), random.Next(low, high));
          break;
        case 1:
          OxGfxSetColorToMultiply(random.Next(low, high), random.Next(low, high),
                                  random.Next(low, high), random.Next(low, high));
          break;
        case 2:
          OxGfxSetColorToAdd(random.Next(-0.5f, 0.5f), random.Next(-0.5f, 0.5f),
                             random.Next(-0.5f, 0.5f), random.Next(-0.5f, 0.5f));
          break;
        default:
          OxGfxSetTransparency(random.Next(low, high));
      }
      if (nonFinite && i % 17 == 0) OxGfxSetColorToMultiply(INFINITY, 1, NAN, 1);
      if (nonFinite && i % 17 == 1) OxGfxSetColorToAdd(-INFINITY, 0, 0, 0);
      if (nonFinite && i % 17 == 2) OxGfxSetColorToAdd(-0.0f, 0, -0.0f, 0);
      if (nonFinite && i % 17 == 3) OxGfxSetColorToMultiply(1, 1, 1, -0.0f);
      if (i % 10 == 9) NeutralColours();
      Place(-380.0f + 32.0f * (i % 24), -280.0f + 56.0f * (i / 24), random.Next(0, 360));
      OxGfxMeshDraw(i % 3 == 1 ? a.flat : i % 2 ? a.quad : a.fan, OxGfxMeshDrawModeTriangles);
    }
  };
  ExpectSameFrames(assets, "colour values in range", [&](Assets& a) { values(a, 0, false); });
  ExpectSameFrames(assets, "colour values out of range", [&](Assets& a) { values(a, 2, false); });
  ExpectSameFrames(assets, "huge colour values", [&](Assets& a) { values(a, 3e5f, false); });
  ExpectSameFrames(assets, "non-finite colour values", [&](Assets& a) { values(a, 1, true); });
  ExpectSameFrames(assets, "multiply colours and transparency alone", [](Assets& a) {
    Random random;
    OxGfxSetBlendMode(OxGfxBlendModeBlend);
    OxGfxSetRenderMode(OxGfxRenderModeColor);
    for (int i = 0; i < 160; ++i) {
      OxGfxSetColorToMultiply(random.Next(-1, 3), random.Next(0, 1), random.Next(0, 2),
                              random.Next(0, 1.5f));
      if (i % 9 == 4) OxGfxSetTransparency(0.5f);
      if (i % 9 == 6) OxGfxSetTransparency(1.0f);
      if (i % 9 == 5) OxGfxSetColorToMultiply(1, 1, 1, 1);  // transparency alone
      Place(-380.0f + 32.0f * (i % 24), -280.0f + 80.0f * (i / 24), random.Next(0, 360));
      OxGfxMeshDraw(i % 4 ? a.flat : a.quad, OxGfxMeshDrawModeTriangles);
    }
  });
}

// Cases: world matrices from 4x4 matrices, affine ones (batched), 2D ones
// with negative zeros, and ones with another last row (drawn the faithful
// way), mixed with OxMtx33 ones.
TEST_F(Batching, Transforms3D)
{
  ExpectSameFrames(assets, "4x4 transforms", [](Assets& a) {
    Random random;
    for (int i = 0; i < 150; ++i) {
      OxGfxSetRenderMode(i % 2 ? OxGfxRenderModeColor : OxGfxRenderModeTexture);
      OxGfxTextureSet(a.tiny, 0.25f, 0.5f);
      float c = cosf(random.Next(0, 6)), s = sinf(random.Next(0, 6));
      Matrix4 m(c * 2, -s, 0.3f, random.Next(-350, 350), s, c * 2, 0.1f, random.Next(-250, 250),
                0.5f, 0.2f, random.Next(0, 2), random.Next(-5, 5), 0, 0, 0, 1);
      if (i % 5 == 0) m.m[3][0] = random.Next(-0.002f, 0.002f);
      if (i % 7 == 0) m.m[3][3] = random.Next(0.5f, 2.0f);
      if (i % 11 == 1) {  // an affine 2D matrix spelt with negative zeros
        m.m[0][2] = m.m[1][2] = m.m[2][0] = m.m[2][1] = m.m[2][3] = -0.0f;
        m.m[3][0] = m.m[3][1] = m.m[3][2] = -0.0f;
        m.m[2][2] = 1;
      }
      if (i % 3 == 0)
        Place(random.Next(-350, 350), random.Next(-250, 250), random.Next(0, 360));
      else
        OxGfxSetTransform3D(&m);
      OxGfxMeshDraw(i % 2 ? a.quad : a.fan, OxGfxMeshDrawModeTriangles);
    }
  });
}

// Cases: the camera moved mid-frame, which reaches draws from the next
// program switch on (also the one that text printing makes).
TEST_F(Batching, CameraMovedMidFrame)
{
  ExpectSameFrames(assets, "camera", [](Assets& a) {
    OxGfxSetRenderMode(OxGfxRenderModeColor);
    for (int step = 0; step < 6; ++step) {
      for (int i = 0; i < 10; ++i) {
        Place(-200.0f + 40.0f * i, -200.0f + 60.0f * step);
        OxGfxMeshDraw(a.quad, OxGfxMeshDrawModeTriangles);
      }
      OxGfxSetCamPosition(13.5f * step, -7.25f * step);
      if (step == 1) OxGfxSetRenderMode(OxGfxRenderModeTexture);
      if (step == 2) OxGfxSetRenderMode(OxGfxRenderModeColor);
      if (step == 3) OxGfxPrint(a.sans, "moved", 0.5f, 0.5f, 1, 0, 0, 0, 1);
      if (step == 4) {
        OxGfxSetRenderMode(OxGfxRenderModeNone);
        OxGfxSetRenderMode(OxGfxRenderModeColor);
      }
      OxGfxTextureSet(a.checker, 0, 0);
    }
  });
}

// Cases: several textures interleaved draw by draw, offsets (above 1,
// negative, wrapping), linear filtering on one texture only, a textured mesh
// drawn after text without a new texture (it samples the glyph atlas), no
// texture at all, and a texture loaded mid-frame (which unbinds).
TEST_F(Batching, Textures)
{
  ExpectSameFrames(assets, "textures", [](Assets& a) {
    OxGfxSetRenderMode(OxGfxRenderModeTexture);
    OxGfxSetBlendMode(OxGfxBlendModeBlend);
    OxGfxTextureSet(a.gradient, 0, 0);
    OxGfxSetTextureMode(OxGfxTextureModeLinear);
    Random random;
    OxGfxTexture* textures[3] = {a.checker, a.gradient, a.tiny};
    for (int i = 0; i < 180; ++i) {
      OxGfxTextureSet(textures[(i / 2) % 3], random.Next(-1.5f, 2.5f), random.Next(-0.5f, 1.5f));
      if (i == 60) OxGfxSetTextureMode(OxGfxTextureModeLinear);
      if (i == 120) OxGfxSetTextureMode(OxGfxTextureModeNearest);
      Place(-380.0f + 40.0f * (i % 20), -270.0f + 60.0f * (i / 20), random.Next(0, 360), 1.4f,
            0.8f);
      OxGfxMeshDraw(i % 2 ? a.quad : a.fan, OxGfxMeshDrawModeTriangles);
    }
    OxGfxPrint(a.sans, "atlas", -0.9f, -0.9f, 1, 0, 0, 1, 1);
    Place(300, 250, 10, 3, 3);
    OxGfxMeshDraw(a.quad, OxGfxMeshDrawModeTriangles);
    OxGfxTextureSet(nullptr, 0.5f, 0.5f);
    Place(300, 150, 0, 2, 2);
    OxGfxMeshDraw(a.quad, OxGfxMeshDrawModeTriangles);
    OxGfxTextureSet(a.tiny, 0, 0);
    Place(200, 150, 0, 2, 2);
    OxGfxMeshDraw(a.quad, OxGfxMeshDrawModeTriangles);
    const unsigned char red[4] = {255, 0, 0, 255};
    OxGfxTexture* loaded = OxGfxTextureLoadFromMemory(red, 1, 1);
    Place(100, 150, 0, 2, 2);
    OxGfxMeshDraw(a.quad, OxGfxMeshDrawModeTriangles);
    OxGfxTextureSet(loaded, 0, 0);
    Place(0, 150, 0, 2, 2);
    OxGfxMeshDraw(a.quad, OxGfxMeshDrawModeTriangles);
    OxGfxTextureUnload(loaded);
  });
  // Sprites in runs of one texture, whole or regions (the second cut by the
  // edges), turned, scaled, mirrored and tinted; shapes between them.
  ExpectSameFrames(assets, "sprites and shapes", [](Assets& a) {
    OxGfxSetBlendMode(OxGfxBlendModeBlend);
    Random random;
    OxGfxTexture* textures[3] = {a.checker, a.gradient, a.tiny};
    const OxSpriteRegion regions[2] = {{1, 1, 5, 9}, {-4, -3, 12, 12}};
    for (int i = 0; i < 120; ++i) {
      float x = random.Next(-380, 380), y = random.Next(-280, 280), size = random.Next(0, 30);
      float scaleX = random.Next(-3, 3), scaleY = random.Next(0.5f, 3), turn = random.Next(0, 7);
      OxSpriteDrawEx(textures[i / 8 % 3], i % 3 ? &regions[i % 2] : nullptr, x, y, 4, 4, scaleX,
                     scaleY, turn, random.Colour());
      if (i % 4 == 0) OxShapeFillRect(x, y, size, size / 2, random.Colour());
      if (i % 6 == 0) OxShapeOutlineRect(x, y, size * 2, size, 3, random.Colour());
      if (i % 6 == 0) OxShapeDrawLine(x, y, x + size, y - 20, 3, random.Colour());
      if (i % 10 == 0) OxShapeFillCircle(x, y, size, random.Colour());
      if (i % 10 == 0) OxShapeOutlineCircle(x, y + 40, size, 4, random.Colour());
    }
  });
}

// Cases: text in several fonts, colours (out of range and not finite too),
// alphas and scales, interleaved with meshes of both programs; printed
// before any render mode in the frame; an empty string; text too long for
// one batch.
TEST_F(Batching, TextAmongMeshes)
{
  ExpectSameFrames(assets, "text", [](Assets& a) {
    OxGfxPrint(a.serif, "Before any render mode", -0.95f, 0.9f, 1, 0.2f, 0.4f, 0.6f, 1);
    Random random;
    for (int i = 0; i < 60; ++i) {
      OxGfxSetRenderMode(i % 3 == 1 ? OxGfxRenderModeTexture : OxGfxRenderModeColor);
      OxGfxTextureSet(a.checker, 0, 0);
      OxGfxSetBlendMode(i % 4 == 0 ? OxGfxBlendModeAdd : OxGfxBlendModeNone);
      Place(random.Next(-380, 380), random.Next(-280, 280), random.Next(0, 360), 2, 2);
      OxGfxMeshDraw(a.quad, OxGfxMeshDrawModeTriangles);
      char line[64];
      snprintf(line, sizeof(line), "Line %d: the quick brown fox {%c}", i, 'A' + i % 26);
      float alpha = i % 5 == 0 ? 0.5f : 1.0f;
      OxGfxPrint(i % 2 ? a.sans : a.serif, line, random.Next(-1, 0.5f), random.Next(-1, 1),
                 random.Next(0.5f, 2.0f), random.Next(-0.5f, 1.5f), random.Next(0, 1),
                 random.Next(0, 1), alpha);
      if (i % 9 == 0) OxGfxPrint(a.sans, "", 0, 0, 1, 1, 1, 1, 1);
      if (i % 13 == 0) OxGfxPrint(a.sans, "not finite", 0, 0.1f * (i % 7), 1, NAN, 1, 0, 1);
    }
    std::string longLine(3000, 'x');
    for (size_t i = 0; i < longLine.size(); ++i) longLine[i] = static_cast<char>(33 + i % 90);
    OxGfxPrint(a.sans, longLine.c_str(), -30, -0.95f, 0.9f, 0, 0, 0, 1);
    OxGfxPrintUtf8(a.serif, "caf\xC3\xA9 \xE2\x82\xAC\nna\xC3\xAFve \xCE\xA9", 0.2f, -0.5f, 2, 0,
                   0.5f, 0, 1);
    OxGfxPrintAt(a.sans, "\xE2\x86\x92 here", -100, -200, 1.5f, 0, 0, 1, 1);
    OxGfxPrintUtf8(a.sans, "not finite \xC3\xA9", 0, -0.8f, 1, NAN, 0, 0, 1);
    // Three texts of 800 codepoints (U+1E00 up) at 96 pixels: the glyph pages
    // fill and are dropped while batched draws still use them.
    OxGfxFontId big = OxGfxCreateFont(kSansPath, 96);
    for (unsigned i = 0, c = 0x1E00; i < 3; ++i) {
      std::string text;
      for (; c < 0x1E00 + 800 * (i + 1); ++c)
        text += {static_cast<char>(0xE0 | c >> 12), static_cast<char>(0x80 | (c >> 6 & 0x3F)),
                 static_cast<char>(0x80 | (c & 0x3F)), c % 40 ? ' ' : '\n'};
      OxGfxPrintUtf8(big, text.c_str(), -1 + 0.6f * i, 0.9f, 0.2f, 0.3f * i, 0, 0.5f, 0.9f);
    }
  });
}

// Cases: points, lines with a vertex over, line strips and triangles with a
// vertex over, each drawn several times with other transforms; meshes of
// more vertices than the batch copies; a mesh record the game made itself.
TEST_F(Batching, DrawModesAndSizes)
{
  ExpectSameFrames(assets, "draw modes", [](Assets& a) {
    Random random;
    for (int i = 0; i < 160; ++i) {
      OxGfxSetRenderMode(i % 5 == 0 ? OxGfxRenderModeTexture : OxGfxRenderModeColor);
      OxGfxTextureSet(a.gradient, 0, 0);
      Place(random.Next(-350, 350), random.Next(-250, 250), random.Next(0, 360));
      switch (i % 4) {
        case 0: OxGfxMeshDraw(a.points, OxGfxMeshDrawModePoints); break;
        case 1: OxGfxMeshDraw(a.lines, OxGfxMeshDrawModeLines); break;
        case 2: OxGfxMeshDraw(a.strip, OxGfxMeshDrawModeLineStrip); break;
        default: OxGfxMeshDraw(a.tri4, OxGfxMeshDrawModeTriangles);
      }
      // The same meshes drawn as other primitives.
      if (i % 11 == 0) OxGfxMeshDraw(a.fan, OxGfxMeshDrawModeLines);
      if (i % 13 == 0) OxGfxMeshDraw(a.quad, OxGfxMeshDrawModePoints);
      if (i % 7 == 3) {  // one colour, multiplied, as points and lines
        OxGfxSetColorToMultiply(random.Next(0, 2), random.Next(0, 1), random.Next(0, 1), 1);
        OxGfxMeshDraw(a.flat, i % 2 ? OxGfxMeshDrawModeLines : OxGfxMeshDrawModePoints);
      }
    }
  });
  ExpectSameFrames(assets, "large meshes", [](Assets& a) {
    OxGfxSetRenderMode(OxGfxRenderModeColor);
    Place(0, 0, 5);
    OxGfxMeshDraw(a.big, OxGfxMeshDrawModeTriangles);
    OxGfxSetColorToMultiply(0.5f, 1, 0.7f, 1);
    Place(50, 50, -5, 0.5f, 0.5f);
    OxGfxMeshDraw(a.big, OxGfxMeshDrawModeTriangles);
    OxGfxSetRenderMode(OxGfxRenderModeTexture);
    OxGfxSetBlendMode(OxGfxBlendModeBlend);
    OxGfxTextureSet(a.checker, 0.5f, 0);
    Place(-100, 80, 30, 0.4f, 0.4f);
    OxGfxMeshDraw(a.big, OxGfxMeshDrawModeTriangles);
    Place(-100, -80, 30, 0.4f, 0.4f);
    OxGfxMeshDraw(a.big, OxGfxMeshDrawModeLineStrip);
  });
  // A prefix of a kept mesh, the game lowering its vertex count: shared
  // vertices (the quad) and vertices in order (the fan).
  ExpectSameFrames(assets, "mesh prefixes", [](Assets& a) {
    OxGfxSetRenderMode(OxGfxRenderModeColor);
    const struct {
      OxGfxVertexList* mesh;
      unsigned int count;
    } prefixes[] = {{a.quad, 0}, {a.quad, 2}, {a.quad, 3}, {a.quad, 5}, {a.fan, 4}, {a.fan, 100}};
    for (size_t i = 0; i < sizeof prefixes / sizeof prefixes[0]; ++i) {
      unsigned int full = prefixes[i].mesh->vertexCount;
      prefixes[i].mesh->vertexCount = prefixes[i].count;
      Place(-300.0f + 110.0f * i, 0, 15.0f * i, 1.5f, 1.5f);
      OxGfxMeshDraw(prefixes[i].mesh, OxGfxMeshDrawModeTriangles);
      prefixes[i].mesh->vertexCount = full;
    }
  });
  // The record and buffers of a mesh the game built itself.
  GLuint names[3];
  glGenBuffers(3, names);
  const float positions[9] = {-50, -50, 0, 50, -50, 0, 0, 50, 0};
  const float colours[12] = {1, 0, 0, 1, 0, 1, 0, 1, 0, 0, 1, 0.5f};
  const float uvs[6] = {0, 1, 1, 1, 0.5f, 0};
  const void* data[3] = {positions, colours, uvs};
  const size_t sizes[3] = {sizeof(positions), sizeof(colours), sizeof(uvs)};
  for (int i = 0; i < 3; ++i) {
    glBindBuffer(GL_ARRAY_BUFFER, names[i]);
    glBufferData(GL_ARRAY_BUFFER, sizes[i], data[i], GL_STATIC_DRAW);
  }
  glBindBuffer(GL_ARRAY_BUFFER, 0);
  OxGfxVertexList own = {names, 3};
  ExpectSameFrames(assets, "game's own mesh", [&](Assets& a) {
    OxGfxSetRenderMode(OxGfxRenderModeColor);
    for (int i = 0; i < 5; ++i) {
      Place(-200.0f + 100.0f * i, 0, 20.0f * i);
      OxGfxMeshDraw(i % 2 ? &own : a.quad, OxGfxMeshDrawModeTriangles);
    }
  });
  glDeleteBuffers(3, names);
}

// Cases: meshes freed, textures unloaded and a font destroyed right after
// they were drawn, before anything was issued; more draws than one batch
// holds.
TEST_F(Batching, ReleasedRightAfterDrawing)
{
  ExpectSameFrames(assets, "released", [](Assets& a) {
    OxGfxSetRenderMode(OxGfxRenderModeTexture);
    OxGfxSetBlendMode(OxGfxBlendModeBlend);
    for (int i = 0; i < 20; ++i) {
      OxGfxVertexList* mesh = Quad(10.0f + i);
      OxGfxTexture* texture = Texture(8 + i, 8, static_cast<unsigned int>(i));
      OxGfxTextureSet(texture, 0, 0);
      Place(-350.0f + 35.0f * i, 0, 10.0f * i);
      OxGfxMeshDraw(mesh, OxGfxMeshDrawModeTriangles);
      OxGfxMeshFree(mesh);
      OxGfxTextureUnload(texture);
    }
    OxGfxFontId font = OxGfxCreateFont(kSansPath, 16 + 0);
    OxGfxPrint(font, "a font destroyed at once", -0.5f, 0.5f, 1, 1, 0, 0, 1);
    OxGfxDestroyFont(font);
    OxGfxPrint(a.sans, "and one kept", -0.5f, 0.4f, 1, 0, 0, 1, 1);
  });
  ExpectSameFrames(assets, "many draws", [](Assets& a) {
    OxGfxSetRenderMode(OxGfxRenderModeColor);
    for (int i = 0; i < 3500; ++i) {
      Place(-395.0f + 10.0f * (i % 80), -295.0f + 13.0f * (i / 80), 3.0f * i, 0.3f, 0.3f);
      OxGfxMeshDraw(a.quad, OxGfxMeshDrawModeTriangles);
    }
  });
}

// Cases: hundreds of meshes alive at once (the library's table of mesh
// copies grows), then half of them freed and others made (freed entries are
// skipped and reused), each set drawn both ways.
TEST_F(Batching, ManyMeshes)
{
  std::vector<OxGfxVertexList*> meshes;
  Random random;
  auto make = [&](int count) {
    for (int i = 0; i < count; ++i) {
      OxGfxMeshStart();
      float size = random.Next(2, 9);
      unsigned int colour = random.Colour() | 0xFF000000u;
      OxGfxTriAdd(-size, -size, colour, 0, 1, size, -size, random.Colour(), 1, 1, 0, size, colour,
                  0.5f, 0);
      meshes.push_back(OxGfxMeshEnd());
    }
  };
  auto scene = [&](Assets&) {
    OxGfxSetRenderMode(OxGfxRenderModeColor);
    for (size_t i = 0; i < meshes.size(); ++i) {
      Place(-390.0f + 20.0f * (i % 40), -290.0f + 20.0f * (i / 40), 7.0f * i);
      OxGfxMeshDraw(meshes[i], OxGfxMeshDrawModeTriangles);
    }
  };
  make(400);
  ExpectSameFrames(assets, "400 meshes", scene);
  std::vector<OxGfxVertexList*> kept;
  for (size_t i = 0; i < meshes.size(); ++i) {
    if (i % 2)
      OxGfxMeshFree(meshes[i]);
    else
      kept.push_back(meshes[i]);
  }
  meshes = kept;
  make(150);
  ExpectSameFrames(assets, "meshes freed and made", scene);
  for (OxGfxVertexList* mesh : meshes) OxGfxMeshFree(mesh);
}

// Cases: the scenes above, short, in full-screen mode, where the viewport
// is scaled to the display, and text printed before the first render mode
// of the frame uses the unscaled viewport that OxGfxStart sets.
TEST_F(Batching, FullScreenScale)
{
  OxSysSetFullScreen(1);
  // The drawable takes the display's size over the next frames.
  for (int frame = 0; frame < 3; ++frame) {
    OxSysFrameStart();
    OxSysFrameEnd();
  }
  ExpectSameFrames(
      assets, "full screen",
      [](Assets& a) {
        OxGfxPrint(a.sans, "unscaled viewport", -0.9f, 0.0f, 1, 0, 0, 0, 1);
        Random random;
        for (int i = 0; i < 100; ++i) {
          OxGfxSetRenderMode(i % 2 ? OxGfxRenderModeColor : OxGfxRenderModeTexture);
          OxGfxTextureSet(a.checker, 0, 0);
          Place(random.Next(-380, 380), random.Next(-280, 280), random.Next(0, 360));
          OxGfxMeshDraw(a.fan, OxGfxMeshDrawModeTriangles);
          if (i % 10 == 0) OxGfxPrint(a.serif, "scaled", random.Next(-1, 1), random.Next(-1, 1), 1,
                                      1, 0, 0, 1);
        }
      },
      1920, 1080);
  OxSysSetFullScreen(0);
}

// Cases where llvmpipe's rectangle rasterisers (taken without depth) see
// the draws: axis-aligned rectangles in a mesh of more vertices than one
// draw's run, 3- and 9-vertex meshes between rectangles, sprites reaching
// beyond twice the viewport among small ones, a print of 700 glyphs, and
// scaled sprites sampled bilinearly.
TEST_F(Batching, RectangleRuns)
{
  OxGfxMeshStart();
  Random random;
  for (int cell = 0; cell < 900; ++cell) {
    float x = -390.3f + 25.7f * (cell % 30), y = -290.6f + 19.35f * (cell / 30);
    unsigned int c = random.Colour() | 0xFF000000u;
    OxGfxTriAdd(x, y, c, 0, 1, x + 20.5f, y, c, 1, 1, x + 20.5f, y + 15.4f, c, 1, 0);
    OxGfxTriAdd(x, y, c, 0, 1, x + 20.5f, y + 15.4f, c, 1, 0, x, y + 15.4f, c, 0, 0);
  }
  OxGfxVertexList* grid = OxGfxMeshEnd();
  OxGfxMeshStart();
  OxGfxTriAdd(-6, -6, 0xFF3060FF, 0, 1, 6, -6, 0xFF3060FF, 1, 1, 6, 6, 0xFF3060FF, 1, 0);
  OxGfxVertexList* tri3 = OxGfxMeshEnd();
  OxGfxMeshStart();
  OxGfxTriAdd(-9, -9, 0xFFFF8020, 0, 1, 9, -9, 0xFFFF8020, 1, 1, 9, 9, 0xFFFF8020, 1, 0);
  OxGfxTriAdd(-9, -9, 0xFFFF8020, 0, 1, 9, 9, 0xFFFF8020, 1, 0, -9, 9, 0xFFFF8020, 0, 0);
  OxGfxTriAdd(-4, 12, 0xFF20FF80, 0, 1, 4, 12, 0xFF20FF80, 1, 1, 0, 18, 0xFF20FF80, 1, 0);
  OxGfxVertexList* tri9 = OxGfxMeshEnd();

  ExpectSameFrames(assets, "rectangle grid", [&](Assets& a) {
    OxGfxSetRenderMode(OxGfxRenderModeColor);
    OxGfxMeshDraw(grid, OxGfxMeshDrawModeTriangles);
    OxGfxSetRenderMode(OxGfxRenderModeTexture);
    OxGfxTextureSet(a.checker, 0, 0);
    OxGfxSetColorToMultiply(0.5f, 0.8f, 1, 1);
    Place(3, 5);
    OxGfxMeshDraw(grid, OxGfxMeshDrawModeTriangles);
  });
  ExpectSameFrames(assets, "odd meshes between rectangles", [&](Assets& a) {
    Random r;
    for (int i = 0; i < 600; ++i) {
      OxGfxSetRenderMode(i / 200 == 1 ? OxGfxRenderModeTexture : OxGfxRenderModeColor);
      OxGfxTextureSet(a.gradient, 0, 0);
      Place(-392.3f + 15.7f * (i % 50), -292.6f + 47.35f * (i / 50));
      if (i / 200 == 2) OxGfxSetColorToMultiply(r.Next(0, 1), r.Next(0, 1), r.Next(0, 1), 1);
      OxGfxMeshDraw(i % 7 == 3 ? tri3 : i % 11 == 5 ? tri9 : a.rect, OxGfxMeshDrawModeTriangles);
    }
  });
  ExpectSameFrames(assets, "sprites beyond twice the viewport", [](Assets& a) {
    OxGfxSetBlendMode(OxGfxBlendModeBlend);
    Random r;
    for (int i = 0; i < 200; ++i) {
      OxSpriteDrawEx(a.checker, nullptr, r.Next(0, 800), r.Next(0, 600), 8, 8, 1, 1, 0,
                     0xFFFFFFFF);
      if (i % 25 == 0)
        OxSpriteDrawEx(a.gradient, nullptr, r.Next(-900, 1700), r.Next(-700, 1300), 32, 16,
                       r.Next(20, 60), r.Next(20, 60), 0, 0x80FFFFFF);
    }
  });
  ExpectSameFrames(assets, "700 glyphs in one print", [](Assets& a) {
    std::string text;
    for (int i = 0; i < 700; ++i) text += i % 50 == 49 ? '\n' : static_cast<char>(65 + i % 26);
    OxGfxPrintUtf8(a.sans, text.c_str(), -0.95f, 0.9f, 0.9f, 0, 0, 0, 1);
    OxGfxPrint(a.serif, text.c_str(), -0.9f, -0.9f, 0.5f, 1, 0, 0, 1);
  });
  ExpectSameFrames(assets, "bilinear scaled sprites", [](Assets& a) {
    OxGfxSetBlendMode(OxGfxBlendModeBlend);
    for (OxGfxTexture* texture : {a.checker, a.gradient}) {
      OxGfxSetRenderMode(OxGfxRenderModeTexture);
      OxGfxTextureSet(texture, 0, 0);
      OxGfxSetTextureMode(OxGfxTextureModeLinear);
    }
    const float scales[] = {0.5f, 1, 1.5f, 2, 3.25f};
    for (int i = 0; i < 100; ++i)
      OxSpriteDrawEx(i % 2 ? a.checker : a.gradient, nullptr, 20.0f + 75.0f * (i % 10),
                     30.0f + 55.0f * (i / 10), 0, 0, scales[i % 5], scales[i / 3 % 5], 0,
                     i % 4 ? 0xFFFFFFFF : 0xFF80C0FF);
  });
  for (OxGfxVertexList* mesh : {grid, tri3, tri9}) OxGfxMeshFree(mesh);
}

// ---- Deferring, switching, state ---------------------------------------------------------

// Cases: with batching on a draw reaches the back buffer only at OxGfxFlush,
// and text from several prints with one font is issued by one flush; with
// it off at once.
TEST_F(Batching, DrawsWaitForTheFlush)
{
  OxSysFrameStart();
  ResetState(assets);
  EXPECT_EQ(OxGfxSetBatching(1), 0);
  OxGfxSetRenderMode(OxGfxRenderModeColor);
  Place(0, 0, 0, 4, 4);
  OxGfxMeshDraw(assets.quad, OxGfxMeshDrawModeTriangles);
  EXPECT_TRUE(oxtest::IsColour(oxtest::ReadPixel(400, 300), 255, 255, 255, 0));
  OxGfxPrint(assets.sans, "MMMM", -0.9f, 0.5f, 3, 0, 0, 0, 1);
  OxGfxPrint(assets.sans, "MMMM", -0.9f, -0.5f, 3, 0, 0, 0, 1);
  OxGfxFlush();
  EXPECT_FALSE(oxtest::IsColour(oxtest::ReadPixel(400, 300), 255, 255, 255, 0));
  EXPECT_EQ(OxGfxSetBatching(0), 1);
  Place(300, 0, 0, 2, 2);
  OxGfxMeshDraw(assets.quad, OxGfxMeshDrawModeTriangles);
  EXPECT_FALSE(oxtest::IsColour(oxtest::ReadPixel(700, 300), 255, 255, 255, 0));
  OxSysFrameEnd();
}

// Cases: the setting's result is the previous one; any non-zero value means
// on; OxGfxFlush with batching off or nothing pending does nothing; the
// setting made before start-up holds after it and over an exit and start.
TEST(BatchingSwitch, SettingKeptAndReported)
{
  OxGfxFlush();
  EXPECT_EQ(OxGfxSetBatching(7), 0);
  EXPECT_EQ(OxGfxSetBatching(1), 1);
  ASSERT_EQ(OxSysInit(nullptr, SW_SHOW, kWidth, kHeight, 0, 0, 0, nullptr), 1);
  glewInit();
  OxSysFrameStart();
  OxGfxFlush();
  OxGfxSetRenderMode(OxGfxRenderModeColor);
  OxGfxMeshStart();
  OxGfxTriAdd(-400, -300, 0xFF000000, 0, 0, 400, -300, 0xFF000000, 0, 0, 0, 300, 0xFF000000, 0, 0);
  OxGfxVertexList* mesh = OxGfxMeshEnd();
  OxMtx33 identity;
  OxMtx33Identity(&identity);
  OxGfxSetTransform(&identity);
  OxGfxMeshDraw(mesh, OxGfxMeshDrawModeTriangles);
  EXPECT_TRUE(oxtest::IsColour(oxtest::ReadPixel(400, 200), 255, 255, 255, 0));
  OxGfxFlush();
  EXPECT_TRUE(oxtest::IsColour(oxtest::ReadPixel(400, 200), 0, 0, 0, 0));
  OxSysFrameEnd();
  OxGfxMeshFree(mesh);
  OxSysExit();
  EXPECT_EQ(OxGfxSetBatching(1), 1);
  ASSERT_EQ(OxSysInit(nullptr, SW_SHOW, kWidth, kHeight, 0, 0, 0, nullptr), 1);
  EXPECT_EQ(OxGfxSetBatching(0), 1);
  EXPECT_EQ(OxGfxSetBatching(0), 0);
  OxSysExit();
}

// What OpenGL holds that a game's own OpenGL calls would meet.
struct GLState {
  GLint program, texture, blendSource, blendDestination, arrayBuffer, activeTexture;
  GLboolean blend;
  GLint viewport[4];
  GLfloat multiply[4];
  bool operator==(const GLState& other) const { return memcmp(this, &other, sizeof(*this)) == 0; }
};

GLState ReadGLState()
{
  GLState state;
  memset(&state, 0, sizeof(state));
  glGetIntegerv(GL_CURRENT_PROGRAM, &state.program);
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &state.texture);
  glGetIntegerv(GL_BLEND_SRC_RGB, &state.blendSource);
  glGetIntegerv(GL_BLEND_DST_RGB, &state.blendDestination);
  glGetIntegerv(GL_ARRAY_BUFFER_BINDING, &state.arrayBuffer);
  glGetIntegerv(GL_ACTIVE_TEXTURE, &state.activeTexture);
  state.blend = glIsEnabled(GL_BLEND);
  glGetIntegerv(GL_VIEWPORT, state.viewport);
  if (state.program != 0)
    glGetUniformfv(state.program, glGetUniformLocation(state.program, "uMultiplyColor"),
                   state.multiply);
  return state;
}

// Cases: after the same calls, turning batching off leaves OpenGL with the
// program, texture, blending, viewport and uniform values that the calls
// leave without batching, so that a game's own OpenGL calls meet the state
// they expect; and the two programs' uniforms set while batching reach the
// programs.
TEST_F(Batching, TurningOffRestoresOpenGLState)
{
  auto calls = [this](bool batched) {
    OxSysFrameStart();
    ResetState(assets);
    OxGfxSetBatching(batched ? 1 : 0);
    OxGfxSetRenderMode(OxGfxRenderModeColor);
    OxGfxSetColorToMultiply(0.25f, 0.5f, 0.75f, 1);
    OxGfxMeshDraw(assets.quad, OxGfxMeshDrawModeTriangles);
    OxGfxSetRenderMode(OxGfxRenderModeTexture);
    OxGfxSetBlendMode(OxGfxBlendModeAdd);
    OxGfxSetColorToMultiply(0.5f, 0.5f, 0.5f, 0.5f);
    OxGfxTextureSet(assets.gradient, 0, 0);
    OxGfxMeshDraw(assets.quad, OxGfxMeshDrawModeTriangles);
    OxGfxPrint(assets.sans, "text", 0, 0, 1, 1, 1, 1, 1);
    OxGfxSetRenderMode(OxGfxRenderModeColor);
    OxGfxSetBatching(0);
    GLState state = ReadGLState();
    OxSysFrameEnd();
    return state;
  };
  GLState faithful = calls(false);
  GLState batched = calls(true);
  EXPECT_EQ(batched.program, faithful.program);
  EXPECT_EQ(batched.texture, faithful.texture);
  EXPECT_EQ(batched.blend, faithful.blend);
  EXPECT_EQ(batched.blendSource, faithful.blendSource);
  EXPECT_EQ(batched.blendDestination, faithful.blendDestination);
  EXPECT_EQ(batched.arrayBuffer, 0);
  EXPECT_EQ(batched.activeTexture, GL_TEXTURE0);
  EXPECT_EQ(memcmp(batched.viewport, faithful.viewport, sizeof(faithful.viewport)), 0);
  EXPECT_EQ(memcmp(batched.multiply, faithful.multiply, sizeof(faithful.multiply)), 0);
  EXPECT_EQ(batched.multiply[0], 0.25f);
}

// Cases: messages of bad calls are the same with batching on: an invalid
// draw mode, an unknown font, an unsupported texture mode.
TEST(BatchingSwitch, MessagesUnchanged)
{
  oxtest::ChildResult child = oxtest::RunInChild([] {
    if (OxSysInit(nullptr, SW_SHOW, kWidth, kHeight, 0, 0, 0, nullptr) != 1) return 1;
    OxGfxSetBatching(1);
    OxGfxMeshStart();
    OxGfxVertexAdd(0, 0, 0xFFFFFFFF, 0, 0);
    OxGfxVertexList* mesh = OxGfxMeshEnd();
    OxSysFrameStart();
    OxGfxSetRenderMode(OxGfxRenderModeColor);
    OxGfxMeshDraw(mesh, 4);
    OxGfxPrint(42, "hello", 0, 0, 1, 1, 1, 1, 1);
    OxGfxSetTextureMode(2);
    OxSysFrameEnd();
    OxGfxMeshFree(mesh);
    OxSysExit();
    return 0;
  });
  EXPECT_EQ(child.exitCode, 0) << child.out;
  EXPECT_EQ(oxtest::Count(child.out, "Mesh Draw Mode 4 is invalid!\n"), 1u) << child.out;
  EXPECT_EQ(oxtest::Count(child.out, "Error: Cannot print msg (hello). FontId (42) coud not be found\n"),
            1u);
  EXPECT_EQ(oxtest::Count(child.out, "Unsupported texture mode!\n"), 1u);
  EXPECT_EQ(child.err, "");
}

}  // namespace
