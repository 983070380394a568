// The glyph atlas's layout rules: the measuring and the placing pass over
// glyph image sizes, the shelves of the pages added on first use, and the
// UTF-8 decoder text is read with. Pure arithmetic in unsigned 32-bit integers.
#include "graphics/OxGlyphLayout.h"

void OxMeasureGlyphAtlas(const OxGlyphSlot* slots, size_t count, unsigned int heightLimit,
                         unsigned int* width, unsigned int* height)
{
  unsigned int atlasWidth = 0, atlasHeight = 0;
  unsigned int rowFill = 0, rowHeight = 0;
  for (size_t i = 0; i < count; ++i) {
    unsigned int glyphWidth = slots[i].width;
    if (rowFill + glyphWidth + 1 >= kGlyphAtlasRowLimit) {
      if (rowFill > atlasWidth) atlasWidth = rowFill;
      atlasHeight += rowHeight;
      rowFill = 0;
      rowHeight = 0;
      if (atlasHeight > heightLimit) break;
    }
    if (slots[i].rows > rowHeight) rowHeight = slots[i].rows;
    rowFill += glyphWidth + 1;
  }
  if (rowFill > atlasWidth) atlasWidth = rowFill;
  atlasHeight += rowHeight;
  *width = atlasWidth;
  *height = atlasHeight;
}

void OxPlaceGlyphs(OxGlyphSlot* slots, size_t count)
{
  unsigned int x = 0, y = 0, rowHeight = 0;
  for (size_t i = 0; i < count; ++i) {
    if (x + slots[i].width + 1 >= kGlyphAtlasRowLimit) {
      x = 0;
      y += rowHeight;
      rowHeight = 0;
    }
    slots[i].x = x;
    slots[i].y = y;
    if (slots[i].rows > rowHeight) rowHeight = slots[i].rows;
    x += slots[i].width + 1;
  }
}

bool OxShelfPlace(OxGlyphShelf* shelf, OxGlyphSlot* slot)
{
  unsigned int side = shelf->side;
  // Compared as sizes with their gaps so that no sum can wrap.
  if (slot->width >= side || slot->rows >= side) return false;
  unsigned int x = shelf->x, y = shelf->y, rowHeight = shelf->rowHeight;
  if (slot->width + 1 > side - x) {
    y += rowHeight;
    x = 0;
    rowHeight = 0;
  }
  if (y > side || slot->rows + 1 > side - y) return false;
  slot->x = x;
  slot->y = y;
  shelf->x = x + slot->width + 1;
  shelf->y = y;
  shelf->rowHeight = rowHeight > slot->rows + 1 ? rowHeight : slot->rows + 1;
  return true;
}

unsigned int OxUtf8Next(const unsigned char** at)
{
  const unsigned char* bytes = *at;
  unsigned int lead = bytes[0];
  if (lead < 0x80) {
    *at = bytes + 1;
    return lead;
  }
  // The continuation bytes needed, the lead's value bits and the range the
  // first continuation byte must lie in (narrowed after E0, ED, F0 and F4,
  // which rules out overlong forms, surrogates and values past U+10FFFF).
  unsigned int needed, code, low = 0x80, high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    needed = 1;
    code = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    needed = 2;
    code = lead & 0x0F;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    needed = 3;
    code = lead & 0x07;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    *at = bytes + 1;
    return kUtf8Replacement;
  }
  for (unsigned int i = 1; i <= needed; ++i) {
    unsigned int byte = bytes[i];
    // A zero byte fails here too, so the text's end is never passed.
    if (byte < low || byte > high) {
      *at = bytes + i;
      return kUtf8Replacement;
    }
    low = 0x80;
    high = 0xBF;
    code = (code << 6) | (byte & 0x3F);
  }
  *at = bytes + needed + 1;
  return code;
}
