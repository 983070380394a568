// Fonts and text: the font system's start and stop, the registry of fonts
// by id, font creation, printing in normalised device coordinates with the
// font program (ASCII, and UTF-8 with new lines), printing in world pixels,
// measuring and destroying. Leans on FreeType, OpenGL, the glyph atlas and
// the graphics module's Shader and render state; font files are read through
// the platform's file layer.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <new>

#include <ft2build.h>
#include FT_FREETYPE_H

#include "platform/OxPlatformGLApi.h"

#include "OxGraphics.h"
#include "OxMath.h"
#include "OxText.h"
#include "diagnostics/OxDiagnostics.h"
#include "graphics/OxBatch.h"
#include "graphics/OxRenderState.h"
#include "graphics/OxFontSystem.h"
#include "graphics/OxGlyphAtlas.h"
#include "graphics/OxGraphicsInternal.h"
#include "graphics/Shader.h"
#include "platform/OxPlatformFile.h"

namespace {

// ---- Types ---------------------------------------------------------------------------

// One registry entry: a created font.
struct OxFont {
  OxGfxFontId id;
  FT_Face face;
  OxGlyphAtlas* atlas;
  // Whether a text has needed more glyph images than the pages hold (said
  // once a font).
  bool toldFull;
  OxFont* next;
  OxFont* prev;
};

// One text vertex: position in normalised device coordinates, then the atlas
// texture coordinate; the font program's "aCoords".
using TextVertex = OxBatchTextVertex;

const int kVerticesPerGlyph = 6;
// Every value an OxGfxFontId can take.
const int kFontIdCount = 256;
const OxGfxFontId kNoFont = -1;

// Glyphs on one texture in a row, drawn by one call.
struct TextRun {
  GLuint texture;
  size_t first;
  size_t count;
};

// ---- Module state -----------------------------------------------------------------

struct FontState {
  FT_Library freeType = nullptr;
  GLuint textVertexBuffer = 0;
  // Vertex memory reused by every print, grown only for a longer text, so a
  // frame's text allocates nothing once its longest line has been printed.
  TextVertex* textScratch = nullptr;
  size_t textScratchCapacity = 0;
  // The same for the runs of a UTF-8 print.
  TextRun* runScratch = nullptr;
  size_t runScratchCapacity = 0;
  // Fonts in creation order.
  OxFont* fontHead = nullptr;
  // The next id to try; counts up and wraps from 127 to -128, never reset.
  OxGfxFontId nextFontId = 1;
} gState;

// ---- Registry ------------------------------------------------------------------------

OxGfxFontId NextId(OxGfxFontId id)
{
  return static_cast<OxGfxFontId>(static_cast<unsigned char>(id) + 1u);
}

OxFont* FindFont(OxGfxFontId id)
{
  for (OxFont* font = gState.fontHead; font; font = font->next)
    if (font->id == id) return font;
  return nullptr;
}

// The first id from the counter on that is neither the failure value nor
// held by a live font; -1 when every id is taken. Uses up nothing.
OxGfxFontId FindFreeId()
{
  OxGfxFontId id = gState.nextFontId;
  for (int tried = 0; tried < kFontIdCount; ++tried, id = NextId(id))
    if (id != kNoFont && !FindFont(id)) return id;
  return kNoFont;
}

void AppendFont(OxFont* font)
{
  if (!gState.fontHead) {
    gState.fontHead = font;
    return;
  }
  OxFont* last = gState.fontHead;
  while (last->next) last = last->next;
  last->next = font;
  font->prev = last;
}

void RemoveFont(OxFont* font)
{
  if (font->prev) font->prev->next = font->next;
  if (font->next) font->next->prev = font->prev;
  if (gState.fontHead == font) gState.fontHead = font->next;
  if (font->face) FT_Done_Face(font->face);
  delete font->atlas;
  free(font);
}

void RemoveAllFonts()
{
  while (gState.fontHead) RemoveFont(gState.fontHead);
}

// ---- Font files ---------------------------------------------------------------------
// FreeType reads the face through a stream over the file layer, which opens
// regular files only: a FIFO or a device path fails instead of blocking or
// reading without end. FreeType calls the stream's close when the face is
// done (or its opening failed), which closes the file and frees the stream.

unsigned long ReadFontBytes(FT_Stream stream, unsigned long offset, unsigned char* buffer,
                            unsigned long count)
{
  OxPlatformFile* file = static_cast<OxPlatformFile*>(stream->descriptor.pointer);
  // A seek alone (count 0) reports success as 0.
  if (count == 0) return offset <= stream->size ? 0 : 1;
  int64_t got = OxPlatformFileRead(file, static_cast<int64_t>(offset), buffer, count);
  return got > 0 ? static_cast<unsigned long>(got) : 0;
}

void CloseFontFile(FT_Stream stream)
{
  OxPlatformFileClose(static_cast<OxPlatformFile*>(stream->descriptor.pointer));
  free(stream);
}

// Face 0 of the file at path; non-zero FreeType error on failure.
FT_Error OpenFace(const char* path, FT_Face* face)
{
  OxPlatformFile* file = OxPlatformFileOpen(path);
  if (!file) return FT_Err_Cannot_Open_Resource;
  FT_Stream stream = static_cast<FT_Stream>(calloc(1, sizeof(FT_StreamRec)));
  if (!stream) {
    OxPlatformFileClose(file);
    return FT_Err_Out_Of_Memory;
  }
  stream->size = static_cast<unsigned long>(OxPlatformFileSize(file));
  stream->descriptor.pointer = file;
  stream->read = ReadFontBytes;
  stream->close = CloseFontFile;
  FT_Open_Args arguments = {};
  arguments.flags = FT_OPEN_STREAM;
  arguments.stream = stream;
  return FT_Open_Face(gState.freeType, &arguments, 0, face);
}

// ---- Drawing helpers ---------------------------------------------------------------

// Font pixels to normalised device units, horizontally and vertically.
void PixelScale(float scale, float* sx, float* sy)
{
  *sx = 2.0f / static_cast<float>(OxGfxGetWindowWidth()) * scale;
  *sy = 2.0f / static_cast<float>(OxGfxGetWindowHeight()) * scale;
}

// The glyph of one byte of text; null for bytes 128 to 255, which lie
// outside the table and so draw and measure nothing.
const OxGlyph* GlyphOf(const OxGlyphAtlas& atlas, char character)
{
  unsigned char code = static_cast<unsigned char>(character);
  if (code >= OxGlyphAtlas::kGlyphCount) return nullptr;
  return &atlas.glyphs[code];
}

// Puts back the blend mode and the program that were in effect before a
// print: the render modes through OxGfxSetRenderMode, so that the restored
// program gets the camera's matrices again.
void RestoreModes(unsigned int slot, unsigned int blendMode)
{
  OxGfxSetBlendMode(static_cast<int>(blendMode));
  if (slot == kShaderSlotNone)
    OxGfxSetRenderMode(OxGfxRenderModeNone);
  else if (slot == kShaderSlotColor)
    OxGfxSetRenderMode(OxGfxRenderModeColor);
  else if (slot == kShaderSlotTexture)
    OxGfxSetRenderMode(OxGfxRenderModeTexture);
  else
    gShader.Use(slot);
}

}  // namespace

