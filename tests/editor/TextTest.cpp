// Text on the canvas: UTF-8 reading, measuring, the glyph cache and a face that failed to load.
// The glyphs' pixels (gamma curve, missing glyph, two- and four-byte characters included), the
// alignments and text crossing the canvas edges are pinned by the golden images.
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
  c.text("", 50, 5, 12, kWhite, 1, true, 1.0f);  // and an empty text draws nothing
  c.text(std::string_view("\0abc", 4), 5, 5, 12, kWhite);
  EXPECT_EQ(touchedPixels(c), 0);
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
