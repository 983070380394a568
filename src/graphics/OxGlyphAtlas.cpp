// OxGlyphAtlas: rasterises the characters 32 to 127 of a face with FreeType,
// lays their images out in rows and uploads them into one GL_ALPHA texture.
// Leans on the OpenGL API (platform/OxPlatformGLApi.h), the layout rules and the graphics module's fatal reports.
#include "graphics/OxGlyphAtlas.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "graphics/OxBatch.h"
#include "graphics/OxGraphicsInternal.h"

namespace {

const char kAtlasFunction[] = "OxGlyphAtlas::OxGlyphAtlas";

// The images the atlas takes: 8-bit and 1-bit coverage, and empty ones
// (whatever mode they claim).
bool IsCoverageBitmap(const FT_Bitmap& bitmap)
{
  if (bitmap.width == 0 || bitmap.rows == 0) return true;
  return bitmap.pixel_mode == FT_PIXEL_MODE_GRAY || bitmap.pixel_mode == FT_PIXEL_MODE_MONO;
}

// Sizes up to which every character is rendered straight away; above it
// each outline is measured first, so that an image larger than a texture
// can hold is never rendered (at such sizes one image can take gigabytes).
const unsigned int kDirectRenderSize = 1024;

// Whether the character's image, by its outline's metrics, would be wider or
// taller than the limit. A character that does not load is not too large.
bool IsImageTooLarge(FT_Face face, unsigned int code, unsigned int limit)
{
  if (FT_Load_Char(face, code, FT_LOAD_DEFAULT) != 0) return false;
  const FT_Glyph_Metrics& metrics = face->glyph->metrics;
  // 26.6 fixed point, rounded up, plus a pixel for the rasteriser's rounding.
  FT_Pos width = ((metrics.width + 63) >> 6) + 1;
  FT_Pos height = ((metrics.height + 63) >> 6) + 1;
  return width > static_cast<FT_Pos>(limit) || height > static_cast<FT_Pos>(limit);
}

// Renders one character into the face's glyph slot; false when FreeType
// cannot, or renders it in a pixel mode the atlas does not take.
bool RenderCharacter(FT_Face face, unsigned int code)
{
  if (FT_Load_Char(face, code, FT_LOAD_RENDER) != 0) return false;
  return IsCoverageBitmap(face->glyph->bitmap);
}

// A growable byte buffer, kept free of the standard containers, whose
// template code would otherwise be exported from the library.
struct Scratch {
  unsigned char* bytes = nullptr;
  size_t size = 0;
  ~Scratch() { free(bytes); }
  unsigned char* Reserve(size_t needed)
  {
    if (needed > size) {
      unsigned char* grown = static_cast<unsigned char*>(realloc(bytes, needed));
      if (!grown) return nullptr;
      bytes = grown;
      size = needed;
    }
    return bytes;
  }
};

// The bitmap as rows of width bytes, top row first, with no gaps between
// rows: the buffer itself when it already is, else a copy in scratch (rows
// padded or flowing upwards, or 1-bit coverage widened to 0 and 255); null
// when memory runs out.
const unsigned char* TightCoverage(const FT_Bitmap& bitmap, Scratch* scratch)
{
  unsigned int width = bitmap.width;
  unsigned int rows = bitmap.rows;
  int pitch = bitmap.pitch;
  if (bitmap.pixel_mode == FT_PIXEL_MODE_GRAY && pitch == static_cast<int>(width))
    return bitmap.buffer;
  unsigned char* tight = scratch->Reserve(static_cast<size_t>(width) * rows);
  if (!tight) return nullptr;
  // With an upward flow the buffer starts at the bottom row; adding the
  // pitch always moves one row down.
  const unsigned char* top = bitmap.buffer;
  if (pitch < 0) top += static_cast<ptrdiff_t>(rows - 1) * -pitch;
  for (unsigned int row = 0; row < rows; ++row) {
    const unsigned char* source = top + static_cast<ptrdiff_t>(row) * pitch;
    unsigned char* destination = tight + static_cast<size_t>(row) * width;
    if (bitmap.pixel_mode == FT_PIXEL_MODE_GRAY) {
      memcpy(destination, source, width);
    } else {
      for (unsigned int column = 0; column < width; ++column)
        destination[column] = ((source[column >> 3] >> (7 - (column & 7))) & 1) ? 255 : 0;
    }
  }
  return tight;
}

}  // namespace

