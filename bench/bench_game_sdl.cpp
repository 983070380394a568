// A peer of examples/minimal_game written against SDL2 alone: an 800 x 600
// window with vertical sync through SDL's 2D renderer (the "opengl" driver),
// held to 60 frames a second, a triangle with one colour per corner turning a
// degree a frame, one line of DejaVuSans at 32 pixels from a FreeType glyph
// atlas, and a 0.2 s 440 Hz beep queued on an SDL audio device at start.
// "bench_game_sdl N" ends after N frames (0 or none: when the window closes
// or Escape is pressed); scripts/bench_exit.sh times whole runs of it.
#include <math.h>
#include <stdlib.h>
#include <string.h>

#include <vector>

#include <SDL2/SDL.h>

#include "BenchGlyphs.h"

namespace {

const int kWidth = 800, kHeight = 600;
const char kFontPath[] = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
const int kFontPixels = 32;
const int kAtlasSize = 512;

// Characters 32 to 127 in one white texture whose alpha is the glyphs'
// coverage, and where each glyph sits in it.
struct Glyph {
  int advance, width, height, left, top, x, y;
};
struct Atlas {
  SDL_Texture* texture = nullptr;
  Glyph glyphs[128] = {};
};

bool MakeAtlas(SDL_Renderer* renderer, Atlas* atlas)
{
  std::vector<Uint32> pixels(kAtlasSize * kAtlasSize, 0x00FFFFFF);
  bool made = bench::PackGlyphs(
      kFontPath, kFontPixels, kAtlasSize, [&](int code, FT_GlyphSlot slot, int x, int y) {
        int w = static_cast<int>(slot->bitmap.width), h = static_cast<int>(slot->bitmap.rows);
        for (int row = 0; row < h; ++row)
          for (int column = 0; column < w; ++column)
            pixels[(y + row) * kAtlasSize + x + column] =
                0x00FFFFFFu |
                static_cast<Uint32>(slot->bitmap.buffer[row * slot->bitmap.pitch + column]) << 24;
        atlas->glyphs[code] = Glyph{static_cast<int>(slot->advance.x >> 6),
                                    w,
                                    h,
                                    slot->bitmap_left,
                                    slot->bitmap_top,
                                    x,
                                    y};
      });
  if (!made) return false;
  atlas->texture = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STATIC,
                                     kAtlasSize, kAtlasSize);
  if (!atlas->texture) return false;
  SDL_UpdateTexture(atlas->texture, nullptr, pixels.data(), kAtlasSize * 4);
  SDL_SetTextureBlendMode(atlas->texture, SDL_BLENDMODE_BLEND);
  return true;
}

// One line of text with its pen starting at (x, baseline) in window pixels:
// two triangles a glyph, one draw.
void DrawText(SDL_Renderer* renderer, const Atlas& atlas, const char* text, float x, float baseline)
{
  std::vector<SDL_Vertex> vertices;
  const SDL_Color white{255, 255, 255, 255};
  const float texel = 1.0f / kAtlasSize;
  for (const char* c = text; *c; ++c) {
    if (*c < 32) continue;
    const Glyph& g = atlas.glyphs[static_cast<unsigned char>(*c)];
    float x0 = x + g.left, y0 = baseline - g.top, x1 = x0 + g.width, y1 = y0 + g.height;
    float u0 = g.x * texel, v0 = g.y * texel, u1 = (g.x + g.width) * texel,
          v1 = (g.y + g.height) * texel;
    x += g.advance;
    if (g.width == 0 || g.height == 0) continue;
    const SDL_Vertex quad[6] = {{{x0, y0}, white, {u0, v0}}, {{x1, y0}, white, {u1, v0}},
                                {{x0, y1}, white, {u0, v1}}, {{x1, y0}, white, {u1, v0}},
                                {{x0, y1}, white, {u0, v1}}, {{x1, y1}, white, {u1, v1}}};
    vertices.insert(vertices.end(), quad, quad + 6);
  }
  SDL_RenderGeometry(renderer, atlas.texture, vertices.data(), static_cast<int>(vertices.size()),
                     nullptr, 0);
}

// The beep: 0.2 s of 440 Hz, 16-bit mono at 22050 Hz, as the engine's game
// writes into its WAV file.
std::vector<Sint16> Beep()
{
  const int rate = 22050;
  std::vector<Sint16> samples(rate / 5);
  for (size_t i = 0; i < samples.size(); ++i)
    samples[i] = static_cast<Sint16>(8000 * sin(6.2831853 * 440 * i / rate));
  return samples;
}

}  // namespace

