// OxGlyphAtlas: one font face at one pixel size rasterised into a single
// GL_ALPHA texture, with the metrics and atlas place of every character 0 to
// 127; and square pages of further glyphs, rasterised by glyph index on first
// use, within a fixed memory budget. Leans on FreeType, OpenGL and the glyph
// layout rules.
#pragma once

#include <ft2build.h>
#include FT_FREETYPE_H

#include "platform/OxPlatformGLApi.h"

#include "graphics/OxGlyphLayout.h"

// One character's metrics in pixels and its image's place in the atlas; all
// zero for a character without an image.
struct OxGlyph {
  float advanceX;     // horizontal pen advance, whole pixels
  float advanceY;     // vertical pen advance, whole pixels
  float width;        // bitmap width
  float height;       // bitmap rows
  float bearingLeft;  // pen position to the bitmap's left edge
  float bearingTop;   // baseline up to the bitmap's top row
  float atlasU;       // the image's top-left texel over the atlas width
  float atlasV;       // the image's top-left texel over the atlas height
};

class OxGlyphAtlas {
 public:
  static const unsigned int kGlyphCount = 128;
  // The characters rasterised: space to the last 7-bit code.
  static const unsigned int kFirstCoveredCode = 32;
  static const unsigned int kLastCoveredCode = 127;
  static const unsigned int kCoveredCount = kLastCoveredCode - kFirstCoveredCode + 1;

  // The measuring pass: sets the face's pixel size, renders every covered
  // character and records which rendered and the atlas size their images
  // need. No OpenGL and no output. sizeLimit: the largest texture width or
  // height; measuring stops early once the height passes it.
  OxGlyphAtlas(FT_Face face, unsigned int size, unsigned int sizeLimit);
  // Deletes the texture if Build made one. The face is not closed.
  ~OxGlyphAtlas();
  OxGlyphAtlas(const OxGlyphAtlas&) = delete;
  OxGlyphAtlas& operator=(const OxGlyphAtlas&) = delete;

  // Whether Build can make the texture: some character has an image, and
  // neither size exceeds the limit.
  bool IsBuildable() const;
  // Reports each covered character that did not render, then creates the
  // texture (left bound on unit 0, unpack alignment left at 1) and places and
  // uploads every image, filling the metric table. Pending OpenGL errors are
  // fatal (reported under "OxGlyphAtlas::OxGlyphAtlas").
  void Build();

  GLuint texture;
  unsigned int width;
  unsigned int height;
  OxGlyph glyphs[kGlyphCount];
  // The face's line spacing at the size, whole pixels.
  float lineHeight;

  // ---- Glyphs beyond the first texture, by glyph index ----

  // Texture memory the pages of one atlas may take together.
  static const unsigned int kPageBudgetBytes = 8u << 20;
  static const unsigned int kMaxPages = 128;

  // The stored glyph of a glyph index, with the texture its image lies in
  // (0 for a glyph without an image) and that texture's size; null when the
  // glyph is not stored.
  const OxGlyph* Find(unsigned int index, GLuint* page, float* pageWidth, float* pageHeight) const;
  // Renders the glyph and stores it, its image on a page (making a new page
  // when the last one is full and the budget allows); false, storing
  // nothing, when there is no room. A glyph that does not load, or whose
  // image is not coverage or would not fit on an empty page, is stored with
  // its advance and no image. The texture binding, active unit and unpack
  // alignment in effect are left as they were.
  bool Add(unsigned int index);
  // The glyph as Add would store it, without storing it (its atlas place is
  // left zero).
  void Measure(unsigned int index, OxGlyph* glyph);
  // Deletes every page and forgets every glyph stored by Add; draws the
  // batched path holds that sample a page are issued first.
  void DropPages();

 private:
  FT_Face mFace;
  unsigned int mSizeLimit;
  // Some character's image would exceed the limit on its own.
  bool mTooLarge;
  bool mRendered[kGlyphCount];
  // The rendered characters in ascending order, with their image sizes.
  OxGlyphSlot mSlots[kCoveredCount];
  unsigned int mSlotCodes[kCoveredCount];
  size_t mSlotCount;

  // A glyph stored by Add and the page its image is on.
  struct StoredGlyph {
    OxGlyph glyph;
    unsigned int page;  // index into mPages; kNoPage without an image
  };
  static const unsigned int kNoPage = ~0u;
  void LoadGlyph(unsigned int index, OxGlyph* glyph);
  bool NewPage();

  unsigned int mPageSide;
  unsigned int mPageLimit;
  GLuint mPages[kMaxPages];
  unsigned int mPageCount;
  OxGlyphShelf mShelf;  // the last page's
  // Per glyph index, 1 + its place in mStored, or 0; made on first use.
  unsigned int* mStoredOf;
  unsigned int mIndexCount;
  StoredGlyph* mStored;
  unsigned int mStoredCount;
  unsigned int mStoredCapacity;
};
