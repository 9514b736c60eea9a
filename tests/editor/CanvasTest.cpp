// The canvas primitives: coverage, blending, shapes off the canvas and bad numbers. Each shape's
// exact pixels, shapes crossing the canvas edges included, are pinned by the golden images.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "CanvasTestUtil.h"
#include "GoldenCheck.h"

namespace zv {
namespace {

using test::blankCanvas;
using test::kFill;
using test::kWhite;

// A disc of radius 10 pixels centred on a pixel centre, at two scales: full at the centre, 128
// where a pixel centre lies on the edge (coverage 0.5 gives 127.5 + 0.5), untouched from half a
// pixel beyond.
TEST(CanvasDisc, FullAtTheCentreHalfOnTheEdgeUntouchedBeyondHalfAPixel) {
  for (float scale : {1.0f, 2.0f}) {
    Canvas c = blankCanvas(48, 48, scale, 0u);
    c.circle(20.5f / scale, 20.5f / scale, 10.0f / scale, kWhite);
    const std::vector<std::uint32_t> got = {c.pixelAt(20, 20), c.pixelAt(30, 20),
                                            c.pixelAt(20, 10), c.pixelAt(31, 20),
                                            c.pixelAt(28, 28), c.pixelAt(14, 14)};
    EXPECT_EQ(got, (std::vector<std::uint32_t>{0xFFFFFF, 0x808080, 0x808080, 0, 0, 0xFFFFFF}))
        << scale;
  }
}

// Blending white over black, or black over white, at half coverage gives 128 (127.5 + 0.5
// truncated); coverage times alpha is capped at 1, so an edge pixel at alpha 2 is full colour.
TEST(CanvasBlend, HalfCoverageRoundsHalfUpAndAlphaCapsAtOne) {
  const struct {
    std::uint32_t under;
    RGB colour;
    float cx, r, alpha;
    int x;
    std::uint32_t expected;
  } cases[] = {
      {0u, kWhite, 20, 8, 0.5f, 20, 0x808080u},
      {0xFFFFFFu, RGB{0, 0, 0}, 20, 8, 0.5f, 20, 0x808080u},
      {0u, kWhite, 20.5f, 10, 2.0f, 30, 0xFFFFFFu},              // (30, 20) lies on the circle
      {0xFF204080u, RGB{0, 1, 1}, 20, 8, 0.25f, 20, 0x1870A0u},  // channels apart, top byte 0
  };
  for (const auto& c : cases) {
    Canvas canvas = blankCanvas(48, 48, 1.0f, c.under);
    canvas.circle(c.cx, c.cx, c.r, c.colour, c.alpha);
    EXPECT_EQ(canvas.pixelAt(c.x, 20), c.expected) << std::hex << c.under;
  }
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

// Golden images: every reference scene rendered to pixels whose hash must match the table. The same
// table holds for the Linux and the Windows build, so a difference between the platforms' maths
// shows up here.
constexpr Golden kGoldens[] = {
    {"shapes", 0xe46a704b133bc0f4ull},     {"gradients", 0x9299ddc62fa76251ull},
    {"arcs", 0xd26751042eb82954ull},       {"arcs-2x", 0xbfd6ae61dc475dbaull},
    {"glows", 0xa142e8d3263c5eacull},      {"text-1x", 0x264297262e279935ull},
    {"text-1.25x", 0xaae0e8b806d14fefull}, {"text-2x", 0xffc1360e615ab5b6ull},
    {"clipped", 0x933b6e9f730c5f15ull},
};

TEST(GoldenImages, ReferenceScenesRenderTheirRecordedPixels) {
  expectGoldenScenes(kGoldens);
}

}  // namespace
}  // namespace zv
