// The canvas primitives: coverage, blending, each shape's geometry, clipping at the canvas edges.
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

TEST(CanvasRoundedRect, RadiusZeroIsASharpBoxWithOnePixelSoftEdges) {
  Canvas c = blankCanvas(40, 30, 1.0f, 0u);
  c.rrect(10, 10, 20, 10, 0, kWhite);
  EXPECT_EQ(c.pixelAt(10, 10), 0xFFFFFFu);  // square corners
  EXPECT_EQ(c.pixelAt(29, 19), 0xFFFFFFu);
  EXPECT_EQ(c.pixelAt(9, 15), 0u);
  EXPECT_EQ(c.pixelAt(30, 15), 0u);
  EXPECT_EQ(c.pixelAt(15, 20), 0u);

  // Off the pixel grid by a quarter: the edge pixels take the covered share.
  Canvas q = blankCanvas(40, 30, 1.0f, 0u);
  q.rrect(10.25f, 10, 19.5f, 10, 0, kWhite);
  EXPECT_EQ(red(q.pixelAt(10, 15)), int(0.75f * 255.0f + 0.5f));
  EXPECT_EQ(red(q.pixelAt(29, 15)), int(0.75f * 255.0f + 0.5f));
  EXPECT_EQ(q.pixelAt(11, 15), 0xFFFFFFu);
}

TEST(CanvasRoundedRect, RadiusHalfTheHeightIsThePillACapsuleDraws) {
  Canvas pill = blankCanvas(60, 30, 1.5f, 0u);
  pill.rrect(6, 6, 28, 8, 4, kWhite);
  Canvas capsule = blankCanvas(60, 30, 1.5f, 0u);
  capsule.capsule(10, 10, 30, 10, 8, kWhite);
  int touched = 0;
  for (std::size_t i = 0; i < pill.pixels.size(); ++i) {
    ASSERT_NEAR(red(pill.pixels[i]), red(capsule.pixels[i]), 1) << i;
    touched += pill.pixels[i] != 0u;
  }
  EXPECT_GT(touched, 200);
  // The ends are round: the box's corner pixel stays dark.
  EXPECT_EQ(pill.pixelAt(9, 9), 0u);
}

TEST(CanvasGradients, RunFromLeftToRightEdgeAndFromTopToBottomOfTheDisc) {
  // 100 px wide from black to white: the pixel centred 25.5 px in is a quarter of the way.
  Canvas h = blankCanvas(120, 20, 2.0f, kFill);
  h.rrectGrad(5, 2, 50, 6, 0, kBlack, kWhite);
  EXPECT_EQ(red(h.pixelAt(35, 8)), int(25.5f / 100.0f * 255.0f + 0.5f));
  EXPECT_EQ(green(h.pixelAt(85, 8)), int(75.5f / 100.0f * 255.0f + 0.5f));
  EXPECT_EQ(h.pixelAt(10, 8), 0x010101u);  // half a pixel in: 0.5 % of the way
  EXPECT_EQ(h.pixelAt(9, 8), kFill);

  // A disc of radius 20 px: the row centred 10.5 px below its top is a quarter of the way down.
  Canvas v = blankCanvas(60, 60, 1.0f, kFill);
  v.circleVGrad(30, 30, 20, kBlack, kWhite);
  EXPECT_EQ(blue(v.pixelAt(30, 20)), int(10.5f / 40.0f * 255.0f + 0.5f));
  EXPECT_EQ(blue(v.pixelAt(30, 45)), int(35.5f / 40.0f * 255.0f + 0.5f));
}

TEST(CanvasArc, ZeroToHalfPiCoversTwelveToThreeOClockWithRoundCaps) {
  // Centre on a pixel centre, radius 30, thickness 4: the start point (12 o'clock) is the centre
  // of pixel (50, 20) and the end point (3 o'clock) the centre of pixel (80, 50).
  Canvas c = blankCanvas(100, 100, 1.0f, kFill);
  c.arc(50.5f, 50.5f, 30, 4, 0.0f, 1.5707964f, kWhite);
  const auto at = [&](double angle) {
    return c.pixelAt(int(std::floor(50.5 + 30 * std::sin(angle))),
                     int(std::floor(50.5 - 30 * std::cos(angle))));
  };
  EXPECT_EQ(at(0.785), 0xFFFFFFu);  // half past one
  EXPECT_EQ(at(-0.785), kFill);     // half past ten
  EXPECT_EQ(at(2.356), kFill);      // half past four
  EXPECT_EQ(at(3.1416), kFill);     // six
  // Start cap: round, reaching thickness/2 before 12 o'clock along the circle's tangent.
  EXPECT_EQ(c.pixelAt(49, 20), 0xFFFFFFu);                         // 1 px before the start point
  EXPECT_EQ(red(c.pixelAt(48, 20)), blendByte(0x20, 1.0f, 0.5f));  // 2 px before: on the edge
  EXPECT_EQ(c.pixelAt(47, 20), kFill);
  EXPECT_EQ(c.pixelAt(48, 18), kFill);  // the corner a square cap would fill
  // End cap below 3 o'clock.
  EXPECT_EQ(c.pixelAt(80, 51), 0xFFFFFFu);
  EXPECT_EQ(red(c.pixelAt(80, 52)), blendByte(0x20, 1.0f, 0.5f));
  EXPECT_EQ(c.pixelAt(80, 53), kFill);
  // The inside of the ring is untouched.
  EXPECT_EQ(c.pixelAt(60, 40), kFill);
}

