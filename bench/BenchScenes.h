// The engine's side of the frame scenarios, shared by the timing program and
// the call-cost program: building each scenario's meshes, texture and font,
// and drawing one frame's objects between OxSysFrameStart and OxSysFrameEnd.
#pragma once
#include "BenchCommon.h"
#include "Oxlen.h"

namespace bench {

struct EngineScene {
  int scenario = -1;
  OxGfxVertexList* quads[kObjects] = {};
  OxGfxVertexList* sprite = nullptr;
  OxGfxTexture* texture = nullptr;
  OxGfxFontId font = -1;
  OxGfxVertexList* big = nullptr;
  OxGfxVertexList* bunny = nullptr;
  OxGfxTexture* bunnyTexture = nullptr;
};

inline OxGfxVertexList* EngineQuad(float half, unsigned int color, float uv)
{
  OxGfxMeshStart();
  OxGfxTriAdd(-half, -half, color, 0, uv, half, -half, color, uv, uv, half, half, color, uv, 0);
  OxGfxTriAdd(-half, -half, color, 0, uv, half, half, color, uv, 0, -half, half, color, 0, 0);
  return OxGfxMeshEnd();
}

inline bool EngineBuild(EngineScene* scene, int scenario)
{
  scene->scenario = scenario;
  if (scenario == kQuads) {
    for (int i = 0; i < kObjects; ++i)
      if (!(scene->quads[i] = EngineQuad(kQuadSize / 2.0f, QuadMeshColor(i), 1.0f))) return false;
  } else if (scenario == kSprites) {
    static unsigned char pixels[kTextureSize * kTextureSize * 4];
    SpriteTexturePixels(pixels);
    scene->texture = OxGfxTextureLoadFromMemory(pixels, kTextureSize, kTextureSize);
    scene->sprite = EngineQuad(kSpriteSize / 2.0f, 0xFFFFFFFFu, kCellUv);
    if (!scene->texture || !scene->sprite) return false;
  } else if (scenario == kSpriteFamily) {
    static unsigned char pixels[kTextureSize * kTextureSize * 4];
    SpriteTexturePixels(pixels);
    scene->texture = OxGfxTextureLoadFromMemory(pixels, kTextureSize, kTextureSize);
    if (!scene->texture) return false;
  } else if (scenario == kText) {
    scene->font = OxGfxCreateFont(kFontPath, kFontPixels);
    if (scene->font == -1) return false;
  } else if (scenario == kBunnies) {
    static unsigned char pixels[kBunnySize * kBunnySize * 4];
    BunnyTexturePixels(pixels);
    scene->bunnyTexture = OxGfxTextureLoadFromMemory(pixels, kBunnySize, kBunnySize);
    scene->bunny = EngineQuad(kBunnySize / 2.0f, 0xFFFFFFFFu, 1.0f);
    if (!scene->bunnyTexture || !scene->bunny) return false;
  } else if (scenario == kBig) {
    OxGfxMeshStart();
    for (int v = 0; v < kBigMeshVertices; ++v) {
      float x, y;
      unsigned int color;
      BigMeshVertex(v, &x, &y, &color);
      OxGfxVertexAdd(x, y, color, 0, 0);
    }
    if (!(scene->big = OxGfxMeshEnd())) return false;
  } else {
    return false;
  }
  return true;
}

inline void ToMtx33(const float rows[2][3], OxMtx33* m)
{
  for (int c = 0; c < 3; ++c) {
    m->m[0][c] = rows[0][c];
    m->m[1][c] = rows[1][c];
    m->m[2][c] = c == 2 ? 1.0f : 0.0f;
  }
}

// The objects of one frame; `objects` limits the count (for the call-cost
// runs, which compare two counts).
inline void EngineDraw(EngineScene* scene, int frame, int objects)
{
  float rows[2][3];
  OxMtx33 m;
  if (scene->scenario == kQuads) {
    OxGfxSetRenderMode(OxGfxRenderModeColor);
    OxGfxSetBlendMode(OxGfxBlendModeNone);
    // Read once a frame: a lookup per quad would be counted as the quad's.
    const bool colored = !getenv("BENCH_NEUTRAL");
    for (int i = 0; i < objects; ++i) {
      float rgba[4];
      ObjectTransform(i, frame, rows);
      ObjectColor(i, frame, rgba);
      ToMtx33(rows, &m);
      OxGfxSetTransform(&m);
      if (colored) OxGfxSetColorToMultiply(rgba[0], rgba[1], rgba[2], rgba[3]);
      OxGfxMeshDraw(scene->quads[i], OxGfxMeshDrawModeTriangles);
    }
  } else if (scene->scenario == kSprites) {
    OxGfxSetRenderMode(OxGfxRenderModeTexture);
    OxGfxSetBlendMode(OxGfxBlendModeBlend);
    // The texture program's colour uniforms start at zero (invisible), as a
    // game sets them; the library's value cache sends them only once.
    OxGfxSetTransparency(1.0f);
    OxGfxSetColorToMultiply(1.0f, 1.0f, 1.0f, 1.0f);
    OxGfxSetColorToAdd(0.0f, 0.0f, 0.0f, 0.0f);
    for (int i = 0; i < objects; ++i) {
      float u, v;
      ObjectTransform(i, frame, rows);
      SpriteOffset(i, frame, &u, &v);
      ToMtx33(rows, &m);
      OxGfxSetTransform(&m);
      OxGfxTextureSet(scene->texture, u, v);
      OxGfxMeshDraw(scene->sprite, OxGfxMeshDrawModeTriangles);
    }
  } else if (scene->scenario == kSpriteFamily) {
    // The sprites scene with one call a sprite: the cell as a region, the
    // centre as the origin; the render state is the call's own.
    OxGfxSetBlendMode(OxGfxBlendModeBlend);
    for (int i = 0; i < objects; ++i) {
      float x, y, angle, u, v;
      ObjectPlacement(i, frame, &x, &y, &angle);
      SpriteOffset(i, frame, &u, &v);
      OxSpriteRegion cell = {static_cast<int>(u * kTextureSize), static_cast<int>(v * kTextureSize),
                             kSpriteSize, kSpriteSize};
      OxSpriteDrawEx(scene->texture, &cell, x, y, kSpriteSize / 2.0f, kSpriteSize / 2.0f, 1.0f,
                     1.0f, angle, 0xFFFFFFFFu);
    }
  } else if (scene->scenario == kText) {
    char line[kLineChars + 1];
    for (int l = 0; l < objects; ++l) {
      TextLine(l, frame, line);
      OxGfxPrint(scene->font, line, TextLineX(), TextLineY(l), 1.0f, 0.0f, 0.0f, 0.0f, 1.0f);
    }
  } else if (scene->scenario == kBunnies) {
    OxGfxSetRenderMode(OxGfxRenderModeTexture);
    OxGfxSetBlendMode(OxGfxBlendModeBlend);
    OxGfxSetTransparency(1.0f);
    OxGfxSetColorToMultiply(1.0f, 1.0f, 1.0f, 1.0f);
    OxGfxSetColorToAdd(0.0f, 0.0f, 0.0f, 0.0f);
    OxGfxTextureSet(scene->bunnyTexture, 0.0f, 0.0f);
    for (int i = 0; i < objects; ++i) {
      float x, y;
      BunnyPosition(i, frame, &x, &y);
      OxMtx33Trans(&m, x, y);
      OxGfxSetTransform(&m);
      OxGfxMeshDraw(scene->bunny, OxGfxMeshDrawModeTriangles);
    }
  } else if (scene->scenario == kBig) {
    const float identity[2][3] = {{1, 0, 0}, {0, 1, 0}};
    OxGfxSetRenderMode(OxGfxRenderModeColor);
    OxGfxSetBlendMode(OxGfxBlendModeNone);
    ToMtx33(identity, &m);
    for (int i = 0; i < objects; ++i) {
      OxGfxSetTransform(&m);
      OxGfxMeshDraw(scene->big, OxGfxMeshDrawModeTriangles);
    }
  }
}

// Objects a frame in the scenario's own definition.
inline int SceneObjects(int scenario)
{
  return scenario == kText      ? kTextLines
         : scenario == kBig     ? 1
         : scenario == kBunnies ? BunnyCount()
                                : kObjects;
}

}  // namespace bench
