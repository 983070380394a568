// The bare OpenGL 2.0 floor of a frame scenario: SDL2 and GLEW directly, the
// engine's own shader sources, locations looked up once, buffers made once,
// one draw call per object. "bench_floor SCENARIO WARMUP FRAMES TIMES_FILE"
// times frames as bench_engine does, glFinish and the buffer swap included.
// BENCH_FLOOR_BATCHED=1 draws the batched floor instead (RunBatched below):
// every object transformed on the processor into one streamed buffer a frame.
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <vector>

#include <valgrind/callgrind.h>

#include <GL/glew.h>
#include <SDL2/SDL.h>

#include "BenchCommon.h"
#include "BenchGlyphs.h"
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
    colors.insert(colors.end(),
                  {((v.color >> 16) & 0xFF) / 255.0f, ((v.color >> 8) & 0xFF) / 255.0f,
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
  return MakeMesh({{-half, -half, color, 0, uv},
                   {half, -half, color, uv, uv},
                   {half, half, color, uv, 0},
                   {-half, -half, color, 0, uv},
                   {half, half, color, uv, 0},
                   {-half, half, color, 0, 0}});
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

// Lays out text line l of a frame in normalised device coordinates (sx, sy:
// the size of a pixel) and hands put each glyph that has an image: its
// top-left corner, size, and atlas entry.
template <typename Put>
void LayOutLine(const Atlas& atlas, int l, int frame, float sx, float sy, Put put)
{
  char line[kLineChars + 1];
  TextLine(l, frame, line);
  float penX = TextLineX(), penY = TextLineY(l);
  for (int c = 0; c < kLineChars; ++c) {
    const Glyph& g = atlas.glyphs[static_cast<unsigned char>(line[c])];
    float left = penX + g.left * sx, top = penY + g.top * sy;
    float w = g.width * sx, h = g.height * sy;
    penX += g.advanceX * sx;
    penY += g.advanceY * sy;
    if (w != 0.0f && h != 0.0f) put(left, top, w, h, g);
  }
}

Atlas MakeAtlas()
{
  Atlas atlas;
  const int width = 512;
  std::vector<unsigned char> pixels(width * 512, 0);
  bool made = bench::PackGlyphs(
      kFontPath, kFontPixels, width, [&](int code, FT_GlyphSlot slot, int x, int y) {
        int w = static_cast<int>(slot->bitmap.width), h = static_cast<int>(slot->bitmap.rows);
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
      });
  if (!made) exit(1);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glGenTextures(1, &atlas.texture);
  glBindTexture(GL_TEXTURE_2D, atlas.texture);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_ALPHA, width, 512, 0, GL_ALPHA, GL_UNSIGNED_BYTE,
               pixels.data());
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  return atlas;
}

// An RGBA texture with nearest filtering, as the engine makes one.
GLuint MakeTexture(const unsigned char* pixels, int width, int height)
{
  GLuint texture = 0;
  glGenTextures(1, &texture);
  glBindTexture(GL_TEXTURE_2D, texture);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
  return texture;
}

// The 800 x 600 window, vertical sync off; depth and stencil buffers only
// when asked.
SDL_Window* OpenWindow(bool depth, SDL_GLContext* context)
{
  if (SDL_Init(SDL_INIT_VIDEO) != 0) return nullptr;
  SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, depth ? 24 : 0);
  SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, depth ? 8 : 0);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  SDL_Window* window = SDL_CreateWindow("floor", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                        kWidth, kHeight, SDL_WINDOW_OPENGL | SDL_WINDOW_SHOWN);
  if (!window) return nullptr;
  *context = SDL_GL_CreateContext(window);
  if (!*context || glewInit() != GLEW_OK) return nullptr;
  SDL_GL_SetSwapInterval(0);
  glClearColor(1, 1, 1, 1);
  return window;
}

