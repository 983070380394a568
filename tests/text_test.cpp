// Fonts and text with DejaVuSans: the atlas compared texel by texel with
// FreeType's own rendering, the creation message, font ids, the vertex
// layout read back from the text vertex buffer, measuring, pixels of printed
// text, the modes restored after printing, every message byte for byte, and
// fonts left at exit released (under valgrind); UTF-8 text and glyph pages.
// Desktop-only program: it reads textures and buffers back from OpenGL
// (glGetTexImage, glGetBufferSubData), which WebGL 1 does not offer;
// tests/web/page_test.cpp draws and reads pixels in the page.
#include <gtest/gtest.h>

#include <GL/glew.h>
#include <stdio.h>

#include <ft2build.h>
#include FT_FREETYPE_H

#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "OxPixelSupport.h"
#include "OxTestSupport.h"
#include "Oxlen.h"
#include "text/OxUtf8.h"

using oxtest::IsColour;
using oxtest::Pixel;
using oxtest::ReadPixel;

namespace {

const char kFont[] = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
const int kWidth = 800;
const int kHeight = 600;

// FreeType's rendering of one character, as the atlas should hold it.
struct ReferenceGlyph {
  bool rendered = false;
  int width = 0, rows = 0, left = 0, top = 0, advanceX = 0;
  std::vector<unsigned char> coverage;  // rows of width bytes, top first
  unsigned x = 0, y = 0;                // place in the atlas
};

// Characters 32 to 127 of the font at the size, placed by the atlas rules.
struct ReferenceAtlas {
  ReferenceGlyph glyphs[128];
  unsigned width = 0, height = 0;
};

// The font opened with FreeType at a pixel size.
struct ReferenceFace {
  FT_Library library = nullptr;
  FT_Face face = nullptr;
  explicit ReferenceFace(int size)
  {
    if (!FT_Init_FreeType(&library) && !FT_New_Face(library, kFont, 0, &face))
      FT_Set_Pixel_Sizes(face, 0, size);
  }
  ~ReferenceFace() { FT_Done_Face(face), FT_Done_FreeType(library); }
  // One codepoint's rendering (glyph 0 where the font has none).
  ReferenceGlyph Render(unsigned code) const
  {
    ReferenceGlyph glyph;
    if (!face || FT_Load_Char(face, code, FT_LOAD_RENDER)) return glyph;
    const FT_Bitmap& bitmap = face->glyph->bitmap;
    glyph.rendered = true;
    glyph.width = bitmap.width;
    glyph.rows = bitmap.rows;
    glyph.left = face->glyph->bitmap_left;
    glyph.top = face->glyph->bitmap_top;
    glyph.advanceX = static_cast<int>(face->glyph->advance.x >> 6);
    for (unsigned row = 0; row < bitmap.rows; ++row)
      glyph.coverage.insert(glyph.coverage.end(), bitmap.buffer + row * bitmap.pitch,
                            bitmap.buffer + row * bitmap.pitch + bitmap.width);
    return glyph;
  }
};

ReferenceAtlas Reference(int size)
{
  ReferenceAtlas atlas;
  ReferenceFace face(size);
  unsigned x = 0, y = 0, rowHeight = 0;
  for (int code = 32; code < 128; ++code) {
    ReferenceGlyph& glyph = atlas.glyphs[code] = face.Render(code);
    if (!glyph.rendered) continue;
    const FT_Bitmap& bitmap = face.face->glyph->bitmap;
    if (x + bitmap.width + 1 >= 1024) {
      atlas.width = std::max(atlas.width, x);
      atlas.height += rowHeight;
      x = 0;
      y += rowHeight;
      rowHeight = 0;
    }
    glyph.x = x;
    glyph.y = y;
    rowHeight = std::max(rowHeight, static_cast<unsigned>(bitmap.rows));
    x += bitmap.width + 1;
  }
  atlas.width = std::max(atlas.width, x);
  atlas.height += rowHeight;
  return atlas;
}

int StartLibrary()
{
  int started = OxSysInit(nullptr, SW_SHOW, kWidth, kHeight, 0, 0, 0, nullptr);
  glewInit();
  return started;
}

GLint Integer(GLenum name)
{
  GLint value = -1;
  glGetIntegerv(name, &value);
  return value;
}

// The text vertex buffer's first count vertices (bound after a print).
std::vector<float> TextVertices(int count)
{
  std::vector<float> values(static_cast<size_t>(count) * 4, -99.0f);
  glGetBufferSubData(GL_ARRAY_BUFFER, 0, values.size() * sizeof(float), values.data());
  return values;
}

GLint BufferSize()
{
  GLint size = -1;
  glGetBufferParameteriv(GL_ARRAY_BUFFER, GL_BUFFER_SIZE, &size);
  return size;
}

// The output after the marker line, which the child prints once started.
std::string After(const std::string& out, const std::string& marker)
{
  size_t at = out.find(marker);
  return at == std::string::npos ? "<no marker>" + out : out.substr(at + marker.size());
}

// One frame drawn by draw, read back (after a flush) before it ends.
template <typename Draw> std::vector<unsigned char> Frame(Draw draw)
{
  OxSysFrameStart();
  draw();
  OxGfxFlush();
  std::vector<unsigned char> pixels = oxtest::ReadFrame(kWidth, kHeight);
  OxSysFrameEnd();
  return pixels;
}

// Pixels darker than mid-grey in the window rectangle [x0, x1) x [y0, y1).
int DarkPixels(const std::vector<unsigned char>& frame, int x0, int y0, int x1, int y1)
{
  int dark = 0;
  for (int y = std::max(y0, 0); y < std::min(y1, kHeight); ++y)
    for (int x = std::max(x0, 0); x < std::min(x1, kWidth); ++x)
      dark += frame[(static_cast<size_t>(y) * kWidth + x) * 4] < 128;
  return dark;
}

class Text : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(StartLibrary(), 1); }
  void TearDown() override { OxSysExit(); }
};

}  // namespace

