// The bare OpenGL 2.0 floor of a frame scenario: SDL2 and GLEW directly, the
// engine's own shader sources, locations looked up once, buffers made once,
// one draw call per object. "bench_floor SCENARIO WARMUP FRAMES TIMES_FILE"
// times frames as bench_engine does, glFinish and the buffer swap included.
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <vector>

#include <valgrind/callgrind.h>

#include <GL/glew.h>
#include <SDL2/SDL.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include "BenchCommon.h"
#include "BenchShaders.h"

namespace {

using namespace bench;

struct Program {
  GLuint name = 0;
  GLint pMatrix = -1, vMatrix = -1, world = -1, blendColor = -1, transparency = -1;
  GLint multiply = -1, add = -1, texture = -1, offset = -1, fontColor = -1;
  GLint position = -1, color = -1, uv = -1, coords = -1;
};

GLuint Compile(GLenum type, const char* source)
{
  GLuint shader = glCreateShader(type);
  glShaderSource(shader, 1, &source, nullptr);
  glCompileShader(shader);
  GLint ok = 0;
  glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
  if (!ok) {
    printf("floor: shader does not compile\n");
    exit(1);
  }
  return shader;
}

Program Build(const char* vertex, const char* fragment)
{
  Program p;
  p.name = glCreateProgram();
  glAttachShader(p.name, Compile(GL_VERTEX_SHADER, vertex));
  glAttachShader(p.name, Compile(GL_FRAGMENT_SHADER, fragment));
  glLinkProgram(p.name);
  p.pMatrix = glGetUniformLocation(p.name, "uPMatrix");
  p.vMatrix = glGetUniformLocation(p.name, "uVMatrix");
  p.world = glGetUniformLocation(p.name, "uWorldMatrix");
  p.blendColor = glGetUniformLocation(p.name, "uBlendColor");
  p.transparency = glGetUniformLocation(p.name, "uTransparencyValue");
  p.multiply = glGetUniformLocation(p.name, "uMultiplyColor");
  p.add = glGetUniformLocation(p.name, "uAddColor");
  p.texture = glGetUniformLocation(p.name, "uTexture");
  p.offset = glGetUniformLocation(p.name, "uTextureOffset");
  p.fontColor = glGetUniformLocation(p.name, "uFontColor");
  p.position = glGetAttribLocation(p.name, "aPosition");
  p.color = glGetAttribLocation(p.name, "aColor");
  p.uv = glGetAttribLocation(p.name, "aTextureCoordinate");
  p.coords = glGetAttribLocation(p.name, "aCoords");
  return p;
}

// The camera the engine sets for an 800 x 600 window: orthographic
// projection and the eye 60 units above the origin, column by column.
void SetCamera(const Program& p)
{
  float projection[16] = {0}, view[16] = {0};
  projection[0] = 2.0f / kWidth;
  projection[5] = 2.0f / kHeight;
  projection[10] = -2.0f / 999.0f;
  projection[14] = -1001.0f / 999.0f;
  projection[15] = 1.0f;
  view[0] = view[5] = view[10] = view[15] = 1.0f;
  view[14] = -60.0f;
  glUseProgram(p.name);
  glUniformMatrix4fv(p.pMatrix, 1, GL_FALSE, projection);
  glUniformMatrix4fv(p.vMatrix, 1, GL_FALSE, view);
  glUniform4f(p.blendColor, 0, 0, 0, 0);
  glUniform1f(p.transparency, 1.0f);
  glUniform4f(p.multiply, 1, 1, 1, 1);
  glUniform4f(p.add, 0, 0, 0, 0);
}

void WorldMatrix(const float rows[2][3], float out[16])
{
  memset(out, 0, 16 * sizeof(float));
  out[0] = rows[0][0];
  out[1] = rows[1][0];
  out[4] = rows[0][1];
  out[5] = rows[1][1];
  out[10] = 1.0f;
  out[12] = rows[0][2];
  out[13] = rows[1][2];
  out[15] = 1.0f;
}

// A mesh as the engine keeps one: positions (xyz), colours (rgba floats) and
// texture coordinates in three buffers.
struct Mesh {
  GLuint buffers[3];
  GLsizei count;
};

struct Vertex {
  float x, y;
  unsigned int color;
  float u, v;
};

Mesh MakeMesh(const std::vector<Vertex>& vertices)
{
  Mesh mesh;
  mesh.count = static_cast<GLsizei>(vertices.size());
  std::vector<float> positions, colors, uvs;
  for (const Vertex& v : vertices) {
    positions.insert(positions.end(), {v.x, v.y, 0.0f});
    colors.insert(colors.end(), {((v.color >> 16) & 0xFF) / 255.0f, ((v.color >> 8) & 0xFF) / 255.0f,
                                   (v.color & 0xFF) / 255.0f, (v.color >> 24) / 255.0f});
    uvs.insert(uvs.end(), {v.u, v.v});
  }
  glGenBuffers(3, mesh.buffers);
  const std::vector<float>* sources[3] = {&positions, &colors, &uvs};
  for (int b = 0; b < 3; ++b) {
    glBindBuffer(GL_ARRAY_BUFFER, mesh.buffers[b]);
    glBufferData(GL_ARRAY_BUFFER, sources[b]->size() * sizeof(float), sources[b]->data(),
                 GL_STATIC_DRAW);
  }
  glBindBuffer(GL_ARRAY_BUFFER, 0);
  return mesh;
}

Mesh Quad(float half, unsigned int color, float uv)
{
  return MakeMesh({{-half, -half, color, 0, uv}, {half, -half, color, uv, uv},
                   {half, half, color, uv, 0}, {-half, -half, color, 0, uv},
                   {half, half, color, uv, 0}, {-half, half, color, 0, 0}});
}

// The glyphs of characters 32 to 127 at the font size, packed in rows into
// one alpha texture, with the metrics the engine keeps.
struct Glyph {
  float advanceX, advanceY, width, height, left, top, u, v;
};
struct Atlas {
  GLuint texture = 0;
  Glyph glyphs[128] = {};
};

Atlas MakeAtlas()
{
  Atlas atlas;
  FT_Library library;
  FT_Face face;
  if (FT_Init_FreeType(&library) || FT_New_Face(library, kFontPath, 0, &face)) exit(1);
  FT_Set_Pixel_Sizes(face, 0, kFontPixels);
  const int width = 512;
  int x = 0, y = 0, rowHeight = 0;
  std::vector<unsigned char> pixels(width * 512, 0);
  for (int code = 32; code < 128; ++code) {
    if (FT_Load_Char(face, code, FT_LOAD_RENDER)) continue;
    FT_GlyphSlot slot = face->glyph;
    int w = static_cast<int>(slot->bitmap.width), h = static_cast<int>(slot->bitmap.rows);
    if (x + w > width) {
      x = 0;
      y += rowHeight + 1;
      rowHeight = 0;
    }
    for (int row = 0; row < h; ++row)
      memcpy(&pixels[(y + row) * width + x], slot->bitmap.buffer + row * slot->bitmap.pitch, w);
    Glyph& g = atlas.glyphs[code];
    g.advanceX = static_cast<float>(slot->advance.x >> 6);
    g.advanceY = static_cast<float>(slot->advance.y >> 6);
    g.width = static_cast<float>(w);
    g.height = static_cast<float>(h);
    g.left = static_cast<float>(slot->bitmap_left);
    g.top = static_cast<float>(slot->bitmap_top);
    g.u = static_cast<float>(x) / width;
    g.v = static_cast<float>(y) / 512.0f;
    x += w + 1;
    if (h > rowHeight) rowHeight = h;
  }
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glGenTextures(1, &atlas.texture);
  glBindTexture(GL_TEXTURE_2D, atlas.texture);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_ALPHA, width, 512, 0, GL_ALPHA, GL_UNSIGNED_BYTE,
               pixels.data());
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  FT_Done_Face(face);
  FT_Done_FreeType(library);
  return atlas;
}

}  // namespace

