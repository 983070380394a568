// The glyph atlas's layout rules on their own: rows of glyph images with a
// one-texel gap after each, closed before column 1024, the atlas exactly as
// large as its rows; shelves of the square pages that later glyphs go to;
// and the UTF-8 decoder. Pure arithmetic; leans on nothing.
#pragma once
#include <stddef.h>

#include "text/OxUtf8.h"

// One glyph image to place: its size in, its top-left texel out.
struct OxGlyphSlot {
  unsigned int width;
  unsigned int rows;
  unsigned int x;
  unsigned int y;
};

// A row is closed before a glyph whose right edge, gap included, would reach
// this column.
const unsigned int kGlyphAtlasRowLimit = 1024;

// The measuring pass: the atlas size that the images, in this order, need.
// Stops early, with the size reached so far, once the height exceeds
// heightLimit (so that a huge size costs no more work than it must).
void OxMeasureGlyphAtlas(const OxGlyphSlot* slots, size_t count, unsigned int heightLimit,
                         unsigned int* width, unsigned int* height);
// The placing pass: fills x and y of each slot. Applies the same test to the
// same sequence as the measuring pass, so every image lies inside the size
// it measured.
void OxPlaceGlyphs(OxGlyphSlot* slots, size_t count);

// ---- Pages of glyphs added on first use ------------------------------------------

// Packing state of one square page: shelves filled left to right, top to
// bottom, each image followed by a one-texel gap to its right and below.
struct OxGlyphShelf {
  unsigned int side;       // the page's width and height in texels
  unsigned int x;          // next free column on the current shelf
  unsigned int y;          // the current shelf's top row
  unsigned int rowHeight;  // the current shelf's height, gap included
};

// Places an image of slot->width x slot->rows: fills slot->x and slot->y and
// returns true, or returns false and changes nothing when the page has no
// room left for it (or the image, with its gaps, is larger than the page).
bool OxShelfPlace(OxGlyphShelf* shelf, OxGlyphSlot* slot);

