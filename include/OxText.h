/* Oxlen Engine text beyond ASCII: UTF-8 printing and measuring with new
   lines, and text placed in world pixels. The fonts are those of
   OxGraphics.h (OxGfxCreateFont, OxGfxDestroyFont).

   Which functions read which text:
   - ASCII, one line: OxGfxPrint and OxGfxGetPrintSize (OxGraphics.h). Bytes
     0 to 31 and 128 to 255 draw nothing; '\n' is one of them.
   - UTF-8, several lines: OxGfxPrintUtf8, OxGfxGetPrintSizeUtf8,
     OxGfxPrintAt and OxGfxGetPrintSizeInPixels (this header).
   For text made only of the characters 32 to 126 all of them draw the same
   pixels at the same place and measure the same width.

   How UTF-8 text is read, by all four functions alike:
   - Each codepoint draws one glyph of the font (no kerning, no joining of
     characters, no right-to-left reordering), the pen moving by the glyph's
     advance. Codepoints 32 to 127 use the glyphs made when the font was
     created; codepoints from U+00A0 up are rasterised on first use.
   - '\n' (0x0A) starts a new line: the pen goes back to the starting x and
     one line height down (the font's line spacing at its size, times scale).
     Other control characters (U+0000 to U+001F, U+0080 to U+009F) draw
     nothing and do not move the pen; "\r\n" is a new line.
   - Bytes that are not well-formed UTF-8 draw U+FFFD (the replacement
     character) once for each ill-formed part: a stray continuation byte, a
     byte C0, C1 or F5 to FF, an overlong form, a surrogate (U+D800 to
     U+DFFF), a value above U+10FFFF, or a sequence cut short (by the end
     of the text or by a byte that cannot continue it; that byte is then
     read afresh). "A\xE2\x82" draws "A" and one U+FFFD; "\xC0\xAF" two.
   - A codepoint the font has no glyph for (U+FFFD too, in a font without
     it) draws the font's missing glyph, glyph 0 (in most fonts a box).
   - Glyph images beyond ASCII go onto pages: square GL_ALPHA textures of
     256 to 2,048 texels a side (about sixteen lines high), as many as fit
     in 8 MiB, per font. When a text needs a glyph and every page is full,
     the pages are emptied (draws the batched path holds that use them are
     issued first) and filled again, starting with that text; glyphs of a
     single text that still find no room are not drawn, but measure and
     move the pen as they would if drawn, and the first time this happens
     to a font it prints "Error: Font (%d) has no room for every glyph of a
     text; the rest are not drawn\n". A glyph whose image would not fit an
     empty page is never drawn and only moves the pen.
   - Measuring and drawing always agree: the same glyphs, advances and line
     breaks, whatever the pages hold.

   Every function here belongs to the game's thread, with the OpenGL context
   current (after OxGfxInit, before OxGfxExit); printing belongs between
   OxGfxStart and OxGfxEnd. A null text is taken as empty. Output pointers may
   be null. Batching (OxGfxSetBatching) records these prints as it records
   OxGfxPrint, with the same pictures. */
#ifndef OX_TEXT_H
#define OX_TEXT_H

#include "OxExport.h"
#include "OxGraphics.h"

OX_EXTERN_C_BEGIN

/* Draws UTF-8 text with the font in normalised device coordinates, as
   OxGfxPrint does (the pen starts at (x, y) on the first line's baseline,
   each glyph pixel is 2 / window width x scale across and 2 / window height
   x scale up, colour red, green, blue, alpha blended with the glyphs'
   coverage), read as this header describes. One draw call for each run of
   glyphs on the same texture. The render mode and blend mode in effect
   before the call are restored; the font's first texture (that of ASCII)
   stays bound on texture unit 0. An id no live font has prints
   "Error: Cannot print msg (%s). FontId (%d) could not be found\n" and
   draws nothing; when memory for the vertices runs out it prints
   "Error: Cannot print msg (%s). Memory allocation failed\n". */
OX_API void OxGfxPrintUtf8(OxGfxFontId font, const char* text, float x, float y, float scale,
                           float red, float green, float blue, float alpha);
/* Measures UTF-8 text as OxGfxPrintUtf8 would draw it at scale, in
   normalised device units: *width receives the widest line's pen travel
   (the sum of its advances), *height the tallest glyph image plus one line
   height for each '\n' (for one line, what OxGfxGetPrintSize gives). May
   rasterise glyphs not yet on a page. An id no live font has prints
   "Error: Cannot get size of msg (%s). FontId (%d) could not be found\n"
   and writes nothing. */
OX_API void OxGfxGetPrintSizeUtf8(OxGfxFontId font, const char* text, float scale, float* width,
                                  float* height);
/* Draws UTF-8 text as OxGfxPrintUtf8 does, placed in world pixels: the
   space of meshes drawn with a pixel-unit world transform (window pixels,
   y up, the camera's position at the window's centre). The anchor
   (worldX, worldY) is where the pen starts: the left end of the first line's
   baseline; glyphs rise above it, descenders and further lines go below.
   Each glyph pixel measures scale world pixels. The camera position is
   read at the call (meshes see a camera move at the next program switch).
   Failures as for OxGfxPrintUtf8. */
OX_API void OxGfxPrintAt(OxGfxFontId font, const char* text, float worldX, float worldY,
                         float scale, float red, float green, float blue, float alpha);
/* Measures UTF-8 text as OxGfxPrintAt would draw it at scale, in world
   pixels: as OxGfxGetPrintSizeUtf8, with glyph pixels of scale x scale.
   Failures as for OxGfxGetPrintSizeUtf8. */
OX_API void OxGfxGetPrintSizeInPixels(OxGfxFontId font, const char* text, float scale, float* width,
                                      float* height);

OX_EXTERN_C_END

#endif
