// The editor's face: the parameter copy, the two canvases, the clickable regions and all widget
// state. It paints the face and turns pointer, wheel and character input (already in layout
// units) into parameter edits through the host-edit callbacks. It never touches a window or the
// host: the view drives it, the dancer window keeps a second one.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "Canvas.h"
#include "EditorLayout.h"
#include "MascotRig.h"
#include "PresetBrowser.h"
#include "UserPresets.h"

namespace zv {

class Editor {
 public:
  using KnobDef = zv::KnobDef;

  Editor();

  double params[kNumParams];  // normalized values by parameter ID; the view polls into it

  std::function<void(int)> onBeginEdit, onEndEdit;
  std::function<void(int, double)> onPerformEdit;
  std::function<void(float)> onSizeChange;  // the size pill's new factor
  std::function<void(bool)> onPopOut;       // dancer pop-out (true) / bring back (false)
  // The mascot, drawn into the stage card (layout units) while it is not popped out.
  MascotRig mascot;
  bool poppedOut = false;
  // Off where the platform has no dancer window: the stage then shows neither the icon nor its
  // hit region.
  bool popOutAvailable = true;
  float sizeChoice = 1.15f;

  std::vector<UserPreset> userPresets;  // sorted by name
  std::function<void(std::vector<UserPreset>&)> loadPresets;
  std::function<bool(const UserPreset&)> savePreset;
  std::function<bool(const std::string&)> deletePreset;  // false: the file is still there

  static constexpr int kNumSizeSteps = 6;
  static constexpr float kSizeSteps[kNumSizeSteps] = {1.0f, 1.15f, 1.3f, 1.5f, 1.75f, 2.0f};
  static constexpr std::size_t kMaxEntryLength = 10;
  // The control characters onChar acts on, and the printable range a preset name takes.
  static constexpr uint32_t kBackspace = 8, kEnter = 13, kEscape = 27;
  static constexpr uint32_t kFirstPrintable = 32, kLastPrintable = 126;

  // --- Canvases and painting.
  void resize(int widthPx, int heightPx, float scale);
  Canvas& canvas() { return face_; }
  const Canvas& canvas() const { return face_; }
  const Canvas& backgroundCanvas() const { return background_; }
  void paint(bool full);
  void paintPitchDisplay();
  void paintStage();
  bool pulseWanted() const;
  void drawPulse();
  void ringKnob(const KnobDef& knob);
  void capsule(float x1, float y1, float x2, float y2, float thickness, const RGB& colour,
               float alpha = 1.0f);

  // --- Animation step: meters of one frame, see the view's render loop.
  void updateMood(float pitchInNote, float pitchOutNote, float level, float dtSeconds, float bpm,
                  float beatPhase, bool playing);
  float silentSeconds() const { return silentSeconds_; }
  float levelEnvelope() const { return envelope_; }
  float smoothedLevel() const { return level_; }
  float displayPitch() const { return displayPitch_; }
  Mood mood() const { return mood_; }
  float timeInMood() const { return timeInMood_; }
  bool mouthOpen() const { return mouthOpen_; }
  bool displayPitchSet() const { return displayPitchSet_; }
  // Pitch history point i, 0 = oldest, as note numbers (-1 unvoiced).
  float historyIn(int i) const { return historyIn_[(historyWrite_ + i) % kPitchHistory]; }
  float historyOut(int i) const { return historyOut_[(historyWrite_ + i) % kPitchHistory]; }

  // --- Widget state.
  int openList() const { return openList_; }
  bool textEntryActive() const { return entryParam_ >= 0 || naming_; }
  int dragParam() const { return dragParam_; }
  int valueEntryParam() const { return entryParam_; }
  const std::string& entryText() const { return entryText_; }
  bool naming() const { return naming_; }
  const std::string& nameText() const { return nameText_; }
  float deleteTimer() const { return deleteTimer_; }
  int hoveredRegion() const { return hovered_; }
  const std::vector<HitRegion>& hitRegions() const { return regions_; }
  void rebuildHitRegions();
  int hitTest(float x, float y) const;  // region index, -1 for none

  // --- Input, in layout units. Each returns true when the face needs a repaint.
  bool onMouseDown(float x, float y, bool ctrl, bool doubleClick);
  bool onMouseMove(float x, float y, bool fine);
  bool onMouseUp();  // release or capture lost: ends a drag with end(p)
  bool onMouseLeave();
  bool onWheel(float x, float y, float notches, bool fine);
  bool onChar(uint32_t ch);
  int contextMenuParamAt(float x, float y) const;  // 0..15 under a knob or selector, else -1
  // The value a drag of parameter id reaches after travelling travelUnits upwards from
  // startValue (Shift held: fine).
  static double dragValue(int id, double startValue, double travelUnits, bool fine);

  // --- Edits.
  void setParam(int id, double value, bool gesture);
  void stepParam(int id, int direction);
  void stepPreset(int direction);
  int currentPresetIndex() const;
  void commitValueEntry();
  void confirmPresetName();

