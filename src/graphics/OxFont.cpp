// Fonts and text: the font system's start and stop, the registry of fonts
// by id, font creation, printing in normalised device coordinates with the
// font program, measuring and destroying. Leans on FreeType, OpenGL, the glyph
// atlas and the graphics module's Shader and render state; font files are
// read through the platform's file layer.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <new>

#include <ft2build.h>
#include FT_FREETYPE_H

#include "platform/OxPlatformGLApi.h"

#include "OxGraphics.h"
#include "OxMath.h"
#include "graphics/OxBatch.h"
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

// ---- Module state -----------------------------------------------------------------

FT_Library gFreeType = nullptr;
GLuint gTextVertexBuffer = 0;
// Vertex memory reused by every print, grown only for a longer text, so a
// frame's text allocates nothing once its longest line has been printed.
TextVertex* gTextScratch = nullptr;
size_t gTextScratchCapacity = 0;
// Fonts in creation order.
OxFont* gFontHead = nullptr;
// The next id to try; counts up and wraps from 127 to -128, never reset.
OxGfxFontId gNextFontId = 1;

// ---- Registry ------------------------------------------------------------------------

OxGfxFontId NextId(OxGfxFontId id)
{
  return static_cast<OxGfxFontId>(static_cast<unsigned char>(id) + 1u);
}

OxFont* FindFont(OxGfxFontId id)
{
  for (OxFont* font = gFontHead; font; font = font->next)
    if (font->id == id) return font;
  return nullptr;
}

// The first id from the counter on that is neither the failure value nor
// held by a live font; -1 when every id is taken. Uses up nothing.
OxGfxFontId FindFreeId()
{
  OxGfxFontId id = gNextFontId;
  for (int tried = 0; tried < kFontIdCount; ++tried, id = NextId(id))
    if (id != kNoFont && !FindFont(id)) return id;
  return kNoFont;
}

void AppendFont(OxFont* font)
{
  if (!gFontHead) {
    gFontHead = font;
    return;
  }
  OxFont* last = gFontHead;
  while (last->next) last = last->next;
  last->next = font;
  font->prev = last;
}

void RemoveFont(OxFont* font)
{
  if (font->prev) font->prev->next = font->next;
  if (font->next) font->next->prev = font->prev;
  if (gFontHead == font) gFontHead = font->next;
  if (font->face) FT_Done_Face(font->face);
  delete font->atlas;
  free(font);
}

void RemoveAllFonts()
{
  while (gFontHead) RemoveFont(gFontHead);
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
  return FT_Open_Face(gFreeType, &arguments, 0, face);
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
  if (FT_Init_FreeType(&gFreeType) != 0) {
    gFreeType = nullptr;
    HALT("OxGfxFontSystemStart", "Freetype not loaded");
  }
  glGenBuffers(1, &gTextVertexBuffer);
}

void OxGfxFontSystemEnd(void)
{
  // Nothing was made when graphics never got as far as starting fonts.
  if (gTextVertexBuffer != 0) glDeleteBuffers(1, &gTextVertexBuffer);
  gTextVertexBuffer = 0;
  free(gTextScratch);
  gTextScratch = nullptr;
  gTextScratchCapacity = 0;
  RemoveAllFonts();
  if (gFreeType) FT_Done_FreeType(gFreeType);
  gFreeType = nullptr;
}

// ---- Fonts -------------------------------------------------------------------------------

