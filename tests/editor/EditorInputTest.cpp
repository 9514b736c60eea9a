// The editor driven the way its window drives it: pointer, wheel and characters in layout units,
// with the host-edit callbacks recorded.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "Editor.h"

namespace zv {
namespace {

// Centres of the widgets the tests press.
constexpr float kSpeedX = 87.14f, kKnobY = 604;
constexpr float kFormantX = 315.71f, kShiftX = 201.43f, kMixX = 658.57f;
constexpr float kStepsX = 762, kStepsY = 460;
constexpr float kSaveX = 217, kDeleteX = 160, kPresetRowY = 262;

using Events = std::vector<std::string>;

// An editor and what its host heard, fresh for each case of a table.
struct Rig {
  Rig() {
    e.onBeginEdit = [this](int id) { events.push_back("b" + std::to_string(id)); };
    e.onPerformEdit = [this](int id, double) { events.push_back("p" + std::to_string(id)); };
    e.onEndEdit = [this](int id) { events.push_back("e" + std::to_string(id)); };
    e.deletePreset = [this](const std::string& name) {
      events.push_back("deleted " + name);
      return deleteSucceeds;
    };
    e.savePreset = [this](const UserPreset& p) {
      events.push_back("saved " + p.name);
      return true;
    };
    e.onSizeChange = [this](float f) {
      events.push_back("size " + std::to_string(f).substr(0, 4));
    };
    e.onPopOut = [this](bool out) { events.push_back(out ? "out" : "in"); };
  }
  void press(float x, float y, bool ctrl = false) { e.onMouseDown(x, y, ctrl, false); }
  void type(const std::string& text) {
    for (char c : text) e.onChar(static_cast<unsigned char>(c));
  }
  void makeUserPresetCurrent() {
    UserPreset mine{"Mine", factoryPresetValues(0)};
    mine.values[0] = 0.3;  // Speed, the first column
    e.userPresets = {mine};
    e.params[kSpeed] = 0.3;
    e.rebuildHitRegions();
  }
  int count(int kind) const {
    int n = 0;
    for (const HitRegion& r : e.hitRegions()) n += r.kind == kind;
    return n;
  }
  // What the face is in the middle of, then everything the host heard, in one line.
  std::string outcome() const {
    std::ostringstream s;
    if (e.openList() >= 0) s << " list " << e.openList();
    if (e.valueEntryParam() >= 0) s << " entry " << e.valueEntryParam();
    if (e.dragParam() >= 0) s << " drag " << e.dragParam();
    if (e.naming()) s << " naming";
    if (e.deleteTimer() > 0) s << " armed";
    for (const std::string& ev : events) s << ' ' << ev;
    return s.str().empty() ? "" : s.str().substr(1);
  }
  // Every gesture in the record is begin, at least one perform, end, all on one parameter.
  void expectWholeGestures() const {
    std::size_t i = 0;
    while (i < events.size()) {
      ASSERT_EQ(events[i][0], 'b') << "event " << i;
      const std::string id = events[i].substr(1);
      int performs = 0;
      for (++i; i < events.size() && events[i] == "p" + id; ++i) ++performs;
      EXPECT_GE(performs, 1) << "gesture on " << id;
      ASSERT_LT(i, events.size());
      EXPECT_EQ(events[i++], "e" + id);
    }
  }

  Editor e;
  Events events;  // edits as b/p/e and the parameter, then the other requests in words
  bool deleteSucceeds = true;
};

class EditorInput : public ::testing::Test, public Rig {};

// Knob drags: 220 units cover a range (a stepped one needs 14 units a step if that is more),
// Shift makes the drag nine times finer, and a change of Shift mid-drag carries on from where the
// knob is instead of jumping. A fine drag of Speed lands on the 1 ms grid the knob shows. Every
// drag is one whole gesture.
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
      {kSpeed, kSpeedX, 0.0, {{220, true, plainToNormalized(kSpeed, 24)}}},  // 220 / 900 is 23.9 ms
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
    press(c.x, kKnobY);
    EXPECT_EQ(e.dragParam(), c.param);
    for (const Move& m : c.moves) {
      e.onMouseMove(c.x, kKnobY - m.up, m.fine);
      EXPECT_NEAR(e.params[c.param], m.value, 1e-9)
          << c.param << " " << m.up << (m.fine ? " fine" : "");
    }
    e.onMouseUp();
    EXPECT_EQ(e.dragParam(), -1);
  }
  expectWholeGestures();
  // Key's 11 steps: 20 units per step, and a step needs more than half of that.
  EXPECT_DOUBLE_EQ(Editor::dragValue(kKey, 0.0, 200.0, false), 10.0 / 11.0);
  EXPECT_DOUBLE_EQ(Editor::dragValue(kKey, 0.0, 9.0, false), 0.0);
  EXPECT_DOUBLE_EQ(Editor::dragValue(kKey, 0.0, 11.0, false), 1.0 / 11.0);
}

