// The glyph atlases of the bench programs that draw text without the
// engine: characters 32 to 127 of a font rendered by FreeType and packed
// left to right in rows of an atlas width texels wide, a texel apart.
// Header-only: the programs that use it link FreeType themselves.
#pragma once
#include <ft2build.h>
#include FT_FREETYPE_H

namespace bench {

// Calls place(code, slot, x, y) for each glyph FreeType renders, with the
// top-left texel it goes to; false when the font cannot be opened.
template <typename Place>
bool PackGlyphs(const char* fontPath, int pixels, int width, Place place)
{
  FT_Library library;
  FT_Face face;
  if (FT_Init_FreeType(&library)) return false;
  if (FT_New_Face(library, fontPath, 0, &face)) {
    FT_Done_FreeType(library);
    return false;
  }
  FT_Set_Pixel_Sizes(face, 0, pixels);
  int x = 0, y = 0, rowHeight = 0;
  for (int code = 32; code < 128; ++code) {
    if (FT_Load_Char(face, code, FT_LOAD_RENDER)) continue;
    FT_GlyphSlot slot = face->glyph;
    int w = static_cast<int>(slot->bitmap.width), h = static_cast<int>(slot->bitmap.rows);
    if (x + w > width) {
      x = 0;
      y += rowHeight + 1;
      rowHeight = 0;
    }
    place(code, slot, x, y);
    x += w + 1;
    if (h > rowHeight) rowHeight = h;
  }
  FT_Done_Face(face);
  FT_Done_FreeType(library);
  return true;
}

}  // namespace bench