// The frame clock both floors share: a frame runs from Begin (before
// glClear) to after glFinish, the swap and the event pump in End; the last
// frame is written out first when BENCH_SNAPSHOT asks. Under callgrind only
// the measured frames count; with BenchAllocCounter preloaded, so do their
// allocations.
struct FrameClock {
  using Counter = unsigned long (*)();
  int warmup, frames;
  std::vector<double> times, cpuTimes;
  Counter allocations = reinterpret_cast<Counter>(dlsym(RTLD_DEFAULT, "BenchAllocTotal"));
  unsigned long allocationsBefore = 0;
  double start = 0, cpuStart = 0;

  FrameClock(int warmupFrames, int measuredFrames) : warmup(warmupFrames), frames(measuredFrames)
  {
    times.reserve(frames);
    cpuTimes.reserve(frames);
  }
  void Begin(int frame)
  {
    if (frame == warmup) CALLGRIND_ZERO_STATS;
    if (frame == warmup && allocations) allocationsBefore = allocations();
    start = Now();
    cpuStart = bench::ProcessCpu();
  }
  void End(int frame, SDL_Window* window)
  {
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
  // Prints the allocations, closes the window and appends the times.
  int Finish(const char* label, const char* scenario, SDL_Window* window, SDL_GLContext context,
             const char* path)
  {
    CALLGRIND_DUMP_STATS_AT("measured");
    if (allocations)
      printf("BENCH %s %s per_frame %.2f\n", label, scenario,
             static_cast<double>(allocations() - allocationsBefore) / frames);
    SDL_GL_DeleteContext(context);
    SDL_DestroyWindow(window);
    SDL_Quit();
    return AppendTimes(path, times.data(), cpuTimes.data(), times.size()) ? 0 : 1;
  }
};

// ---------------------------------------------------------------------------
// The batched floor: what the engine's batched path could at best be on
// OpenGL 2.0. A window without depth and stencil; every object's vertices
// transformed on the processor into one array a frame, handed to OpenGL with
// one glBufferData and drawn in runs of at most 4,092 vertices; compact
// vertices (two floats of position in world units, four colour bytes, two
// floats of texture coordinate where sampled); the simplest programs, the
// one projection a uniform scale. The same objects, transforms and colours
// as the per-object floor.
//
// Quads go as six vertices each through glDrawArrays, or as four through a
// shared index buffer, whichever measured faster for the scene here (Mesa's
// llvmpipe, 2 cores): indexed for the rotated quads and sprites (a third
// fewer vertices to shade), arrays for text, big and bunnies, whose quads
// are upright rectangles that llvmpipe draws faster, and with slightly
// different pixels, when they come as plain triangle lists.
// BENCH_FLOOR_INDEXED=0 or 1 forces one way for every scene.

const int kRunVertices = 4092;

struct ColorVertex {
  float x, y;
  unsigned char rgba[4];
};
struct TexturedVertex {
  float x, y;
  unsigned char rgba[4];
  float u, v;
};

// Attribute locations bound before linking, the same in every program.
enum { kPosition = 0, kColor = 1, kUv = 2 };

const char kBatchColorVertex[] =
    "uniform vec2 uScale;\n"
    "attribute vec2 aPosition;\n"
    "attribute vec4 aColor;\n"
    "varying vec4 vColor;\n"
    "void main() { vColor = aColor; gl_Position = vec4(aPosition * uScale, 0.0, 1.0); }\n";
const char kBatchColorFragment[] =
    "varying vec4 vColor;\n"
    "void main() { gl_FragColor = vColor; }\n";
const char kBatchTexturedVertex[] =
    "uniform vec2 uScale;\n"
    "attribute vec2 aPosition;\n"
    "attribute vec4 aColor;\n"
    "attribute vec2 aUv;\n"
    "varying vec4 vColor;\n"
    "varying vec2 vUv;\n"
    "void main() {\n"
    "  vColor = aColor; vUv = aUv; gl_Position = vec4(aPosition * uScale, 0.0, 1.0);\n"
    "}\n";
const char kBatchTexturedFragment[] =
    "uniform sampler2D uTexture;\n"
    "varying vec4 vColor;\n"
    "varying vec2 vUv;\n"
    "void main() { gl_FragColor = texture2D(uTexture, vUv) * vColor; }\n";
const char kBatchTextFragment[] =
    "uniform sampler2D uTexture;\n"
    "varying vec4 vColor;\n"
    "varying vec2 vUv;\n"
    "void main() { gl_FragColor = vec4(vColor.rgb, vColor.a * texture2D(uTexture, vUv).a); }\n";

// Links a batched program and sets its projection (world units, y up,
// origin at the window's centre, to clip space) and texture unit.
GLuint BuildBatched(const char* vertex, const char* fragment, float scaleX, float scaleY)
{
  GLuint program = glCreateProgram();
  glAttachShader(program, Compile(GL_VERTEX_SHADER, vertex));
  glAttachShader(program, Compile(GL_FRAGMENT_SHADER, fragment));
  glBindAttribLocation(program, kPosition, "aPosition");
  glBindAttribLocation(program, kColor, "aColor");
  glBindAttribLocation(program, kUv, "aUv");
  glLinkProgram(program);
  GLint ok = 0;
  glGetProgramiv(program, GL_LINK_STATUS, &ok);
  if (!ok) {
    printf("floor: batched program does not link\n");
    exit(1);
  }
  glUseProgram(program);
  glUniform2f(glGetUniformLocation(program, "uScale"), scaleX, scaleY);
  glUniform1i(glGetUniformLocation(program, "uTexture"), 0);
  glUseProgram(0);
  return program;
}

// 0xAARRGGBB as the bytes red, green, blue, alpha, each multiplied by a
// factor in 0..1 and rounded, as the per-object programs' product is stored.
void PackColor(unsigned int argb, const float multiply[4], unsigned char out[4])
{
  const unsigned int channel[4] = {(argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF,
                                   argb >> 24};
  for (int c = 0; c < 4; ++c)
    out[c] = static_cast<unsigned char>(
        static_cast<float>(channel[c]) / 255.0f * multiply[c] * 255.0f + 0.5f);
}

// Appends quads (corners counter-clockwise from the bottom left, as the
// scenes' meshes are built: triangles 0 1 2 and 0 2 3) to a frame's array:
// six vertices a quad, or four with BENCH_FLOOR_INDEXED.
template <class V>
struct QuadWriter {
  std::vector<V> vertices;
  size_t count = 0;
  bool indexed = false;

  void Start(size_t quads)
  {
    size_t needed = quads * (indexed ? 4 : 6);
    if (vertices.size() < needed) vertices.resize(needed);
    count = 0;
  }
  void Put(const V& a, const V& b, const V& c, const V& d)
  {
    V* out = &vertices[count];
    out[0] = a;
    out[1] = b;
    out[2] = c;
    if (indexed) {
      out[3] = d;
      count += 4;
    } else {
      out[3] = a;
      out[4] = c;
      out[5] = d;
      count += 6;
    }
  }
};

// Hands the frame's vertices to OpenGL in one glBufferData and draws them in
// runs of at most kRunVertices: glDrawArrays over the one array, or, indexed,
// the attributes pointed at each run's first vertex and the shared indices
// (0 1 2 0 2 3, plus four a quad) drawn.
template <class V>
void DrawRuns(const QuadWriter<V>& writer, GLuint program, bool textured)
{
  glUseProgram(program);
  glBufferData(GL_ARRAY_BUFFER, writer.count * sizeof(V), writer.vertices.data(), GL_STREAM_DRAW);
  glEnableVertexAttribArray(kPosition);
  glEnableVertexAttribArray(kColor);
  if (textured) glEnableVertexAttribArray(kUv);
  auto point = [&](size_t first) {
    const char* base = reinterpret_cast<const char*>(first * sizeof(V));
    glVertexAttribPointer(kPosition, 2, GL_FLOAT, GL_FALSE, sizeof(V), base);
    glVertexAttribPointer(kColor, 4, GL_UNSIGNED_BYTE, GL_TRUE, sizeof(V),
                          base + 2 * sizeof(float));
    if (textured)
      glVertexAttribPointer(kUv, 2, GL_FLOAT, GL_FALSE, sizeof(V), base + 2 * sizeof(float) + 4);
  };
  if (writer.indexed) {
    for (size_t first = 0; first < writer.count; first += kRunVertices) {
      size_t run = writer.count - first < kRunVertices ? writer.count - first : kRunVertices;
      point(first);
      glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(run / 4 * 6), GL_UNSIGNED_SHORT, nullptr);
    }
  } else {
    point(0);
    for (size_t first = 0; first < writer.count; first += kRunVertices) {
      size_t run = writer.count - first < kRunVertices ? writer.count - first : kRunVertices;
      glDrawArrays(GL_TRIANGLES, static_cast<GLint>(first), static_cast<GLsizei>(run));
    }
  }
  glDisableVertexAttribArray(kPosition);
  glDisableVertexAttribArray(kColor);
  if (textured) glDisableVertexAttribArray(kUv);
}

// One transformed corner: the rows of a 2D affine matrix applied to (x, y).
inline void Transform(const float rows[2][3], float x, float y, float* outX, float* outY)
{
  *outX = rows[0][0] * x + rows[0][1] * y + rows[0][2];
  *outY = rows[1][0] * x + rows[1][1] * y + rows[1][2];
}

int RunBatched(int scenario, const char* name, int warmup, int frames, const char* path)
{
  SDL_GLContext context = nullptr;
  SDL_Window* window = OpenWindow(false, &context);
  if (!window) return 1;
  const float sx = 2.0f / kWidth, sy = 2.0f / kHeight;
  GLuint colorProgram = BuildBatched(kBatchColorVertex, kBatchColorFragment, sx, sy);
  GLuint texturedProgram = BuildBatched(kBatchTexturedVertex, kBatchTexturedFragment, sx, sy);
  // Text is laid out in normalised device coordinates already.
  GLuint textProgram = BuildBatched(kBatchTexturedVertex, kBatchTextFragment, 1.0f, 1.0f);

  const char* indexedText = getenv("BENCH_FLOOR_INDEXED");
  bool indexed = indexedText && *indexedText ? strcmp(indexedText, "1") == 0
                                             : scenario == kQuads || scenario == kSprites;
  QuadWriter<ColorVertex> colors;
  QuadWriter<TexturedVertex> textured;
  colors.indexed = textured.indexed = indexed;

  GLuint stream = 0, indices = 0;
  glGenBuffers(1, &stream);
  glBindBuffer(GL_ARRAY_BUFFER, stream);
  if (indexed) {
    std::vector<unsigned short> shared;
    for (int q = 0; q < kRunVertices / 4; ++q)
      for (int corner : {0, 1, 2, 0, 2, 3})
        shared.push_back(static_cast<unsigned short>(q * 4 + corner));
    glGenBuffers(1, &indices);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indices);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, shared.size() * sizeof(unsigned short), shared.data(),
                 GL_STATIC_DRAW);
  }

  // Each scene's fixed parts: the texture, the atlas, the big mesh's cells
  // (corners 0, 1, 2 and 5 of each cell's six vertices).
  GLuint texture = 0;
  Atlas atlas;
  std::vector<ColorVertex> bigCorners;
  int bunnies = BunnyCount();
  if (scenario == kSprites) {
    static unsigned char pixels[kTextureSize * kTextureSize * 4];
    SpriteTexturePixels(pixels);
    texture = MakeTexture(pixels, kTextureSize, kTextureSize);
  } else if (scenario == kBunnies) {
    static unsigned char pixels[kBunnySize * kBunnySize * 4];
    BunnyTexturePixels(pixels);
    texture = MakeTexture(pixels, kBunnySize, kBunnySize);
  } else if (scenario == kText) {
    atlas = MakeAtlas();
    texture = atlas.texture;
  } else if (scenario == kBig) {
    const float one[4] = {1, 1, 1, 1};
    for (int v = 0; v < kBigMeshVertices; ++v) {
      if (v % 6 == 3 || v % 6 == 4) continue;
      unsigned int argb;
      ColorVertex corner;
      BigMeshVertex(v, &corner.x, &corner.y, &argb);
      PackColor(argb, one, corner.rgba);
      bigCorners.push_back(corner);
    }
  }
  const size_t quads = scenario == kText      ? static_cast<size_t>(kTextLines) * kLineChars
                       : scenario == kBig     ? bigCorners.size() / 4
                       : scenario == kBunnies ? static_cast<size_t>(bunnies)
                                              : static_cast<size_t>(kObjects);
  colors.Start(quads);
  textured.Start(quads);

  FrameClock clock(warmup, frames);
  float rows[2][3];
  for (int frame = 0; frame < warmup + frames; ++frame) {
    clock.Begin(frame);
    glClear(GL_COLOR_BUFFER_BIT);
    glViewport(0, 0, kWidth, kHeight);
    if (scenario == kQuads || scenario == kBig) {
      colors.Start(quads);
      if (scenario == kQuads) {
        const float h = kQuadSize / 2.0f;
        for (int i = 0; i < kObjects; ++i) {
          float rgba[4];
          ObjectTransform(i, frame, rows);
          ObjectColor(i, frame, rgba);
          ColorVertex c[4];
          PackColor(QuadMeshColor(i), rgba, c[0].rgba);
          const float corners[4][2] = {{-h, -h}, {h, -h}, {h, h}, {-h, h}};
          for (int k = 0; k < 4; ++k) {
            memcpy(c[k].rgba, c[0].rgba, 4);
            Transform(rows, corners[k][0], corners[k][1], &c[k].x, &c[k].y);
          }
          colors.Put(c[0], c[1], c[2], c[3]);
        }
      } else {
        const float identity[2][3] = {{1, 0, 0}, {0, 1, 0}};
        for (size_t q = 0; q < bigCorners.size(); q += 4) {
          ColorVertex c[4];
          for (int k = 0; k < 4; ++k) {
            c[k] = bigCorners[q + k];
            Transform(identity, c[k].x, c[k].y, &c[k].x, &c[k].y);
          }
          colors.Put(c[0], c[1], c[2], c[3]);
        }
      }
      glDisable(GL_BLEND);
      DrawRuns(colors, colorProgram, false);
    } else {
      textured.Start(quads);
      if (scenario == kSprites) {
        const float h = kSpriteSize / 2.0f;
        for (int i = 0; i < kObjects; ++i) {
          float u, v;
          ObjectTransform(i, frame, rows);
          SpriteOffset(i, frame, &u, &v);
          const float corners[4][4] = {{-h, -h, u, v + kCellUv},
                                       {h, -h, u + kCellUv, v + kCellUv},
                                       {h, h, u + kCellUv, v},
                                       {-h, h, u, v}};
          TexturedVertex c[4];
          for (int k = 0; k < 4; ++k) {
            Transform(rows, corners[k][0], corners[k][1], &c[k].x, &c[k].y);
            memset(c[k].rgba, 0xFF, 4);
            c[k].u = corners[k][2];
            c[k].v = corners[k][3];
          }
          textured.Put(c[0], c[1], c[2], c[3]);
        }
      } else if (scenario == kBunnies) {
        const float h = kBunnySize / 2.0f;
        for (int i = 0; i < bunnies; ++i) {
          float x, y;
          BunnyPosition(i, frame, &x, &y);
          textured.Put({x - h, y - h, {255, 255, 255, 255}, 0, 1},
                       {x + h, y - h, {255, 255, 255, 255}, 1, 1},
                       {x + h, y + h, {255, 255, 255, 255}, 1, 0},
                       {x - h, y + h, {255, 255, 255, 255}, 0, 0});
        }
      } else {
        // The per-object floor's layout, in normalised device coordinates;
        // black text.
        for (int l = 0; l < kTextLines; ++l)
          LayOutLine(atlas, l, frame, 2.0f / kWidth, 2.0f / kHeight,
                     [&](float left, float top, float w, float h, const Glyph& g) {
                       float u1 = g.u + g.width / 512.0f, v1 = g.v + g.height / 512.0f;
                       textured.Put({left, top - h, {0, 0, 0, 255}, g.u, v1},
                                    {left + w, top - h, {0, 0, 0, 255}, u1, v1},
                                    {left + w, top, {0, 0, 0, 255}, u1, g.v},
                                    {left, top, {0, 0, 0, 255}, g.u, g.v});
                     });
      }
      glEnable(GL_BLEND);
      glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
      glActiveTexture(GL_TEXTURE0);
      glBindTexture(GL_TEXTURE_2D, texture);
      DrawRuns(textured, scenario == kText ? textProgram : texturedProgram, true);
    }
    clock.End(frame, window);
  }
  return clock.Finish("floorbatch_alloc", name, window, context, path);
}

}  // namespace