OxGfxFontId OxGfxCreateFont(const char* path, int size)
{
  OxGfxFontId id = FindFreeId();
  if (id == kNoFont) return kNoFont;

  FT_Face face = nullptr;
  if (!path || size <= 0 || !gFreeType || OpenFace(path, &face) != 0) {
    printf("Error: Could not load font %s\n", path ? path : "(null)");
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
    return kNoFont;
  }

  printf("Font %s, size %d, ", path, size);
  font->id = id;
  font->face = face;
  gNextFontId = NextId(id);
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

// The print vertex memory for at least count vertices; null when it cannot
// grow (the old memory is kept for the next print).
static TextVertex* ScratchVertices(size_t count)
{
  if (count + 1 > gTextScratchCapacity) {
    void* grown = realloc(gTextScratch, (count + 1) * sizeof(TextVertex));
    if (!grown) return nullptr;
    gTextScratch = static_cast<TextVertex*>(grown);
    gTextScratchCapacity = count + 1;
  }
  return gTextScratch;
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
    float left = penX + glyph->bearingLeft * sx;
    float top = penY + glyph->bearingTop * sy;
    float w = glyph->width * sx;
    float h = glyph->height * sy;
    penX += glyph->advanceX * sx;
    penY += glyph->advanceY * sy;
    if (w == 0.0f || h == 0.0f) continue;

    float u = glyph->atlasU, v = glyph->atlasV;
    float du = glyph->width / atlasWidth;
    float dv = glyph->height / atlasHeight;
    // Top-left, top-right, bottom-left; top-right, bottom-left, bottom-right.
    vertices[count++] = TextVertex{left, top, u, v};
    vertices[count++] = TextVertex{left + w, top, u + du, v};
    vertices[count++] = TextVertex{left, top - h, u, v + dv};
    vertices[count++] = TextVertex{left + w, top, u + du, v};
    vertices[count++] = TextVertex{left, top - h, u, v + dv};
    vertices[count++] = TextVertex{left + w, top - h, u + du, v + dv};
  }
  return count;
}

// Switches to the font program, blending and the atlas as a print does; the
// previous program slot and blend mode are returned for RestoreModes.
static void EnterTextModes(const OxGlyphAtlas& atlas, const float colour[4],
                           unsigned int* previousSlot, unsigned int* previousBlendMode)
{
  // The font program directly, so that no camera matrices are sent to it.
  *previousSlot = gShader.GetCurrentProgram();
  gShader.Use(kShaderSlotFont);
  *previousBlendMode = OxGfxGetCurrentBlendMode();
  OxGfxSetBlendMode(OxGfxBlendModeBlend);

  gShader.SetUniform4f(kUniformFontColor, colour[0], colour[1], colour[2], colour[3]);
  OxBatchBindTexture(atlas.texture);
  gShader.SetUniform1i(kUniformTexture, 0);
}

// One draw call with the font program, now.
static void PrintNow(const OxGlyphAtlas& atlas, const char* text, float x, float y, float scale,
                     const float colour[4])
{
  unsigned int previousSlot, previousBlendMode;
  EnterTextModes(atlas, colour, &previousSlot, &previousBlendMode);

  GLint coords = gShader.GetAttribLocation(kAttributeCoords);
  if (coords != -1) glEnableVertexAttribArray(coords);
  glBindBuffer(GL_ARRAY_BUFFER, gTextVertexBuffer);
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
                          float scale, const float colour[4])
{
  unsigned int previousSlot, previousBlendMode;
  EnterTextModes(atlas, colour, &previousSlot, &previousBlendMode);
  size_t length = strlen(text);
  TextVertex* vertices = ScratchVertices(length * kVerticesPerGlyph);
  if (!vertices) {
    printf("Error: Cannot print msg (%s). Memory allocation failed\n", text);
    RestoreModes(previousSlot, previousBlendMode);
    return;
  }
  size_t count = LayoutText(atlas, text, length, x, y, scale, vertices);
  OxBatchText(vertices, static_cast<unsigned int>(count), colour);
  RestoreModes(previousSlot, previousBlendMode);
}

void OxGfxPrint(OxGfxFontId font, const char* text, float x, float y, float scale, float red,
                float green, float blue, float alpha)
{
  // A missing string is an empty one.
  if (!text) text = "";
  OxFont* entry = FindFont(font);
  if (!entry) {
    printf("Error: Cannot print msg (%s). FontId (%d) coud not be found\n", text, font);
    return;
  }
  const float colour[4] = {red, green, blue, alpha};
  if (!OxBatchIsRecording()) {
    PrintNow(*entry->atlas, text, x, y, scale, colour);
  } else if (OxBatchCanPrint(colour)) {
    PrintRecorded(*entry->atlas, text, x, y, scale, colour);
  } else {
    // A colour the batch cannot carry: drawn the faithful way.
    OxBatchSuspend();
    PrintNow(*entry->atlas, text, x, y, scale, colour);
    OxBatchResume();
  }
}

void OxGfxGetPrintSize(OxGfxFontId font, const char* text, float scale, float* width,
                       float* height)
{
  if (!text) text = "";
  OxFont* entry = FindFont(font);
  if (!entry) {
    printf("Error: Cannot get size of msg (%s). FontId (%d) coud not be found\n", text, font);
    return;
  }
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
