// The editor driven the way its window drives it: pointer, wheel and characters in layout units,
// with the host-edit callbacks recorded.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "Editor.h"

namespace zv {
namespace {

// Centres of the widgets the tests press.
constexpr float kSpeedX = 87.14f, kSpeedY = 604;
constexpr float kFormantX = 315.71f;
constexpr float kShiftX = 201.43f;
constexpr float kStepsX = 762, kStepsY = 460;
constexpr float kMixX = 658.57f;
constexpr float kSaveX = 217, kDeleteX = 160, kPresetRowY = 262;

using Events = std::vector<std::string>;

struct Recorder {
  Events events;
  std::vector<std::string> deleted;
  std::vector<UserPreset> saved;
  std::vector<float> sizes;
  std::vector<bool> popOuts;
  bool deleteSucceeds = true;

  void attach(Editor& e) {
    e.onBeginEdit = [this](int id) { events.push_back("b" + std::to_string(id)); };
    e.onPerformEdit = [this](int id, double) { events.push_back("p" + std::to_string(id)); };
    e.onEndEdit = [this](int id) { events.push_back("e" + std::to_string(id)); };
    e.deletePreset = [this](const std::string& name) {
      deleted.push_back(name);
      return deleteSucceeds;
    };
    e.savePreset = [this](const UserPreset& p) {
      saved.push_back(p);
      return true;
    };
    e.onSizeChange = [this](float f) { sizes.push_back(f); };
    e.onPopOut = [this](bool out) { popOuts.push_back(out); };
  }
};

// An editor and what its host heard, fresh for each case of a table.
struct Rig {
  Rig() { rec.attach(e); }
  void type(const std::string& text) {
    for (char c : text) e.onChar(static_cast<unsigned char>(c));
  }
  void makeUserPresetCurrent() {
    UserPreset mine{"Mine", factoryPresetValues(0)};
    mine.values[0] = 0.3;  // Speed
    e.userPresets = {mine};
    e.params[kSpeed] = 0.3;
    e.rebuildHitRegions();
  }
  Editor e;
  Recorder rec;
};

class EditorInput : public ::testing::Test, public Rig {
 protected:
  // Every gesture in the record is begin, at least one perform, end, all on one parameter.
  void expectWholeGestures() const {
    std::size_t i = 0;
    const auto& ev = rec.events;
    while (i < ev.size()) {
      ASSERT_EQ(ev[i][0], 'b') << "event " << i;
      const std::string id = ev[i].substr(1);
      int performs = 0;
      for (++i; i < ev.size() && ev[i] == "p" + id; ++i) ++performs;
      EXPECT_GE(performs, 1) << "gesture on " << id;
      ASSERT_LT(i, ev.size());
      EXPECT_EQ(ev[i++], "e" + id);
    }
  }