// Cases: at size 8 every glyph fits one row (height = the tallest bitmap,
// width = the sum of width + 1); at size 48 several rows. For both: the
// printed size equals the texture's and the reference layout's, every glyph
// image sits at its place texel for texel, the first glyph (the space) at
// (0, 0); GL_ALPHA, clamped, linear; unpack alignment left at 1; the atlas
// left bound.
TEST(TextAtlas, LayoutAgainstFreeType)
{
  for (int size : {8, 48}) {
    ReferenceAtlas reference = Reference(size);
    ASSERT_TRUE(reference.glyphs['A'].rendered);
    unsigned sum = 0, tallest = 0;
    for (const ReferenceGlyph& glyph : reference.glyphs)
      if (glyph.rendered) {
        sum += glyph.width + 1;
        tallest = std::max(tallest, static_cast<unsigned>(glyph.rows));
      }
    if (size == 8) {
      EXPECT_EQ(reference.width, sum);
      EXPECT_EQ(reference.height, tallest);
    } else {
      EXPECT_GT(reference.height, 2 * tallest);
    }

    oxtest::ChildResult child = oxtest::RunInChild([size, reference] {
      if (StartLibrary() != 1) return 2;
      printf("[start]\n");
      OxGfxFontId id = OxGfxCreateFont(kFont, size);
      if (id != 1) return 3;
      int failures = 0;
      GLint width = 0, height = 0, format = 0, wrapS = 0, wrapT = 0, minF = 0, magF = 0;
      glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
      glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
      glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &format);
      glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &wrapS);
      glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &wrapT);
      glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minF);
      glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &magF);
      if (Integer(GL_TEXTURE_BINDING_2D) == 0) failures |= 1;
      if (width != static_cast<GLint>(reference.width) ||
          height != static_cast<GLint>(reference.height))
        failures |= 2;
      if (format != GL_ALPHA) failures |= 4;
      if (wrapS != GL_CLAMP_TO_EDGE || wrapT != GL_CLAMP_TO_EDGE) failures |= 8;
      if (minF != GL_LINEAR || magF != GL_LINEAR) failures |= 16;
      if (Integer(GL_UNPACK_ALIGNMENT) != 1) failures |= 32;
      if (reference.glyphs[32].x != 0 || reference.glyphs[32].y != 0) failures |= 64;

      std::vector<unsigned char> texels(static_cast<size_t>(width) * height);
      glPixelStorei(GL_PACK_ALIGNMENT, 1);
      glGetTexImage(GL_TEXTURE_2D, 0, GL_ALPHA, GL_UNSIGNED_BYTE, texels.data());
      for (int code = 32; code < 128; ++code) {
        const ReferenceGlyph& glyph = reference.glyphs[code];
        for (int row = 0; row < glyph.rows; ++row)
          for (int column = 0; column < glyph.width; ++column)
            if (texels[(glyph.y + row) * width + glyph.x + column] !=
                glyph.coverage[row * glyph.width + column])
              failures |= 128;
      }
      OxSysExit();
      return failures;
    });
    EXPECT_EQ(child.exitCode, 0) << size << "\n" << child.out;
    char line[160];
    snprintf(line, sizeof(line), "Font %s, size %d, generated a %u x %u (%u kb) atlas.\n", kFont,
             size, reference.width, reference.height,
             reference.width * reference.height / 1024u);
    EXPECT_EQ(After(child.out, "[start]\n"), line);
    EXPECT_EQ(child.err, "");
  }
}

