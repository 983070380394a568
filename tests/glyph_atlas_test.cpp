// Glyph atlas layout rules as pure arithmetic: rows of images with one-texel
// gaps, closed before column 1024, the atlas exactly as large as its rows;
// the shelves of a glyph page; the UTF-8 decoder.
// The layout source is compiled into a small static library of its own.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <vector>

#include "graphics/OxGlyphLayout.h"

namespace {

std::vector<OxGlyphSlot> Slots(std::initializer_list<std::pair<unsigned, unsigned>> sizes)
{
  std::vector<OxGlyphSlot> slots;
  for (const auto& size : sizes) slots.push_back(OxGlyphSlot{size.first, size.second, 99, 99});
  return slots;
}

void Measure(const std::vector<OxGlyphSlot>& slots, unsigned* width, unsigned* height)
{
  OxMeasureGlyphAtlas(slots.data(), slots.size(), 1u << 30, width, height);
}

}  // namespace

// Cases: widths 10, 20, 30 and heights 12, 15, 9 give one row, 63 x 15,
// glyphs at x = 0, 11 and 32 (the first at (0, 0)); a zero-width image (the
// space) takes one texel; nothing at all gives 0 x 0.
TEST(GlyphLayout, OneRow)
{
  std::vector<OxGlyphSlot> slots = Slots({{10, 12}, {20, 15}, {30, 9}});
  unsigned width = 0, height = 0;
  Measure(slots, &width, &height);
  EXPECT_EQ(width, 63u);
  EXPECT_EQ(height, 15u);
  OxPlaceGlyphs(slots.data(), slots.size());
  EXPECT_EQ(slots[0].x, 0u);
  EXPECT_EQ(slots[1].x, 11u);
  EXPECT_EQ(slots[2].x, 32u);
  for (const OxGlyphSlot& slot : slots) EXPECT_EQ(slot.y, 0u);

  slots = Slots({{0, 0}, {5, 7}});
  Measure(slots, &width, &height);
  EXPECT_EQ(width, 7u);
  EXPECT_EQ(height, 7u);
  OxPlaceGlyphs(slots.data(), slots.size());
  EXPECT_EQ(slots[1].x, 1u);

  Measure({}, &width, &height);
  EXPECT_EQ(width, 0u);
  EXPECT_EQ(height, 0u);
}

// Cases: a row filled to 1000 then a glyph 23 wide (1000 + 23 + 1 = 1024)
// starts a new row; one 22 wide (1023) stays; the atlas width is the widest
// row and the height the sum of the row heights; a glyph 1500 wide alone
// gets its own row and widens the atlas past 1023.
TEST(GlyphLayout, RowsCloseBeforeColumn1024)
{
  std::vector<OxGlyphSlot> slots = Slots({{999, 10}, {23, 4}});
  unsigned width = 0, height = 0;
  Measure(slots, &width, &height);
  EXPECT_EQ(width, 1000u);
  EXPECT_EQ(height, 14u);
  OxPlaceGlyphs(slots.data(), slots.size());
  EXPECT_EQ(slots[1].x, 0u);
  EXPECT_EQ(slots[1].y, 10u);

  slots = Slots({{999, 10}, {22, 12}});
  Measure(slots, &width, &height);
  EXPECT_EQ(width, 1023u);
  EXPECT_EQ(height, 12u);
  OxPlaceGlyphs(slots.data(), slots.size());
  EXPECT_EQ(slots[1].x, 1000u);
  EXPECT_EQ(slots[1].y, 0u);

  slots = Slots({{5, 3}, {1500, 8}, {5, 6}});
  Measure(slots, &width, &height);
  EXPECT_EQ(width, 1501u);
  EXPECT_EQ(height, 3u + 8u + 6u);
  OxPlaceGlyphs(slots.data(), slots.size());
  EXPECT_EQ(slots[1].x, 0u);
  EXPECT_EQ(slots[1].y, 3u);
  EXPECT_EQ(slots[2].x, 0u);
  EXPECT_EQ(slots[2].y, 11u);
}

