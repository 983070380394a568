// A peer: SDL2's own 2D renderer (the "opengl" driver, batching on) drawing
// the frame scenarios the way an SDL game would: one call per object, which
// the renderer merges. "bench_sdl SCENARIO WARMUP FRAMES TIMES_FILE" times
// frames as bench_engine does (clear to after the present).
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <vector>

#include <valgrind/callgrind.h>

#include <SDL2/SDL.h>

#include "BenchCommon.h"
#include "BenchGlyphs.h"

namespace {

using namespace bench;

// World (y up, origin at the centre) to SDL's window pixels (y down).
inline float ToScreenX(float x) { return x + kWidth / 2.0f; }
inline float ToScreenY(float y) { return kHeight / 2.0f - y; }

SDL_Texture* TextureFrom(SDL_Renderer* renderer, const unsigned char* rgba, int width, int height)
{
  SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(
      const_cast<unsigned char*>(rgba), width, height, 32, width * 4, SDL_PIXELFORMAT_ABGR8888);
  SDL_Texture* texture = SDL_CreateTextureFromSurface(renderer, surface);
  SDL_FreeSurface(surface);
  SDL_SetTextureBlendMode(texture, SDL_BLENDMODE_BLEND);
  SDL_SetTextureScaleMode(texture, SDL_ScaleModeNearest);
  return texture;
}

// Characters 32 to 127 of the font in one white texture whose alpha is the
// glyphs' coverage, with the metrics the engine keeps.
struct Glyph {
  float advanceX, width, height, left, top, u, v;
};
struct Atlas {
  SDL_Texture* texture = nullptr;
  Glyph glyphs[128] = {};
};

Atlas MakeAtlas(SDL_Renderer* renderer)
{
  Atlas atlas;
  const int size = 512;
  std::vector<unsigned char> pixels(size * size * 4, 255);
  for (size_t i = 3; i < pixels.size(); i += 4) pixels[i] = 0;
  bool made = bench::PackGlyphs(
      kFontPath, kFontPixels, size, [&](int code, FT_GlyphSlot slot, int x, int y) {
        int w = static_cast<int>(slot->bitmap.width), h = static_cast<int>(slot->bitmap.rows);
        for (int row = 0; row < h; ++row)
          for (int column = 0; column < w; ++column)
            pixels[((y + row) * size + x + column) * 4 + 3] =
                slot->bitmap.buffer[row * slot->bitmap.pitch + column];
        Glyph& g = atlas.glyphs[code];
        g.advanceX = static_cast<float>(slot->advance.x >> 6);
        g.width = static_cast<float>(w);
        g.height = static_cast<float>(h);
        g.left = static_cast<float>(slot->bitmap_left);
        g.top = static_cast<float>(slot->bitmap_top);
        g.u = static_cast<float>(x) / size;
        g.v = static_cast<float>(y) / size;
      });
  if (!made) exit(1);
  atlas.texture = TextureFrom(renderer, pixels.data(), size, size);
  SDL_SetTextureScaleMode(atlas.texture, SDL_ScaleModeLinear);
  return atlas;
}

SDL_Color ByteColor(float r, float g, float b, float a)
{
  auto byte = [](float value) {
    return static_cast<Uint8>(value <= 0 ? 0 : value >= 1 ? 255 : value * 255.0f + 0.5f);
  };
  return SDL_Color{byte(r), byte(g), byte(b), byte(a)};
}

}  // namespace

