// The view's frame policy and its thread hand-over, with a stand-in for the window and the host.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include "PluginViewBase.h"
#include "TempAppData.h"
#include "ViewCore.h"
#include "ViewTestHost.h"
#include "ZVController.h"

namespace {

class StandInPort : public zv::ViewPort {
 public:
  StandInPort() { values.publish(zv::kKey, 1.0 / 11); }
  const zv::ParamSnapshot& params() const override { return values; }
  void beginEdit(int id) override { record('b', id); }
  void performEdit(int id, double v) override {
    values.publish(id, v);
    record('p', id);
  }
  void endEdit(int id) override { record('e', id); }
  void invalidateAll() override { ++wholeInvalidations; }
  void invalidateRect(int, int, int, int) override { ++regionInvalidations; }
  void record(char kind, int id) {
    sequence += kind + std::to_string(id) + " ";
    if (during) during(kind, id);
  }
  // What a host does from inside its edit calls: more input, a resize, removing the view.
  std::function<void(char, int)> during;
  zv::ParamSnapshot values;
  std::string sequence;
  std::atomic<int> wholeInvalidations{0}, regionInvalidations{0};
};

// The view as the host has it, around the real controller, with no window.
class WindowlessView : public PluginViewBase {
 public:
  explicit WindowlessView(ZVController* controller) : PluginViewBase(controller, 1.0f, false) {}
  ~WindowlessView() override { removedFromParent(); }
  zv::ViewCore& core() { return *core_; }
  void invalidateAll() override {}
  void invalidateRect(int, int, int, int) override {}

 private:
  bool windowOpen() const override { return false; }
  void closeWindow() override {}
  void resizeWindow(int, int) override {}
};

struct Fixture {
  Fixture() : core(port) {
    core.resizeForScale(1.0f);
    core.pullAllParams();
  }
  StandInPort port;
  zv::ViewCore core;
};

}  // namespace

TEST(ViewCore, AResizeHandsOverOnlyAFrameOfTheNewSize) {
  {
    StandInPort port;
    zv::ViewCore core(port);  // nothing drawn yet: nothing to hand over
    core.withBackBuffer({0, 0, 100, 100}, [](const uint32_t*, int, int, zv::PixelRect) { FAIL(); });
  }
  Fixture f;
  f.core.resizeForScale(1.5f);
  EXPECT_EQ(f.core.widthPx(), 1290);
  EXPECT_EQ(f.core.heightPx(), 1080);
  auto handed = [&f] {
    int width = 0;
    f.core.withBackBuffer({0, 0, 5000, 5000},
                          [&](const uint32_t*, int w, int, zv::PixelRect) { width = w; });
    return width;
  };
  f.core.renderFrame(0.02);
  f.core.resizeForScale(1.5f);
  EXPECT_EQ(handed(), 0);
  f.core.renderFrame(0.02);
  EXPECT_EQ(handed(), 1290);
  const auto regions = f.core.animatedRegions();
  ASSERT_EQ(regions.size(), 5u);
  EXPECT_EQ(regions[0].x0, 42);  // trunc(28 * 1.5)
  EXPECT_EQ(regions[0].x1, 42 + 1206 + 2);
}

// The first frame is whole, then only the animated regions move, and the back buffer holds what
// the canvas holds; a host change repaints everything but the knob under the mouse.
TEST(ViewCore, FramesRepaintWhatChanged) {
  Fixture f;
  f.core.renderFrame(0.02);
  EXPECT_EQ(f.port.wholeInvalidations, 1);
  EXPECT_EQ(f.port.regionInvalidations, 0);
  f.core.renderFrame(0.02);
  EXPECT_EQ(f.port.wholeInvalidations, 1);
  EXPECT_GE(f.port.regionInvalidations, 2);
  bool same = false;
  f.core.withBackBuffer(
      {0, 0, 10000, 10000}, [&](const uint32_t* pixels, int w, int h, zv::PixelRect r) {
        same = w == f.core.widthPx() && h == f.core.heightPx() && r.x1 == w && r.y1 == h &&
               std::equal(pixels, pixels + static_cast<size_t>(w) * h,
                          f.core.editor().canvas().pixels.begin());
      });
  EXPECT_TRUE(same);

  f.port.values.publish(zv::kMix, 0.25);
  f.core.renderFrame(0.02);
  EXPECT_EQ(f.port.wholeInvalidations, 2);
  EXPECT_EQ(f.core.editor().params[zv::kMix], 0.25);
  f.core.mouseDown(659, 604, false, false);  // the Mix knob: the drag owns it until release
  f.port.values.publish(zv::kMix, 0.9);
  f.core.renderFrame(0.02);
  EXPECT_EQ(f.core.editor().params[zv::kMix], 0.25);
  f.core.mouseUp();
  f.core.renderFrame(0.02);
  EXPECT_EQ(f.core.editor().params[zv::kMix], 0.9);
}

