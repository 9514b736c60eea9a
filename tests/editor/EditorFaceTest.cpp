// What the face shows: widget texts, a held note, the animated regions painting only inside
// themselves, and hostile values and sizes. The long texts at their widest, a long name being typed
// shown by its tail and hover lighting are pinned by the golden images.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <tuple>

#include "Editor.h"

namespace zv {
namespace {

// Selector and knob texts: stepped values round halves away from zero, and out-of-range or
// non-finite host values still name a real entry.
TEST(EditorFace, WidgetTexts) {
  const struct {
    int param;
    double value;
    const char* text;
  } cases[] = {
      {kKey, 0.5, "F#"},  // 5.5 steps: F#, not F
      {kKey, 7.0, "B"},
      {kKey, 1e9, "B"},
      {kKey, NAN, "C"},
      {kScale, 1.0, "Chromatic"},
      {kScale, 0.0, "Minor"},
      {kCharacter, 1.0, "Lo-Fi"},
      {kStutterRate, 0.5, "1/16"},  // 2.5 steps
      {kStutterRate, NAN, "1/4"},
      {kShift, 1.0 / 3, "0"},
      {kShift, 10.0 / 21, "+3"},
      {kShift, NAN, "-7"},
      {kHarmonySteps, 0.0, "-7"},
      {kSpeed, 0.0, "Robot"},
      {kDetune, plainToNormalized(kDetune, 440), "440 Hz"},
  };
  for (const auto& c : cases) {
    Editor e;
    e.params[c.param] = c.value;
    EXPECT_EQ(isListParam(c.param) ? e.selectorText(c.param) : e.knobValueText(c.param), c.text)
        << c.param << " " << c.value;
  }
  Editor e;
  EXPECT_EQ(e.presetName(), "Default");
  e.params[kShift] = 0.0;
  EXPECT_EQ(e.presetName(), "Custom");
}

// A held note is one even line: along its middle, neighbouring pixels differ only by the slow
// colour and age ramps, not by the joints of its segments.
TEST(EditorFace, AHeldNoteIsOneContinuousLine) {
  Editor e;
  e.resize(860, 720, 1.0f);
  for (int i = 0; i < 160; ++i) e.updateMood(60, 60, 0.8f, 0.03f, 120, 0, true);
  e.paint(true);
  const Canvas& c = e.canvas();
  const int y = 161;  // note 60 in the middle of the nine visible semitones
  int worst = 0;
  for (int x = 100; x < 790; ++x) {
    const std::uint32_t a = c.pixelAt(x, y), b = c.pixelAt(x + 1, y);
    for (int shift = 0; shift <= 16; shift += 8)
      worst = std::max(worst, std::abs(static_cast<int>((a >> shift) & 0xFF) -
                                       static_cast<int>((b >> shift) & 0xFF)));
  }
  EXPECT_LE(worst, 3);
}

// Pixels outside the regions a partial painter owns must not change, or the view's region copy
// would leave stale pixels on screen.
void expectOnlyInside(const std::vector<std::uint32_t>& before, const Canvas& c,
                      std::initializer_list<Rect> regions) {
  int outside = 0;
  for (int y = 0; y < c.height; ++y)
    for (int x = 0; x < c.width; ++x) {
      bool inside = false;
      for (const Rect& r : regions) {
        const int x0 = static_cast<int>(r.x * c.scale), y0 = static_cast<int>(r.y * c.scale);
        inside |= x >= x0 && x < x0 + static_cast<int>(r.width * c.scale) + 2 && y >= y0 &&
                  y < y0 + static_cast<int>(r.height * c.scale) + 2;
      }
      const std::size_t at = static_cast<std::size_t>(y) * c.width + x;
      outside += !inside && before[at] != c.pixels[at];
    }
  EXPECT_EQ(outside, 0);
}

TEST(EditorFace, AnimatedPaintersStayInsideTheRegionsTheViewCopies) {
  for (float scale : {1.0f, 1.15f, 1.75f}) {
    SCOPED_TRACE(scale);
    Editor e;
    e.resize(static_cast<int>(std::lround(860 * scale)), static_cast<int>(std::lround(720 * scale)),
             scale);
    e.params[kDetune] = 1.0;  // the reference tuning text, right-aligned at the panel edge
    e.paint(true);
    for (int i = 0; i < 200; ++i)
      e.updateMood(70.0f + 3.0f * std::sin(i * 0.3f), 72, 0.9f, 0.03f, 120, 0, true);
    std::vector<std::uint32_t> before = e.canvas().pixels;
    e.paintPitchDisplay();
    expectOnlyInside(before, e.canvas(), {kAnimatedRegions[0]});
    before = e.canvas().pixels;
    e.paintStage();
    expectOnlyInside(before, e.canvas(), {kAnimatedRegions[1]});
    ASSERT_TRUE(e.pulseWanted());
    before = e.canvas().pixels;
    e.drawPulse();
    EXPECT_FALSE(e.pulseWanted());
    expectOnlyInside(before, e.canvas(),  // the pulse owns the three knob regions
                     {kAnimatedRegions[2], kAnimatedRegions[3], kAnimatedRegions[4]});
  }
}

// The knob pulse restores its boxes from the snapshot before drawing, and an animation-only frame
// gives the pixels a full repaint would.
TEST(EditorFace, PartialRepaintsMatchAFullOne) {
  Editor e;
  e.resize(860, 720, 1.0f);
  for (int i = 0; i < 50; ++i) e.updateMood(60, 60, 0.9f, 0.03f, 120, 0, true);
  e.paint(true);
  const std::vector<std::uint32_t> once = e.canvas().pixels;
  e.drawPulse();
  e.drawPulse();
  EXPECT_EQ(e.canvas().pixels, once);

  e.onMouseMove(470, 50, false);
  e.paint(false);
  e.paintPitchDisplay();
  e.paintStage();
  const std::vector<std::uint32_t> partial = e.canvas().pixels;
  e.paint(true);
  EXPECT_EQ(e.canvas().pixels, partial);
}

// Non-finite host values and input, and odd sizes (with a list open), paint and edit cleanly.
TEST(EditorFace, HostileValuesInputAndSizesAreHarmless) {
  Editor e;
  e.resize(430, 360, 0.5f);
  for (double& v : e.params) v = std::nan("");
  e.paint(true);
  std::vector<double> performed;
  e.onPerformEdit = [&](int, double v) { performed.push_back(v); };
  e.onWheel(470, 50, std::nanf(""), false);
  e.onMouseMove(std::nanf(""), std::nanf(""), false);
  e.updateMood(std::nanf(""), std::nanf(""), std::nanf(""), std::nanf(""), 120, 0, false);
  EXPECT_TRUE(performed.empty());
  EXPECT_TRUE(std::isfinite(e.levelEnvelope()));
  e.onMouseDown(87.14f, 604, false, false);
  e.onMouseMove(87.14f, 550, false);
  e.onMouseUp();
  e.onWheel(201.43f, 604, 1, false);
  ASSERT_FALSE(performed.empty());
  for (double v : performed) EXPECT_TRUE(v >= 0.0 && v <= 1.0) << v;

  for (auto [w, h, s] : {std::tuple{0, 0, 1.0f}, std::tuple{1, 1, 1.0f}, std::tuple{300, 200, 0.3f},
                         std::tuple{989, 828, 1.15f}}) {
    e.resize(w, h, s);
    e.onMouseDown(470, 50, false, false);  // with a list open
    e.paint(true);
    e.onChar(27);
    e.paint(false);
    e.paintPitchDisplay();
    e.paintStage();
    e.drawPulse();
    EXPECT_EQ(e.canvas().pixels.size(), static_cast<std::size_t>(w) * h);
  }
}

}  // namespace
}  // namespace zv