// Cases: the first font is 1, the next 2; a missing file, a file that is no
// font, size 0, size -3, a size whose glyphs exceed the maximum texture size
// and one whose rows together do print "Error: Could not load font %s\n",
// print nothing else and use no id (the next is 3); a destroyed font's id is
// not handed out again (4 follows); destroying twice prints the unknown-id
// message the second time; printing and measuring with an unknown id print
// their messages (ids sign-extended) and leave the outputs untouched.
TEST(TextFonts, IdsAndMessages)
{
  std::string notFont = oxtest::TempDir() + "/not-a-font.ttf";
  FILE* file = fopen(notFont.c_str(), "w");
  ASSERT_NE(file, nullptr);
  fputs("plain text, no font\n", file);
  fclose(file);

  oxtest::ChildResult child = oxtest::RunInChild([notFont] {
    if (StartLibrary() != 1) return 2;
    printf("[start]\n");
    int failures = 0;
    if (OxGfxCreateFont(kFont, 10) != 1) failures |= 1;
    if (OxGfxCreateFont(kFont, 12) != 2) failures |= 2;
    if (OxGfxCreateFont("/no/such/font.ttf", 10) != -1) failures |= 4;
    if (OxGfxCreateFont(notFont.c_str(), 10) != -1) failures |= 4;
    if (OxGfxCreateFont(kFont, 0) != -1) failures |= 4;
    if (OxGfxCreateFont(kFont, -3) != -1) failures |= 4;
    // Glyphs larger than the maximum texture size (16384 on llvmpipe).
    if (OxGfxCreateFont(kFont, 40000) != -1) failures |= 4;
    // Rows that together outgrow the maximum texture height.
    if (OxGfxCreateFont(kFont, 1000) != -1) failures |= 4;
    if (OxGfxCreateFont(kFont, 10) != 3) failures |= 8;
    printf("[destroy]\n");
    OxGfxDestroyFont(2);
    OxGfxDestroyFont(2);
    if (OxGfxCreateFont(kFont, 10) != 4) failures |= 16;
    printf("[unknown]\n");
    float width = 5.0f, height = 6.0f;
    OxSysFrameStart();
    OxGfxPrint(-5, "hello", 0, 0, 1, 1, 1, 1, 1);
    OxGfxGetPrintSize(9, "size", 1, &width, &height);
    OxSysFrameEnd();
    if (width != 5.0f || height != 6.0f) failures |= 32;
    OxGfxDestroyFont(-128);
    OxSysExit();
    return failures;
  });
  EXPECT_EQ(child.exitCode, 0) << child.out;
  std::string out = After(child.out, "[start]\n");
  std::regex created("Font " + std::string(kFont) +
                     ", size (10|12), generated a [0-9]+ x [0-9]+ \\([0-9]+ kb\\) atlas\\.\n");
  std::string expected =
      "Error: Could not load font /no/such/font.ttf\n"
      "Error: Could not load font " + notFont + "\n"
      "Error: Could not load font " + std::string(kFont) + "\n"
      "Error: Could not load font " + std::string(kFont) + "\n"
      "Error: Could not load font " + std::string(kFont) + "\n"
      "Error: Could not load font " + std::string(kFont) + "\n";
  std::string first = out.substr(0, out.find("Error"));
  EXPECT_EQ(oxtest::Count(first, "Font "), 2u) << out;
  EXPECT_TRUE(std::regex_search(first, created)) << out;
  EXPECT_NE(out.find(expected), std::string::npos) << out;
  EXPECT_EQ(oxtest::Count(out, "Error: Could not load font"), 6u) << out;
  std::string destroy = After(out, "[destroy]\n");
  EXPECT_EQ(destroy.substr(0, destroy.find("Font ")),
            "Error: Trying to destroy a font with an unknown fontId (2)\n");
  EXPECT_EQ(After(out, "[unknown]\n"),
            "Error: Cannot print msg (hello). FontId (-5) coud not be found\n"
            "Error: Cannot get size of msg (size). FontId (9) coud not be found\n"
            "Error: Trying to destroy a font with an unknown fontId (-128)\n");
  EXPECT_EQ(child.err, "");
}

