// Pointer, wheel and character input on the face, in layout units. Every edit reaches the host as
// a complete gesture: begin, one or more performs, end.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "Editor.h"

namespace zv {

namespace {

// Steps of the value a knob shows, so dragging and the wheel land on values the text can show.
double plainUnit(int id, double plain) {
  switch (id) {
    case kSpeed:
      return plain < 29.5 ? 1.0 : 5.0;
    case kFormant:
    case kOutput:
      return 0.5;
    case kDetune:
      return 0.1;
    default:
      return 1.0;
  }
}

double snapToUnit(int id, double normalized) {
  const double plain = continuousPlain(id, normalized);
  const double unit = plainUnit(id, plain);
  return plainToNormalized(id, roundHalfAway(plain / unit) * unit);
}

bool isDigitOrSign(uint32_t ch) {
  return (ch >= '0' && ch <= '9') || ch == '+' || ch == ',' || ch == '-' || ch == '.';
}

bool isLetter(uint32_t ch) {
  return (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z');
}

}  // namespace

// --- Pointer -------------------------------------------------------------------------------

// What the second press of a double click means, per kind of region. Arrows and the stepping
// selector values take one step per press, so clicking quickly still walks through the entries;
// knobs open value entry. Everything else counts the pair once: a toggle would flip back, SAVE
// would confirm the name it just proposed, DELETE would confirm a "SURE?" nobody saw.
static bool doubleClickRepeats(int kind) {
  return kind == kHitKnob || kind == kHitStepDown || kind == kHitStepUp ||
         kind == kHitSelectorValue || kind == kHitListItem || kind == kHitListDismiss;
}

bool Editor::onMouseDown(float x, float y, bool ctrl, bool doubleClick) {
  pointerX_ = x;
  pointerY_ = y;
  // A press while a drag is still open (its release never came) closes that gesture first.
  endDrag();
  const bool pairToggledList = doubleClick && lastPressToggledList_;
  lastPressToggledList_ = false;
  if (pairToggledList) return false;
  const bool listWasOpen = openList_ >= 0;
  const int index = hitTest(x, y);
  const HitRegion hit = index >= 0 ? regions_[static_cast<std::size_t>(index)] : HitRegion{};

  if (ctrl) return index >= 0 && !doubleClick && resetKnob(hit);
  if (doubleClick && (index < 0 || !doubleClickRepeats(hit.kind))) return false;
  if (index < 0) {
    pressOutside();
    return true;
  }
  if (!leaveTextEntry(hit, doubleClick)) return true;

  switch (hit.kind) {
    case kHitKnob:
      pressKnob(hit.id, y, doubleClick);
      break;
    case kHitStepDown:
    case kHitStepUp:
      stepParam(hit.id, hit.kind == kHitStepDown ? -1 : 1);
      break;
    case kHitSelectorValue:
      pressSelectorValue(hit.id);
      break;
    case kHitToggle:
      setParam(kLowLatency, params[kLowLatency] <= 0.5 ? 1.0 : 0.0, true);
      break;
    case kHitSave:
      if (naming_)
        confirmPresetName();
      else
        startNaming();
      break;
    case kHitDelete: {
      ParamValues v = values();
      // A preset whose file could not be deleted stays listed; it would be back on the next load.
      pressPresetDelete(deleteTimer_, v, userPresets, [this](const std::string& name) {
        return deletePreset ? deletePreset(name) : true;
      });
      break;
    }
    case kHitSize:
      nextSize();
      break;
    case kHitListItem: {
      const int n = kParamDefs[hit.id].stepCount;
      openList_ = -1;
      setParam(hit.id, static_cast<double>(hit.extra) / n, true);
      break;
    }
    case kHitListDismiss:
      openList_ = -1;
      break;
    case kHitDancer:
      hovered_ = -1;
      if (onPopOut) onPopOut(!poppedOut);
      break;
    default:
      break;
  }
  lastPressToggledList_ = listWasOpen != (openList_ >= 0);
  rebuildHitRegions();
  refreshHover();
  return true;
}

bool Editor::resetKnob(const HitRegion& hit) {
  if (hit.kind != kHitKnob) return false;
  entryParam_ = -1;
  entryText_.clear();
  setParam(hit.id, plainToNormalized(hit.id, kParamDefs[hit.id].defaultValue), true);
  rebuildHitRegions();
  return true;
}

void Editor::pressOutside() {
  if (entryParam_ >= 0)
    commitValueEntry();
  else
    naming_ = false;
  rebuildHitRegions();
  refreshHover();
}

bool Editor::leaveTextEntry(const HitRegion& hit, bool doubleClick) {
  if (entryParam_ >= 0) {
    if (doubleClick && hit.kind == kHitKnob && hit.id == entryParam_) {
      entryText_.clear();
      return false;
    }
    commitValueEntry();
  }
  // Naming survives a press on its own field and on the button that confirms it.
  if (naming_ &&
      !(hit.kind == kHitSave || (hit.kind == kHitSelectorValue && hit.id == kNameFieldId)))
    naming_ = false;
  return true;
}

void Editor::pressKnob(int id, float y, bool doubleClick) {
  if (doubleClick) {
    entryParam_ = id;
    entryText_.clear();
    return;
  }
  dragParam_ = id;
  dragBegun_ = false;
  dragStartY_ = dragLastY_ = y;
  dragFine_ = false;
  // A host that handed over NaN must not turn the drag into NaN edits.
  dragStartValue_ =
      std::isfinite(params[id]) ? static_cast<float>(std::clamp(params[id], 0.0, 1.0)) : 0.0f;
}

void Editor::pressSelectorValue(int id) {
  if (id == kKey || id == kScale) {
    openList_ = id;
    hovered_ = -1;
    entryParam_ = -1;
    entryText_.clear();
  } else if (id != kNameFieldId) {
    stepParam(id, 1);
  }
}

void Editor::nextSize() {
  int current = 0;
  for (int i = 0; i < kNumSizeSteps; ++i)
    if (std::fabs(kSizeSteps[i] - sizeChoice) < 0.01f) current = i;
  sizeChoice = kSizeSteps[(current + 1) % kNumSizeSteps];
  if (onSizeChange) onSizeChange(sizeChoice);
}

void Editor::startNaming() {
  naming_ = true;
  deleteTimer_ = 0;
  nameText_ = proposePresetName(values(), userPresets);
  freshName_ = true;
}

void Editor::endDrag() {
  if (dragParam_ < 0) return;
  const int p = dragParam_;
  dragParam_ = -1;
  if (dragBegun_ && onEndEdit) onEndEdit(p);
  dragBegun_ = false;
}

bool Editor::onMouseMove(float x, float y, bool fine) {
  pointerX_ = x;
  pointerY_ = y;
  if (dragParam_ < 0) {
    const int index = hitTest(x, y);
    if (index == hovered_) return false;
    hovered_ = index;
    return true;
  }
  if (!std::isfinite(y)) return false;
  const int p = dragParam_;
  if (fine != dragFine_) {
    // Shift pressed or let go: carry on from the unrounded value the old divisor reached at the
    // last position, so the knob does not jump.
    dragStartValue_ = static_cast<float>(std::clamp(
        dragStartValue_ + (dragStartY_ - dragLastY_) / dragDivisor(p, dragFine_), 0.0, 1.0));
    dragStartY_ = dragLastY_;
    dragFine_ = fine;
  }
  dragLastY_ = y;
  const double v = dragValue(p, dragStartValue_, static_cast<double>(dragStartY_) - y, fine);
  if (v == params[p]) return false;
  if (!dragBegun_) {
    dragBegun_ = true;
    if (onBeginEdit) onBeginEdit(p);
  }
  params[p] = v;
  if (onPerformEdit) onPerformEdit(p, v);
  return true;
}

double Editor::dragDivisor(int id, bool fine) {
  const int n = kParamDefs[id].stepCount;
  // Long lists get more travel per entry, short ones at least 220 units for the whole range.
  if (n > 0) return std::max(n * (fine ? 30.0 : 14.0), 220.0);
  return fine ? 900.0 : 220.0;
}

double Editor::dragValue(int id, double startValue, double travelUnits, bool fine) {
  if (id < 0 || id >= kNumParams) return startValue;
  const double v = std::clamp(startValue + travelUnits / dragDivisor(id, fine), 0.0, 1.0);
  const int n = kParamDefs[id].stepCount;
  if (n > 0) return roundHalfAway(v * n) / n;
  return id < kNumWritableParams ? snapToUnit(id, v) : v;
}

bool Editor::onMouseUp() {
  if (dragParam_ < 0) return false;
  endDrag();
  refreshHover();
  return true;
}

bool Editor::onMouseLeave() {
  pointerX_ = pointerY_ = -1;
  if (dragParam_ >= 0 || hovered_ < 0) return false;
  hovered_ = -1;
  return true;
}

// --- Wheel ---------------------------------------------------------------------------------

bool Editor::onWheel(float x, float y, float notches, bool fine) {
  // The button is held on a knob: a second gesture would nest in the drag's, and the drag would
  // overwrite the step from its anchor anyway.
  if (!std::isfinite(notches) || dragParam_ >= 0) return false;
  const int index = hitTest(x, y);
  if (index < 0) return false;
  const HitRegion hit = regions_[static_cast<std::size_t>(index)];
  if (hit.kind > kHitToggle || hit.id == kLowLatency || hit.id == kNoParamId ||
      hit.id == kNameFieldId)
    return false;

  if (hit.id != wheelParam_) {
    wheelParam_ = hit.id;
    wheelAccumulator_ = 0;
  }
  wheelAccumulator_ += notches;
  bool stepped = false;
  while (std::fabs(wheelAccumulator_) >= 0.999f) {
    const int dir = wheelAccumulator_ > 0 ? 1 : -1;
    wheelAccumulator_ -= static_cast<float>(dir);
    stepped = true;
    if (hit.kind != kHitKnob) {
      stepParam(hit.id, dir);
      continue;
    }
    const int id = hit.id;
    const int n = kParamDefs[id].stepCount;
    if (n > 0) {
      setParam(id, params[id] + static_cast<double>(dir) / n, true);
    } else if (id == kDetune && !fine) {
      // Whole hertz, the rest of the tuning being for the fine wheel.
      const double hz = roundHalfAway(continuousPlain(id, params[id])) + dir;
      setParam(id, plainToNormalized(id, hz), true);
    } else {
      const double plain = continuousPlain(id, params[id]);
      double unit = plainUnit(id, plain);
      // Speed's coarse steps begin at 30 ms, from either side.
      if (id == kSpeed) unit = (dir > 0 ? plain >= 29.5 : plain > 30.0 + 1e-6) ? 5.0 : 1.0;
      const double moved = roundHalfAway(plain / unit) * unit + dir * unit;
      setParam(id, plainToNormalized(id, moved), true);
    }
  }
  if (stepped) rebuildHitRegions();
  return stepped;
}

// --- Characters ----------------------------------------------------------------------------

bool Editor::onChar(uint32_t ch) {
  if (openList_ >= 0) {
    if (ch != kEnter && ch != kEscape) return false;
    openList_ = -1;
    rebuildHitRegions();
    return true;
  }
  if (entryParam_ >= 0) {
    if (ch == kEnter) {
      commitValueEntry();
    } else if (ch == kEscape) {
      entryParam_ = -1;
      entryText_.clear();
    } else if (ch == kBackspace) {
      if (!entryText_.empty()) entryText_.pop_back();
    } else if (entryText_.size() < kMaxEntryLength &&
               (isDigitOrSign(ch) || (entryParam_ == kSpeed && isLetter(ch)))) {
      entryText_ += static_cast<char>(ch);
    } else {
      return false;
    }
    rebuildHitRegions();
    return true;
  }
  if (naming_) {
    if (ch == kEnter) {
      confirmPresetName();
      return true;
    }
    if (ch == kEscape) {
      naming_ = false;
      rebuildHitRegions();
      refreshHover();
      return true;
    }
    const bool printable = ch >= kFirstPrintable && ch <= kLastPrintable;
    if (freshName_) {
      if (!printable && ch != kBackspace) return false;
      nameText_.clear();
      freshName_ = false;
      if (ch == kBackspace) return true;
    } else if (ch == kBackspace) {
      if (!nameText_.empty()) nameText_.pop_back();
      return true;
    }
    if (!printable) return false;
    if (nameText_.size() >= kMaxPresetNameLength || !isPresetNameChar(static_cast<char>(ch)))
      return false;
    nameText_ += static_cast<char>(ch);
    return true;
  }
  return false;
}

void Editor::commitValueEntry() {
  const int p = entryParam_;
  std::string text;
  for (char c : entryText_) {
    if (c == ' ') continue;
    text += c == ',' ? '.' : c;
  }
  entryParam_ = -1;
  entryText_.clear();
  if (p < 0 || p >= kNumWritableParams || text.empty()) return;

  const bool robot = p == kSpeed && (text == "R" || text == "r" || text.compare(0, 3, "rob") == 0 ||
                                     text.compare(0, 3, "Rob") == 0);
  // The module's own parser, in the form that refuses a text without a number.
  double normalized = 0.0;
  if (!robot && !parseParamText(p, text.c_str(), normalized, true)) return;
  // Stepped values land on a step (normalizedToPlain rounds them).
  setParam(p, plainToNormalized(p, normalizedToPlain(p, normalized)), true);
}

void Editor::confirmPresetName() {
  naming_ = false;
  freshName_ = false;
  ParamValues v = values();
  commitPresetSave(nameText_, v, userPresets, savePreset);
  rebuildHitRegions();
  refreshHover();
}

}  // namespace zv
