// OxGlyphAtlas: one font face at one pixel size rasterised into a single
// GL_ALPHA texture, with the metrics and atlas place of every character 0 to
// 127. Leans on FreeType, OpenGL and the glyph layout rules.
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
};