// What a host records for the ways a knob can be handled: begin, one or more performs, end, on
// one parameter at a time; nothing at all when the value never changed.
TEST_F(EditorInput, KnobHandlingGivesTheHostWholeGesturesOrNothing) {
  using Step = std::function<void(Rig&)>;
  const Step down = [](Rig& r) { r.press(kMixX, kKnobY); };
  const Step up10 = [](Rig& r) { r.e.onMouseMove(kMixX, kKnobY - 10, false); };
  const Step up30 = [](Rig& r) { r.e.onMouseMove(kMixX, kKnobY - 30, false); };
  const Step wheel = [](Rig& r) { r.e.onWheel(kMixX, kKnobY, 1, false); };
  const Step release = [](Rig& r) { r.e.onMouseUp(); };
  const Step ctrlClick = [](Rig& r) { r.press(kMixX, kKnobY, true); };
  const Step stepsBy3 = [](Rig& r) {
    r.press(kStepsX, kStepsY);
    r.e.onMouseMove(kStepsX, kStepsY - 3, false);
  };
  const struct {
    const char* name;
    std::vector<Step> steps;
    const char* heard;
    double mix;
  } cases[] = {
      {"press and release", {down, release}, "", 0.5},
      {"a move smaller than a step", {down, stepsBy3, release}, "", 0.5},
      {"the wheel during a drag", {down, up10, wheel, up30, release}, "b6 p6 p6 e6", 0.64},
      {"a press without the release", {down, up10, down, up30, release}, "b6 p6 e6 b6 p6 e6", 0.69},
      {"release twice", {down, up10, release, release}, "b6 p6 e6", 0.55},
      {"Ctrl-click: back to the default", {ctrlClick, release}, "b6 p6 e6", 1.0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Rig r;
    r.e.params[kMix] = 0.5;
    for (const Step& step : c.steps) step(r);
    EXPECT_EQ(r.outcome(), c.heard);
    EXPECT_NEAR(r.e.params[kMix], c.mix, 1e-9);
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
    r.e.onMouseDown(c.x, kKnobY, false, true);
    ASSERT_EQ(r.e.valueEntryParam(), c.param);
    r.type(c.typed);
    EXPECT_EQ(r.e.entryText(), c.shown);
    if (c.end == kPressElsewhere)
      r.press(20, 20);  // empty space
    else
      r.e.onChar(c.end == kEnter ? 13 : 27);
    const std::string id = std::to_string(c.param);
    if (std::isnan(c.plain)) {
      EXPECT_EQ(r.e.params[c.param], before);
      EXPECT_EQ(r.outcome(), "");
    } else {
      EXPECT_NEAR(normalizedToPlain(c.param, r.e.params[c.param]), c.plain, 1e-9);
      EXPECT_EQ(r.outcome(), "b" + id + " p" + id + " e" + id);
    }
  }
}

// The size pill cycles from 115 %; a preset step is one whole gesture per parameter and keeps the
// latency mode.
TEST_F(EditorInput, SizePillCyclesAndPresetStepsKeepTheLatencyMode) {
  ASSERT_FLOAT_EQ(e.sizeChoice, 1.15f);
  for (int i = 0; i < 5; ++i) press(91, 76);
  EXPECT_EQ(outcome(), "size 1.30 size 1.50 size 1.75 size 2.00 size 1.00");
  press(302, 52);  // Low Latency
  events.clear();
  press(225, 297);  // preset up arrow: "Robot Crush"
  EXPECT_EQ(e.presetName(), "Robot Crush");
  EXPECT_EQ(events.size(), 36u);  // twelve separate gestures
  expectWholeGestures();
  EXPECT_EQ(e.params[kLowLatency], 1.0);
}

// A click (down, up) and a double click (down, up, double-click message, up) on each kind of
// widget. A double click is one intent except where each press is a step (arrows, the stepping
// selectors) or it has its own meaning (value entry on a knob); a press that opened or closed a
// list ends the intent there.
TEST_F(EditorInput, ClicksAndDoubleClicksPerKindOfWidget) {
  using Before = std::function<void(Rig&)>;
  const Before mine = [](Rig& t) { t.makeUserPresetCurrent(); };
  const Before keyList = [](Rig& t) { t.press(470, 50); };
  const Before scaleList = [](Rig& t) { t.press(700, 50); };
  const Before poppedOut = [](Rig& t) {
    t.e.poppedOut = true;
    t.e.rebuildHitRegions();
  };
  const struct {
    const char* name;
    float x, y;
    Before before;
    const char *click, *doubleClick;
    int selector = -1;
    const char* shows = "";  // after the double click
  } cases[] = {
      {"DELETE: SURE? stays to be seen", kDeleteX, kPresetRowY, mine, "armed", "armed"},
      {"a Scale item over Stutter", 700, 285, scaleList, "b1 p1 e1", "b1 p1 e1", kScale,
       "Major Pent."},
      {"a knob under an open list", kSpeedX, kKnobY, keyList, "", ""},
      {"the Key value", 470, 50, nullptr, "list 0", "list 0"},
      {"SAVE: the proposed name to edit", kSaveX, kPresetRowY, nullptr, "naming", "naming"},
      {"Low Latency", 302, 52, nullptr, "b8 p8 e8", "b8 p8 e8"},
      {"the size pill", 91, 76, nullptr, "size 1.30", "size 1.30"},
      {"the dancer control", 560, 260, nullptr, "out", "out"},
      {"the dancer control, popped out", 430, 405, poppedOut, "in", "in"},
      {"Scale's up arrow", 810, 50, nullptr, "b1 p1 e1", "b1 p1 e1 b1 p1 e1", kScale,
       "Harm. Minor"},
      {"Key's down arrow", 400, 50, nullptr, "b0 p0 e0", "b0 p0 e0 b0 p0 e0"},
      {"Character", 145, 363, nullptr, "b11 p11 e11", "b11 p11 e11 b11 p11 e11", kCharacter,
       "Radio"},
      {"a knob", kSpeedX, kKnobY, nullptr, "", "entry 2"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    for (bool twice : {false, true}) {
      Rig t;
      if (c.before) c.before(t);
      t.events.clear();
      t.press(c.x, c.y);
      t.e.onMouseUp();
      if (twice) {
        t.e.onMouseDown(c.x, c.y, false, true);
        t.e.onMouseUp();
        EXPECT_EQ(c.selector < 0 ? "" : t.e.selectorText(c.selector), c.shows);
      }
      EXPECT_EQ(t.outcome(), twice ? c.doubleClick : c.click);
    }
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
      {430, kKnobY, kDetune, NAN, 1, false, 441.0, 1},
      {430, kKnobY, kDetune, NAN, 1, true, 441.1, 1},
      {kSpeedX, kKnobY, kSpeed, plainToNormalized(kSpeed, 29), 1, false, 30.0, 1},
      {kSpeedX, kKnobY, kSpeed, NAN, 1, false, 35.0, 1},
      {kSpeedX, kKnobY, kSpeed, NAN, -2, false, 29.0, 2},
      {700, 50, kScale, 0.0, -1, false, 9.0, 1},
      {kStepsX, kStepsY, kHarmonySteps, 1.0, 1, false, 7.0, 1},
      {302, 52, kLowLatency, 0.0, 3, false, 0.0, 0},
      {91, 76, kSpeed, NAN, 3, false, 29.0, 0},  // the size pill
      {470, 50, kKey, 0.0, NAN, false, 0.0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.param << " " << c.notches);
    if (!std::isnan(c.start)) e.params[c.param] = c.start;
    const std::size_t before = events.size();
    EXPECT_EQ(e.onWheel(c.x, c.y, c.notches, c.fine), c.gestures > 0);
    EXPECT_EQ(events.size(), before + 3 * c.gestures);
    EXPECT_NEAR(normalizedToPlain(c.param, e.params[c.param]), c.plain, 1e-9);
  }
  expectWholeGestures();
}

// A list's last item picks; Escape closes a list, other keys do not. (A press outside the items
// closes it and does nothing else: see the click table.)
TEST_F(EditorInput, ListsPickTheirLastItemAndCloseOnEscape) {
  press(700, 50);               // Scale list
  press(700, 84 + 26 * 9 + 5);  // its last item
  EXPECT_EQ(e.selectorText(kScale), "Chromatic");
  press(470, 50);
  e.onChar('x');
  EXPECT_EQ(outcome(), "list 0 b1 p1 e1");
  e.onChar(27);
  EXPECT_EQ(e.openList(), -1);
}

// DELETE exists only while a user preset is current and not while naming; it arms for three
// seconds and deletes on the second press within them. A file that cannot be deleted stays listed.
TEST_F(EditorInput, DeleteAsksOnceAndDeletesOnlyWithinThreeSeconds) {
  auto pressDelete = [this] { press(kDeleteX, kPresetRowY); };
  auto wait = [this](int frames) {
    for (int i = 0; i < frames; ++i) e.updateMood(-1, -1, 0, 0.1f, 120, 0, false);
  };
  e.params[kSpeed] = 0.3;
  e.rebuildHitRegions();
  EXPECT_EQ(count(kHitDelete), 0);  // "Custom", like a factory preset, cannot be deleted
  makeUserPresetCurrent();
  ASSERT_EQ(count(kHitDelete), 1);
  pressDelete();
  wait(31);
  EXPECT_EQ(outcome(), "");
  pressDelete();  // too late: arms again
  EXPECT_EQ(outcome(), "armed");

  deleteSucceeds = false;
  pressDelete();
  EXPECT_EQ(outcome(), "deleted Mine");
  ASSERT_EQ(e.userPresets.size(), 1u);
  EXPECT_EQ(e.presetName(), "Mine");

  deleteSucceeds = true;
  pressDelete();
  wait(28);
  pressDelete();
  EXPECT_EQ(outcome(), "deleted Mine deleted Mine");
  EXPECT_TRUE(e.userPresets.empty());
  EXPECT_EQ(count(kHitDelete), 0);

  makeUserPresetCurrent();
  press(kSaveX, kPresetRowY);  // SAVE starts naming: no delete while naming
  EXPECT_TRUE(e.naming());
  EXPECT_EQ(count(kHitDelete), 0);
}

// Naming proposes a free name, stops at twenty characters, refuses file-name characters, survives
// a press on its own field and ends without saving anywhere else or when only spaces were typed.
TEST_F(EditorInput, NamingProposesANameAndStopsAtTwentyCharacters) {
  e.userPresets = {UserPreset{"My Preset 1", factoryPresetValues(1)}};
  press(kSaveX, kPresetRowY);
  ASSERT_TRUE(e.naming());
  EXPECT_EQ(e.nameText(), "My Preset 2");
  type("A");  // the first key replaces the proposal
  EXPECT_EQ(e.nameText(), "A");
  type("bcdefghijklmnopqrstU");
  EXPECT_EQ(e.nameText(), "Abcdefghijklmnopqrst");
  e.onChar(8);
  type("?:/");      // not allowed in a file name
  press(145, 297);  // the name field
  e.onChar(13);
  EXPECT_EQ(outcome(), "saved Abcdefghijklmnopqrs");
  EXPECT_EQ(e.userPresets.size(), 2u);
  EXPECT_EQ(e.presetName(), "Default");  // factory presets are matched first

  press(kSaveX, kPresetRowY);
  press(kSpeedX, kKnobY);
  EXPECT_FALSE(e.naming());
  e.onMouseUp();
  press(kSaveX, kPresetRowY);
  type("   ");
  press(kSaveX, kPresetRowY);  // OK with only spaces saves nothing
  EXPECT_EQ(outcome(), "saved Abcdefghijklmnopqrs");
}

// The host's context menu only over host parameters (not the preset selector); hover repaints only
// on a change of region, ends on leaving, and stays on the dragged knob while the pointer crosses
// others.
TEST_F(EditorInput, ContextMenuAndHoverFollowTheWidgetsNotTheDrag) {
  const struct {
    float x, y;
    int param;
  } menus[] = {{kSpeedX, kKnobY, kSpeed},
               {470, 50, kKey},
               {302, 52, kLowLatency},
               {145, 297, -1},
               {91, 76, -1},
               {5, 5, -1}};
  for (const auto& m : menus) EXPECT_EQ(e.contextMenuParamAt(m.x, m.y), m.param) << m.x;

  EXPECT_TRUE(e.onMouseMove(kSpeedX, kKnobY, false));
  EXPECT_FALSE(e.onMouseMove(kSpeedX + 1, kKnobY, false));  // same region: no repaint
  const int speedRegion = e.hoveredRegion();
  EXPECT_TRUE(e.onMouseLeave());
  EXPECT_EQ(e.hoveredRegion(), -1);
  EXPECT_FALSE(e.onMouseUp());  // no drag, nothing to end
  e.onMouseMove(kSpeedX, kKnobY, false);
  press(kSpeedX, kKnobY);
  e.onMouseMove(kShiftX, kKnobY - 10, false);  // over the Shift knob, still dragging Speed
  e.paint(false);
  EXPECT_EQ(e.hoveredRegion(), speedRegion);
  EXPECT_EQ(outcome(), "drag 2 b2 p2");
  e.onMouseUp();
}

}  // namespace
}  // namespace zv