// Cases: ids count 1 to 127, then -128 to -2, skip -1 and give 0; with 255
// fonts live no id is free and creation fails with -1 silently; a font
// destroyed then frees its id for the next creation after the wrap.
TEST(TextFonts, IdCounterWrapsAndSkips)
{
  oxtest::ChildResult child = oxtest::RunInChild([] {
    if (StartLibrary() != 1) return 2;
    int failures = 0;
    int expected = 1;
    for (int made = 0; made < 255; ++made) {
      if (OxGfxCreateFont(kFont, 4) != static_cast<OxGfxFontId>(expected)) failures |= 1;
      expected = expected == 127 ? -128 : expected == -2 ? 0 : expected + 1;
    }
    printf("[full]\n");
    if (OxGfxCreateFont(kFont, 4) != -1) failures |= 2;
    OxGfxDestroyFont(5);
    OxGfxDestroyFont(-7);
    if (OxGfxCreateFont(kFont, 4) != 5) failures |= 4;
    if (OxGfxCreateFont(kFont, 4) != -7) failures |= 8;
    if (OxGfxCreateFont(kFont, 4) != -1) failures |= 16;
    OxSysExit();
    return failures;
  });
  EXPECT_EQ(child.exitCode, 0);
  std::string out = After(child.out, "[full]\n");
  EXPECT_EQ(oxtest::Count(out, "Font "), 2u) << out;
  EXPECT_EQ(out.find("Error"), std::string::npos) << out;
}

// Cases: the six vertices of one character at (0, 0), scale 1, on 800 x 600
// (sx = 0.0025, sy = 1/300): corners from the bearings and sizes, texture
// coordinates from the atlas place, the pen moved by the advance; the buffer
// holds string length x 96 bytes; OxGfxGetPrintSize of it (advance x sx,
// rows x sy) and at scale 2; a newline and a high byte move no pen and add
// nothing; two spaces measure twice the space advance and height 0; null
// pointers are allowed; an empty string draws and prints nothing.
TEST_F(Text, VertexLayoutAndMeasuring)
{
  ReferenceAtlas reference = Reference(20);
  const ReferenceGlyph& a = reference.glyphs['A'];
  const ReferenceGlyph& b = reference.glyphs['B'];
  OxGfxFontId font = OxGfxCreateFont(kFont, 20);
  ASSERT_EQ(font, 1);
  const float sx = 2.0f / 800.0f, sy = 2.0f / 600.0f;
  const float aw = static_cast<float>(reference.width), ah = static_cast<float>(reference.height);

  OxSysFrameStart();
  OxGfxSetRenderMode(OxGfxRenderModeColor);
  OxGfxPrint(font, "A", 0, 0, 1, 0, 0, 0, 1);
  EXPECT_EQ(BufferSize(), 96);
  std::vector<float> v = TextVertices(6);
  float left = a.left * sx, top = a.top * sy, right = left + a.width * sx,
        bottom = top - a.rows * sy;
  float u0 = a.x / aw, v0 = a.y / ah, u1 = u0 + a.width / aw, v1 = v0 + a.rows / ah;
  const float expected[24] = {left,  top,    u0, v0, right, top,    u1, v0,
                              left,  bottom, u0, v1, right, top,    u1, v0,
                              left,  bottom, u0, v1, right, bottom, u1, v1};
  for (int i = 0; i < 24; ++i) EXPECT_NEAR(v[i], expected[i], 1e-6f) << i;

  // "A\nB" and "A\xC3\xA9B": B starts one advance of A from the pen start.
  for (const char* text : {"A\nB", "A\xC3\xA9" "B"}) {
    OxGfxPrint(font, text, -0.5f, 0.25f, 1, 0, 0, 0, 1);
    EXPECT_EQ(BufferSize(), static_cast<GLint>(strlen(text)) * 96);
    std::vector<float> two = TextVertices(12);
    EXPECT_NEAR(two[0], -0.5f + a.left * sx, 1e-6f);
    EXPECT_NEAR(two[24], -0.5f + (a.advanceX + b.left) * sx, 1e-6f) << text;
    EXPECT_NEAR(two[25], 0.25f + b.top * sy, 1e-6f) << text;
  }
  // The vertices not drawn are uploaded as zeros, also when a longer text
  // printed before filled them.
  OxGfxPrint(font, "B  ", 0, 0, 1, 0, 0, 0, 1);
  std::vector<float> tail = TextVertices(18);
  for (int i = 24; i < 72; ++i) EXPECT_EQ(tail[i], 0.0f) << i;
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  OxSysFrameEnd();

  float width = -1, height = -1;
  OxGfxGetPrintSize(font, "A", 1, &width, &height);
  EXPECT_FLOAT_EQ(width, a.advanceX * sx);
  EXPECT_FLOAT_EQ(height, a.rows * sy);
  OxGfxGetPrintSize(font, "A", 2, &width, &height);
  EXPECT_FLOAT_EQ(width, a.advanceX * 2 * sx);
  EXPECT_FLOAT_EQ(height, a.rows * 2 * sy);
  float plain = -1, plainHeight = -1;
  OxGfxGetPrintSize(font, "AB", 1, &plain, &plainHeight);
  for (const char* text : {"A\nB", "A\x01\xFF" "B\x80"}) {
    OxGfxGetPrintSize(font, text, 1, &width, &height);
    EXPECT_FLOAT_EQ(width, plain) << text;
    EXPECT_FLOAT_EQ(height, plainHeight) << text;
  }
  OxGfxGetPrintSize(font, "  ", 1, &width, &height);
  EXPECT_FLOAT_EQ(width, 2 * reference.glyphs[' '].advanceX * sx);
  EXPECT_EQ(height, 0.0f);
  OxGfxGetPrintSize(font, "", 1, &width, &height);
  EXPECT_EQ(width, 0.0f);
  EXPECT_EQ(height, 0.0f);
  OxGfxGetPrintSize(font, "AB", 1, nullptr, nullptr);
  OxGfxGetPrintSize(font, "AB", 1, nullptr, &height);
  EXPECT_FLOAT_EQ(height, plainHeight);

  // Empty string: nothing drawn, no error.
  OxSysFrameStart();
  OxGfxPrint(font, "", 0, 0, 4, 1, 0, 0, 1);
  EXPECT_TRUE(IsColour(ReadPixel(400, 300), 255, 255, 255, 0));
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  OxSysFrameEnd();
  OxGfxDestroyFont(font);
}