int main(int argc, char** argv)
{
  if (argc != 5) {
    printf(
        "usage: bench_floor quads|sprites|text|big WARMUP FRAMES TIMES_FILE\n"
        "       BENCH_FLOOR_BATCHED=1 bench_floor quads|sprites|text|big|bunnies ...\n");
    return 2;
  }
  int scenario = ParseScenario(argv[1]);
  int warmup = atoi(argv[2]), frames = atoi(argv[3]);
  const char* batchedText = getenv("BENCH_FLOOR_BATCHED");
  if (batchedText && strcmp(batchedText, "1") == 0) {
    if (scenario < 0 || scenario == kSpriteFamily || warmup < 0 || frames <= 0) return 2;
    return RunBatched(scenario, argv[1], warmup, frames, argv[4]);
  }
  if (scenario < 0 || scenario >= kBunnies || warmup < 0 || frames <= 0) return 2;
  // Diagnosis only: BENCH_FLOOR_ENGINE_ARRAYS=1 makes the floor make the
  // engine's extra state calls: vertex arrays enabled and disabled around
  // every mesh draw and the buffer unbound after it; the program, blending
  // and array switched and put back around every text line.
  const char* engineArraysText = getenv("BENCH_FLOOR_ENGINE_ARRAYS");
  bool engineArrays = engineArraysText && strcmp(engineArraysText, "1") == 0;

  SDL_GLContext context = nullptr;
  SDL_Window* window = OpenWindow(true, &context);
  if (!window) return 1;

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
    for (int i = 0; i < kObjects; ++i)
      quads.push_back(Quad(kQuadSize / 2.0f, QuadMeshColor(i), 1.0f));
  } else if (scenario == kSprites) {
    static unsigned char pixels[kTextureSize * kTextureSize * 4];
    SpriteTexturePixels(pixels);
    texture = MakeTexture(pixels, kTextureSize, kTextureSize);
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
  FrameClock clock(warmup, frames);
  float world[16];
  float rows[2][3];
  for (int frame = 0; frame < warmup + frames; ++frame) {
    clock.Begin(frame);
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
        size_t count = 0;
        LayOutLine(atlas, l, frame, sx, sy,
                   [&](float left, float top, float w, float h, const Glyph& g) {
                     float du = g.width / 512.0f, dv = g.height / 512.0f;
                     text[count++] = {left, top, g.u, g.v};
                     text[count++] = {left + w, top, g.u + du, g.v};
                     text[count++] = {left, top - h, g.u, g.v + dv};
                     text[count++] = {left + w, top, g.u + du, g.v};
                     text[count++] = {left, top - h, g.u, g.v + dv};
                     text[count++] = {left + w, top - h, g.u + du, g.v + dv};
                   });
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
    clock.End(frame, window);
  }
  return clock.Finish("floor_alloc", argv[1], window, context, argv[4]);
}
