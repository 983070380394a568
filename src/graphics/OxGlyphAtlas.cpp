// OxGlyphAtlas: rasterises the characters 32 to 127 of a face with FreeType,
// lays their images out in rows and uploads them into one GL_ALPHA texture;
// later glyphs go onto square pages, shelf by shelf, when first asked for.
// Leans on the OpenGL API (platform/OxPlatformGLApi.h), the layout rules and the graphics module's fatal reports.
#include "graphics/OxGlyphAtlas.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "graphics/OxBatch.h"
#include "graphics/OxRenderState.h"
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

// Whether the loaded glyph's image, by its outline's metrics, would be wider
// or taller than the limit.
bool IsLoadedImageTooLarge(FT_Face face, unsigned int limit)
{
  const FT_Glyph_Metrics& metrics = face->glyph->metrics;
  // 26.6 fixed point, rounded up, plus a pixel for the rasteriser's rounding.
  FT_Pos width = ((metrics.width + 63) >> 6) + 1;
  FT_Pos height = ((metrics.height + 63) >> 6) + 1;
  return width > static_cast<FT_Pos>(limit) || height > static_cast<FT_Pos>(limit);
}

// Whether the character's image would be wider or taller than the limit. A
// character that does not load is not too large.
bool IsImageTooLarge(FT_Face face, unsigned int code, unsigned int limit)
{
  if (FT_Load_Char(face, code, FT_LOAD_DEFAULT) != 0) return false;
  return IsLoadedImageTooLarge(face, limit);
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

// Keeps the active texture unit, the texture bound on unit 0 and the unpack
// alignment over work on a page, so that neither path's render state (nor
// the batched path's record of what OpenGL has bound) changes.
struct TextureStateKept {
  GLint unit = GL_TEXTURE0, bound = 0, alignment = 4;
  TextureStateKept()
  {
    glGetIntegerv(GL_ACTIVE_TEXTURE, &unit);
    glActiveTexture(GL_TEXTURE0);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  }
  ~TextureStateKept()
  {
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(bound));
    glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
    glActiveTexture(static_cast<GLenum>(unit));
  }
};

// Pages are at least this wide, and at most the smaller of this and the
// maximum texture size.
const unsigned int kSmallestPage = 256;
const unsigned int kLargestPage = 2048;
// Glyph indices taken into account; fonts have at most 65,535 glyphs.
const unsigned int kIndexLimit = 1u << 17;

}  // namespace