// Cases: for many random sequences every placed image lies inside the
// measured atlas, no two images (with their gaps) overlap in a row, and no
// row's fill reaches column 1024 unless one glyph alone is that wide.
TEST(GlyphLayout, PlacesAgreeWithMeasure)
{
  srand(7);
  for (int round = 0; round < 200; ++round) {
    std::vector<OxGlyphSlot> slots;
    int count = rand() % 120;
    for (int i = 0; i < count; ++i)
      slots.push_back(OxGlyphSlot{static_cast<unsigned>(rand() % (round % 10 == 0 ? 1200 : 90)),
                                  static_cast<unsigned>(rand() % 60), 0, 0});
    unsigned width = 0, height = 0;
    Measure(slots, &width, &height);
    OxPlaceGlyphs(slots.data(), slots.size());
    for (size_t i = 0; i < slots.size(); ++i) {
      const OxGlyphSlot& slot = slots[i];
      ASSERT_LE(slot.x + slot.width + 1, width) << round << " " << i;
      ASSERT_LE(slot.y + slot.rows, height) << round << " " << i;
      if (slot.width + 1 < 1024) {
        ASSERT_LT(slot.x + slot.width + 1, 1024u);
      }
      // A glyph not at the row's start follows its predecessor and its gap.
      if (i > 0 && slot.x > 0) {
        ASSERT_EQ(slot.y, slots[i - 1].y);
        ASSERT_EQ(slot.x, slots[i - 1].x + slots[i - 1].width + 1);
      }
    }
  }
}

// Cases: measuring stops once the height passes the limit, reporting a
// height above it, so that a font too large is known without going on.
TEST(GlyphLayout, MeasureStopsPastTheHeightLimit)
{
  std::vector<OxGlyphSlot> slots = Slots({{1100, 500}, {1100, 500}, {1100, 500}, {10, 5}});
  unsigned width = 0, height = 0;
  OxMeasureGlyphAtlas(slots.data(), slots.size(), 600, &width, &height);
  EXPECT_GT(height, 600u);
  OxMeasureGlyphAtlas(slots.data(), slots.size(), 100000, &width, &height);
  EXPECT_EQ(height, 1505u);
  EXPECT_EQ(width, 1101u);
}

// Texts decoded up to the zero byte: two- to four-byte forms at their bounds;
// one U+FFFD per byte of a lone continuation byte, a C0, C1, F5..FF lead, an
// overlong form, a surrogate, a value above U+10FFFF; one per sequence cut
// short by the end or by a byte that cannot continue it (read afresh). A
// text is valid when nothing in it is replaced.
TEST(Utf8, DecodesAndReplacesIllFormedParts)
{
  const unsigned R = kUtf8Replacement;
  const struct {
    const char* text;
    std::vector<unsigned> codes;
  } cases[] = {
      {"Az\xC2\x80\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBF\xF0\x90\x80\x80\xF4\x8F\xBF\xBF\xED\x9F\xBF",
       {'A', 'z', 0x80, 0x7FF, 0x800, 0xFFFF, 0x10000, 0x10FFFF, 0xD7FF}},
      {"a\x80" "b\xBF\xC0\xAF\xC1\xBF\xF5\x80\xFF", {'a', R, 'b', R, R, R, R, R, R, R, R}},
      {"\xE0\x80\xAF\xF0\x80\x80\xAF\xED\xA0\x80\xF4\x90\x80\x80", std::vector<unsigned>(14, R)},
      {"\xE2\x82" "A\xC3\xC3\xA9\xF0\x9F\x98", {R, 'A', R, 0xE9, R}},
  };
  for (const auto& test : cases) {
    std::vector<unsigned> codes;
    const unsigned char* at = reinterpret_cast<const unsigned char*>(test.text);
    while (*at) codes.push_back(OxUtf8Next(&at));
    EXPECT_EQ(codes, test.codes) << test.text;
    // Valid as a whole exactly when nothing was replaced.
    EXPECT_EQ(OxUtf8IsValid(test.text), std::count(codes.begin(), codes.end(), R) == 0);
  }
  EXPECT_FALSE(OxUtf8IsValid(nullptr));
}

// A 64-texel page: images a texel apart left to right, a row ending on its
// last texel, new shelves a texel below the tallest image; too tall for the
// room below or as wide as the page: refused, nothing changed; a zero-sized
// image takes a texel; the last shelf may end on the page's last row.
TEST(GlyphLayout, ShelvesOfAPage)
{
  OxGlyphShelf shelf = {64, 0, 0, 0};
  const struct {
    unsigned width, rows;
    bool fits;
    unsigned x, y;
  } steps[] = {
      {30, 10, true, 0, 0},   {32, 20, true, 31, 0}, {10, 3, true, 0, 21},
      {20, 40, true, 11, 21}, {40, 3, false, 0, 0},  {64, 1, false, 0, 0},
      {0, 0, true, 32, 21},   {30, 1, true, 33, 21}, {1, 1, true, 0, 62},
  };
  for (const auto& step : steps) {
    OxGlyphSlot slot = {step.width, step.rows, 99, 99};
    OxGlyphShelf before = shelf;
    ASSERT_EQ(OxShelfPlace(&shelf, &slot), step.fits) << step.width << " x " << step.rows;
    EXPECT_EQ(memcmp(&before, &shelf, sizeof(shelf)) == 0, !step.fits);
    EXPECT_TRUE(!step.fits || (slot.x == step.x && slot.y == step.y)) << slot.x << ", " << slot.y;
  }
}
