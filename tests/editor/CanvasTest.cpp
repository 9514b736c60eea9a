// The canvas primitives: coverage, blending, clipping at the canvas edges and bad numbers. Each
// shape's exact pixels are pinned by the golden images (GoldenImageTest.cpp).
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

#include "CanvasTestUtil.h"

namespace zv {
namespace {

using test::blankCanvas;
using test::blendByte;
using test::blue;
using test::green;
using test::red;

const RGB kWhite{1.0f, 1.0f, 1.0f};
const RGB kBlack{0.0f, 0.0f, 0.0f};
constexpr std::uint32_t kFill = 0x203040u;

TEST(CanvasDisc, FullAtTheCentreHalfOnTheEdgeUntouchedBeyondHalfAPixel) {
  // The same disc, radius 10 pixels centred on a pixel centre, at two scales.
  for (float scale : {1.0f, 2.0f}) {
    SCOPED_TRACE(scale);
    Canvas c = blankCanvas(48, 48, scale, 0u);
    const float cx = 20.5f / scale, cy = 20.5f / scale, r = 10.0f / scale;
    c.circle(cx, cy, r, kWhite);
    EXPECT_EQ(c.pixelAt(20, 20), 0xFFFFFFu);
    // Pixel (30, 20) has its centre exactly on the circle: coverage 0.5 gives 127.5 + 0.5 -> 128.
    EXPECT_EQ(c.pixelAt(30, 20), 0x808080u);
    EXPECT_EQ(c.pixelAt(20, 10), 0x808080u);
    for (int y = 0; y < c.height; ++y) {
      for (int x = 0; x < c.width; ++x) {
        const float d = std::hypot(x + 0.5f - 20.5f, y + 0.5f - 20.5f) - 10.0f;
        if (d >= 0.5f) {
          ASSERT_EQ(c.pixelAt(x, y), 0u) << x << "," << y;
        } else if (d <= -0.5f) {
          ASSERT_EQ(c.pixelAt(x, y), 0xFFFFFFu) << x << "," << y;
        } else {
          ASSERT_NEAR(red(c.pixelAt(x, y)), int((0.5f - d) * 255.0f + 0.5f), 1) << x << "," << y;
        }
      }
    }
  }
}

TEST(CanvasBlend, HalfCoverageRoundsHalfUpAndAlphaCapsAtOne) {
  Canvas c = blankCanvas(40, 40, 1.0f, 0u);
  c.circle(20, 20, 8, kWhite, 0.5f);  // full coverage at alpha 0.5
  EXPECT_EQ(c.pixelAt(20, 20), 0x808080u);

  Canvas w = blankCanvas(40, 40, 1.0f, 0xFFFFFFu);
  w.circle(20, 20, 8, kBlack, 0.5f);
  EXPECT_EQ(w.pixelAt(20, 20), 0x808080u);

  // Coverage 0.5 on the edge times alpha 2 is capped at 1: the edge pixel gets the full colour.
  Canvas e = blankCanvas(48, 48, 1.0f, 0u);
  e.circle(20.5f, 20.5f, 10, kWhite, 2.0f);
  EXPECT_EQ(e.pixelAt(30, 20), 0xFFFFFFu);

  // Channels blend independently and the top byte stays 0.
  Canvas m = blankCanvas(40, 40, 1.0f, 0x00FF0080u);
  m.circle(20, 20, 8, RGB{0.0f, 1.0f, 1.0f}, 0.25f);
  const std::uint32_t p = m.pixelAt(20, 20);
  EXPECT_EQ(p >> 24, 0u);
  EXPECT_EQ(red(p), blendByte(255, 0.0f, 0.25f));
  EXPECT_EQ(green(p), blendByte(0, 1.0f, 0.25f));
  EXPECT_EQ(blue(p), blendByte(128, 1.0f, 0.25f));
}

// Draws with `draw` on a small canvas and, shifted by (+20, +20) units, on a large one: the small
// canvas must hold exactly the large one's pixels where they overlap, and nothing may be written
// outside.
void expectClippedLikeShifted(const std::function<void(Canvas&, float)>& draw) {
  Canvas small = blankCanvas(40, 30, 1.0f, kFill);
  Canvas large = blankCanvas(80, 70, 1.0f, kFill);
  draw(small, 0.0f);
  draw(large, 20.0f);
  int touched = 0;
  for (int y = 0; y < small.height; ++y) {
    for (int x = 0; x < small.width; ++x) {
      ASSERT_EQ(small.pixelAt(x, y), large.pixelAt(x + 20, y + 20)) << x << "," << y;
      touched += small.pixelAt(x, y) != kFill;
    }
  }
  EXPECT_GT(touched, 0);
  EXPECT_EQ(small.pixels.size(), 40u * 30u);
}

TEST(CanvasClipping, ShapesPartlyOutsideDrawTheirVisiblePartOnly) {
  const RGB pink = RGB::fromBytes(255, 95, 216);
  const RGB violet = RGB::fromBytes(176, 107, 255);
  expectClippedLikeShifted([&](Canvas& c, float o) { c.circle(o + 2, o + 3, 12, pink); });
  expectClippedLikeShifted([&](Canvas& c, float o) { c.circle(o + 38, o + 28, 9, pink, 0.6f); });
  expectClippedLikeShifted(
      [&](Canvas& c, float o) { c.circleVGrad(o + 36, o + 2, 10, violet, pink); });
  expectClippedLikeShifted([&](Canvas& c, float o) { c.rrect(o - 10, o + 20, 30, 20, 6, pink); });
  expectClippedLikeShifted(
      [&](Canvas& c, float o) { c.rrectGrad(o + 30, o - 5, 30, 15, 7, violet, pink, 0.8f); });
  expectClippedLikeShifted(
      [&](Canvas& c, float o) { c.capsule(o - 5, o + 25, o + 45, o + 5, 3, pink); });
  expectClippedLikeShifted(
      [&](Canvas& c, float o) { c.arc(o + 5, o + 5, 14, 4, -1.0f, 2.5f, pink); });
  expectClippedLikeShifted([&](Canvas& c, float o) { c.glow(o + 38, o + 2, 15, pink, 0.8f); });
  expectClippedLikeShifted([&](Canvas& c, float o) { c.softDisc(o + 1, o + 25, 8, 3, 6, 1.0f); });
}

TEST(CanvasClipping, ShapesWhollyOutsideOrWithBadNumbersDrawNothing) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  Canvas c = blankCanvas(40, 30, 1.0f, kFill);
  const std::vector<std::uint32_t> before = c.pixels;
  c.circle(-50, 10, 20, kWhite);
  c.circle(10, 200, 20, kWhite);
  c.rrect(100, 0, 10, 10, 2, kWhite);
  c.arc(300, 300, 10, 2, 0, 1, kWhite);
  c.glow(-100, -100, 20, kWhite, 1.0f);
  c.softDisc(500, 5, 5, 0, 2, 1.0f);
  c.circle(nan, 10, 5, kWhite);
  c.circle(10, 10, nan, kWhite);
  c.circle(10, 10, 5, kWhite, nan);
  c.circle(10, 10, 5, kWhite, -1.0f);
  c.rrect(10, 10, -5, 5, 1, kWhite);
  c.rrect(nan, 10, 5, 5, 1, kWhite);
  c.arc(20, 15, 10, 2, nan, 1, kWhite);
  c.capsule(nan, 0, 10, 10, 2, kWhite);
  c.glow(20, 15, nan, kWhite, 1.0f);
  c.glow(20, 15, 10, kWhite, 1.0f, 0, 0, nan, 30);
  c.softDisc(20, 15, 5, 0, nan, 1.0f);
  c.text("nan", nan, 10, 12, kWhite);
  c.text("inf", 10, inf, 12, kWhite);
  EXPECT_EQ(c.pixels, before);

  // Out-of-range colours cannot wrap a byte round.
  c.circle(20, 15, 5, RGB{4.0f, -3.0f, nan});
  EXPECT_EQ(c.pixelAt(20, 15), 0xFF0000u);
}

TEST(CanvasFill, TakesAnyDistanceAndCallsColourOnlyForCoveredPixels) {
  Canvas c = blankCanvas(20, 20, 1.0f, 0u);
  int colourCalls = 0;
  // A half-plane x < 10 over a box that reaches x = 15.
  c.fill(
      c.clipBox(0, 0, 15, 19), 1.0f, [](float px, float) { return px - 10.0f; },
      [&](float, float) {
        ++colourCalls;
        return RGB{1, 1, 1};
      });
  EXPECT_EQ(colourCalls, 20 * 10);  // d = 0.5 at x = 10 is not covered
  EXPECT_EQ(c.pixelAt(9, 5), 0xFFFFFFu);
  EXPECT_EQ(c.pixelAt(10, 5), 0u);
}

}  // namespace
}  // namespace zv
