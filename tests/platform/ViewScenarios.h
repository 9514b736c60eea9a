// What a host does with an editor view in a real window, the same on every windowing system: each
// window test drives its own system (window messages, or X input through the server) behind
// ViewWindowHost and runs this table with it, so the views are held to one set of rules.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <utility>

#include "TempAppData.h"
#include "ViewTestHost.h"
#include "pluginterfaces/gui/iplugviewcontentscalesupport.h"

namespace zv::test {

constexpr double kScale = 1.15;  // the size a fresh user gets at 96 dpi
constexpr int kSpeedId = 2, kFormantId = 4, kMixId = 6;

// A point of the face (layout units) in window pixels at that size.
struct Px {
  double x, y;
};
inline Px px(double x, double y) {
  return {x * kScale, y * kScale};
}
const Px kSpeedKnob = px(87.14, 604), kFormantKnob = px(315.71, 604), kMixKnob = px(658.57, 604);
const Px kSizePill = px(91, 77);

enum class Pointer { Down, Move, Up, RightClick, DoubleClick };

// APPDATA / XDG_CONFIG_HOME for the settings and preset files, from before the plug-in is made
// until after it is gone.
struct WithAppData {
  TempAppData appData;
};

class ViewWindowHost : public WithAppData, public HostedPlugin {
 public:
  virtual ~ViewWindowHost() = default;
  virtual const char* platformType() const = 0;
  virtual void attach() = 0;                           // attaches the view and finds its window
  virtual void pump(int ms) = 0;                       // serves the window's messages for a while
  virtual void pointer(Pointer what, Px at) = 0;       // in window pixels, left button unless right
  virtual void typeKeys(const std::string& keys) = 0;  // as the keyboard delivers them
  virtual std::pair<int, int> windowSize() = 0;
  virtual std::uint32_t pixel(int x, int y) = 0;  // 0x00RRGGBB as shown; 0 where nothing is
  virtual bool windowGone() = 0;
  virtual int threadCount() = 0;
  virtual void screenshot(const char*) {}
  // What the windowing system itself holds for an attached view, and must not once it is gone.
  virtual void expectSystemResourcesHeld() {}
  virtual void expectSystemResourcesFreed() {}

