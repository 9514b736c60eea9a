// Text on the canvas: UTF-8 reading, measuring, alignment and the glyph cache. The glyphs' pixels,
// gamma curve included, and text crossing the canvas edges are pinned by the golden images.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "CanvasTestUtil.h"
#include "Fonts.h"
#include "Utf8.h"

namespace zv {
namespace {

using test::blankCanvas;
using test::kFill;
using test::kWhite;
using test::touchedPixels;

Canvas textCanvas(int w, int h, float scale) {
  Canvas c = blankCanvas(w, h, scale);
  c.loadFonts();
  return c;
}

std::vector<std::uint32_t> decodeAll(std::string_view text) {
  std::vector<std::uint32_t> out;
  for (std::size_t pos = 0; !atTextEnd(text, pos);) out.push_back(nextCodePoint(text, pos));
  return out;
}

TEST(Utf8, DecodesTwoAndThreeByteFormsAndReadsEverythingElseByteByByte) {
  const struct {
    std::string_view text;
    std::vector<std::uint32_t> points;
  } cases[] = {
      {"A\xC3\xA9", {'A', 0xE9}},
      {"\xE2\x82\xAC", {0x20AC}},
      {"\xF0\x9F\x98\x80", {0xF0, 0x9F, 0x98, 0x80}},  // four-byte forms are not decoded
      {"\xC3", {0xC3}},             // a lead byte at the end, or before the end of its form,
      {"\xE2\x82", {0xE2, 0x82}},   // stands for itself
      {"\xC3\x41", {0xC1}},         // continuation bytes ('A') are not checked,
      {"\xA9x", {0xA9, 'x'}},       // and stray ones stand for themselves
      {{"ab\0cd", 5}, {'a', 'b'}},  // the text ends at a NUL byte
      {{"\xC3\0z", 3}, {0xC3}},
  };
  for (const auto& c : cases) EXPECT_EQ(decodeAll(c.text), c.points) << c.text;
}

TEST(TextMeasure, WidthIsTheSumOfAdvancesWithSpacingAfterEveryCharacterIncludingTheLast) {
  // Poppins's GPOS table holds mark positioning only, no pair kerning, so a classic kerning pair
  // measures as its two advances.
  Canvas c = textCanvas(10, 10, 1.0f);
  const int px = c.pixelSizeFor(24);
  const float apart = c.glyph(kFaceBold, 'A', px).advance + c.glyph(kFaceBold, 'V', px).advance;
  EXPECT_TRUE(c.fonts.faces[kFaceBold].hasKerning());
  EXPECT_FLOAT_EQ(c.textWidth("AV", 24, true), apart);
  EXPECT_FLOAT_EQ(c.textWidth("AV", 24, true, 0.5f), apart + 1.0f);
  EXPECT_EQ(c.textWidth("", 9, true, 1.8f), 0.0f);
  EXPECT_EQ(c.textWidth(std::string_view("\0MIX", 4), 9, true), 0.0f);
}

TEST(TextDraw, AlignmentShiftsByTheMeasuredWidth) {
  // Centred at 100 with letter spacing: the same pixels as left-aligned at 100 - width / 2, and the
  // trailing spacing moves the ink half a spacing left of symmetric.
  for (float scale : {1.0f, 2.0f}) {
    SCOPED_TRACE(scale);
    const int w = int(200 * scale), h = int(40 * scale);
    Canvas centred = textCanvas(w, h, scale);
    Canvas left = textCanvas(w, h, scale);
    Canvas right = textCanvas(w, h, scale);
    Canvas leftForRight = textCanvas(w, h, scale);
    const float width = centred.textWidth("CENTRED", 12, true, 2.0f);
    centred.text("CENTRED", 100, 25, 12, kWhite, 1, true, 2.0f);
    left.text("CENTRED", 100 - width / 2, 25, 12, kWhite, 0, true, 2.0f);
    right.text("CENTRED", 100, 25, 12, kWhite, 2, true, 2.0f);
    leftForRight.text("CENTRED", 100 - width, 25, 12, kWhite, 0, true, 2.0f);
    EXPECT_EQ(centred.pixels, left.pixels);
    EXPECT_EQ(right.pixels, leftForRight.pixels);
    EXPECT_GT(touchedPixels(centred), 100);
  }
}

// An empty text draws nothing; a character outside the fonts draws the missing glyph with its
// advance; "\xC3\xA9" is one glyph and a four-byte emoji four (see the decoder).
TEST(TextDraw, EmptyMissingTwoByteAndFourByteCharacters) {
  Canvas c = textCanvas(100, 40, 1.0f);
  c.text("", 50, 20, 12, kWhite, 1, true, 1.0f);
  c.text(std::string_view("\0abc", 4), 50, 20, 12, kWhite);
  EXPECT_EQ(touchedPixels(c), 0);
  const int px = c.pixelSizeFor(12);
  const Glyph& missing = c.glyph(kFaceMedium, 0x4E2D, px);  // a CJK ideograph
  EXPECT_EQ(missing.glyphIndex, 0);
  EXPECT_GT(missing.advance, 1.0f);
  EXPECT_FALSE(missing.bitmap.empty());
  c.text("\xE4\xB8\xAD", 10, 20, 12, kWhite);
  EXPECT_GT(touchedPixels(c), 10);
  EXPECT_NEAR(c.textWidth("\xE4\xB8\xAD", 12), missing.advance, 1e-5f);

  const auto& cache = c.fonts.faces[kFaceMedium].cache;
  c.text("\xC3\xA9", 10, 20, 12, kWhite);
  ASSERT_EQ(cache.size(), 2u);
  EXPECT_NE(cache.at(GlyphKey{0xE9, px}).glyphIndex, 0);
  c.text("\xF0\x9F\x98\x80", 10, 20, 12, kWhite);
  EXPECT_EQ(cache.size(), 6u);
}

TEST(GlyphCache, RasterisesEachCharacterOncePerPixelSize) {
  Canvas c = textCanvas(120, 40, 1.0f);
  const int px = c.pixelSizeFor(12);
  const Glyph* first = &c.glyph(kFaceMedium, 'a', px);
  EXPECT_EQ(&c.glyph(kFaceMedium, 'a', px), first);

  c.text("aaa", 10, 20, 12, kWhite);
  c.text("aaa", 10, 30, 12, kWhite);
  c.textWidth("aaa", 12);
  auto& cache = c.fonts.faces[kFaceMedium].cache;
  EXPECT_EQ(cache.size(), 1u);
  EXPECT_EQ(c.fonts.faces[kFaceMedium].rasterised, 1u);
  EXPECT_EQ(&c.glyph(kFaceMedium, 'a', px), first);

  // Drawing takes the cached bitmap: once it is blanked, 'a' at this size draws nothing.
  for (auto& v : cache.at(GlyphKey{'a', px}).bitmap) v = 0;
  Canvas before = c;
  c.text("aaa", 10, 20, 12, kWhite);
  EXPECT_EQ(c.pixels, before.pixels);

  // Another size and the other face are separate entries.
  c.text("a", 10, 20, 13, kWhite);
  EXPECT_EQ(cache.size(), 2u);
  c.text("a", 10, 20, 12, kWhite, 0, true);
  EXPECT_EQ(cache.size(), 2u);
  EXPECT_EQ(c.fonts.faces[kFaceMedium].rasterised, 2u);
  EXPECT_EQ(c.fonts.faces[kFaceBold].cache.size(), 1u);

  // The pixel size is the rounded product of size and scale, and a wild size is bounded.
  c.scale = 1.25f;
  EXPECT_EQ(c.pixelSizeFor(9.0f), 11);  // 11.25
  EXPECT_EQ(c.pixelSizeFor(-3.0f), 0);
  c.scale = 1.5f;
  EXPECT_EQ(c.pixelSizeFor(7.0f), 11);  // 10.5 rounds away from zero
  EXPECT_EQ(c.pixelSizeFor(1e9f), 1000);
}

TEST(TextFaces, AFaceThatFailedToParseDrawsAndMeasuresNothing) {
  // A table directory with no tables (stb_truetype trusts the table count, so the data must not
  // claim more tables than it holds; the fonts are the module's own, never a user's file).
  static const unsigned char garbage[64] = {0x00, 0x01, 0x00, 0x00};
  Canvas c = blankCanvas(60, 40, 1.0f, kFill);
  c.fonts.load(garbage, res::poppinsBold);
  EXPECT_FALSE(c.fonts.faces[kFaceMedium].loaded);
  EXPECT_TRUE(c.fonts.faces[kFaceBold].loaded);
  EXPECT_EQ(c.textWidth("abc", 12), 0.0f);
  c.text("abc", 10, 20, 12, kWhite);
  EXPECT_EQ(touchedPixels(c), 0);
  c.text("abc", 10, 20, 12, kWhite, 0, true);
  EXPECT_GT(touchedPixels(c), 0);

  // A canvas whose fonts were never loaded is just as quiet.
  Canvas none = blankCanvas(60, 40, 1.0f, kFill);
  none.text("abc", 10, 20, 12, kWhite);
  EXPECT_EQ(none.textWidth("abc", 12), 0.0f);
  EXPECT_EQ(touchedPixels(none), 0);
}

}  // namespace
}  // namespace zv