int main(int argc, char** argv)
{
  if (argc != 5) {
    printf("usage: bench_floor quads|sprites|text|big WARMUP FRAMES TIMES_FILE\n");
    return 2;
  }
  int scenario = ParseScenario(argv[1]);
  int warmup = atoi(argv[2]), frames = atoi(argv[3]);
  if (scenario < 0 || scenario == kBunnies || warmup < 0 || frames <= 0) return 2;
  // Diagnosis only: BENCH_FLOOR_ENGINE_ARRAYS=1 makes the floor make the
  // engine's extra state calls: vertex arrays enabled and disabled around
  // every mesh draw and the buffer unbound after it; the program, blending
  // and array switched and put back around every text line.
  const char* engineArraysText = getenv("BENCH_FLOOR_ENGINE_ARRAYS");
  bool engineArrays = engineArraysText && strcmp(engineArraysText, "1") == 0;

  if (SDL_Init(SDL_INIT_VIDEO) != 0) return 1;
  SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
  SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  SDL_Window* window = SDL_CreateWindow("floor", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                        kWidth, kHeight, SDL_WINDOW_OPENGL | SDL_WINDOW_SHOWN);
  if (!window) return 1;
  SDL_GLContext context = SDL_GL_CreateContext(window);
  if (!context || glewInit() != GLEW_OK) return 1;
  SDL_GL_SetSwapInterval(0);
  glClearColor(1, 1, 1, 1);

  Program color = Build(kColorVertexSource, kColorFragmentSource);
  Program textured = Build(kTextureVertexSource, kTextureFragmentSource);
  Program font = Build(kFontVertexSource, kFontFragmentSource);
  SetCamera(color);
  SetCamera(textured);
  glUseProgram(0);

  std::vector<Mesh> quads;
  Mesh sprite{}, big{};
  GLuint texture = 0, textBuffer = 0;
  Atlas atlas;
  if (scenario == kQuads) {
    for (int i = 0; i < kObjects; ++i) quads.push_back(Quad(kQuadSize / 2.0f, QuadMeshColor(i), 1.0f));
  } else if (scenario == kSprites) {
    static unsigned char pixels[kTextureSize * kTextureSize * 4];
    SpriteTexturePixels(pixels);
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, kTextureSize, kTextureSize, 0, GL_RGBA,
                 GL_UNSIGNED_BYTE, pixels);
    sprite = Quad(kSpriteSize / 2.0f, 0xFFFFFFFFu, kCellUv);
  } else if (scenario == kText) {
    atlas = MakeAtlas();
    glGenBuffers(1, &textBuffer);
  } else {
    std::vector<Vertex> vertices(kBigMeshVertices);
    for (int v = 0; v < kBigMeshVertices; ++v)
      BigMeshVertex(v, &vertices[v].x, &vertices[v].y, &vertices[v].color);
    big = MakeMesh(vertices);
  }

  struct TextVertex {
    float x, y, u, v;
  };
  std::vector<TextVertex> text(kLineChars * 6);
  std::vector<double> times;
  times.reserve(frames);
  std::vector<double> cpuTimes;
  cpuTimes.reserve(frames);
  // With BenchAllocCounter preloaded: allocations in the measured frames.
  using Counter = unsigned long (*)();
  Counter allocations = reinterpret_cast<Counter>(dlsym(RTLD_DEFAULT, "BenchAllocTotal"));
  unsigned long allocationsBefore = 0;
  float world[16];
  float rows[2][3];
  for (int frame = 0; frame < warmup + frames; ++frame) {
    // Under callgrind only the measured frames are counted.
    if (frame == warmup) CALLGRIND_ZERO_STATS;
    if (frame == warmup && allocations) allocationsBefore = allocations();
    double start = Now();
    double cpuStart = bench::ProcessCpu();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glViewport(0, 0, kWidth, kHeight);
    if (scenario == kQuads) {
      glUseProgram(color.name);
      glDisable(GL_BLEND);
      glEnableVertexAttribArray(color.position);
      glEnableVertexAttribArray(color.color);
      for (int i = 0; i < kObjects; ++i) {
        float rgba[4];
        ObjectTransform(i, frame, rows);
        ObjectColor(i, frame, rgba);
        WorldMatrix(rows, world);
        glUniformMatrix4fv(color.world, 1, GL_FALSE, world);
        glUniform4f(color.multiply, rgba[0], rgba[1], rgba[2], rgba[3]);
        if (engineArrays) {
          glEnableVertexAttribArray(color.position);
          glEnableVertexAttribArray(color.color);
        }
        glBindBuffer(GL_ARRAY_BUFFER, quads[i].buffers[0]);
        glVertexAttribPointer(color.position, 3, GL_FLOAT, GL_FALSE, 0, nullptr);
        glBindBuffer(GL_ARRAY_BUFFER, quads[i].buffers[1]);
        glVertexAttribPointer(color.color, 4, GL_FLOAT, GL_FALSE, 0, nullptr);
        glDrawArrays(GL_TRIANGLES, 0, quads[i].count);
        if (engineArrays) {
          glDisableVertexAttribArray(color.color);
          glDisableVertexAttribArray(color.position);
          glBindBuffer(GL_ARRAY_BUFFER, 0);
        }
      }
      glDisableVertexAttribArray(color.position);
      glDisableVertexAttribArray(color.color);
    } else if (scenario == kSprites) {
      glUseProgram(textured.name);
      glEnable(GL_BLEND);
      glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
      glActiveTexture(GL_TEXTURE0);
      glBindTexture(GL_TEXTURE_2D, texture);
      glUniform1i(textured.texture, 0);
      glEnableVertexAttribArray(textured.position);
      glEnableVertexAttribArray(textured.uv);
      glBindBuffer(GL_ARRAY_BUFFER, sprite.buffers[0]);
      glVertexAttribPointer(textured.position, 3, GL_FLOAT, GL_FALSE, 0, nullptr);
      glBindBuffer(GL_ARRAY_BUFFER, sprite.buffers[2]);
      glVertexAttribPointer(textured.uv, 2, GL_FLOAT, GL_FALSE, 0, nullptr);
      for (int i = 0; i < kObjects; ++i) {
        float u, v;
        ObjectTransform(i, frame, rows);
        SpriteOffset(i, frame, &u, &v);
        WorldMatrix(rows, world);
        glUniformMatrix4fv(textured.world, 1, GL_FALSE, world);
        glUniform2f(textured.offset, u, v);
        glDrawArrays(GL_TRIANGLES, 0, sprite.count);
      }
      glDisableVertexAttribArray(textured.position);
      glDisableVertexAttribArray(textured.uv);
    } else if (scenario == kText) {
      glUseProgram(font.name);
      glEnable(GL_BLEND);
      glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
      glUniform4f(font.fontColor, 0, 0, 0, 1);
      glBindTexture(GL_TEXTURE_2D, atlas.texture);
      glUniform1i(font.texture, 0);
      glEnableVertexAttribArray(font.coords);
      glBindBuffer(GL_ARRAY_BUFFER, textBuffer);
      glVertexAttribPointer(font.coords, 4, GL_FLOAT, GL_FALSE, 0, nullptr);
      const float sx = 2.0f / kWidth, sy = 2.0f / kHeight;
      char line[kLineChars + 1];
      for (int l = 0; l < kTextLines; ++l) {
        if (engineArrays) {
          // What each OxGfxPrint does around its draw: switch to the font
          // program and blending, set colour, texture and array, and after
          // the draw put the previous program and blend mode back.
          glUseProgram(font.name);
          glEnable(GL_BLEND);
          glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
          glBindTexture(GL_TEXTURE_2D, atlas.texture);
          glEnableVertexAttribArray(font.coords);
          glBindBuffer(GL_ARRAY_BUFFER, textBuffer);
          glVertexAttribPointer(font.coords, 4, GL_FLOAT, GL_FALSE, 0, nullptr);
        }
        TextLine(l, frame, line);
        float penX = TextLineX(), penY = TextLineY(l);
        size_t count = 0;
        for (int c = 0; c < kLineChars; ++c) {
          const Glyph& g = atlas.glyphs[static_cast<unsigned char>(line[c])];
          float left = penX + g.left * sx, top = penY + g.top * sy;
          float w = g.width * sx, h = g.height * sy;
          penX += g.advanceX * sx;
          penY += g.advanceY * sy;
          if (w == 0.0f || h == 0.0f) continue;
          float du = g.width / 512.0f, dv = g.height / 512.0f;
          text[count++] = {left, top, g.u, g.v};
          text[count++] = {left + w, top, g.u + du, g.v};
          text[count++] = {left, top - h, g.u, g.v + dv};
          text[count++] = {left + w, top, g.u + du, g.v};
          text[count++] = {left, top - h, g.u, g.v + dv};
          text[count++] = {left + w, top - h, g.u + du, g.v + dv};
        }
        glBufferData(GL_ARRAY_BUFFER, text.size() * sizeof(TextVertex), text.data(),
                     GL_DYNAMIC_DRAW);
        glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(count));
        if (engineArrays) {
          glDisableVertexAttribArray(font.coords);
          glDisable(GL_BLEND);
          glUseProgram(0);
          glGetError();
        }
      }
      glDisableVertexAttribArray(font.coords);
    } else {
      glUseProgram(color.name);
      glDisable(GL_BLEND);
      const float identity[2][3] = {{1, 0, 0}, {0, 1, 0}};
      WorldMatrix(identity, world);
      glUniformMatrix4fv(color.world, 1, GL_FALSE, world);
      glEnableVertexAttribArray(color.position);
      glEnableVertexAttribArray(color.color);
      glBindBuffer(GL_ARRAY_BUFFER, big.buffers[0]);
      glVertexAttribPointer(color.position, 3, GL_FLOAT, GL_FALSE, 0, nullptr);
      glBindBuffer(GL_ARRAY_BUFFER, big.buffers[1]);
      glVertexAttribPointer(color.color, 4, GL_FLOAT, GL_FALSE, 0, nullptr);
      glDrawArrays(GL_TRIANGLES, 0, big.count);
      glDisableVertexAttribArray(color.position);
      glDisableVertexAttribArray(color.color);
    }
    if (frame == warmup + frames - 1) SnapshotIfAsked();
    glUseProgram(0);
    glFinish();
    SDL_GL_SwapWindow(window);
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
    }
    if (frame >= warmup) {
      times.push_back(Now() - start);
      cpuTimes.push_back(bench::ProcessCpu() - cpuStart);
    }
  }
  CALLGRIND_DUMP_STATS_AT("measured");
  if (allocations)
    printf("BENCH floor_alloc %s per_frame %.2f\n", argv[1],
           static_cast<double>(allocations() - allocationsBefore) / frames);
  SDL_GL_DeleteContext(context);
  SDL_DestroyWindow(window);
  SDL_Quit();
  return AppendTimes(argv[4], times.data(), cpuTimes.data(), times.size()) ? 0 : 1;
}
