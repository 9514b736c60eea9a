// The dancer window's portable side: where it opens, what each point of it does, how the wheel
// resizes it, how its frames are paced, what it draws, and how the editor asks for it.
#include <gtest/gtest.h>

#include <cmath>

#include "DancerCore.h"
#include "GoldenCheck.h"
#include "QuietPort.h"

namespace zv {
namespace {

TEST(DancerGeometry, OpensAtTheCardTimesOnePointFourCentredInTheWorkArea) {
  struct Case {
    int dpi;
    DancerRect work, expected;
  } cases[] = {
      {96, {0, 0, 1920, 1080}, {739, 337, 442, 406}},
      {144, {0, 0, 1920, 1080}, {628, 235, 663, 609}},
      {0, {-1920, -200, 1920, 1040}, {-1181, 117, 442, 406}},  // unreadable DPI, monitor up-left
      {72, {0, 0, 1920, 1080}, {739, 337, 442, 406}},          // below 96 counts as 96
      {400, {0, 0, 3840, 2160}, {1256, 471, 1327, 1218}},      // limited to three times
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.dpi);
    EXPECT_EQ(dancerInitialRect(dancerDpiScale(c.dpi), c.work), c.expected);
  }
  EXPECT_EQ(dancerChrome(663, 609, 1.5f).button, 39);
}

TEST(DancerGeometry, HitTestReadsSignedScreenPointsFirstMatchWins) {
  struct Case {
    DancerRect window;
    float dpi;
    int x, y;  // client offset
    DancerHit expected;
  } cases[] = {
      {{-1500, -600, 442, 406}, 1, 441, 405, DancerHit::BottomRight},
      {{-1500, -600, 442, 406}, 1, 420, 384, DancerHit::BottomRight},  // the grip's 22 pixels
      {{-1500, -600, 442, 406}, 1, 419, 405, DancerHit::Bottom},
      {{-1500, -600, 442, 406}, 1, 0, 0, DancerHit::TopLeft},
      {{-1500, -600, 442, 406}, 1, 441, 0, DancerHit::TopRight},
      {{-1500, -600, 442, 406}, 1, 7, 405, DancerHit::BottomLeft},
      {{-1500, -600, 442, 406}, 1, 3, 200, DancerHit::Left},
      {{-1500, -600, 442, 406}, 1, 434, 200, DancerHit::Right},
      {{-1500, -600, 442, 406}, 1, 200, 7, DancerHit::Top},
      {{-1500, -600, 442, 406}, 1, 8, 8, DancerHit::Caption},
      {{-1500, -600, 442, 406}, 1, 406, 10, DancerHit::Client},  // close button's corner
      {{-1500, -600, 442, 406}, 1, 431, 35, DancerHit::Client},
      {{-1500, -600, 442, 406}, 1, 432, 20, DancerHit::Caption},  // its right edge is outside
      {{-1500, -600, 442, 406}, 1, 380, 20, DancerHit::Client},   // pin
      {{-1500, -600, 442, 406}, 1, 400, 20, DancerHit::Caption},  // the gap between them
      {{-1500, -600, 442, 406}, 1, 200, 200, DancerHit::Caption},
      {{100, 50, 663, 609}, 1.5f, 620, 40, DancerHit::Client},  // 144 dpi: close at 609..647
      {{100, 50, 663, 609}, 1.5f, 11, 300, DancerHit::Left},    // border 12
      {{100, 50, 663, 609}, 1.5f, 631, 577, DancerHit::BottomRight},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.x << "," << c.y << " at " << c.window.x);
    EXPECT_EQ(dancerHitTest(c.window, c.dpi, c.window.x + c.x, c.window.y + c.y), c.expected);
  }
  const DancerChrome chrome = dancerChrome(442, 406, 1);
  EXPECT_EQ(dancerButtonAt(chrome, 410, 20), kDancerClose);
  EXPECT_EQ(dancerButtonAt(chrome, 380, 20), kDancerPin);
  EXPECT_EQ(dancerButtonAt(chrome, 380, 36), kDancerNoButton);
}

TEST(DancerGeometry, WheelResizeKeepsTheCentreAndStaysWithinItsBounds) {
  struct Case {
    DancerRect window, work;
    int delta;
    DancerRect expected;
  } cases[] = {
      {{100, 100, 442, 406}, {0, 0, 1920, 1080}, 120, {78, 80, 486, 447}},
      {{100, 100, 442, 406}, {0, 0, 1920, 1080}, -120, {120, 119, 402, 369}},
      {{0, 0, 240, 221}, {0, 0, 1920, 1080}, -240, {1, 1, 239, 220}},       // the short side stops
      {{60, 40, 1800, 1000}, {0, 0, 1920, 1080}, 120, {0, 7, 1920, 1067}},  // the work area stops
      {{-1700, -300, 442, 406}, {-1920, -400, 1920, 1040}, 120, {-1722, -321, 486, 447}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.window.width);
    EXPECT_EQ(dancerWheelResize(c.window, c.work, c.delta), c.expected);
  }
  // Any run of notches: never below the minimum, never beyond the work area, centre kept.
  const DancerRect work{-1920, 0, 1920, 1040};
  for (int delta : {120, -120}) {
    DancerRect r{-1200, 300, 442, 406};
    for (int i = 0; i < 40; ++i) {
      const double cx = r.x + r.width / 2.0, cy = r.y + r.height / 2.0;
      r = dancerWheelResize(r, work, delta);
      ASSERT_GE(std::min(r.width, r.height), kDancerMinimumSide);
      ASSERT_LE(r.width, work.width);
      ASSERT_LE(r.height, work.height);
      ASSERT_NEAR(r.x + r.width / 2.0, cx, 1.0);
      ASSERT_NEAR(r.y + r.height / 2.0, cy, 1.0);
    }
  }
}

