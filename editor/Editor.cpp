#include "Editor.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "PortableMath.h"
#include "ScaleTable.h"

namespace zv {

Editor::Editor() {
  for (int id = 0; id < kNumParams; ++id)
    params[id] = id < kNumWritableParams ? plainToNormalized(id, kParamDefs[id].defaultValue) : 0.0;
  std::fill(std::begin(historyIn_), std::end(historyIn_), -1.0f);
  std::fill(std::begin(historyOut_), std::end(historyOut_), -1.0f);
  face_.loadFonts();
  mascot.load();
  mascot.x = kStageCard.x;
  mascot.y = kStageCard.y;
  mascot.width = kStageCard.width;
  mascot.height = kStageCard.height;
  const float s = sizeChoice;
  resize(static_cast<int>(std::lround(kLayoutWidth * s)),
         static_cast<int>(std::lround(kLayoutHeight * s)), s);
  rebuildHitRegions();
}

void Editor::resize(int widthPx, int heightPx, float scale) {
  widthPx = std::max(widthPx, 0);
  heightPx = std::max(heightPx, 0);
  face_.resize(widthPx, heightPx);
  face_.scale = scale;
  background_.resize(widthPx, heightPx);
  background_.scale = scale;
  background_.fonts = face_.fonts;
  backgroundValid_ = false;
  pulseSnapshot_.clear();
  snapshotWidth_ = snapshotHeight_ = 0;
}

// --- Parameter copy and host edits ---------------------------------------------------------

ParamValues Editor::values() const {
  ParamValues v;
  std::copy(std::begin(params), std::end(params), v.begin());
  return v;
}

void Editor::storeValues(const ParamValues& v) {
  std::copy(v.begin(), v.end(), std::begin(params));
}

HostEdits Editor::hostEdits() {
  HostEdits host;
  host.begin = [this](int32_t id) {
    if (onBeginEdit) onBeginEdit(id);
  };
  // The value is in the copy before the host hears of it, as with setParam.
  host.perform = [this](int32_t id, double v) {
    params[id] = v;
    if (onPerformEdit) onPerformEdit(id, v);
  };
  host.end = [this](int32_t id) {
    if (onEndEdit) onEndEdit(id);
  };
  return host;
}

void Editor::setParam(int id, double value, bool gesture) {
  if (id < 0 || id >= kNumWritableParams) return;
  double v = std::isnan(value) ? 0.0 : std::clamp(value, 0.0, 1.0);
  const int steps = kParamDefs[id].stepCount;
  if (steps > 0) v = roundHalfAway(v * steps) / steps;
  if (gesture && onBeginEdit) onBeginEdit(id);
  params[id] = v;
  if (onPerformEdit) onPerformEdit(id, v);
  if (gesture && onEndEdit) onEndEdit(id);
}

void Editor::stepParam(int id, int direction) {
  if (id == kPresetSelectorId) {
    stepPreset(direction);
    return;
  }
  if (id < 0 || id >= kNumWritableParams) return;
  const int n = kParamDefs[id].stepCount;
  if (n <= 0) return;
  int k = listEntry(id) + direction;
  k = ((k % (n + 1)) + n + 1) % (n + 1);
  setParam(id, static_cast<double>(k) / n, true);
}

void Editor::stepPreset(int direction) {
  ParamValues v = values();
  ::zv::stepPreset(direction, v, userPresets, hostEdits());
  storeValues(v);
  deleteTimer_ = 0;
  rebuildHitRegions();
}

int Editor::currentPresetIndex() const {
  return ::zv::currentPresetIndex(values(), userPresets);
}

// --- What the widgets show -----------------------------------------------------------------

std::string Editor::selectorText(int id) const {
  switch (id) {
    case kKey:
      return kNoteNames[listEntry(kKey)];
    case kScale:
      return kScaleNames[listEntry(kScale)];
    case kCharacter:
      return kCharacterNames[listEntry(kCharacter)];
    case kStutter:
      return kStutterModeNames[listEntry(kStutter)];
    case kStutterRate:
      return kStutterRateNames[listEntry(kStutterRate)];
    case kPresetSelectorId:
      return presetName();
    default:
      return std::string();
  }
}

std::string Editor::presetName() const {
  const int index = currentPresetIndex();
  if (index < 0) return "Custom";
  if (index < kNumFactoryPresets) return kFactoryPresets[index].name;
  return userPresets[static_cast<std::size_t>(index - kNumFactoryPresets)].name;
}

std::string Editor::knobValueText(int id) const {
  char text[32];
  if (id == kShift || id == kHarmonySteps) {
    const int steps = listEntry(id) + static_cast<int>(kParamDefs[id].minValue);
    if (steps == 0) return "0";
    std::snprintf(text, sizeof text, "%+d", steps);
    return text;
  }
  formatParamValue(id, params[id], text, sizeof text);
  return text;
}

bool Editor::knobInactive(int id) const {
  if (id == kCharacterAmount) return listEntry(kCharacter) == 0;
  if (id == kHarmonySteps) return params[kHarmony] < 0.005;
  return false;
}

bool Editor::knobActive(int id) const {
  return dragParam_ == id || hovering(kHitKnob, id);
}

double Editor::neutralValue(const KnobDef& knob) const {
  if (!knob.bipolar) return 0.0;
  if (knob.param == kDetune) return plainToNormalized(kDetune, 440.0);
  return plainToNormalized(static_cast<int32_t>(knob.param), 0.0);
}

bool Editor::hovering(int kind, int id) const {
  if (hovered_ < 0 || hovered_ >= static_cast<int>(regions_.size())) return false;
  const HitRegion& r = regions_[static_cast<std::size_t>(hovered_)];
  return r.kind == kind && r.id == id;
}

// --- Hit regions ---------------------------------------------------------------------------

void Editor::rebuildHitRegions() {
  regions_.clear();
  auto add = [this](int kind, int id, int extra, const Rect& r) {
    regions_.push_back(HitRegion{kind, id, extra, r.x, r.y, r.width, r.height});
  };
  if (openList_ >= 0) {
    const ListLayout& list = openList_ == 0 ? kKeyList : kScaleList;
    for (int i = 0; i < list.items; ++i) add(kHitListItem, list.param, i, listCell(list, i));
    add(kHitListDismiss, kNoParamId, 0, Rect{0, 0, kLayoutWidth, kLayoutHeight});
    return;
  }
  if (popOutAvailable || poppedOut)
    add(kHitDancer, kNoParamId, 0, poppedOut ? kBringBackButton : kPopOutIcon);
  auto selector = [&](int id, const Rect& r) {
    const float arrow = kSelectorArrow;
    add(kHitStepDown, id, -1, Rect{r.x, r.y, arrow, arrow});
    add(kHitStepUp, id, 1, Rect{r.right() - arrow, r.y, arrow, arrow});
    add(kHitSelectorValue, id, 0, Rect{r.x + arrow, r.y, r.width - 2 * arrow, kSelectorHeight});
  };
  selector(kKey, kKeySelector);
  selector(kScale, kScaleSelector);
  if (naming_)
    add(kHitSelectorValue, kNameFieldId, 0, kPresetSelector);
  else
    selector(kPresetSelectorId, kPresetSelector);
  selector(kCharacter, kCharacterSelector);
  add(kHitSave, kNoParamId, 0, kSaveButton);
  add(kHitSize, kNoParamId, 0, kSizePill);
  if (!naming_ && currentPresetIndex() >= kNumFactoryPresets)
    add(kHitDelete, kNoParamId, 0, kDeleteButton);
  selector(kStutter, kStutterSelector);
  selector(kStutterRate, kRateSelector);
  add(kHitToggle, kLowLatency, 0, kLowLatencyToggle);
  for (const KnobDef& k : kKnobs) {
    const float r = k.radius;
    add(kHitKnob, static_cast<int>(k.param), 0,
        Rect{k.cx - r - 12, k.cy - r - 12, 2 * r + 24, 2 * r + 46});
  }
}

int Editor::hitTest(float x, float y) const {
  for (std::size_t i = 0; i < regions_.size(); ++i)
    if (regions_[i].contains(x, y)) return static_cast<int>(i);
  return -1;
}

int Editor::contextMenuParamAt(float x, float y) const {
  const int index = hitTest(x, y);
  if (index < 0) return -1;
  const HitRegion& r = regions_[static_cast<std::size_t>(index)];
  if (r.kind < kHitKnob || r.kind > kHitToggle) return -1;
  return r.id >= 0 && r.id < kNumWritableParams ? r.id : -1;
}

void Editor::refreshHover() {
  // Region indices change when the layout does (a list opens, naming starts); the pointer has
  // not moved, so find what it is over now. A drag keeps the hover it started with, so the
  // knobs the pointer crosses do not light up.
  if (hovered_ >= 0 && dragParam_ < 0) hovered_ = hitTest(pointerX_, pointerY_);
}

// --- Animation step ------------------------------------------------------------------------

void Editor::updateMood(float pitchInNote, float pitchOutNote, float level, float dtSeconds,
                        float bpm, float beatPhase, bool playing) {
  const float dt = std::isfinite(dtSeconds) ? std::clamp(dtSeconds, 0.0f, 0.1f) : 0.0f;
  deleteTimer_ = advanceDeleteConfirmation(deleteTimer_, dt);
  // No time has passed: nothing moves (the rig's velocities divide by the step).
  if (!(dt > 0.0f)) return;
  // A note number outside the meter's reach is a broken value, not a voice.
  auto usable = [](float note) {
    return std::isfinite(note) && note >= 0.0f && note <= 140.0f ? note : -1.0f;
  };
  pitchInNote = usable(pitchInNote);
  pitchOutNote = usable(pitchOutNote);
  level = std::isfinite(level) ? std::clamp(level, 0.0f, 1.0f) : 0.0f;

  followPitch(pitchInNote, pitchOutNote, dt);
  followLevel(level, dt);
  const bool singing = pitchInNote >= 0 && level > 0.22f;
  if (singing) {
    silentSeconds_ = 0;
    singingSeconds_ += dt;
  } else {
    singingSeconds_ = 0;
    // Only compared against thresholds of a few seconds; the cap keeps the float stepping.
    silentSeconds_ = std::min(silentSeconds_ + dt, 3600.0f);
  }

  // Intonation counts only while singing.
  followIntonation(singing ? pitchInNote : -1.0f, dt);
  chooseMood(singing, dt);

  mouthTimer_ += dt;
  if (mouthTimer_ > 0.09f) {
    mouthTimer_ = 0;
    mouthOpen_ = !singing || level_ > 0.55f ? singing : level_ > previousLevel_ + 0.02f;
  }

  RigInputs in;
  in.mood = static_cast<std::int32_t>(mood_);
  in.silentTime = silentSeconds_;
  in.level = level_;
  in.mouthOpen = mouthOpen_;
  in.pitchIn = pitchInNote;
  in.pitchOut = pitchOutNote;
  in.tempo = bpm;
  in.beat = beatPhase;
  in.playing = playing;
  mascot.update(dt, in);
}

// The pitch histories and the note the display centres on.
void Editor::followPitch(float pitchInNote, float pitchOutNote, float dt) {
  historyTimer_ += dt;
  if (historyTimer_ >= 0.03f) {
    historyTimer_ = std::fmod(historyTimer_, 0.03f);
    historyIn_[historyWrite_] = pitchInNote;
    historyOut_[historyWrite_] = pitchOutNote;
    historyWrite_ = (historyWrite_ + 1) % kPitchHistory;
  }

  const float shown = pitchOutNote >= 0 ? pitchOutNote : pitchInNote;
  if (shown >= 0) {
    if (!displayPitchSet_) {
      displayPitch_ = shown;
      displayPitchSet_ = true;
    } else {
      // The portable maths keeps the traces, and so the golden images, the same on every platform.
      displayPitch_ += (shown - displayPitch_) * static_cast<float>(1.0 - pm::pow(0.94, dt / 0.03));
    }
  }
}

// The smoothed level, and the envelope the knob pulse follows.
void Editor::followLevel(float level, float dt) {
  previousLevel_ = level_;
  level_ += (level - level_) * static_cast<float>(1.0 - pm::pow(0.5, dt / 0.03));
  const float target = std::clamp(2.0f * (level_ - 0.3f), 0.0f, 1.0f);
  const float timeConstant = target > envelope_ ? 0.05f : 0.25f;
  envelope_ += (target - envelope_) * static_cast<float>(1.0 - pm::exp(-dt / timeConstant));
}

// How long the voice has been on a note of the key and scale, or well off one; pitchInNote is
// -1 while not singing.
void Editor::followIntonation(float pitchInNote, float dt) {
  if (pitchInNote >= 0) {
    // Distance to the nearest note of the selected key and scale.
    const Scale& row = kScaleTable[listEntry(kScale)];
    const int key = listEntry(kKey);
    const int base = static_cast<int>(pitchInNote);
    float d = 1;
    for (int n = base - 2; n <= base + 2; ++n) {
      const int pitchClass = ((n - key) % 12 + 12) % 12;
      for (int g = 0; g < row.degrees; ++g)
        if (row.offsets[g] == pitchClass)
          d = std::min(d, std::fabs(pitchInNote - static_cast<float>(n)));
    }
    if (d < 0.13f) {
      onPitchSeconds_ += dt;
      offKeySeconds_ = 0;
    } else {
      onPitchSeconds_ = 0;
      offKeySeconds_ = d > 0.4f ? offKeySeconds_ + dt : 0.0f;
    }
  } else {
    onPitchSeconds_ = offKeySeconds_ = 0;
  }
}

// The mood from the intonation timers, holding delight and shock for a moment once they start.
void Editor::chooseMood(bool singing, float dt) {
  delightHold_ = std::max(0.0f, delightHold_ - dt);
  shockHold_ = std::max(0.0f, shockHold_ - dt);
  shockCooldown_ = std::max(0.0f, shockCooldown_ - dt);
  Mood next;
  if (onPitchSeconds_ > 0.16f) {
    delightHold_ = 0.7f;
    next = Mood::Delighted;
  } else if (delightHold_ > 0) {
    next = Mood::Delighted;
  } else if (shockCooldown_ <= 0 && offKeySeconds_ > 0.12f) {
    shockHold_ = 0.45f;
    shockCooldown_ = 2.5f;
    next = Mood::Shocked;
  } else if (shockHold_ > 0) {
    next = Mood::Shocked;
  } else if (singing || silentSeconds_ < 0.25f) {
    next = Mood::Singing;
  } else {
    next = Mood::Idle;
  }
  timeInMood_ = next == mood_ ? std::min(timeInMood_ + dt, 3600.0f) : 0.0f;
  mood_ = next;
}

}  // namespace zv