int main(int argc, char** argv)
{
  if (argc != 5) {
    printf("usage: bench_sdl quads|sprites|text|big|bunnies WARMUP FRAMES TIMES_FILE\n");
    return 2;
  }
  int scenario = ParseScenario(argv[1]);
  int warmup = atoi(argv[2]), frames = atoi(argv[3]);
  if (scenario < 0 || warmup < 0 || frames <= 0) return 2;

  SDL_SetHint(SDL_HINT_RENDER_DRIVER, "opengl");
  SDL_SetHint(SDL_HINT_RENDER_BATCHING, "1");
  if (SDL_Init(SDL_INIT_VIDEO) != 0) return 1;
  SDL_Window* window = SDL_CreateWindow("sdl peer", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                        kWidth, kHeight, SDL_WINDOW_SHOWN | SDL_WINDOW_OPENGL);
  SDL_Renderer* renderer =
      window ? SDL_CreateRenderer(window, -1, SDL_RENDERER_ACCELERATED) : nullptr;
  if (!renderer) {
    printf("sdl: %s\n", SDL_GetError());
    return 1;
  }
  SDL_RendererInfo info;
  SDL_GetRendererInfo(renderer, &info);
  if (strcmp(info.name, "opengl") != 0) {
    printf("sdl: renderer %s, not opengl\n", info.name);
    return 1;
  }

  SDL_Texture* texture = nullptr;
  Atlas atlas;
  std::vector<SDL_Vertex> big;
  if (scenario == kSprites) {
    static unsigned char pixels[kTextureSize * kTextureSize * 4];
    SpriteTexturePixels(pixels);
    texture = TextureFrom(renderer, pixels, kTextureSize, kTextureSize);
  } else if (scenario == kBunnies) {
    static unsigned char pixels[kBunnySize * kBunnySize * 4];
    BunnyTexturePixels(pixels);
    texture = TextureFrom(renderer, pixels, kBunnySize, kBunnySize);
  } else if (scenario == kText) {
    atlas = MakeAtlas(renderer);
  } else if (scenario == kBig) {
    big.resize(kBigMeshVertices);
    for (int i = 0; i < kBigMeshVertices; ++i) {
      float x, y;
      unsigned int c;
      BigMeshVertex(i, &x, &y, &c);
      big[i].position = SDL_FPoint{ToScreenX(x), ToScreenY(y)};
      big[i].color = SDL_Color{static_cast<Uint8>(c >> 16), static_cast<Uint8>(c >> 8),
                               static_cast<Uint8>(c), static_cast<Uint8>(c >> 24)};
      big[i].tex_coord = SDL_FPoint{0, 0};
    }
  }
  int bunnies = BunnyCount();

  std::vector<double> times, cpuTimes;
  times.reserve(frames);
  cpuTimes.reserve(frames);
  std::vector<SDL_Vertex> line(kLineChars * 6);
  float rows[2][3];
  for (int frame = 0; frame < warmup + frames; ++frame) {
    // Under callgrind only the measured frames are counted.
    if (frame == warmup) CALLGRIND_ZERO_STATS;
    double start = Now(), cpuStart = ProcessCpu();
    SDL_SetRenderDrawColor(renderer, 255, 255, 255, 255);
    SDL_RenderClear(renderer);
    if (scenario == kQuads) {
      SDL_SetRenderDrawBlendMode(renderer, SDL_BLENDMODE_NONE);
      static const int kIndices[6] = {0, 1, 2, 0, 2, 3};
      const float h = kQuadSize / 2.0f;
      const float corners[4][2] = {{-h, -h}, {h, -h}, {h, h}, {-h, h}};
      for (int i = 0; i < kObjects; ++i) {
        float rgba[4];
        ObjectTransform(i, frame, rows);
        ObjectColor(i, frame, rgba);
        unsigned int c = QuadMeshColor(i);
        SDL_Color color =
            ByteColor(((c >> 16) & 0xFF) / 255.0f * rgba[0], ((c >> 8) & 0xFF) / 255.0f * rgba[1],
                      (c & 0xFF) / 255.0f * rgba[2], rgba[3]);
        SDL_Vertex vertices[4];
        for (int k = 0; k < 4; ++k) {
          float x = rows[0][0] * corners[k][0] + rows[0][1] * corners[k][1] + rows[0][2];
          float y = rows[1][0] * corners[k][0] + rows[1][1] * corners[k][1] + rows[1][2];
          vertices[k] = SDL_Vertex{SDL_FPoint{ToScreenX(x), ToScreenY(y)}, color, SDL_FPoint{0, 0}};
        }
        SDL_RenderGeometry(renderer, nullptr, vertices, 4, kIndices, 6);
      }
    } else if (scenario == kSprites) {
      for (int i = 0; i < kObjects; ++i) {
        float u, v;
        ObjectTransform(i, frame, rows);
        SpriteOffset(i, frame, &u, &v);
        SDL_Rect source{static_cast<int>(u * kTextureSize), static_cast<int>(v * kTextureSize),
                        kSpriteSize, kSpriteSize};
        SDL_FRect target{ToScreenX(rows[0][2]) - kSpriteSize / 2.0f,
                         ToScreenY(rows[1][2]) - kSpriteSize / 2.0f, kSpriteSize, kSpriteSize};
        // SDL turns clockwise on screen, as the world turns counterclockwise.
        double degrees = -atan2(rows[1][0], rows[0][0]) * 180.0 / M_PI;
        SDL_RenderCopyExF(renderer, texture, &source, &target, degrees, nullptr, SDL_FLIP_NONE);
      }
    } else if (scenario == kText) {
      char text[kLineChars + 1];
      const float sx = 2.0f / kWidth, sy = 2.0f / kHeight;
      for (int l = 0; l < kTextLines; ++l) {
        TextLine(l, frame, text);
        float penX = TextLineX(), penY = TextLineY(l);
        int count = 0;
        for (int c = 0; c < kLineChars; ++c) {
          const Glyph& g = atlas.glyphs[static_cast<unsigned char>(text[c])];
          float left = penX + g.left * sx, top = penY + g.top * sy;
          float w = g.width * sx, h = g.height * sy;
          penX += g.advanceX * sx;
          if (w == 0 || h == 0) continue;
          // Normalised device coordinates to window pixels.
          float x0 = (left + 1) * kWidth / 2, x1 = (left + w + 1) * kWidth / 2;
          float y0 = (1 - top) * kHeight / 2, y1 = (1 - top + h) * kHeight / 2;
          float du = g.width / 512.0f, dv = g.height / 512.0f;
          SDL_Color black{0, 0, 0, 255};
          SDL_Vertex quad[6] = {
              {{x0, y0}, black, {g.u, g.v}},      {{x1, y0}, black, {g.u + du, g.v}},
              {{x0, y1}, black, {g.u, g.v + dv}}, {{x1, y0}, black, {g.u + du, g.v}},
              {{x0, y1}, black, {g.u, g.v + dv}}, {{x1, y1}, black, {g.u + du, g.v + dv}}};
          memcpy(&line[count], quad, sizeof(quad));
          count += 6;
        }
        SDL_RenderGeometry(renderer, atlas.texture, line.data(), count, nullptr, 0);
      }
    } else if (scenario == kBig) {
      SDL_SetRenderDrawBlendMode(renderer, SDL_BLENDMODE_NONE);
      SDL_RenderGeometry(renderer, nullptr, big.data(), kBigMeshVertices, nullptr, 0);
    } else {
      for (int i = 0; i < bunnies; ++i) {
        float x, y;
        BunnyPosition(i, frame, &x, &y);
        SDL_FRect target{ToScreenX(x) - kBunnySize / 2.0f, ToScreenY(y) - kBunnySize / 2.0f,
                         kBunnySize, kBunnySize};
        SDL_RenderCopyF(renderer, texture, nullptr, &target);
      }
    }
    SDL_RenderPresent(renderer);
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
    }
    if (frame >= warmup) {
      times.push_back(Now() - start);
      cpuTimes.push_back(ProcessCpu() - cpuStart);
    }
  }
  CALLGRIND_DUMP_STATS_AT("measured");
  SDL_DestroyRenderer(renderer);
  SDL_DestroyWindow(window);
  SDL_Quit();
  return AppendTimes(argv[4], times.data(), cpuTimes.data(), times.size()) ? 0 : 1;
}