OxGlyphAtlas::OxGlyphAtlas(FT_Face face, unsigned int size, unsigned int sizeLimit)
    : texture(0),
      width(0),
      height(0),
      lineHeight(0.0f),
      mFace(face),
      mSizeLimit(sizeLimit),
      mTooLarge(false),
      mSlotCount(0),
      mPageSide(0),
      mPageLimit(0),
      mPageCount(0),
      mShelf(),
      mStoredOf(nullptr),
      mIndexCount(0),
      mStored(nullptr),
      mStoredCount(0),
      mStoredCapacity(0)
{
  memset(glyphs, 0, sizeof(glyphs));
  memset(mRendered, 0, sizeof(mRendered));
  memset(mSlots, 0, sizeof(mSlots));
  memset(mSlotCodes, 0, sizeof(mSlotCodes));
  memset(mPages, 0, sizeof(mPages));
  FT_Set_Pixel_Sizes(mFace, 0, size);

  // FreeType rounds a scalable face's line spacing to whole pixels.
  lineHeight = static_cast<float>(mFace->size->metrics.height >> 6);
  // Pages about sixteen lines high, a power of two, within the limits; as
  // many as the budget holds. A damaged face may give a negative or a huge
  // spacing: only the page's size is taken from it here.
  float lines = lineHeight > 0.0f ? (lineHeight < 65536.0f ? lineHeight : 65536.0f) : 0.0f;
  unsigned int wanted = 16u * (static_cast<unsigned int>(lines) + 1u);
  unsigned int largest = sizeLimit < kLargestPage ? sizeLimit : kLargestPage;
  mPageSide = kSmallestPage;
  while (mPageSide < wanted && mPageSide < largest) mPageSide *= 2;
  if (mPageSide > largest) mPageSide = largest;
  if (mPageSide > 0) {
    size_t pageBytes = static_cast<size_t>(mPageSide) * mPageSide;
    mPageLimit = static_cast<unsigned int>(kPageBudgetBytes / pageBytes);
    if (mPageLimit < 1) mPageLimit = 1;
    if (mPageLimit > kMaxPages) mPageLimit = kMaxPages;
  }
  mShelf.side = mPageSide;
  mIndexCount = mFace->num_glyphs > 0 ? static_cast<unsigned int>(mFace->num_glyphs) : 0;
  if (mIndexCount > kIndexLimit) mIndexCount = kIndexLimit;

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
  DropPages();
  free(mStoredOf);
  free(mStored);
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
  OxRenderTextureBound(texture);
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

// ---- Glyphs beyond the first texture ---------------------------------------------------

const OxGlyph* OxGlyphAtlas::Find(unsigned int index, GLuint* page, float* pageWidth,
                                  float* pageHeight) const
{
  if (!mStoredOf || index >= mIndexCount || mStoredOf[index] == 0) return nullptr;
  const StoredGlyph& stored = mStored[mStoredOf[index] - 1];
  *page = stored.page == kNoPage ? 0 : mPages[stored.page];
  *pageWidth = static_cast<float>(mPageSide);
  *pageHeight = static_cast<float>(mPageSide);
  return &stored.glyph;
}

// Loads the glyph into the face's slot and fills its metrics; its image is
// rendered and kept in the slot only when it is coverage and fits an empty
// page (checked on the outline first, so that no huge image is rendered).
void OxGlyphAtlas::LoadGlyph(unsigned int index, OxGlyph* glyph)
{
  memset(glyph, 0, sizeof(*glyph));
  if (mPageSide == 0 || FT_Load_Glyph(mFace, index, FT_LOAD_DEFAULT) != 0) return;
  FT_GlyphSlot slot = mFace->glyph;
  glyph->advanceX = static_cast<float>(slot->advance.x >> 6);
  glyph->advanceY = static_cast<float>(slot->advance.y >> 6);
  if (IsLoadedImageTooLarge(mFace, mPageSide - 1)) return;
  if (slot->format != FT_GLYPH_FORMAT_BITMAP && FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0)
    return;
  const FT_Bitmap& bitmap = slot->bitmap;
  if (!IsCoverageBitmap(bitmap) || bitmap.width >= mPageSide || bitmap.rows >= mPageSide) return;
  glyph->width = static_cast<float>(bitmap.width);
  glyph->height = static_cast<float>(bitmap.rows);
  glyph->bearingLeft = static_cast<float>(slot->bitmap_left);
  glyph->bearingTop = static_cast<float>(slot->bitmap_top);
}

void OxGlyphAtlas::Measure(unsigned int index, OxGlyph* glyph) { LoadGlyph(index, glyph); }

// A new empty page, all texels zero, made the one being filled.
bool OxGlyphAtlas::NewPage()
{
  size_t bytes = static_cast<size_t>(mPageSide) * mPageSide;
  void* zeros = calloc(bytes, 1);
  if (!zeros) return false;
  GLuint name = 0;
  {
    TextureStateKept kept;
    glGenTextures(1, &name);
    if (name != 0) {
      glBindTexture(GL_TEXTURE_2D, name);
      glTexImage2D(GL_TEXTURE_2D, 0, GL_ALPHA, static_cast<GLsizei>(mPageSide),
                   static_cast<GLsizei>(mPageSide), 0, GL_ALPHA, GL_UNSIGNED_BYTE, zeros);
      glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
      glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
      glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
      glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    }
  }
  free(zeros);
  if (name == 0) return false;
  mPages[mPageCount++] = name;
  mShelf.x = 0;
  mShelf.y = 0;
  mShelf.rowHeight = 0;
  return true;
}

bool OxGlyphAtlas::Add(unsigned int index)
{
  // Without memory for the records the glyph is measured on every use
  // instead (Find keeps returning null); that is no reason to drop pages.
  if (index >= mIndexCount) return true;
  if (!mStoredOf) {
    mStoredOf = static_cast<unsigned int*>(calloc(mIndexCount, sizeof(unsigned int)));
    if (!mStoredOf) return true;
  }
  if (mStoredCount == mStoredCapacity) {
    unsigned int capacity = mStoredCapacity ? mStoredCapacity * 2 : 64;
    void* grown = realloc(mStored, capacity * sizeof(StoredGlyph));
    if (!grown) return true;
    mStored = static_cast<StoredGlyph*>(grown);
    mStoredCapacity = capacity;
  }

  StoredGlyph stored = {};
  stored.page = kNoPage;
  LoadGlyph(index, &stored.glyph);
  OxGlyph& glyph = stored.glyph;
  if (glyph.width > 0 && glyph.height > 0) {
    OxGlyphSlot slot = {static_cast<unsigned int>(glyph.width),
                        static_cast<unsigned int>(glyph.height), 0, 0};
    if (mPageCount == 0 || !OxShelfPlace(&mShelf, &slot)) {
      if (mPageCount >= mPageLimit || !NewPage()) return false;
      // LoadGlyph kept only images that fit an empty page.
      if (!OxShelfPlace(&mShelf, &slot)) return false;
    }
    Scratch scratch;
    const unsigned char* coverage = TightCoverage(mFace->glyph->bitmap, &scratch);
    if (coverage) {
      TextureStateKept kept;
      glBindTexture(GL_TEXTURE_2D, mPages[mPageCount - 1]);
      glTexSubImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(slot.x), static_cast<GLint>(slot.y),
                      static_cast<GLsizei>(slot.width), static_cast<GLsizei>(slot.rows), GL_ALPHA,
                      GL_UNSIGNED_BYTE, coverage);
      stored.page = mPageCount - 1;
      glyph.atlasU = static_cast<float>(slot.x) / static_cast<float>(mPageSide);
      glyph.atlasV = static_cast<float>(slot.y) / static_cast<float>(mPageSide);
    }
  }
  mStored[mStoredCount++] = stored;
  mStoredOf[index] = mStoredCount;
  return true;
}

void OxGlyphAtlas::DropPages()
{
  for (unsigned int i = 0; i < mPageCount; ++i) {
    OxBatchTextureDeleting(mPages[i]);
    glDeleteTextures(1, &mPages[i]);
    mPages[i] = 0;
  }
  mPageCount = 0;
  if (mStoredOf) memset(mStoredOf, 0, mIndexCount * sizeof(unsigned int));
  mStoredCount = 0;
}