int main(int argc, char** argv)
{
  unsigned long frameLimit = argc > 1 ? strtoul(argv[1], nullptr, 10) : 0;
  SDL_SetHint(SDL_HINT_RENDER_DRIVER, "opengl");
  SDL_SetHint(SDL_HINT_RENDER_BATCHING, "1");
  if (SDL_Init(SDL_INIT_VIDEO) != 0) return 1;
  SDL_Window* window =
      SDL_CreateWindow("bench_game_sdl", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, kWidth,
                       kHeight, SDL_WINDOW_SHOWN | SDL_WINDOW_OPENGL);
  SDL_Renderer* renderer =
      window ? SDL_CreateRenderer(window, -1, SDL_RENDERER_ACCELERATED | SDL_RENDERER_PRESENTVSYNC)
             : nullptr;
  Atlas atlas;
  if (!renderer || !MakeAtlas(renderer, &atlas)) {
    SDL_Log("bench_game_sdl: %s", SDL_GetError());
    SDL_Quit();
    return 1;
  }

  // The sound, queued on the default device; a machine without one plays
  // nothing, as the engine's game does.
  SDL_AudioDeviceID audio = 0;
  std::vector<Sint16> beep = Beep();
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) == 0) {
    SDL_AudioSpec want;
    SDL_zero(want);
    want.freq = 22050;
    want.format = AUDIO_S16SYS;
    want.channels = 1;
    want.samples = 512;
    audio = SDL_OpenAudioDevice(nullptr, 0, &want, nullptr, 0);
    if (audio) {
      SDL_QueueAudio(audio, beep.data(), static_cast<Uint32>(beep.size() * sizeof(Sint16)));
      SDL_PauseAudioDevice(audio, 0);
    }
  }

  // The triangle in world pixels (y up, origin at the window's centre).
  const float corners[3][2] = {{-80, -60}, {80, -60}, {0, 90}};
  const SDL_Color colors[3] = {{255, 64, 64, 255}, {64, 255, 64, 255}, {64, 128, 255, 255}};
  // The text's pen where the engine's game puts it: normalised device
  // coordinates (-0.4, 0.8) on the baseline.
  const float textX = (1 - 0.4f) * kWidth / 2, textBaseline = (1 - 0.8f) * kHeight / 2;
  const Uint64 ticksPerFrame = SDL_GetPerformanceFrequency() / 60;
  float angle = 0;
  bool running = true;
  for (unsigned long frame = 0; running; ++frame) {
    if (frameLimit && frame >= frameLimit) break;
    const Uint64 frameStart = SDL_GetPerformanceCounter();
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
      if (event.type == SDL_QUIT) running = false;
      if (event.type == SDL_KEYDOWN && event.key.keysym.sym == SDLK_ESCAPE) running = false;
      if (event.type == SDL_KEYDOWN && event.key.keysym.sym == SDLK_SPACE && audio)
        SDL_QueueAudio(audio, beep.data(), static_cast<Uint32>(beep.size() * sizeof(Sint16)));
    }
    if (!running) break;

    SDL_SetRenderDrawColor(renderer, 26, 26, 51, 255);
    SDL_RenderClear(renderer);
    angle += 1.0f;
    float c = cosf(angle * static_cast<float>(M_PI) / 180),
          s = sinf(angle * static_cast<float>(M_PI) / 180);
    SDL_Vertex triangle[3];
    for (int k = 0; k < 3; ++k) {
      float x = c * corners[k][0] - s * corners[k][1], y = s * corners[k][0] + c * corners[k][1];
      triangle[k] = SDL_Vertex{{x + kWidth / 2.0f, kHeight / 2.0f - y}, colors[k], {0, 0}};
    }
    SDL_RenderGeometry(renderer, nullptr, triangle, 3, nullptr, 0);
    DrawText(renderer, atlas, "Hello from Oxlen", textX, textBaseline);
    SDL_RenderPresent(renderer);

    // The 60 fps limit for when vertical sync does not hold the frame:
    // sleep whole milliseconds for what is left of it since the frame began.
    Uint64 elapsed = SDL_GetPerformanceCounter() - frameStart;
    if (elapsed < ticksPerFrame)
      SDL_Delay(
          static_cast<Uint32>((ticksPerFrame - elapsed) * 1000 / SDL_GetPerformanceFrequency()));
  }

  if (audio) SDL_CloseAudioDevice(audio);
  SDL_DestroyTexture(atlas.texture);
  SDL_DestroyRenderer(renderer);
  SDL_DestroyWindow(window);
  SDL_Quit();
  return 0;
}