// Cases: a fully covered texel of "H" printed at (0, 0), scale 3, lands at
// the window's centre plus its bearing and row, in the requested colour;
// with alpha 0.5 half over the white background; nothing left of the pen
// start or below the baseline; text at (-1, -1) starts at the bottom-left
// corner; OxGfxPrintAt's anchor in world pixels is the pen start.
TEST_F(Text, PixelsWhereThePenStarts)
{
  const int size = 32, scale = 3;
  ReferenceAtlas reference = Reference(size);
  const ReferenceGlyph& h = reference.glyphs['H'];
  OxGfxFontId font = OxGfxCreateFont(kFont, size);
  ASSERT_EQ(font, 1);
  // The first texel of the left stem, half way down, whose neighbours are
  // fully covered too, so that linear filtering at its centre changes
  // nothing.
  int row = h.rows / 2, column = 1;
  auto full = [&](int r, int c) { return h.coverage[r * h.width + c] == 255; };
  while (column + 1 < h.width && !(full(row, column - 1) && full(row, column) &&
                                   full(row, column + 1) && full(row - 1, column) &&
                                   full(row + 1, column)))
    ++column;
  ASSERT_LT(column + 1, h.width);
  int x = kWidth / 2 + (h.left + column) * scale + 1;
  int y = kHeight / 2 + (h.top - row) * scale - 2;

  OxSysFrameStart();
  OxGfxPrint(font, "H", 0, 0, scale, 0.8f, 0.2f, 0.4f, 1.0f);
  Pixel pixel = ReadPixel(x, y);
  EXPECT_TRUE(IsColour(pixel, 204, 51, 102)) << pixel;
  for (int dx = -8; dx < 0; ++dx)
    EXPECT_TRUE(IsColour(ReadPixel(kWidth / 2 + dx, y), 255, 255, 255, 0));
  for (int dy = 2; dy < 10; ++dy)
    EXPECT_TRUE(IsColour(ReadPixel(x, kHeight / 2 - dy), 255, 255, 255, 0));
  OxSysFrameEnd();

  OxSysFrameStart();
  OxGfxPrint(font, "H", 0, 0, scale, 0.0f, 0.0f, 1.0f, 0.5f);
  pixel = ReadPixel(x, y);
  EXPECT_TRUE(IsColour(pixel, 128, 128, 255, 2)) << pixel;
  OxGfxPrint(font, "H", -1, -1, scale, 0.0f, 0.0f, 0.0f, 1.0f);
  pixel = ReadPixel((h.left + column) * scale + 1, (h.top - row) * scale - 2);
  EXPECT_TRUE(IsColour(pixel, 0, 0, 0)) << pixel;
  OxSysFrameEnd();

  OxGfxSetCamPosition(100, 50);  // world (150, 80): 50 pixels right of the centre, 30 up
  OxSysFrameStart();
  OxGfxPrintAt(font, "H", 150, 80, scale, 0.0f, 0.6f, 0.0f, 1.0f);
  EXPECT_TRUE(IsColour(ReadPixel(x + 50, y + 30), 0, 153, 0));
  for (int d = 1; d <= 8; ++d)
    EXPECT_TRUE(IsColour(ReadPixel(kWidth / 2 + 50 - d, y + 30), 255, 255, 255, 0) &&
                IsColour(ReadPixel(x + 50, kHeight / 2 + 29 - d), 255, 255, 255, 0)) << d;
  OxSysFrameEnd();
  OxGfxDestroyFont(font);
}