  void detach() {
    view->removed();
    attachedNow = false;
  }
  IPlugViewContentScaleSupport* scaling() {
    IPlugViewContentScaleSupport* s = nullptr;
    view->queryInterface(IPlugViewContentScaleSupport::iid, reinterpret_cast<void**>(&s));
    return s;
  }
  // Waits for a frame rather than for a time (slow sanitizer builds): the face's cards stand out
  // from the ink behind them only once it is drawn.
  bool cardShownAgainstInk(Px card, Px ink) {
    for (int i = 0; i < 300; ++i, pump(50)) {
      const std::uint32_t c = pixel(int(card.x), int(card.y)), k = pixel(int(ink.x), int(ink.y));
      if (c != k && k != 0) return true;
    }
    return false;
  }
  // The edits the host saw for one parameter, as kinds ("bppe").
  std::string kinds(int id) const {
    std::string out;
    for (const auto& e : handler.editsFor(id)) out += e.kind;
    return out;
  }
  std::string settingsFile() const { return readBytes(appData.product() / "settings.txt"); }
};

inline std::pair<int, int> sizeOf(const ViewRect& r) {
  return {r.getWidth(), r.getHeight()};
}

struct ViewScenario {
  const char* name;
  void (*run)(ViewWindowHost&);
  bool shown = true;  // attached, and its first frames served, before it runs
};

// Only its own platform type; 989 x 828 at 96 dpi; a content scale of 0.5 is refused, 2.0 asks the
// host once for the doubled size and 2.005 changes nothing more. The whole window is drawn.
inline void sizesAndScales(ViewWindowHost& h) {
  for (const char* type : {"HWND", "NSView", "X11EmbedWindowID"})
    EXPECT_EQ(h.view->isPlatformTypeSupported(type),
              std::string(type) == h.platformType() ? kResultOk : kResultFalse)
        << type;
  ViewRect r{};
  ASSERT_EQ(h.view->getSize(&r), kResultOk);
  EXPECT_EQ(sizeOf(r), std::make_pair(989, 828));
  h.attach();
  EXPECT_EQ(h.windowSize(), std::make_pair(989, 828));
  // Ink with coloured glows, never black, and the cards over it: the pitch panel, down to the
  // knobs.
  EXPECT_TRUE(h.cardShownAgainstInk(px(100, 160), {5, 5}));
  EXPECT_TRUE(h.cardShownAgainstInk(px(100, 690), {5, 5}));
  h.screenshot("view_frame");
  IPlugViewContentScaleSupport* scaling = h.scaling();
  ASSERT_NE(scaling, nullptr);
  EXPECT_EQ(scaling->setContentScaleFactor(0.5f), kResultFalse);
  EXPECT_TRUE(h.frame->resizes.empty());
  EXPECT_EQ(scaling->setContentScaleFactor(2.0f), kResultOk);
  EXPECT_EQ(scaling->setContentScaleFactor(2.005f), kResultOk);
  ASSERT_EQ(h.frame->resizes.size(), 1u);
  EXPECT_EQ(sizeOf(h.frame->resizes[0]), std::make_pair(1978, 1656));
  EXPECT_EQ(h.windowSize(), std::make_pair(1978, 1656));
  scaling->release();
}

// A drag is one gesture, far outside the knob too, and the host's value meanwhile does not move
// the knob: 110 units of 220 is half the travel from 0, whatever the host said in between.
inline void dragIgnoresTheHost(ViewWindowHost& h) {
  const Px k = kSpeedKnob;
  h.pointer(Pointer::Down, k);
  h.pointer(Pointer::Move, {k.x, k.y - 55 * kScale});
  h.controller()->setParamNormalized(kSpeedId, 0.9);
  h.pump(120);
  h.pointer(Pointer::Move, {k.x + 300, k.y - 110 * kScale});
  h.pointer(Pointer::Up, {k.x + 300, k.y - 110 * kScale});
  const auto edits = h.handler.editsFor(kSpeedId);
  ASSERT_GE(edits.size(), 3u);
  EXPECT_EQ(h.kinds(kSpeedId), "b" + std::string(edits.size() - 2, 'p') + "e");
  EXPECT_NEAR(edits[edits.size() - 2].value, 0.5, 0.03);
  EXPECT_NEAR(h.controller()->getParamNormalized(kSpeedId), edits[edits.size() - 2].value, 1e-12);
}

inline void rightClickAsksTheHostForItsMenu(ViewWindowHost& h) {
  h.pointer(Pointer::RightClick, kMixKnob);
  ASSERT_EQ(h.handler.menuParams, std::vector<int>{kMixId});
  ASSERT_EQ(h.handler.popups.size(), 1u);
  EXPECT_EQ(h.handler.popups[0].first, static_cast<int>(std::lround(kMixKnob.x)));
  h.pointer(Pointer::RightClick, {5, 5});  // nothing there
  EXPECT_EQ(h.handler.menuParams.size(), 1u);
}

// The size pill asks the host for the next size; only an accepted resize changes the window and
// the settings file, and a refused one leaves the pill where it was (the next press asks for
// 130 %, not 150 %).
inline void sizePillResizesOnlyWhenTheHostAgrees(ViewWindowHost& h) {
  h.frame->refuse = true;
  h.pointer(Pointer::Down, kSizePill);
  h.pointer(Pointer::Up, kSizePill);
  ASSERT_EQ(h.frame->resizes.size(), 1u);
  EXPECT_EQ(sizeOf(h.frame->resizes[0]), std::make_pair(1118, 936));
  EXPECT_EQ(h.windowSize(), std::make_pair(989, 828));
  ViewRect r{};
  h.view->getSize(&r);
  EXPECT_EQ(sizeOf(r), std::make_pair(989, 828));
  EXPECT_EQ(h.settingsFile(), "");  // never written

  h.frame->refuse = false;
  h.pump(450);  // past the double-click time: a second press of its own
  h.pointer(Pointer::Down, kSizePill);
  h.pointer(Pointer::Up, kSizePill);
  ASSERT_EQ(h.frame->resizes.size(), 2u);
  EXPECT_EQ(sizeOf(h.frame->resizes[1]), std::make_pair(1118, 936));
  EXPECT_EQ(h.windowSize(), std::make_pair(1118, 936));
  EXPECT_EQ(h.settingsFile(), "size=1.30\n");
  EXPECT_TRUE(h.cardShownAgainstInk({130, 897}, {1090, 930}));  // beyond the old size
  h.screenshot("view_after_resize");
}

// Removing the view ends the gesture of a drag (its button comes up only afterwards), joins its
// render thread and frees its window; the view attaches again.
inline void removingEndsTheDragJoinsTheThreadAndCanAttachAgain(ViewWindowHost& h) {
  const int before = h.threadCount();
  for (int round = 0; round < 2; ++round) {
    h.attach();
    h.pump(100);
    const int attached = h.threadCount();
    EXPECT_GE(attached, before + 1);  // the render thread (Wine may add helpers of its own)
    h.expectSystemResourcesHeld();
    // Another knob each round, so the second press is no double click.
    const Px knob = round ? kSpeedKnob : kFormantKnob;
    h.pointer(Pointer::Down, knob);
    h.pointer(Pointer::Move, {knob.x, knob.y - 30});
    h.detach();
    h.pointer(Pointer::Up, knob);
    const std::string kinds = h.kinds(round ? kSpeedId : kFormantId);
    EXPECT_TRUE(kinds.size() >= 2 && kinds.front() == 'b' && kinds.back() == 'e') << kinds;
    EXPECT_TRUE(h.windowGone());
    EXPECT_LE(h.threadCount(), attached - 1);  // joined by the time removed() returns
    h.expectSystemResourcesFreed();
  }
}

// Removing the view joins its render thread; had the edit been sent under the view's state lock,
// the render thread would wait for it and the removal would never return.
inline void hostResizesAndRemovesTheViewInsideAnEdit(ViewWindowHost& h) {
  IPlugViewContentScaleSupport* scaling = h.scaling();
  ASSERT_NE(scaling, nullptr);
  h.handler.during = [&](char kind, int) {
    if (kind != 'p' || !h.attachedNow) return;
    EXPECT_EQ(scaling->setContentScaleFactor(2.0f), kResultOk);
    h.detach();
  };
  h.pointer(Pointer::Down, kSpeedKnob);
  h.pointer(Pointer::Move, {kSpeedKnob.x, kSpeedKnob.y - 40});
  h.pointer(Pointer::Up, kSpeedKnob);
  h.handler.during = nullptr;
  EXPECT_TRUE(h.windowGone());
  ASSERT_EQ(h.frame->resizes.size(), 1u);
  EXPECT_EQ(sizeOf(h.frame->resizes[0]), std::make_pair(1978, 1656));
  EXPECT_EQ(h.kinds(kSpeedId), "bpe");  // the removal ended the drag's gesture after its perform
  scaling->release();
}

// A double click on a knob starts value entry; the typed keys are the editor's and commit one
// gesture, and a key the host forwards through onKeyDown as well as to the window counts once;
// with no entry active the host keeps its keys.
inline void doubleClickTypesAValue(ViewWindowHost& h) {
  h.pointer(Pointer::DoubleClick, kFormantKnob);
  h.handler.edits.clear();
  EXPECT_EQ(h.view->onKeyDown(u'-', 0, 0), kResultOk);
  h.typeKeys("-3\r");
  const auto edits = h.handler.editsFor(kFormantId);
  ASSERT_EQ(edits.size(), 3u);
  EXPECT_NEAR(edits[1].value, (-3.0 + 12.0) / 24.0, 1e-9);  // "-3", not "--3"
  EXPECT_EQ(h.view->onKeyDown(u'x', 0, 0), kResultFalse);
}

inline const ViewScenario kViewScenarios[] = {
    {"SizesAndScales", sizesAndScales, false},
    {"DragIgnoresTheHost", dragIgnoresTheHost},
    {"RightClickAsksTheHostForItsMenu", rightClickAsksTheHostForItsMenu},
    {"SizePillResizesOnlyWhenTheHostAgrees", sizePillResizesOnlyWhenTheHostAgrees},
    {"RemovingEndsTheDragJoinsTheThreadAndCanAttachAgain",
     removingEndsTheDragJoinsTheThreadAndCanAttachAgain, false},
    {"HostResizesAndRemovesTheViewInsideAnEdit", hostResizesAndRemovesTheViewInsideAnEdit},
    {"DoubleClickTypesAValue", doubleClickTypesAValue},
};

inline void run(ViewWindowHost& h, const ViewScenario& scenario) {
  if (scenario.shown) {
    h.attach();
    h.pump(100);
  }
  scenario.run(h);
}

inline std::string scenarioName(const testing::TestParamInfo<ViewScenario>& info) {
  return info.param.name;
}

}  // namespace zv::test
