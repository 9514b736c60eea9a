// Where everything sits on the face, in layout units of the 860 by 720 design space. Painting,
// hit testing and the view's partial redraws all read these, so a widget moves in one place.
#pragma once

#include <cstdint>
#include <iterator>

#include "ParamDefs.h"

namespace zv {

constexpr float kLayoutWidth = 860.0f;
constexpr float kLayoutHeight = 720.0f;

// What a click on a region does (Editor::onMouseDown).
enum HitKind : int32_t {
  kHitKnob = 0,
  kHitStepDown = 1,
  kHitStepUp = 2,
  kHitSelectorValue = 3,  // opens the Key / Scale list, steps up elsewhere
  kHitToggle = 4,
  kHitSave = 5,
  kHitDelete = 6,
  kHitSize = 7,
  kHitListItem = 12,
  kHitListDismiss = 13,
  kHitDancer = 14,
};

constexpr int32_t kPresetSelectorId = 1000;
constexpr int32_t kNoParamId = -1;
constexpr int32_t kNameFieldId = -2;

struct HitRegion {
  int32_t kind = 0;
  int32_t id = kNoParamId;
  int32_t extra = 0;  // arrow direction, or list item index
  float x = 0, y = 0, width = 0, height = 0;
  bool contains(float px, float py) const {
    return x <= px && px < x + width && y <= py && py < y + height;
  }
};

// The entry a list or stepped value shows: value x steps to the nearest integer, halves away from
// zero. Out-of-range and NaN values (a misbehaving host) still name a real entry.
inline int listIndexOf(double normalized, int steps) {
  if (!(normalized > 0.0)) return 0;
  if (normalized > 1.0) return steps;
  return static_cast<int>(roundHalfAway(normalized * steps));
}

struct Rect {
  float x, y, width, height;
  constexpr float right() const { return x + width; }
  constexpr float bottom() const { return y + height; }
  constexpr float centreX() const { return x + width / 2; }
  // The same box with `by` units added on every side (negative: taken away).
  constexpr Rect grown(float by) const { return {x - by, y - by, width + 2 * by, height + 2 * by}; }
};

struct KnobDef {
  uint32_t param;
  const char* label;
  bool bipolar;  // the value arc starts at the neutral value, not at the left end of the sweep
  float cx, cy, radius;
};

// The lower row sits on (i + 0.5) * 114.28571 + 30; the small knobs share the side cards.
constexpr KnobDef kKnobs[10] = {
    {kSpeed, "SPEED", false, 87.14f, 604, 29},
    {kShift, "SHIFT", true, 201.43f, 604, 29},
    {kFormant, "FORMANT", true, 315.71f, 604, 29},
    {kDetune, "DETUNE", true, 430, 604, 29},
    {kConsonants, "CONSONANTS", false, 544.29f, 604, 29},
    {kMix, "MIX", false, 658.57f, 604, 29},
    {kOutput, "OUTPUT", true, 772.86f, 604, 29},
    {kCharacterAmount, "AMOUNT", false, 145, 460, 24},
    {kHarmony, "HARMONY", false, 668, 460, 24},
    {kHarmonySteps, "STEPS", true, 762, 460, 24},
};

// The cards of the background layer, all with the same corner radius.
constexpr float kCardRadius = 18;
constexpr Rect kPitchCard = {30, 96, 800, 130};
constexpr Rect kKnobCard = {30, 544, 800, 156};
constexpr Rect kLeftCard = {30, 240, 230, 290};
constexpr Rect kRightCard = {600, 240, 230, 290};

// The mascot's card, and the box the stage repaint restores around it.
constexpr Rect kStageCard = {272, 240, 316, 290};
constexpr float kStageCardRadius = kCardRadius;
constexpr Rect kStageRestore = kStageCard.grown(2);

// The regions the view recopies on animation-only frames: pitch display, mascot stage, lower knob
// row, left knob group, right knob group.
constexpr Rect kPitchPanel = kPitchCard.grown(2);
constexpr Rect kKnobRowPulse = {34, 547, 792, 115};
constexpr Rect kLeftKnobsPulse = {34, 412, 222, 100};
constexpr Rect kRightKnobsPulse = {604, 412, 222, 100};
constexpr Rect kAnimatedRegions[5] = {kPitchPanel, kStageRestore, kKnobRowPulse, kLeftKnobsPulse,
                                      kRightKnobsPulse};
// The knob pulse restores its three boxes (left, top, right, bottom) from the face snapshot.
constexpr float kPulseBoxes[3][4] = {
    {kKnobRowPulse.x, kKnobRowPulse.y, kKnobRowPulse.right(), kKnobRowPulse.bottom()},
    {kLeftKnobsPulse.x, kLeftKnobsPulse.y, kLeftKnobsPulse.right(), kLeftKnobsPulse.bottom()},
    {kRightKnobsPulse.x, kRightKnobsPulse.y, kRightKnobsPulse.right(), kRightKnobsPulse.bottom()}};

// Selectors: x, y, width (every selector pill is 34 units high, its arrows 34 units square).
constexpr float kSelectorHeight = 34;
constexpr float kSelectorArrow = kSelectorHeight;
constexpr Rect kKeySelector = {390, 36, 170, 34};
constexpr Rect kScaleSelector = {574, 36, 252, 34};
constexpr Rect kPresetSelector = {48, 280, 194, 34};
constexpr Rect kCharacterSelector = {48, 346, 194, 34};
constexpr Rect kStutterSelector = {618, 280, 194, 34};
constexpr Rect kRateSelector = {618, 346, 194, 34};

// While a preset is being named, its name field takes the preset selector's place.
constexpr float kNameTextRoom = 154;  // a longer name shows its tail
constexpr Rect kSaveButton = {192, 254, 50, 18};
constexpr Rect kDeleteButton = {136, 254, 50, 18};
constexpr Rect kSizePill = {60, 68, 62, 18};
constexpr Rect kLowLatencyToggle = {250, 38, 104, 30};
constexpr Rect kPopOutIcon = {550, 250, 28, 26};
constexpr Rect kBringBackButton = {360, 389, 140, 34};

// Drop-down lists hang under the Key and Scale selectors.
struct ListLayout {
  int32_t param;
  int32_t items, columns;
  Rect selector;
  float cellWidth, cellHeight, panelHeight;
  float textSize;
};
constexpr ListLayout kKeyList = {
    kKey, static_cast<int32_t>(std::size(kNoteNames)), 4, kKeySelector, 38.5f, 30, 106, 12};
constexpr ListLayout kScaleList = {
    kScale, static_cast<int32_t>(std::size(kScaleNames)), 1, kScaleSelector, 236, 26, 276, 11};
constexpr float kListTop = 76;
constexpr float kListFirstRow = 84;
constexpr float kListInset = 8;  // from the panel's left edge to the first column

// The cell of item i: the item's hit region, its highlight box inset by 2 on each side.
constexpr Rect listCell(const ListLayout& list, int i) {
  return {list.selector.x + kListInset + static_cast<float>(i % list.columns) * list.cellWidth,
          kListFirstRow + static_cast<float>(i / list.columns) * list.cellHeight, list.cellWidth,
          list.cellHeight};
}

// The pitch display: 150 history points from x 88 to 810, nine semitones over y 112..210.
constexpr int kPitchHistory = 150;
constexpr float kPlotLeft = 88, kPlotRight = 810;
constexpr float kPlotTop = 112, kPlotBottom = 210;
constexpr float kPointSpacing = 4.845638f;
constexpr float kVisibleSemitones = 9;

}  // namespace zv