class FakeSurface : public DancerSurface {
 public:
  Pointer pointer() override { return where; }
  void frameReady() override { ++frames; }
  Pointer where;
  int frames = 0;
};

// A core at the opening size with its clock at 0, meters all zero.
class DancerFrames : public testing::Test {
 protected:
  void SetUp() override {
    core.setClientSize(442, 406);
    core.restartClock(0);
  }
  DancerCore core{[](int) { return 0.0; }};
  FakeSurface surface;
};

TEST_F(DancerFrames, PacedByTheClockCappedAndSkippedWhileTiny) {
  struct Step {
    double now;
    int width, height;
    bool drawn;
    double advance;  // the mascot's clock, seconds
  } steps[] = {
      {0.005, 442, 406, false, 0},      {0.0194, 442, 406, false, 0},
      {0.0195, 442, 406, true, 0.0195}, {0.03, 442, 406, false, 0},
      {0.04, 442, 406, true, 0.0205},   {10.0, 442, 406, true, 0.1},  // a stall counts as 0.1
      {10.05, 15, 406, false, 0},       {10.06, 442, 406, false, 0},  // from the skipped one
      {10.07, 442, 406, true, 0.02},    {10.1, 442, 12, false, 0},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.now);
    core.setClientSize(s.width, s.height);
    const double before = core.editor().mascot.time;
    const int frames = surface.frames;
    EXPECT_EQ(core.tick(s.now, surface), s.drawn);
    EXPECT_EQ(surface.frames - frames, s.drawn ? 1 : 0);
    EXPECT_NEAR(core.editor().mascot.time - before, s.advance, 1e-6);
  }
  int width = 0, height = 0;
  EXPECT_TRUE(core.withFrontBuffer([&](const std::uint32_t*, int w, int h) {
    width = w;
    height = h;
  }));
  EXPECT_EQ(width, 442);
  EXPECT_EQ(height, 406);
}

TEST_F(DancerFrames, ChromeFadesInWithThePointerAndOutWithoutIt) {
  surface.where = {true, 410, 20};
  double t = 0;
  for (int i = 0; i < 10; ++i) core.tick(t += 0.02, surface);
  EXPECT_GT(core.hoverFade(), 0.85f);
  std::uint32_t overClose = 0;
  core.withFrontBuffer([&](const std::uint32_t* p, int w, int) { overClose = p[20 * w + 419]; });
  surface.where = {};
  for (int i = 0; i < 30; ++i) core.tick(t += 0.02, surface);
  EXPECT_LT(core.hoverFade(), 0.01f);
  std::uint32_t away = 0;
  core.withFrontBuffer([&](const std::uint32_t* p, int w, int) { away = p[20 * w + 419]; });
  EXPECT_NE(overClose, away);  // the button went with the fade
}

TEST_F(DancerFrames, GoldenFrames) {
  const Golden goldens[] = {
      {"dancer-default", 0x4bb2fdfc83dacf1bull},
      {"dancer-wide", 0x172c2c0b08cea6dbull},
      {"dancer-pinned-away", 0x9804c1d369175cd4ull},
      {"dancer-144dpi", 0x4b66427dc574ae25ull},
  };
  expectGoldenScenes(goldens);
}

// The editor's pop-out control only records the wish; the window opens after the press returned,
// and the stage follows the state the user-interface thread publishes.
TEST(DancerFromTheEditor, PressesRecordRequestsAndTheStageFollowsThePublishedState) {
  test::QuietPort port;
  ViewCore core(port);
  core.resizeForScale(1.0f);
  EXPECT_EQ(core.takeDancerRequest(), 0);
  core.mouseDown(564, 263, false, false);  // the pop-out icon
  core.mouseUp();
  EXPECT_EQ(core.takeDancerRequest(), ViewCore::kDancerOpen);
  EXPECT_EQ(core.takeDancerRequest(), 0);
  EXPECT_FALSE(core.editor().poppedOut);  // nothing opened yet
  core.publishDancerOpen(true);
  core.renderFrame(0.02);
  EXPECT_TRUE(core.editor().poppedOut);
  core.mouseDown(430, 406, false, false);  // bring back
  core.mouseUp();
  EXPECT_EQ(core.takeDancerRequest(), ViewCore::kDancerClose);
  core.publishDancerOpen(false);  // closed from anywhere: the figure returns
  core.renderFrame(0.02);
  EXPECT_FALSE(core.editor().poppedOut);
  core.mouseDown(430, 406, false, false);  // over the figure now: nothing to ask
  core.mouseUp();
  EXPECT_EQ(core.takeDancerRequest(), 0);
}

}  // namespace
}  // namespace zv