  // --- What the widgets show.
  std::string selectorText(int id) const;  // Key, Scale, Character, Stutter, Rate, preset (1000)
  std::string knobValueText(int id) const;
  std::string presetName() const;  // "Custom" when no preset matches
  // The tail of the name being typed that fits the name field.
  std::string visibleName();

 private:
  ParamValues values() const;
  void storeValues(const ParamValues& v);
  HostEdits hostEdits();
  // The entry a stepped parameter shows (Key, Scale, Character, Stutter, Rate, Shift...).
  int listEntry(int id) const { return listIndexOf(params[id], kParamDefs[id].stepCount); }
  bool knobInactive(int id) const;
  bool knobActive(int id) const;
  double neutralValue(const KnobDef& knob) const;
  void refreshHover();
  void endDrag();
  static double dragDivisor(int id, bool fine);  // layout units for the whole range
  void startNaming();
  // Pieces of a press (onMouseDown).
  bool resetKnob(const HitRegion& hit);  // Ctrl: back to the default; false off a knob
  void pressOutside();
  // Commits a value entry and abandons naming as the press demands; false when the press was
  // a double click that restarts the entry.
  bool leaveTextEntry(const HitRegion& hit, bool doubleClick);
  void pressKnob(int id, float y, bool doubleClick);
  void pressSelectorValue(int id);  // opens the Key / Scale list, steps the others
  void nextSize();
  // Pieces of the animation step (updateMood).
  void followPitch(float pitchInNote, float pitchOutNote, float dt);
  void followLevel(float level, float dt);
  void followIntonation(float pitchInNote, float dt);
  void chooseMood(bool singing, float dt);

  // Painting pieces.
  void paintBackground();
  void copyBackground(bool keepAnimated);
  void restoreFromBackground(int x0, int y0, int x1, int y1);
  void paintLogo();
  void paintSizePill();
  void paintLowLatency();
  void paintSelector(int id, const Rect& at, const char* label, const std::string& value,
                     bool highlighted);
  void paintKnobValue(const std::string& text, float cx, float cy, float r, const TextStyle& style);
  void paintPresetRow();
  void paintPresetButtons();
  void paintList();
  void paintPitchGrid(float lowestNote);
  void paintPitchTraces(float lowestNote);
  void restoreStageCorners();
  void paintPopOut();
  void storePulseSnapshot();
  bool hovering(int kind, int id) const;

  // One piece of a pitch trace, in layout units, x0 < x1.
  struct TraceSegment {
    float x0, y0, x1, y1;
    float thickness, alpha;
    RGB colour;
  };
  // Strokes a run of joined segments with every pixel blended once, by the segment that covers
  // it most: semi-transparent round caps would otherwise double up at each joint into beads.
  void strokeRun(const std::vector<TraceSegment>& run);
  std::vector<TraceSegment> traceRun_;  // reused by the pitch display every frame

  Canvas face_;
  Canvas background_;
  bool backgroundValid_ = false;
  std::vector<std::uint32_t> pulseSnapshot_;
  int snapshotWidth_ = 0, snapshotHeight_ = 0;
  bool lastFrameHadList_ = true;  // forces the first paint to draw the animated regions
  int lastFrameWidth_ = 0, lastFrameHeight_ = 0;

  std::vector<HitRegion> regions_;
  int hovered_ = -1;
  float pointerX_ = -1, pointerY_ = -1;

  int dragParam_ = -1;
  float dragStartY_ = 0;
  float dragStartValue_ = 0;
  // The gesture opens with the first value that changes, so a press and release that moved
  // nothing tells the host nothing.
  bool dragBegun_ = false;
  // Shift as the drag's anchor was taken, and the pointer's last y: a change of modifier moves
  // the anchor there instead of recomputing the whole travel with the new divisor.
  bool dragFine_ = false;
  float dragLastY_ = 0;
  // The previous press opened or closed a list: the double-click message that may follow is the
  // same intent and must not act on what now lies under the pointer.
  bool lastPressToggledList_ = false;

  int entryParam_ = -1;
  std::string entryText_;
  int openList_ = -1;

  bool naming_ = false;
  bool freshName_ = false;
  std::string nameText_;
  float deleteTimer_ = 0;

  float wheelAccumulator_ = 0;
  int wheelParam_ = kNoParamId - 100;  // no target yet

  // Animation state of updateMood.
  float historyIn_[kPitchHistory];
  float historyOut_[kPitchHistory];
  uint32_t historyWrite_ = 0;
  float historyTimer_ = 0;
  float displayPitch_ = 60;
  bool displayPitchSet_ = false;
  float level_ = 0, previousLevel_ = 0;
  float envelope_ = 0;
  float pulseDrawnLevel_ = 0;
  float singingSeconds_ = 0;
  float silentSeconds_ = 1.0f;
  float onPitchSeconds_ = 0, offKeySeconds_ = 0;
  float delightHold_ = 0, shockHold_ = 0, shockCooldown_ = 0;
  Mood mood_ = Mood::Idle;
  float timeInMood_ = 0;
  bool mouthOpen_ = false;
  float mouthTimer_ = 0;
};

}  // namespace zv