// The real controller behind the view. The host sets values and meters on its user-interface
// thread, which also brings the user's input; the render thread draws meanwhile from what the
// controller published. Under ThreadSanitizer any other read of the controller's values, or any
// editor state touched outside the view's locks, fails this test.
TEST(ViewCore, RenderThreadDrawsOnlyWhatTheControllerPublished) {
  using namespace Steinberg;
  zv::test::TempAppData appData;
  zv::test::Handler handler;
  IPtr<ZVController> controller = owned(new ZVController);
  ASSERT_EQ(controller->initialize(nullptr), kResultOk);
  controller->setComponentHandler(&handler);
  IPtr<WindowlessView> view = owned(new WindowlessView(controller));
  zv::ViewCore& core = view->core();
  // Layout units to window pixels at the size the settings gave the view.
  const auto px = [&core](int units) { return static_cast<int>(units * core.effectiveScale()); };
  core.startRender();
  for (int i = 0; i < 600; ++i) {
    controller->setParamNormalized(i % zv::kNumWritableParams, (i % 100) / 100.0);
    controller->setParamNormalized(zv::kFirstMeterParam + i % zv::kNumMeterParams, (i % 50) / 50.0);
    core.mouseMove(px((i * 37) % 860), px((i * 53) % 720), i % 3 == 0);
    if (i % 50 == 0) {
      core.mouseDown(px(87), px(604), false, false);
      core.mouseMove(px(87), px(560), false);
      core.mouseUp();
    }
    if (i % 70 == 0) core.wheel(px(430), px(604), 120, false);
    if (i % 90 == 0) core.character(27);
    if (i % 10 == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  core.stopRender();
  EXPECT_FALSE(core.rendering());
  EXPECT_GT(core.framesDrawn(), 0u);
  int open = 0;
  for (const auto& e : handler.edits) {
    if (e.kind == 'b') ++open;
    if (e.kind == 'e') --open;
    ASSERT_GE(open, 0);
  }
  EXPECT_EQ(open, 0);  // every gesture ended
  ASSERT_FALSE(handler.edits.empty());
  // The next frame shows what the controller holds, the values the host set and the drags' last.
  core.renderFrame(0.02);
  for (int id = 0; id < zv::kNumWritableParams; ++id)
    EXPECT_EQ(core.editor().params[id], controller->getParamNormalized(id)) << id;
  view = nullptr;
  controller->terminate();
}

// The host hears of edits only once the view let go of its state lock, in the order they were
// made, also when it answers with more input; and a poll meanwhile keeps the editor's newer value.
TEST(ViewCore, HostEditsArriveAfterTheLockInOrderWhateverTheHostDoesInside) {
  Fixture f;
  bool nested = false;
  f.port.during = [&](char kind, int id) {
    if (id != zv::kLowLatency) return;
    if (kind == 'b') {
      f.core.renderFrame(0.02);  // the controller still says "off"
      EXPECT_EQ(f.core.editor().params[zv::kLowLatency], 1.0);
    }
    if (kind == 'p' && !nested) {
      nested = true;
      f.core.wheel(470, 50, 120, false);  // Key up one step
    }
  };
  f.core.mouseDown(302, 52, false, false);  // Low Latency
  EXPECT_EQ(f.port.sequence, "b8 p8 e8 b0 p0 e0 ");
}