// Cases: after printing, the colour program is current again with blending
// off, and a mesh drawn after the text lands where the same mesh did before
// it (the camera's matrices were uploaded again); the texture program and
// the additive blend mode come back the same way; render mode 0 comes back
// as no program; the atlas stays bound on unit 0.
TEST_F(Text, ModesRestoredAfterPrint)
{
  OxGfxFontId font = OxGfxCreateFont(kFont, 16);
  ASSERT_EQ(font, 1);
  GLint atlas = Integer(GL_TEXTURE_BINDING_2D);
  OxGfxSetCamPosition(100, 50);
  OxMtx33 place;
  OxMtx33Trans(&place, 150, 80);
  OxGfxMeshStart();
  OxGfxTriAdd(-10, -10, 0xFFFF0000, 0, 0, 10, -10, 0xFFFF0000, 0, 0, 10, 10, 0xFFFF0000, 0, 0);
  OxGfxTriAdd(-10, -10, 0xFFFF0000, 0, 0, 10, 10, 0xFFFF0000, 0, 0, -10, 10, 0xFFFF0000, 0, 0);
  OxGfxVertexList* square = OxGfxMeshEnd();
  // World (150, 80) with the camera at (100, 50): window pixel (450, 330).
  const int px = 450, py = 330;
  // The camera reaches the programs at the first switch of the next frame.
  OxSysFrameStart();
  OxSysFrameEnd();

  OxSysFrameStart();
  OxGfxSetRenderMode(OxGfxRenderModeColor);
  GLint colourProgram = Integer(GL_CURRENT_PROGRAM);
  OxGfxSetTransform(&place);
  OxGfxMeshDraw(square, OxGfxMeshDrawModeTriangles);
  EXPECT_TRUE(IsColour(ReadPixel(px, py), 255, 0, 0));
  OxGfxSetBackgroundColor(1, 1, 1);
  OxSysFrameEnd();

  OxSysFrameStart();
  OxGfxSetRenderMode(OxGfxRenderModeColor);
  OxGfxSetTransform(&place);
  OxGfxPrint(font, "Text", -0.9f, -0.9f, 1, 0, 0, 0, 1);
  EXPECT_EQ(Integer(GL_CURRENT_PROGRAM), colourProgram);
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
  EXPECT_EQ(Integer(GL_TEXTURE_BINDING_2D), atlas);
  EXPECT_TRUE(IsColour(ReadPixel(px, py), 255, 255, 255, 0));
  OxGfxMeshDraw(square, OxGfxMeshDrawModeTriangles);
  EXPECT_TRUE(IsColour(ReadPixel(px, py), 255, 0, 0));
  EXPECT_TRUE(IsColour(ReadPixel(px + 12, py), 255, 255, 255, 0));
  EXPECT_TRUE(IsColour(ReadPixel(px, py + 12), 255, 255, 255, 0));

  OxGfxSetRenderMode(OxGfxRenderModeTexture);
  GLint textureProgram = Integer(GL_CURRENT_PROGRAM);
  OxGfxSetBlendMode(OxGfxBlendModeAdd);
  OxGfxPrint(font, "Text", -0.9f, -0.9f, 1, 0, 0, 0, 1);
  EXPECT_EQ(Integer(GL_CURRENT_PROGRAM), textureProgram);
  EXPECT_TRUE(glIsEnabled(GL_BLEND));
  EXPECT_EQ(Integer(GL_BLEND_DST_RGB), GL_ONE);
  OxGfxSetBlendMode(OxGfxBlendModeNone);

  OxGfxSetRenderMode(OxGfxRenderModeNone);
  OxGfxPrint(font, "Text", -0.9f, -0.9f, 1, 0, 0, 0, 1);
  EXPECT_EQ(Integer(GL_CURRENT_PROGRAM), 0);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  OxSysFrameEnd();
  OxGfxMeshFree(square);
  OxGfxDestroyFont(font);
}