// ---- Font system ---------------------------------------------------------------------

void OxGfxFontSystemStart(void)
{
  if (FT_Init_FreeType(&gState.freeType) != 0) {
    gState.freeType = nullptr;
    HALT("OxGfxFontSystemStart", "Freetype not loaded");
  }
  glGenBuffers(1, &gState.textVertexBuffer);
}

void OxGfxFontSystemEnd(void)
{
  // Nothing was made when graphics never got as far as starting fonts.
  if (gState.textVertexBuffer != 0) glDeleteBuffers(1, &gState.textVertexBuffer);
  gState.textVertexBuffer = 0;
  free(gState.textScratch);
  gState.textScratch = nullptr;
  gState.textScratchCapacity = 0;
  free(gState.runScratch);
  gState.runScratch = nullptr;
  gState.runScratchCapacity = 0;
  RemoveAllFonts();
  if (gState.freeType) FT_Done_FreeType(gState.freeType);
  gState.freeType = nullptr;
}

// ---- Fonts -------------------------------------------------------------------------------

OxGfxFontId OxGfxCreateFont(const char* path, int size)
{
  OxGfxFontId id = FindFreeId();
  if (id == kNoFont) {
    OxDiagSilentFailure("font '%s': every font id is taken", path ? path : "(null)");
    return kNoFont;
  }

  FT_Face face = nullptr;
  FT_Error opened = 0;
  if (!path || size <= 0 || !gState.freeType || (opened = OpenFace(path, &face)) != 0) {
    // The message blames the file whatever the cause; the last error says why.
    printf("Error: Could not load font %s\n", path ? path : "(null)");
    if (!gState.freeType)
      OxDiagNotRunning("OxGfxCreateFont", true);
    else if (!path) OxDiagSilentFailure("OxGfxCreateFont: no path given");
    else if (size <= 0) OxDiagSilentFailure("font '%s': size %d is not positive", path, size);
    else if (opened == FT_Err_Cannot_Open_Resource)
      OxDiagSilentFailure("font '%s': no such file (or not a readable regular file)", path);
    else OxDiagSilentFailure("font '%s': not a font file (unknown format or damaged)", path);
    return kNoFont;
  }

  // Measured before anything is printed or registered, so that a font that
  // cannot be built leaves nothing behind.
  GLint sizeLimit = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &sizeLimit);
  if (sizeLimit < 0) sizeLimit = 0;
  OxGlyphAtlas* atlas = new (std::nothrow)
      OxGlyphAtlas(face, static_cast<unsigned int>(size), static_cast<unsigned int>(sizeLimit));
  OxFont* font = static_cast<OxFont*>(calloc(1, sizeof(OxFont)));
  if (!atlas || !font || !atlas->IsBuildable()) {
    delete atlas;
    free(font);
    FT_Done_Face(face);
    printf("Error: Could not load font %s\n", path);
    OxDiagSilentFailure("font '%s': size %d too large for a glyph atlas, or out of memory", path,
                        size);
    return kNoFont;
  }

  printf("Font %s, size %d, ", path, size);
  font->id = id;
  font->face = face;
  gState.nextFontId = NextId(id);
  AppendFont(font);
  atlas->Build();
  font->atlas = atlas;
  printf("generated a %d x %d (%d kb) atlas.\n", static_cast<int>(atlas->width),
         static_cast<int>(atlas->height), static_cast<int>(atlas->width * atlas->height / 1024u));
  return id;
}

