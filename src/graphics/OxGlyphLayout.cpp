// The glyph atlas's layout rules: the measuring and the placing pass over
// glyph image sizes and the shelves of the pages added on first use. Pure
// arithmetic in unsigned 32-bit integers.
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