// Each text draws something and measures and draws as its twin: ASCII as
// OxGfxPrint; "\r\n" as '\n'; each ill-formed part (stray, C1, F5..FF,
// overlong, surrogate, above U+10FFFF, cut short) as U+FFFD; a missing glyph as another.
TEST_F(Text, Utf8DrawsAsItsTwin)
{
  OxGfxFontId font = OxGfxCreateFont(kFont, 20);
  auto R = [](int n) { std::string s; while (n--) s += "\xEF\xBF\xBD"; return s; };
  const std::string cases[][2] = {
      {"Hello, World! {~}", "Hello, World! {~}"},
      {"AB\r\nA", "AB\nA"},
      {"a\x80" "b\xC0\xAF-\xE0\x80\xAF\xED\xA0\x80\xF4\x90\x80\x80!\xC1\xF5\xFF" "A\xE2\x82",
       "a" + R(1) + "b" + R(2) + "-" + R(10) + "!" + R(3) + "A" + R(1)},
      {"x\xE4\xB8\x80y", "x\xE4\xB8\x81y"},  // U+4E00, U+4E01
  };
  const std::vector<unsigned char> blank = Frame([] {});
  for (const auto& test : cases) {
    float size[2][2] = {{-1, -1}, {-2, -2}};
    std::vector<unsigned char> frame[2];
    for (int i = 0; i < 2; ++i) {
      const char* text = test[i].c_str();
      bool ascii = i && test[0] == test[1];
      (ascii ? OxGfxGetPrintSize : OxGfxGetPrintSizeUtf8)(font, text, 1.5f, size[i], size[i] + 1);
      frame[i] = Frame([&] {
        (ascii ? OxGfxPrint : OxGfxPrintUtf8)(font, text, -0.9f, 0.1f, 1.5f, 0.2f, 0, 1, 0.8f);
      });
    }
    EXPECT_TRUE(size[0][0] == size[1][0] && size[0][1] == size[1][1]) << test[1];
    EXPECT_TRUE(size[0][0] > 0 && frame[0] != blank && frame[0] == frame[1]) << test[1];
  }
  OxGfxDestroyFont(font);
}

// "café €": each glyph's box, one advance (FreeType's) after another, holds
// dark pixels, nothing lies past the pen's end. "AB\nA": the second A starts
// back at x, one line height down; the size is the wider line by the tallest
// image plus a line height for each '\n', a trailing one too; in world pixels
// the same in glyph pixels x scale.
TEST_F(Text, Utf8PenAndNewLines)
{
  ReferenceFace reference(20);
  const int line = static_cast<int>(reference.face->size->metrics.height >> 6);
  const ReferenceGlyph a = reference.Render('A'), b = reference.Render('B');
  OxGfxFontId font = OxGfxCreateFont(kFont, 20);
  std::vector<unsigned char> frame =
      Frame([&] { OxGfxPrintUtf8(font, "caf\xC3\xA9 \xE2\x82\xAC", -0.9f, 0, 2, 0, 0, 0, 1); });
  int pen = 40;  // -0.9 in window pixels; glyph pixels are 2 window pixels
  for (unsigned code : {0x63u, 0x61u, 0x66u, 0xE9u, 0x20u, 0x20ACu}) {
    ReferenceGlyph glyph = reference.Render(code);
    int left = pen + glyph.left * 2, top = kHeight / 2 + glyph.top * 2;
    EXPECT_GE(DarkPixels(frame, left, top - glyph.rows * 2, left + glyph.width * 2, top),
              glyph.width * glyph.rows / 2) << code;
    pen += glyph.advanceX * 2;
  }
  EXPECT_EQ(DarkPixels(frame, pen + 2, 0, kWidth, kHeight), 0);
  const float sx = 2.0f / kWidth, sy = 2.0f / kHeight;
  OxSysFrameStart();
  OxGfxPrintUtf8(font, "AB\nA", -0.5f, 0.25f, 1, 0, 0, 0, 1);
  std::vector<float> v = TextVertices(18);
  OxSysFrameEnd();
  EXPECT_NEAR(v[48], -0.5f + a.left * sx, 1e-6f);
  EXPECT_NEAR(v[49], 0.25f - line * sy + a.top * sy, 1e-6f);
  float width = -1, height = -1;
  OxGfxGetPrintSizeUtf8(font, "AB\nA", 1, &width, &height);
  EXPECT_FLOAT_EQ(width, (a.advanceX + b.advanceX) * sx);
  EXPECT_FLOAT_EQ(height, std::max(a.rows, b.rows) * sy + line * sy);
  OxGfxGetPrintSizeUtf8(font, "A\n", 1, &width, &height);
  EXPECT_FLOAT_EQ(height, (a.rows + line) * sy);
  OxGfxGetPrintSizeInPixels(font, "AB\nA", 3, &width, &height);
  EXPECT_EQ(width, 3.0f * a.advanceX + 3.0f * b.advanceX);
  EXPECT_EQ(height, 3.0f * std::max(a.rows, b.rows) + 3.0f * line);
  OxGfxDestroyFont(font);
}