void OxGfxDestroyFont(OxGfxFontId font)
{
  OxFont* entry = FindFont(font);
  if (!entry) {
    printf("Error: Trying to destroy a font with an unknown fontId (%d)\n", font);
    return;
  }
  RemoveFont(entry);
}

// ---- Text ----------------------------------------------------------------------------------

// Scratch memory for at least count items, grown as needed and kept for the
// next print; null when it cannot grow (the old memory is kept then).
template <typename Item>
static Item* Scratch(Item** memory, size_t* capacity, size_t count)
{
  if (count + 1 > *capacity) {
    void* grown = realloc(*memory, (count + 1) * sizeof(Item));
    if (!grown) return nullptr;
    *memory = static_cast<Item*>(grown);
    *capacity = count + 1;
  }
  return *memory;
}

// The print vertex memory for at least count vertices.
static TextVertex* ScratchVertices(size_t count)
{
  return Scratch(&gState.textScratch, &gState.textScratchCapacity, count);
}

// Writes the six vertices of the glyph's image for the pen at (penX, penY),
// glyph pixels sx by sy units, from an atlas texture of atlasWidth by
// atlasHeight texels; false, writing nothing, when the image is empty.
static bool PutGlyph(const OxGlyph& glyph, float penX, float penY, float sx, float sy,
                     float atlasWidth, float atlasHeight, TextVertex* out)
{
  float left = penX + glyph.bearingLeft * sx;
  float top = penY + glyph.bearingTop * sy;
  float w = glyph.width * sx;
  float h = glyph.height * sy;
  if (w == 0.0f || h == 0.0f) return false;
  float u = glyph.atlasU, v = glyph.atlasV;
  float du = glyph.width / atlasWidth;
  float dv = glyph.height / atlasHeight;
  // Top-left, top-right, bottom-left; top-right, bottom-left, bottom-right.
  out[0] = TextVertex{left, top, u, v};
  out[1] = TextVertex{left + w, top, u + du, v};
  out[2] = TextVertex{left, top - h, u, v + dv};
  out[3] = TextVertex{left + w, top, u + du, v};
  out[4] = TextVertex{left, top - h, u, v + dv};
  out[5] = TextVertex{left + w, top - h, u + du, v + dv};
  return true;
}