OxGlyphAtlas::OxGlyphAtlas(FT_Face face, unsigned int size, unsigned int sizeLimit)
    : texture(0),
      width(0),
      height(0),
      mFace(face),
      mSizeLimit(sizeLimit),
      mTooLarge(false),
      mSlotCount(0)
{
  memset(glyphs, 0, sizeof(glyphs));
  memset(mRendered, 0, sizeof(mRendered));
  memset(mSlots, 0, sizeof(mSlots));
  memset(mSlotCodes, 0, sizeof(mSlotCodes));
  FT_Set_Pixel_Sizes(mFace, 0, size);

  // Measuring pass. A character's image is at most as tall as the atlas, so
  // once the rows already passed the limit, rendering more (possibly huge)
  // images cannot make the font fit.
  unsigned int rowsSoFar = 0;
  for (unsigned int code = kFirstCoveredCode; code <= kLastCoveredCode; ++code) {
    if (size > kDirectRenderSize && IsImageTooLarge(mFace, code, mSizeLimit)) {
      mTooLarge = true;
      break;
    }
    if (!RenderCharacter(mFace, code)) continue;
    const FT_Bitmap& bitmap = mFace->glyph->bitmap;
    mRendered[code] = true;
    mSlots[mSlotCount].width = bitmap.width;
    mSlots[mSlotCount].rows = bitmap.rows;
    mSlotCodes[mSlotCount] = code;
    ++mSlotCount;
    OxMeasureGlyphAtlas(mSlots, mSlotCount, mSizeLimit, &width, &rowsSoFar);
    if (rowsSoFar > mSizeLimit) break;
  }
  height = rowsSoFar;
}

OxGlyphAtlas::~OxGlyphAtlas()
{
  if (texture != 0) {
    OxBatchTextureDeleting(texture);
    glDeleteTextures(1, &texture);
  }
}

bool OxGlyphAtlas::IsBuildable() const
{
  return !mTooLarge && width > 0 && height > 0 && width <= mSizeLimit && height <= mSizeLimit;
}

void OxGlyphAtlas::Build()
{
  for (unsigned int code = kFirstCoveredCode; code <= kLastCoveredCode; ++code)
    if (!mRendered[code]) printf("\n - Could not generate a glyph for %c\n", static_cast<char>(code));

  CHECK_GL_ERROR(kAtlasFunction);
  glActiveTexture(GL_TEXTURE0);
  glGenTextures(1, &texture);
  glBindTexture(GL_TEXTURE_2D, texture);
  OxBatchTextureBound(texture);
  CHECK_GL_ERROR(kAtlasFunction);

  // No initial contents: texels between the images are never written.
  glTexImage2D(GL_TEXTURE_2D, 0, GL_ALPHA, static_cast<GLsizei>(width),
               static_cast<GLsizei>(height), 0, GL_ALPHA, GL_UNSIGNED_BYTE, nullptr);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);

  // Placing pass: the same images in the same order, rendered again.
  OxPlaceGlyphs(mSlots, mSlotCount);
  float atlasWidth = static_cast<float>(width);
  float atlasHeight = static_cast<float>(height);
  Scratch scratch;
  for (size_t i = 0; i < mSlotCount; ++i) {
    const OxGlyphSlot& slot = mSlots[i];
    unsigned int code = mSlotCodes[i];
    if (!RenderCharacter(mFace, code)) continue;
    const FT_GlyphSlot rendered = mFace->glyph;
    const FT_Bitmap& bitmap = rendered->bitmap;
    // An image other than the one measured would not fit its place.
    if (bitmap.width != slot.width || bitmap.rows != slot.rows) continue;
    // Images of width or height 0 (the space) upload nothing.
    if (slot.width > 0 && slot.rows > 0) {
      const unsigned char* coverage = TightCoverage(bitmap, &scratch);
      if (!coverage) continue;
      glTexSubImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(slot.x), static_cast<GLint>(slot.y),
                      static_cast<GLsizei>(slot.width), static_cast<GLsizei>(slot.rows), GL_ALPHA,
                      GL_UNSIGNED_BYTE, coverage);
    }

    OxGlyph& glyph = glyphs[code];
    glyph.advanceX = static_cast<float>(rendered->advance.x >> 6);
    glyph.advanceY = static_cast<float>(rendered->advance.y >> 6);
    glyph.width = static_cast<float>(slot.width);
    glyph.height = static_cast<float>(slot.rows);
    glyph.bearingLeft = static_cast<float>(rendered->bitmap_left);
    glyph.bearingTop = static_cast<float>(rendered->bitmap_top);
    glyph.atlasU = static_cast<float>(slot.x) / atlasWidth;
    glyph.atlasV = static_cast<float>(slot.y) / atlasHeight;
  }
}
