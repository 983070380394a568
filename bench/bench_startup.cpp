// One-off costs. "bench_startup startup" times OxSysInit to the first
// presented frame. "bench_startup ops DIR" times OxGfxMeshEnd of 24,576
// vertices, OxGfxCreateFont at 20 and 64 pixels, and OxGfxTextureLoad of a
// 1024 x 1024 PNG it writes into DIR against SDL2_image's own IMG_Load of
// the same file and against IMG_Load plus a bare glTexImage2D upload (what
// a loader can hardly beat), alternating the three. Prints "BENCH" lines of
// medians.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

#include <GL/gl.h>
#include <SDL2/SDL.h>
#include <SDL2/SDL_image.h>

#include "BenchCommon.h"
#include "Oxlen.h"

namespace {

double Median(std::vector<double> values)
{
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// A 1024 x 1024 RGBA image with gradients and noise, so that it compresses
// like a photograph-like texture rather than a flat fill.
bool WritePng(const std::string& path)
{
  const int size = 1024;
  SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormat(0, size, size, 32, SDL_PIXELFORMAT_RGBA32);
  if (!surface) return false;
  unsigned int seed = 12345;
  for (int y = 0; y < size; ++y) {
    unsigned char* row = static_cast<unsigned char*>(surface->pixels) + y * surface->pitch;
    for (int x = 0; x < size; ++x) {
      seed = seed * 1103515245u + 12345u;
      unsigned int noise = (seed >> 16) & 0x1F;
      row[4 * x + 0] = static_cast<unsigned char>((x / 4 + noise) & 0xFF);
      row[4 * x + 1] = static_cast<unsigned char>((y / 4 + noise) & 0xFF);
      row[4 * x + 2] = static_cast<unsigned char>(((x + y) / 8) & 0xFF);
      row[4 * x + 3] = 255;
    }
  }
  bool ok = IMG_SavePNG(surface, path.c_str()) == 0;
  SDL_FreeSurface(surface);
  return ok;
}

}  // namespace

int main(int argc, char** argv)
{
  if (argc >= 2 && strcmp(argv[1], "startup") == 0) {
    double start = bench::Now();
    if (OxSysInit(nullptr, SW_SHOWNORMAL, bench::kWidth, bench::kHeight, 0, 0, 0, nullptr) != 1)
      return 1;
    OxSysFrameStart();
    OxSysFrameEnd();
    double elapsed = bench::Now() - start;
    OxSysExit();
    printf("BENCH startup_ms %.2f\n", elapsed * 1000.0);
    return 0;
  }
  if (argc != 3 || strcmp(argv[1], "ops") != 0) {
    printf("usage: bench_startup startup | bench_startup ops DIR\n");
    return 2;
  }
  if (OxSysInit(nullptr, SW_SHOWNORMAL, bench::kWidth, bench::kHeight, 0, 0, 0, nullptr) != 1)
    return 1;
  OxSysFrameStart();
  OxSysFrameEnd();
  printf("BENCH renderer %s\n", reinterpret_cast<const char*>(glGetString(GL_RENDERER)));

  // The fixed work of every frame besides drawing: the input snapshot (the
  // cursor is asked of the X server), the audio update, the message pump,
  // and a whole frame with nothing drawn.
  const int calls = 500;
  double start = bench::Now();
  for (int i = 0; i < calls; ++i) OxInputUpdate();
  printf("BENCH input_update_us %.1f\n", (bench::Now() - start) / calls * 1e6);
  start = bench::Now();
  for (int i = 0; i < calls; ++i) OxAudioUpdate();
  printf("BENCH audio_update_us %.1f\n", (bench::Now() - start) / calls * 1e6);
  start = bench::Now();
  for (int i = 0; i < calls; ++i) OxSysUpdate();
  printf("BENCH message_pump_us %.1f\n", (bench::Now() - start) / calls * 1e6);
  std::vector<double> empty;
  for (int i = 0; i < 200; ++i) {
    start = bench::Now();
    OxSysFrameStart();
    OxSysFrameEnd();
    empty.push_back(bench::Now() - start);
  }
  printf("BENCH empty_frame_ms %.3f\n", Median(empty) * 1000.0);

  std::vector<double> meshEnd;
  for (int run = 0; run < 7; ++run) {
    OxGfxMeshStart();
    for (int v = 0; v < bench::kBigMeshVertices; ++v) {
      float x, y;
      unsigned int color;
      bench::BigMeshVertex(v, &x, &y, &color);
      OxGfxVertexAdd(x, y, color, 0, 0);
    }
    start = bench::Now();
    OxGfxVertexList* mesh = OxGfxMeshEnd();
    meshEnd.push_back(bench::Now() - start);
    OxGfxMeshFree(mesh);
  }
  printf("BENCH mesh_end_24576_ms %.3f\n", Median(meshEnd) * 1000.0);

  for (int size : {20, 64}) {
    std::vector<double> times;
    for (int run = 0; run < 5; ++run) {
      start = bench::Now();
      OxGfxFontId font = OxGfxCreateFont(bench::kFontPath, size);
      times.push_back(bench::Now() - start);
      if (font == -1) return 1;
      OxGfxDestroyFont(font);
    }
    printf("BENCH create_font_%d_ms %.3f\n", size, Median(times) * 1000.0);
  }

  std::string png = std::string(argv[2]) + "/bench_1024.png";
  if (!WritePng(png)) return 1;
  std::vector<double> engine, decoder, upload;
  // The three in turn, the order rotated every run so none always goes first.
  for (int run = 0; run < 15; ++run) {
    for (int turn = 0; turn < 3; ++turn) {
      int which = (run + turn) % 3;
      start = bench::Now();
      if (which == 0) {
        SDL_Surface* surface = IMG_Load(png.c_str());
        decoder.push_back(bench::Now() - start);
        if (!surface) return 1;
        SDL_FreeSurface(surface);
      } else if (which == 1) {
        // The OpenGL 1.1 entry points need no extension loader.
        SDL_Surface* surface = IMG_Load(png.c_str());
        if (!surface || surface->format->format != SDL_PIXELFORMAT_RGBA32) return 1;
        GLuint name = 0;
        glGenTextures(1, &name);
        glBindTexture(GL_TEXTURE_2D, name);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, surface->w, surface->h, 0, GL_RGBA,
                     GL_UNSIGNED_BYTE, surface->pixels);
        SDL_FreeSurface(surface);
        glBindTexture(GL_TEXTURE_2D, 0);
        upload.push_back(bench::Now() - start);
        glDeleteTextures(1, &name);
      } else {
        OxGfxTexture* texture = OxGfxTextureLoad(png.c_str());
        engine.push_back(bench::Now() - start);
        if (!texture) return 1;
        OxGfxTextureUnload(texture);
      }
    }
  }
  double e = Median(engine), d = Median(decoder);
  printf("BENCH texture_load_1024_ms %.3f\n", e * 1000.0);
  printf("BENCH img_load_1024_ms %.3f\n", d * 1000.0);
  printf("BENCH img_load_upload_1024_ms %.3f\n", Median(upload) * 1000.0);
  printf("BENCH texture_load_ratio %.3f\n", e / d);
  OxSysExit();
  return 0;
}