// Lays the text out as it is drawn, six vertices for each glyph that has an
// image, the pen starting at (x, y); returns the number of vertices.
static size_t LayoutText(const OxGlyphAtlas& atlas, const char* text, size_t length, float x,
                         float y, float scale, TextVertex* vertices)
{
  float sx, sy;
  PixelScale(scale, &sx, &sy);
  float penX = x, penY = y;
  float atlasWidth = static_cast<float>(atlas.width);
  float atlasHeight = static_cast<float>(atlas.height);
  size_t count = 0;
  for (size_t i = 0; i < length; ++i) {
    const OxGlyph* glyph = GlyphOf(atlas, text[i]);
    if (!glyph) continue;
    if (PutGlyph(*glyph, penX, penY, sx, sy, atlasWidth, atlasHeight, vertices + count))
      count += kVerticesPerGlyph;
    penX += glyph->advanceX * sx;
    penY += glyph->advanceY * sy;
  }
  return count;
}

// Switches to the font program, blending and the atlas as a print does; the
// previous program slot and blend mode are returned for RestoreModes.
static void EnterTextModes(const OxGlyphAtlas& atlas, const float color[4],
                           unsigned int* previousSlot, unsigned int* previousBlendMode)
{
  // The font program directly, so that no camera matrices are sent to it.
  *previousSlot = gShader.GetCurrentProgram();
  gShader.Use(kShaderSlotFont);
  *previousBlendMode = OxGfxGetCurrentBlendMode();
  OxGfxSetBlendMode(OxGfxBlendModeBlend);

  gShader.SetUniform4f(kUniformFontColor, color[0], color[1], color[2], color[3]);
  OxRenderBindTexture(atlas.texture);
  gShader.SetUniform1i(kUniformTexture, 0);
}

// One draw call with the font program, now.
static void PrintNow(const OxGlyphAtlas& atlas, const char* text, float x, float y, float scale,
                     const float color[4])
{
  unsigned int previousSlot, previousBlendMode;
  EnterTextModes(atlas, color, &previousSlot, &previousBlendMode);

  GLint coords = gShader.GetAttribLocation(kAttributeCoords);
  if (coords != -1) glEnableVertexAttribArray(coords);
  glBindBuffer(GL_ARRAY_BUFFER, gState.textVertexBuffer);
  if (coords != -1) glVertexAttribPointer(coords, 4, GL_FLOAT, GL_FALSE, 0, nullptr);

  size_t length = strlen(text);
  size_t capacity = length * kVerticesPerGlyph;
  TextVertex* vertices = ScratchVertices(capacity);
  if (!vertices) {
    printf("Error: Cannot print msg (%s). Memory allocation failed\n", text);
    if (coords != -1) glDisableVertexAttribArray(coords);
    RestoreModes(previousSlot, previousBlendMode);
    return;
  }
  size_t count = LayoutText(atlas, text, length, x, y, scale, vertices);

  // The upload covers six vertices per byte; the ones not drawn are zero.
  memset(vertices + count, 0, (capacity - count) * sizeof(TextVertex));
  glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(capacity * sizeof(TextVertex)), vertices,
               GL_DYNAMIC_DRAW);
  glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(count));
  if (coords != -1) glDisableVertexAttribArray(coords);

  RestoreModes(previousSlot, previousBlendMode);
}