  int countKind(int kind) const {
    int n = 0;
    for (const HitRegion& r : e.hitRegions()) n += r.kind == kind;
    return n;
  }
};

// Knob drags: 220 units cover a range (a stepped one needs 14 units a step if that is more),
// Shift makes the drag nine times finer, and a change of Shift mid-drag carries on from where the
// knob is instead of jumping. Every drag is one whole gesture.
TEST_F(EditorInput, DragsCoverTheRangeIn220UnitsAndShiftReanchors) {
  struct Move {
    float up;  // units above the press
    bool fine;
    double value;
  };
  const struct {
    int param;
    float x;
    double start;
    std::vector<Move> moves;
  } cases[] = {
      {kSpeed, kSpeedX, 0.0, {{110, false, 0.5}, {220, false, 1.0}}},
      {kShift, kShiftX, 0.0, {{220, false, 16.0 / 21}, {280, false, 20.0 / 21}, {294, false, 1.0}}},
      {kMix,
       kMixX,
       0.45,
       {{20, false, 0.54},   // 20 / 220, on the 1 % grid
        {20, true, 0.54},    // Shift pressed without moving: no jump
        {110, true, 0.64},   // 90 / 900 further
        {110, false, 0.64},  // Shift let go: no jump either
        {132, false, 0.74},
        {-400, false, 0.0},  // clamped at the end ...
        {-400, true, 0.0},
        {-391, true, 0.01}}},  // ... and after a change of modifier, moving back counts from there
  };
  for (const auto& c : cases) {
    e.params[c.param] = c.start;
    e.onMouseDown(c.x, kSpeedY, false, false);
    EXPECT_EQ(e.dragParam(), c.param);
    for (const Move& m : c.moves) {
      e.onMouseMove(c.x, kSpeedY - m.up, m.fine);
      EXPECT_NEAR(e.params[c.param], m.value, 1e-9)
          << c.param << " " << m.up << (m.fine ? " fine" : "");
    }
    e.onMouseUp();
    EXPECT_EQ(e.dragParam(), -1);
  }
  expectWholeGestures();

  // A fine drag of Speed lands on the 1 ms grid the knob shows.
  e.params[kSpeed] = 0.0;
  e.onMouseDown(kSpeedX, kSpeedY, false, false);
  e.onMouseMove(kSpeedX, kSpeedY - 220, true);
  EXPECT_NEAR(e.params[kSpeed], 220.0 / 900.0, 0.002);
  const double ms = normalizedToPlain(kSpeed, e.params[kSpeed]);
  EXPECT_NEAR(ms, std::round(ms), 1e-9);
  e.onMouseUp();
  // Key's 11 steps: 20 units per step, and a step needs more than half of that.
  EXPECT_DOUBLE_EQ(Editor::dragValue(kKey, 0.0, 200.0, false), 10.0 / 11.0);
  EXPECT_DOUBLE_EQ(Editor::dragValue(kKey, 0.0, 9.0, false), 0.0);
  EXPECT_DOUBLE_EQ(Editor::dragValue(kKey, 0.0, 11.0, false), 1.0 / 11.0);
}

// What a host records for the ways a knob can be handled: begin, one or more performs, end, on
// one parameter at a time; nothing at all when the value never changed.
TEST_F(EditorInput, KnobHandlingGivesTheHostWholeGesturesOrNothing) {
  using Step = std::function<void(Editor&)>;
  const Step press = [](Editor& ed) { ed.onMouseDown(kMixX, kSpeedY, false, false); };
  const Step up10 = [](Editor& ed) { ed.onMouseMove(kMixX, kSpeedY - 10, false); };
  const Step up30 = [](Editor& ed) { ed.onMouseMove(kMixX, kSpeedY - 30, false); };
  const Step wheel = [](Editor& ed) { ed.onWheel(kMixX, kSpeedY, 1, false); };
  const Step release = [](Editor& ed) { ed.onMouseUp(); };
  const Step stepsBy3 = [](Editor& ed) {
    ed.onMouseDown(kStepsX, kStepsY, false, false);
    ed.onMouseMove(kStepsX, kStepsY - 3, false);
  };
  const struct {
    const char* name;
    std::vector<Step> steps;
    Events events;
  } cases[] = {
      {"press and release", {press, release}, {}},
      {"a move smaller than a step", {press, stepsBy3, release}, {}},
      {"the wheel during a drag", {press, up10, wheel, up30, release}, {"b6", "p6", "p6", "e6"}},
      {"a press without the release",
       {press, up10, press, up30, release},
       {"b6", "p6", "e6", "b6", "p6", "e6"}},
      {"release twice", {press, up10, release, release}, {"b6", "p6", "e6"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Rig r;
    r.e.params[kMix] = 0.5;
    for (const Step& step : c.steps) step(r.e);
    EXPECT_EQ(r.rec.events, c.events);
  }
}

// Value entry opened by a double click on a knob: commas read as points, values clamp, Speed
// takes the robot word; text that is no number, Escape, or an over-long entry change nothing.
// Pressing anywhere else commits like Enter.
TEST_F(EditorInput, TypedValuesCommitClampAndRefuseWhatIsNoNumber) {
  enum End { kEnter, kEscape, kPressElsewhere };
  const struct {
    int param;
    float x;
    const char* typed;
    const char* shown;  // the entry's text before it ends
    End end;
    double plain;  // NaN: the value stays
  } cases[] = {
      {kFormant, kFormantX, "12,5", "12,5", kEnter, 12.0},
      {kFormant, kFormantX, "-3", "-3", kPressElsewhere, -3.0},
      {kSpeed, kSpeedX, "r", "r", kEnter, 0.0},
      {kSpeed, kSpeedX, "Robotic", "Robotic", kEnter, 0.0},
      {kSpeed, kSpeedX, "rxb", "rxb", kEnter, NAN},  // not the robot word, no leading number
      {kSpeed, kSpeedX, "1234567890123", "1234567890", kEscape, NAN},
      {kMix, kMixX, "-.x", "-.", kEnter, NAN},  // letters only for Speed; "-." holds no digit
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed);
    Rig r;
    r.e.params[kSpeed] = 0.5;
    const double before = r.e.params[c.param];
    r.e.onMouseDown(c.x, kSpeedY, false, true);
    ASSERT_EQ(r.e.valueEntryParam(), c.param);
    for (const char* t = c.typed; *t; ++t) r.e.onChar(static_cast<unsigned char>(*t));
    EXPECT_EQ(r.e.entryText(), c.shown);
    if (c.end == kPressElsewhere)
      r.e.onMouseDown(20, 20, false, false);  // empty space
    else
      r.e.onChar(c.end == kEnter ? 13 : 27);
    EXPECT_FALSE(r.e.textEntryActive());
    const std::string id = std::to_string(c.param);
    if (std::isnan(c.plain)) {
      EXPECT_EQ(r.e.params[c.param], before);
      EXPECT_TRUE(r.rec.events.empty());
    } else {
      EXPECT_NEAR(normalizedToPlain(c.param, r.e.params[c.param]), c.plain, 1e-9);
      EXPECT_EQ(r.rec.events, (Events{"b" + id, "p" + id, "e" + id}));
    }
  }
}

// Ctrl-click returns a knob to its default as one gesture; the size pill cycles from 115 %; the
// dancer control asks for the other state. Arrows, toggles and preset steps are whole gestures.
TEST_F(EditorInput, SinglePressControls) {
  e.params[kMix] = 0.2;
  e.onMouseDown(kMixX, kSpeedY, true, false);
  EXPECT_DOUBLE_EQ(e.params[kMix], 1.0);
  EXPECT_EQ(e.dragParam(), -1);
  ASSERT_FLOAT_EQ(e.sizeChoice, 1.15f);
  for (int i = 0; i < 5; ++i) e.onMouseDown(91, 76, false, false);
  EXPECT_EQ(rec.sizes, (std::vector<float>{1.3f, 1.5f, 1.75f, 2.0f, 1.0f}));
  e.onMouseDown(560, 260, false, false);
  e.poppedOut = true;
  e.rebuildHitRegions();
  e.onMouseDown(430, 405, false, false);
  EXPECT_EQ(rec.popOuts, (std::vector<bool>{true, false}));

  e.onMouseDown(400, 50, false, false);  // Key down arrow
  e.onMouseDown(302, 52, false, false);  // Low Latency
  EXPECT_EQ(rec.events, (Events{"b6", "p6", "e6", "b0", "p0", "e0", "b8", "p8", "e8"}));
  EXPECT_EQ(e.params[kLowLatency], 1.0);
  EXPECT_DOUBLE_EQ(e.params[kKey], 0.0);
  rec.events.clear();
  e.onMouseDown(225, 297, false, false);  // preset up arrow: "Robot Crush"
  EXPECT_EQ(e.presetName(), "Robot Crush");
  EXPECT_EQ(rec.events.size(), 36u);  // twelve separate gestures
  expectWholeGestures();
  EXPECT_EQ(e.params[kLowLatency], 1.0);  // a preset keeps the latency mode
}

// The second press of a double click, per kind of widget: a pair is one intent except where each
// press is a step (arrows, the stepping selectors) or the double click has its own meaning
// (value entry on a knob). A press that opened or closed a list ends the intent there.
TEST_F(EditorInput, DoubleClickMeansOneIntentPerKindOfWidget) {
  const struct {
    const char* name;
    float x, y;
    std::function<void(Rig&)> before;
    std::function<void(const Editor&, const Recorder&)> check;
  } cases[] = {
      {"DELETE arms once, SURE? stays to be seen", kDeleteX, kPresetRowY,
       [](Rig& t) { t.makeUserPresetCurrent(); },
       [](const Editor& ed, const Recorder& r) {
         EXPECT_TRUE(r.deleted.empty());
         EXPECT_FLOAT_EQ(ed.deleteTimer(), 3.0f);
       }},
      {"Major Pent. picked, Stutter beneath untouched", 700, 285,
       [](Rig& t) { t.e.onMouseDown(700, 50, false, false); },
       [](const Editor& ed, const Recorder& r) {
         EXPECT_EQ(ed.selectorText(kScale), "Major Pent.");
         EXPECT_EQ(ed.selectorText(kStutter), "Off");
         EXPECT_EQ(ed.openList(), -1);
         EXPECT_EQ(r.events, (Events{"b1", "p1", "e1"}));
       }},
      {"a dismissing press does not reach the knob", kSpeedX, kSpeedY,
       [](Rig& t) { t.e.onMouseDown(470, 50, false, false); },
       [](const Editor& ed, const Recorder& r) {
         EXPECT_EQ(ed.openList(), -1);
         EXPECT_EQ(ed.valueEntryParam(), -1);
         EXPECT_TRUE(r.events.empty());
       }},
      {"the Key value keeps its list open", 470, 50, nullptr,
       [](const Editor& ed, const Recorder&) { EXPECT_EQ(ed.openList(), 0); }},
      {"SAVE keeps the proposed name to edit", kSaveX, kPresetRowY, nullptr,
       [](const Editor& ed, const Recorder& r) {
         EXPECT_TRUE(ed.naming());
         EXPECT_TRUE(r.saved.empty());
       }},
      {"Low Latency flips once", 302, 52, nullptr,
       [](const Editor& ed, const Recorder& r) {
         EXPECT_EQ(ed.params[kLowLatency], 1.0);
         EXPECT_EQ(r.events.size(), 3u);
       }},
      {"the size pill advances once", 91, 76, nullptr,
       [](const Editor&, const Recorder& r) { EXPECT_EQ(r.sizes, std::vector<float>{1.3f}); }},
      {"the dancer control asks once", 560, 260, nullptr,
       [](const Editor&, const Recorder& r) { EXPECT_EQ(r.popOuts, std::vector<bool>{true}); }},
      {"an arrow takes a step per press", 810, 50, nullptr,
       [](const Editor& ed, const Recorder&) {
         EXPECT_EQ(ed.selectorText(kScale), "Harm. Minor");
       }},
      {"Character steps per press", 145, 363, nullptr,
       [](const Editor& ed, const Recorder&) { EXPECT_EQ(ed.selectorText(kCharacter), "Radio"); }},
      {"a knob opens value entry", kSpeedX, kSpeedY, nullptr,
       [](const Editor& ed, const Recorder& r) {
         EXPECT_EQ(ed.valueEntryParam(), kSpeed);
         EXPECT_TRUE(r.events.empty());
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Rig t;
    if (c.before) c.before(t);
    t.rec.events.clear();
    // What the window delivers for a double click: down, up, double-click message, up.
    t.e.onMouseDown(c.x, c.y, false, false);
    t.e.onMouseUp();
    t.e.onMouseDown(c.x, c.y, false, true);
    t.e.onMouseUp();
    c.check(t.e, t.rec);
  }
}

// A notch steps each kind of widget by its unit: whole hertz (a tenth with Shift), the next
// 5 ms above 30 ms of Speed, selectors wrap, stepped knobs stop at the end; Low Latency and the
// size pill ignore the wheel. Parts of a notch add up, on the same parameter only.
TEST_F(EditorInput, WheelStepsEachKindOfWidgetByItsUnit) {
  const struct {
    float x, y;
    int param;
    double start;  // NaN: as it is
    float notches;
    bool fine;
    double plain;
    int gestures;  // whole gestures sent; a repaint when any
  } cases[] = {
      {470, 50, kKey, 0.0, 1 / 3.0f, false, 0.0, 0},  // a high-resolution wheel's delta 40
      {470, 50, kKey, NAN, 1 / 3.0f, false, 0.0, 0},
      {470, 50, kKey, NAN, 1 / 3.0f, false, 1.0, 1},
      {470, 50, kKey, NAN, 0.6f, false, 1.0, 0},
      {700, 50, kScale, 0.0, 0.6f, false, 0.0, 0},  // another parameter starts the sum again
      {430, 604, kDetune, NAN, 1, false, 441.0, 1},
      {430, 604, kDetune, NAN, 1, true, 441.1, 1},
      {kSpeedX, kSpeedY, kSpeed, std::sqrt(29.0 / 400.0), 1, false, 30.0, 1},
      {kSpeedX, kSpeedY, kSpeed, NAN, 1, false, 35.0, 1},
      {kSpeedX, kSpeedY, kSpeed, NAN, -2, false, 29.0, 2},
      {700, 50, kScale, 0.0, -1, false, 9.0, 1},
      {kStepsX, kStepsY, kHarmonySteps, 1.0, 1, false, 7.0, 1},
      {302, 52, kLowLatency, 0.0, 3, false, 0.0, 0},
      {91, 76, kSpeed, NAN, 3, false, 29.0, 0},  // the size pill
      {470, 50, kKey, 0.0, NAN, false, 0.0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.param << " " << c.notches);
    if (!std::isnan(c.start)) e.params[c.param] = c.start;
    const std::size_t events = rec.events.size();
    EXPECT_EQ(e.onWheel(c.x, c.y, c.notches, c.fine), c.gestures > 0);
    EXPECT_EQ(rec.events.size(), events + 3 * c.gestures);
    EXPECT_NEAR(normalizedToPlain(c.param, e.params[c.param]), c.plain, 1e-9);
  }
  expectWholeGestures();
}

TEST_F(EditorInput, ListsOpenPickAndCloseOnAnyOutsideClick) {
  e.onMouseDown(470, 50, false, false);  // Key value opens the list
  ASSERT_EQ(e.openList(), 0);
  // While open, every point outside the items is the dismiss region, knobs included.
  const int over = e.hitTest(kSpeedX, kSpeedY);
  ASSERT_GE(over, 0);
  EXPECT_EQ(e.hitRegions()[static_cast<std::size_t>(over)].kind, kHitListDismiss);
  e.onMouseDown(kSpeedX, kSpeedY, false, false);
  EXPECT_EQ(e.openList(), -1);
  EXPECT_EQ(e.dragParam(), -1);
  EXPECT_TRUE(rec.events.empty());

  e.onMouseDown(700, 50, false, false);  // Scale list
  ASSERT_EQ(e.openList(), 1);
  e.onMouseDown(700, 84 + 26 * 9 + 5, false, false);  // its last item
  EXPECT_EQ(e.openList(), -1);
  EXPECT_EQ(e.selectorText(kScale), "Chromatic");
  EXPECT_EQ(rec.events, (Events{"b1", "p1", "e1"}));

  e.onMouseDown(470, 50, false, false);
  e.onChar('x');
  EXPECT_EQ(e.openList(), 0);
  e.onChar(27);
  EXPECT_EQ(e.openList(), -1);
}

// DELETE exists only while a user preset is current and not while naming; it arms for three
// seconds and deletes on the second press within them. A file that cannot be deleted stays listed.
TEST_F(EditorInput, DeleteAsksOnceAndDeletesOnlyWithinThreeSeconds) {
  auto press = [this] { e.onMouseDown(kDeleteX, kPresetRowY, false, false); };
  auto wait = [this](int frames) {
    for (int i = 0; i < frames; ++i) e.updateMood(-1, -1, 0, 0.1f, 120, 0, false);
  };
  EXPECT_EQ(countKind(kHitDelete), 0);  // "Default" is a factory preset
  e.params[kSpeed] = 0.3;
  e.rebuildHitRegions();
  EXPECT_EQ(countKind(kHitDelete), 0);  // "Custom"
  press();
  EXPECT_EQ(e.deleteTimer(), 0.0f);

  makeUserPresetCurrent();
  ASSERT_EQ(countKind(kHitDelete), 1);
  press();
  EXPECT_FLOAT_EQ(e.deleteTimer(), 3.0f);
  wait(31);
  EXPECT_EQ(e.deleteTimer(), 0.0f);
  press();  // too late: arms again
  EXPECT_TRUE(rec.deleted.empty());
  EXPECT_FLOAT_EQ(e.deleteTimer(), 3.0f);

  rec.deleteSucceeds = false;
  press();
  EXPECT_EQ(rec.deleted, (std::vector<std::string>{"Mine"}));
  ASSERT_EQ(e.userPresets.size(), 1u);
  EXPECT_EQ(e.presetName(), "Mine");

  rec.deleteSucceeds = true;
  press();
  wait(28);
  press();
  EXPECT_EQ(rec.deleted, (std::vector<std::string>{"Mine", "Mine"}));
  EXPECT_TRUE(e.userPresets.empty());
  EXPECT_EQ(countKind(kHitDelete), 0);

  makeUserPresetCurrent();
  e.onMouseDown(kSaveX, kPresetRowY, false, false);  // SAVE starts naming: no delete while naming
  EXPECT_TRUE(e.naming());
  EXPECT_EQ(countKind(kHitDelete), 0);
}

// Naming proposes a free name, stops at twenty characters, refuses file-name characters, survives
// a press on its own field and ends without saving anywhere else or when only spaces were typed.
TEST_F(EditorInput, NamingProposesANameAndStopsAtTwentyCharacters) {
  e.userPresets = {UserPreset{"My Preset 1", factoryPresetValues(1)}};
  e.onMouseDown(kSaveX, kPresetRowY, false, false);
  ASSERT_TRUE(e.naming());
  EXPECT_EQ(e.nameText(), "My Preset 2");
  type("A");  // the first key replaces the proposal
  EXPECT_EQ(e.nameText(), "A");
  type("bcdefghijklmnopqrstU");
  EXPECT_EQ(e.nameText(), "Abcdefghijklmnopqrst");
  e.onChar(8);
  type("?:/");                            // not allowed in a file name
  e.onMouseDown(145, 297, false, false);  // the name field
  e.onChar(13);
  EXPECT_FALSE(e.naming());
  ASSERT_EQ(rec.saved.size(), 1u);
  EXPECT_EQ(rec.saved[0].name, "Abcdefghijklmnopqrs");
  EXPECT_EQ(e.userPresets.size(), 2u);
  EXPECT_EQ(e.presetName(), "Default");  // factory presets are matched first

  e.onMouseDown(kSaveX, kPresetRowY, false, false);
  e.onMouseDown(kSpeedX, kSpeedY, false, false);
  EXPECT_FALSE(e.naming());
  e.onMouseUp();
  e.onMouseDown(kSaveX, kPresetRowY, false, false);
  type("   ");
  e.onMouseDown(kSaveX, kPresetRowY, false, false);  // OK with only spaces saves nothing
  EXPECT_FALSE(e.naming());
  EXPECT_EQ(rec.saved.size(), 1u);
}

// The host's context menu only over host parameters; hover repaints only on a change of region,
// ends on leaving, and stays on the dragged knob while the pointer crosses others.
TEST_F(EditorInput, ContextMenuAndHoverFollowTheWidgetsNotTheDrag) {
  const struct {
    float x, y;
    int param;
  } menus[] = {{kSpeedX, kSpeedY, kSpeed},
               {470, 50, kKey},
               {302, 52, kLowLatency},
               {145, 297, -1},  // the preset selector is no parameter
               {91, 76, -1},
               {5, 5, -1}};
  for (const auto& m : menus) EXPECT_EQ(e.contextMenuParamAt(m.x, m.y), m.param) << m.x;

  EXPECT_TRUE(e.onMouseMove(kSpeedX, kSpeedY, false));
  EXPECT_FALSE(e.onMouseMove(kSpeedX + 1, kSpeedY, false));  // same region: no repaint
  const int speedRegion = e.hoveredRegion();
  EXPECT_TRUE(e.onMouseLeave());
  EXPECT_EQ(e.hoveredRegion(), -1);
  EXPECT_FALSE(e.onMouseUp());  // no drag, nothing to end
  EXPECT_TRUE(rec.events.empty());
  e.onMouseMove(kSpeedX, kSpeedY, false);
  e.onMouseDown(kSpeedX, kSpeedY, false, false);
  e.onMouseMove(kShiftX, kSpeedY - 10, false);  // over the Shift knob, still dragging Speed
  e.paint(false);
  EXPECT_EQ(e.hoveredRegion(), speedRegion);
  EXPECT_GT(e.params[kSpeed], 0.0);
  e.onMouseUp();
}

}  // namespace
}  // namespace zv