TEST(CanvasArc, ColourRunsFromTheSmallerAngleAndCapsTakeTheirEndsColour) {
  const auto ramp = [](float t) { return RGB{t, t, t}; };
  Canvas c = blankCanvas(100, 100, 1.0f, kFill);
  c.arc(50.5f, 50.5f, 30, 4, 1.5707964f, 0.0f, ramp);  // given in reverse order
  EXPECT_EQ(c.pixelAt(49, 20), 0u);                    // start cap: position 0
  EXPECT_EQ(c.pixelAt(80, 51), 0xFFFFFFu);             // end cap: position 1
  const std::uint32_t middle =
      c.pixelAt(int(50.5 + 30 * std::sin(0.785398)), int(50.5 - 30 * std::cos(0.785398)));
  EXPECT_NEAR(red(middle), 128, 3);

  // Reversed and ordered angles draw the same pixels.
  Canvas d = blankCanvas(100, 100, 1.0f, kFill);
  d.arc(50.5f, 50.5f, 30, 4, 0.0f, 1.5707964f, ramp);
  EXPECT_EQ(c.pixels, d.pixels);

  // A cap that reaches across 6 o'clock, where the angle wraps from +pi to -pi, keeps the colour
  // of its own end.
  Canvas w = blankCanvas(100, 100, 1.0f, kFill);
  w.arc(50.5f, 50.5f, 30, 6, 2.0f, 3.1f, ramp);
  EXPECT_EQ(w.pixelAt(49, 80), 0xFFFFFFu);  // beyond the end at 3.1 rad, just past six
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

TEST(CanvasGlow, FallsOffAsTheSquareOfDistanceFromIntegerPixelCoordinates) {
  Canvas c = blankCanvas(40, 40, 1.0f, 0u);
  c.glow(20, 20, 10, kWhite, 1.0f);
  EXPECT_EQ(c.pixelAt(20, 20), 0xFFFFFFu);                    // t = 0
  EXPECT_EQ(red(c.pixelAt(25, 20)), blendByte(0, 1, 0.25f));  // t = 0.5: (1 - 0.5)^2
  EXPECT_EQ(red(c.pixelAt(20, 12)), blendByte(0, 1, 0.04f));  // t = 0.8
  EXPECT_EQ(c.pixelAt(30, 20), 0u);                           // t = 1
  EXPECT_EQ(c.pixelAt(27, 27), 0u);                           // t = 0.99 rounds to 0

  // The clip rectangle's right and bottom edges are exclusive.
  Canvas k = blankCanvas(40, 40, 1.0f, 0u);
  k.glow(20, 20, 10, kWhite, 1.0f, 12, 12, 20, 24);
  EXPECT_EQ(k.pixelAt(19, 20), c.pixelAt(19, 20));
  EXPECT_EQ(k.pixelAt(20, 20), 0u);
  EXPECT_EQ(k.pixelAt(15, 23), c.pixelAt(15, 23));
  EXPECT_EQ(k.pixelAt(15, 24), 0u);
  EXPECT_NE(c.pixelAt(19, 11), 0u);
  EXPECT_EQ(k.pixelAt(19, 11), 0u);
  EXPECT_NE(c.pixelAt(11, 20), 0u);
  EXPECT_EQ(k.pixelAt(11, 20), 0u);
}

TEST(CanvasSoftDisc, IsSolidShadowInsideAndEasesOutOverTheBlur) {
  // Radius 10, blur 4, centred 5 below (20.5, 15.5): t = (dist - 10 + 2) / 6.
  Canvas c = blankCanvas(48, 48, 1.0f, 0xFFFFFFu);
  c.softDisc(20.5f, 15.5f, 10, 5, 4, 1.0f);
  EXPECT_EQ(c.pixelAt(20, 20), 0x0A0816u);  // the deep-shadow colour (10, 8, 22)
  EXPECT_EQ(c.pixelAt(28, 20), 0x0A0816u);  // dist 8: t = 0, still solid
  // dist 11: t = 0.5, one minus smoothstep = 0.5.
  EXPECT_EQ(red(c.pixelAt(31, 20)), blendByte(255, 10 / 255.0f, 0.5f));
  EXPECT_EQ(blue(c.pixelAt(31, 20)), blendByte(255, 22 / 255.0f, 0.5f));
  EXPECT_EQ(c.pixelAt(34, 20), 0xFFFFFFu);  // dist 14 = R + B: t = 1
  EXPECT_EQ(c.pixelAt(20, 6), 0xFFFFFFu);   // the offset moved it down

  // No blur: a hard-edged disc, not a division by zero.
  Canvas h = blankCanvas(48, 48, 1.0f, 0xFFFFFFu);
  h.softDisc(20.5f, 20.5f, 10, 0, 0, 1.0f);
  EXPECT_EQ(h.pixelAt(20, 20), 0x0A0816u);
  EXPECT_EQ(h.pixelAt(29, 20), 0x0A0816u);
  EXPECT_EQ(h.pixelAt(31, 20), 0xFFFFFFu);
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