// The same, recorded by the batched path: the mode switches only change
// what the next draw would use.
static void PrintRecorded(const OxGlyphAtlas& atlas, const char* text, float x, float y,
                          float scale, const float color[4])
{
  unsigned int previousSlot, previousBlendMode;
  EnterTextModes(atlas, color, &previousSlot, &previousBlendMode);
  size_t length = strlen(text);
  TextVertex* vertices = ScratchVertices(length * kVerticesPerGlyph);
  if (!vertices) {
    printf("Error: Cannot print msg (%s). Memory allocation failed\n", text);
    RestoreModes(previousSlot, previousBlendMode);
    return;
  }
  size_t count = LayoutText(atlas, text, length, x, y, scale, vertices);
  OxBatchText(vertices, static_cast<unsigned int>(count), color);
  RestoreModes(previousSlot, previousBlendMode);
}

// Runs draw(recorded) as the batch allows: now when nothing is being
// recorded, into the batch when it can carry the colour, and otherwise the
// faithful way with the batch held meanwhile.
template <typename Draw>
static void DrawAsTheBatchAllows(const float color[4], Draw draw)
{
  if (!OxBatchIsRecording()) {
    draw(false);
  } else if (OxBatchCanPrint(color)) {
    draw(true);
  } else {
    OxBatchSuspend();
    draw(false);
    OxBatchResume();
  }
}

// The font a print or a measure uses, after a missing text became an empty
// one; null, with the message (the text and the id filled in), when there
// is no such font.
static OxFont* FontFor(OxGfxFontId font, const char** text, const char* missingMessage)
{
  if (!*text) *text = "";
  OxFont* entry = FindFont(font);
  if (!entry) printf(missingMessage, *text, font);
  return entry;
}

void OxGfxPrint(OxGfxFontId font, const char* text, float x, float y, float scale, float red,
                float green, float blue, float alpha)
{
  OxFont* entry =
      FontFor(font, &text, "Error: Cannot print msg (%s). FontId (%d) coud not be found\n");
  if (!entry) return;
  const float color[4] = {red, green, blue, alpha};
  DrawAsTheBatchAllows(color, [&](bool recorded) {
    if (recorded) PrintRecorded(*entry->atlas, text, x, y, scale, color);
    else PrintNow(*entry->atlas, text, x, y, scale, color);
  });
}

void OxGfxGetPrintSize(OxGfxFontId font, const char* text, float scale, float* width,
                       float* height)
{
  OxFont* entry = FontFor(font, &text,
                          "Error: Cannot get size of msg (%s). FontId (%d) coud not be found\n");
  if (!entry) return;
  float sx, sy;
  PixelScale(scale, &sx, &sy);
  float measuredWidth = 0.0f, measuredHeight = 0.0f;
  for (const char* at = text; *at; ++at) {
    const OxGlyph* glyph = GlyphOf(*entry->atlas, *at);
    if (!glyph) continue;
    measuredWidth += glyph->advanceX * sx;
    measuredHeight = OxMax(measuredHeight, glyph->height * sy);
  }
  if (width) *width = measuredWidth;
  if (height) *height = measuredHeight;
}

// ---- UTF-8 text ----------------------------------------------------------------------------

// Codepoints 0x80 to 0x9F, the C1 controls, draw nothing, as 0 to 31 do.
static const unsigned int kFirstAfterControls = 0xA0;

// Stores the glyph of every codepoint beyond ASCII in the text that is not
// stored yet. When the pages are full, they are dropped once and the text
// started again; glyphs that still find no room are measured as they are
// laid out and not drawn, and the font says so once.
static void StoreGlyphs(OxFont& font, const char* text)
{
  OxGlyphAtlas& atlas = *font.atlas;
  bool dropped = false;
  const unsigned char* at = reinterpret_cast<const unsigned char*>(text);
  while (*at) {
    unsigned int code = OxUtf8Next(&at);
    if (code < kFirstAfterControls) continue;
    unsigned int index = FT_Get_Char_Index(font.face, code);
    GLuint page;
    float pageWidth, pageHeight;
    if (atlas.Find(index, &page, &pageWidth, &pageHeight) || atlas.Add(index)) continue;
    if (!dropped) {
      atlas.DropPages();
      dropped = true;
      at = reinterpret_cast<const unsigned char*>(text);
      continue;
    }
    if (!font.toldFull) {
      printf("Error: Font (%d) has no room for every glyph of a text; the rest are not drawn\n",
             font.id);
      font.toldFull = true;
    }
    return;
  }
}