// The font's ~5,000 codepoints from U+00A0 up, in texts of 300 printed three
// times over (pages hold ~1,000 glyphs): pages dropped and refilled within
// their memory budget; one text of all prints the no-room message once over
// two prints and measures every advance; é then draws the same.
TEST(TextPages, ManyCodepointsFillThePages)
{
  ReferenceFace reference(96);
  std::vector<std::string> texts;
  size_t count = 0;
  float advances = 0;
  FT_UInt index;
  for (FT_ULong code = FT_Get_First_Char(reference.face, &index); index != 0;
       code = FT_Get_Next_Char(reference.face, code, &index)) {
    if (code < 0xA0) continue;
    if (count++ % 300 == 0) texts.emplace_back();
    unsigned char bytes[4];
    texts.back().append(reinterpret_cast<char*>(bytes), OxUtf8Encode(code, bytes));
    advances += reference.Render(code).advanceX;
  }
  ASSERT_GT(count, 3000u);
  std::string all;
  for (const std::string& text : texts) all += text;
  oxtest::ChildResult child = oxtest::RunInChild([&] {
    if (StartLibrary() != 1) return 2;
    OxGfxFontId font = OxGfxCreateFont(kFont, 96);
    auto e = [&] { OxGfxPrintUtf8(font, "\xC3\xA9", 0, 0, 1, 0, 0, 0, 1); };
    std::vector<unsigned char> before = Frame(e);
    long pages[4] = {};  // resident 4 kB pages after each round (Linux; 0 elsewhere)
    for (int round = 0; round <= 3; ++round) {
      for (const std::string& text : texts)
        if (round) Frame([&] { OxGfxPrintUtf8(font, text.c_str(), -1, 0, 0.5f, 0, 0, 0, 1); });
      std::ifstream("/proc/self/statm") >> pages[round] >> pages[round];
    }
    // Within 9 MiB of round 1 and 32 MiB of the start (the glyph pages' budget is
    // 8 MiB); glyph pages or records kept after each drop would add tens of MiB.
    if (!oxtest::kAddressSanitizer && (pages[3] > pages[1] + 2304 || pages[3] > pages[0] + 8192))
      return 4;
    printf("[all]\n");
    for (int twice = 0; twice < 2; ++twice)
      Frame([&] { OxGfxPrintUtf8(font, all.c_str(), -1, 0, 0.1f, 0, 0, 0, 1); });
    float width = 0;
    OxGfxGetPrintSizeInPixels(font, all.c_str(), 1, &width, nullptr);
    int failures = (width == advances ? 0 : 8) | (Frame(e) == before ? 0 : 16);
    OxSysExit();
    return failures;
  }, 110);
  EXPECT_EQ(child.exitCode, 0) << child.out.substr(0, 2000);
  EXPECT_EQ(After(child.out, "[all]\n"),
            "Error: Font (1) has no room for every glyph of a text; the rest are not drawn\n");
  EXPECT_EQ(child.err, "");
}

#ifndef _WIN32
// Linux only: valgrind runs Linux programs only; under Wine the same loop has
// no leak checker.
// Cases: a create, print, destroy loop and a font left at exit under
// valgrind's memcheck: no block lost from the font code (the font left at
// exit is released by OxGfxExit). Fails when valgrind is not installed.
TEST(TextLeaks, CreatePrintDestroyLoopUnderValgrind)
{
  std::string valgrind = oxtest::RunCommand("command -v valgrind");
  ASSERT_FALSE(valgrind.empty()) << "valgrind is not installed (scripts/setup.sh installs it)";
  std::string log = oxtest::TempDir() + "/memcheck.txt";
  std::string command = "valgrind --tool=memcheck --leak-check=full "
                        "--show-leak-kinds=definite,indirect --num-callers=40 --log-file=" +
                        log + " " + OX_TEST_BINARY_DIR + "/ox_font_leak_loop 3 > /dev/null 2>&1;"
                        " echo $?";
  std::string status = oxtest::RunCommand(command);
  FILE* file = fopen(log.c_str(), "r");
  ASSERT_NE(file, nullptr) << "no valgrind log";
  std::string text;
  char chunk[4096];
  size_t got;
  while ((got = fread(chunk, 1, sizeof(chunk), file)) > 0) text.append(chunk, got);
  fclose(file);
  EXPECT_EQ(status, "0\n") << text.substr(0, 4000);
  ASSERT_NE(text.find("LEAK SUMMARY"), std::string::npos) << text.substr(0, 4000);

  // Loss records are blocks of lines between valgrind's blank lines.
  std::vector<std::string> records;
  std::string block;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    start = end + 1;
    if (std::regex_match(line, std::regex("==[0-9]+== *"))) {
      if (block.find(" lost in loss record ") != std::string::npos) records.push_back(block);
      block.clear();
    } else {
      block += line + "\n";
    }
  }
  for (const std::string& record : records)
    for (const char* ours : {"OxGfxCreateFont", "OxGfxPrint", "OxGfxDestroyFont",
                             "OxGlyphAtlas", "OxGfxFontSystem", "OxGfxGetPrintSize"})
      EXPECT_EQ(record.find(ours), std::string::npos) << record;
}
#endif