// Walks UTF-8 text as the UTF-8 functions lay it out, the pen starting at
// (x, y), glyph pixels sx by sy units: calls draw(glyph, texture, texture
// width, texture height, pen x, pen y) for each glyph before moving the pen
// by its advance (texture 0: no image). '\n' takes the pen back to x, one
// line height down. Writes the widest line's pen travel and the height (the
// tallest glyph image plus a line height for each '\n'). Stores nothing, so
// that measuring and drawing see the same glyphs whatever the pages hold.
template <typename Draw>
static void WalkUtf8(OxFont& font, const char* text, float x, float y, float sx, float sy,
                     Draw draw, float* width, float* height)
{
  const OxGlyphAtlas& atlas = *font.atlas;
  float penX = x, penY = y;
  float lineWidth = 0.0f, widest = 0.0f, tallest = 0.0f, lineDrops = 0.0f;
  OxGlyph measured;
  const unsigned char* at = reinterpret_cast<const unsigned char*>(text);
  while (*at) {
    unsigned int code = OxUtf8Next(&at);
    if (code == '\n') {
      widest = OxMax(widest, lineWidth);
      lineWidth = 0.0f;
      penX = x;
      penY -= atlas.lineHeight * sy;
      lineDrops += atlas.lineHeight * sy;
      continue;
    }
    const OxGlyph* glyph;
    GLuint texture;
    float textureWidth, textureHeight;
    if (code < OxGlyphAtlas::kGlyphCount) {
      // ASCII as OxGfxPrint draws it (controls have all-zero entries).
      glyph = &atlas.glyphs[code];
      texture = atlas.texture;
      textureWidth = static_cast<float>(atlas.width);
      textureHeight = static_cast<float>(atlas.height);
    } else if (code < kFirstAfterControls) {
      continue;
    } else {
      unsigned int index = FT_Get_Char_Index(font.face, code);
      glyph = atlas.Find(index, &texture, &textureWidth, &textureHeight);
      if (!glyph) {
        font.atlas->Measure(index, &measured);
        glyph = &measured;
        texture = 0;
      }
    }
    draw(*glyph, texture, textureWidth, textureHeight, penX, penY);
    penX += glyph->advanceX * sx;
    penY += glyph->advanceY * sy;
    lineWidth += glyph->advanceX * sx;
    tallest = OxMax(tallest, glyph->height * sy);
  }
  *width = OxMax(widest, lineWidth);
  *height = tallest + lineDrops;
}

// The run memory for at least count runs.
static TextRun* ScratchRuns(size_t count)
{
  return Scratch(&gState.runScratch, &gState.runScratchCapacity, count);
}

// Lays UTF-8 text out into six vertices for each glyph that has an image,
// with the arithmetic of LayoutText, and into runs of glyphs that share a
// texture; returns the number of runs.
static size_t LayoutUtf8(OxFont& font, const char* text, float x, float y, float scale,
                         TextVertex* vertices, TextRun* runs)
{
  float sx, sy;
  PixelScale(scale, &sx, &sy);
  size_t count = 0, runCount = 0;
  auto draw = [&](const OxGlyph& glyph, GLuint texture, float atlasWidth, float atlasHeight,
                  float penX, float penY) {
    if (texture == 0 ||
        !PutGlyph(glyph, penX, penY, sx, sy, atlasWidth, atlasHeight, vertices + count))
      return;
    if (runCount == 0 || runs[runCount - 1].texture != texture)
      runs[runCount++] = TextRun{texture, count, 0};
    runs[runCount - 1].count += kVerticesPerGlyph;
    count += kVerticesPerGlyph;
  };
  float width, height;
  WalkUtf8(font, text, x, y, sx, sy, draw, &width, &height);
  return runCount;
}

// Draws the runs now (batched is false) or records them, switching to the
// font program and back as OxGfxPrint does; the font's first texture is
// left bound.
static void DrawRuns(const OxGlyphAtlas& atlas, const TextVertex* vertices, const TextRun* runs,
                     size_t runCount, const float color[4], bool batched)
{
  unsigned int previousSlot, previousBlendMode;
  EnterTextModes(atlas, color, &previousSlot, &previousBlendMode);
  if (batched) {
    for (size_t i = 0; i < runCount; ++i) {
      OxRenderBindTexture(runs[i].texture);
      OxBatchText(vertices + runs[i].first, static_cast<unsigned int>(runs[i].count), color);
    }
  } else if (runCount > 0) {
    GLint coords = gShader.GetAttribLocation(kAttributeCoords);
    if (coords != -1) glEnableVertexAttribArray(coords);
    glBindBuffer(GL_ARRAY_BUFFER, gState.textVertexBuffer);
    if (coords != -1) glVertexAttribPointer(coords, 4, GL_FLOAT, GL_FALSE, 0, nullptr);
    size_t count = runs[runCount - 1].first + runs[runCount - 1].count;
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(count * sizeof(TextVertex)), vertices,
                 GL_DYNAMIC_DRAW);
    for (size_t i = 0; i < runCount; ++i) {
      OxRenderBindTexture(runs[i].texture);
      glDrawArrays(GL_TRIANGLES, static_cast<GLint>(runs[i].first),
                   static_cast<GLsizei>(runs[i].count));
    }
    if (coords != -1) glDisableVertexAttribArray(coords);
  }
  OxRenderBindTexture(atlas.texture);
  RestoreModes(previousSlot, previousBlendMode);
}

void OxGfxPrintUtf8(OxGfxFontId font, const char* text, float x, float y, float scale, float red,
                    float green, float blue, float alpha)
{
  OxFont* entry =
      FontFor(font, &text, "Error: Cannot print msg (%s). FontId (%d) could not be found\n");
  if (!entry) return;
  StoreGlyphs(*entry, text);
  size_t length = strlen(text);
  TextVertex* vertices = ScratchVertices(length * kVerticesPerGlyph);
  TextRun* runs = ScratchRuns(length);
  if (!vertices || !runs) {
    printf("Error: Cannot print msg (%s). Memory allocation failed\n", text);
    return;
  }
  size_t runCount = LayoutUtf8(*entry, text, x, y, scale, vertices, runs);
  const float color[4] = {red, green, blue, alpha};
  DrawAsTheBatchAllows(color, [&](bool recorded) {
    DrawRuns(*entry->atlas, vertices, runs, runCount, color, recorded);
  });
}

// Measures UTF-8 text with glyph pixels of sx by sy units.
static void MeasureUtf8(OxGfxFontId font, const char* text, float sx, float sy, float* width,
                        float* height)
{
  OxFont* entry = FontFor(font, &text,
                          "Error: Cannot get size of msg (%s). FontId (%d) could not be found\n");
  if (!entry) return;
  StoreGlyphs(*entry, text);
  float measuredWidth, measuredHeight;
  auto nothing = [](const OxGlyph&, GLuint, float, float, float, float) {};
  WalkUtf8(*entry, text, 0.0f, 0.0f, sx, sy, nothing, &measuredWidth, &measuredHeight);
  if (width) *width = measuredWidth;
  if (height) *height = measuredHeight;
}

void OxGfxGetPrintSizeUtf8(OxGfxFontId font, const char* text, float scale, float* width,
                           float* height)
{
  float sx, sy;
  PixelScale(scale, &sx, &sy);
  MeasureUtf8(font, text, sx, sy, width, height);
}

// ---- Text in world pixels --------------------------------------------------------------

void OxGfxPrintAt(OxGfxFontId font, const char* text, float worldX, float worldY, float scale,
                  float red, float green, float blue, float alpha)
{
  // World pixels to normalised device coordinates as the camera's
  // projection and view map them (the full-screen scale cancels out).
  float cameraX, cameraY;
  OxGfxGetCamPosition(&cameraX, &cameraY);
  float x = (worldX - cameraX) * 2.0f / static_cast<float>(OxGfxGetWindowWidth());
  float y = (worldY - cameraY) * 2.0f / static_cast<float>(OxGfxGetWindowHeight());
  OxGfxPrintUtf8(font, text, x, y, scale, red, green, blue, alpha);
}

void OxGfxGetPrintSizeInPixels(OxGfxFontId font, const char* text, float scale, float* width,
                               float* height)
{
  MeasureUtf8(font, text, scale, scale, width, height);
}
