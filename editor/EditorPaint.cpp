// The frame paint: background layer, logo, selectors, knobs, preset row and the open list.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "Editor.h"
#include "Palette.h"

namespace zv {

using namespace palette;

namespace {

constexpr float kSweepStart = -2.35619f;  // -135 degrees from 12 o'clock
constexpr float kSweep = 4.71238f;

// The face's text styles; a painter changes the colour (or size) where a state does.
constexpr TextStyle kLogo{30, kWhite, kAlignLeft, true, -0.5f};
constexpr TextStyle kVersion{9, kLilac, kAlignLeft, true, 1.4f};
constexpr TextStyle kPillLabel{7.5f, kLilac, kAlignCentre, true, 1.2f};
constexpr TextStyle kToggleLabel{9.5f, kLilac, kAlignCentre, true, 1.2f};
constexpr TextStyle kSelectorLabel{8.5f, kLilac, kAlignLeft, true, 1.8f};
constexpr TextStyle kSelectorValue{12, kWhite, kAlignCentre, true};
constexpr TextStyle kButtonLabel{8, kLilac, kAlignCentre, true};
constexpr TextStyle kKnobValue{12.5f, kWhite, kAlignCentre, true};
constexpr TextStyle kKnobUnit{7.5f, kPink, kAlignCentre, false, 0.8f};
constexpr TextStyle kKnobLabel{9, kLilac, kAlignCentre, true, 1.8f};
constexpr TextStyle kEntryText = kKnobValue.sized(11.5f);
constexpr TextStyle kListItem{12, kLilac, kAlignCentre, true, 0.3f};
// The baseline of a label in an 18-unit pill (size pill, SAVE, DELETE), from its top.
constexpr float kSmallPillBaseline = 12.5f;

// The eight halo strokes of a knob share centre, angles and colour ramp and differ only in width
// (3.5 + 3k for k = 8 down to 1). One pass measures each pixel once and blends the strokes in
// their drawing order, giving exactly the pixels of eight Canvas::arc calls at an eighth of the
// distance work: the halos were a third of a full paint.
template <class Ramp>
void haloArcs(Canvas& c, float cx, float cy, float radius, float a0, float a1, const Ramp& ramp,
              float alpha) {
  if (a1 < a0) std::swap(a0, a1);
  if (!(alpha > 0.0f)) return;
  const float s = c.scale;
  const float pcx = cx * s, pcy = cy * s, pr = radius * s;
  const float span = std::max(a1 - a0, 0.0001f);
  double sn, cs;
  pm::sinCos(a0, sn, cs);
  const float sx0 = float(pcx + double(pr) * sn), sy0 = float(pcy - double(pr) * cs);
  pm::sinCos(a1, sn, cs);
  const float sx1 = float(pcx + double(pr) * sn), sy1 = float(pcy - double(pr) * cs);
  float half[8];
  for (int k = 8; k >= 1; --k) half[8 - k] = (3.5f + 3.0f * k) * s * 0.5f;
  const float reach = pr + half[0] + 2.0f;
  const PixelBox box = c.clipBox(pcx - reach, pcy - reach, pcx + reach, pcy + reach);
  if (box.empty()) return;
  for (int j = box.y0; j <= box.y1; ++j) {
    std::uint32_t* row = c.pixels.data() + std::size_t(j) * std::size_t(c.width);
    const float py = float(j) + 0.5f;
    for (int i = box.x0; i <= box.x1; ++i) {
      const float px = float(i) + 0.5f;
      const float dx = px - pcx, dy = py - pcy;
      const float ringBase = std::fabs(length(dx, dy) - pr);
      if (ringBase - half[0] >= 0.5f) continue;  // beyond even the widest stroke
      const float theta = pm::atan2f(dx, -dy);
      const bool within = theta >= a0 && theta <= a1;
      float capBase = 0.0f, position;
      if (within) {
        position = (theta - a0) / span;
      } else {
        const float d0 = length(px - sx0, py - sy0), d1 = length(px - sx1, py - sy1);
        position = d0 <= d1 ? 0.0f : (a1 - a0) / span;
        capBase = d0 <= d1 ? d0 : d1;
      }
      bool coloured = false;
      RGB colour;
      for (float h : half) {
        const float ring = ringBase - h;
        const float d = (ring >= 0.5f || within) ? ring : capBase - h;
        float cover = 0.5f - d;
        if (!(cover > 0.0f)) continue;
        if (cover > 1.0f) cover = 1.0f;
        float a = cover * alpha;
        if (a > 1.0f) a = 1.0f;
        if (!coloured) {
          colour = ramp(position);
          coloured = true;
        }
        row[i] = blendPixel(row[i], colour, a);
      }
    }
  }
}

// Rounded boxes over a layout rectangle; a pill's corners are half its height.
void box(Canvas& c, const Rect& r, float radius, const RGB& colour, float alpha) {
  c.rrect(r.x, r.y, r.width, r.height, radius, colour, alpha);
}
void pill(Canvas& c, const Rect& r, const RGB& colour, float alpha) {
  box(c, r, r.height / 2, colour, alpha);
}
void gradientPill(Canvas& c, const Rect& r, float alpha) {
  c.rrectGrad(r.x, r.y, r.width, r.height, r.height / 2, kViolet, kPink, alpha);
}

// The text, or as much of its head as fits in maxWidth followed by "...". A user preset name of
// twenty wide letters would otherwise run over the selector's arrows.
std::string fitted(Canvas& c, const std::string& text, const TextStyle& style, float maxWidth) {
  if (c.textWidth(text, style) <= maxWidth) return text;
  std::string head = text;
  while (!head.empty()) {
    head.pop_back();
    while (!head.empty() && head.back() == ' ') head.pop_back();
    if (c.textWidth(head + "...", style) <= maxWidth) break;
  }
  return head + "...";
}

}  // namespace

void Editor::capsule(float x1, float y1, float x2, float y2, float thickness, const RGB& colour,
                     float alpha) {
  face_.capsule(x1, y1, x2, y2, thickness, colour, alpha);
}

// --- Background ----------------------------------------------------------------------------

void Editor::paintBackground() {
  Canvas& c = background_;
  c.clear(kInk);
  c.glow(140, 120, 380, RGB::fromBytes(106, 27, 176), 0.45f);
  c.glow(740, 160, 360, RGB::fromBytes(255, 45, 180), 0.4f);
  c.glow(430, 700, 420, RGB::fromBytes(194, 30, 140), 0.3f);
  for (const Rect& r : {kPitchCard, kKnobCard, kLeftCard, kRightCard}) {
    box(c, r, kCardRadius, kCardFill, 0.78f);
    box(c, r, kCardRadius, kHotPink, 0.05f);
    c.rrect(r.x + 9, r.y, r.width - 18, 1.2f, 0, kHighlightLine, 0.35f);
  }
  const Rect& s = kStageCard;
  box(c, s, kStageCardRadius, kStageFill, 1.0f);
  box(c, s, kStageCardRadius, kHotPink, 0.06f);
  c.rrect(s.x + kStageCardRadius, s.y, s.width - 2 * kStageCardRadius, 1.4f, 0, kHighlightLine,
          0.5f);
}

namespace {

// The pixel rectangle [x0, x1) x [y0, y1) of an animated region, as the view recopies it.
void animatedPixels(const Rect& r, float s, int& x0, int& y0, int& x1, int& y1) {
  x0 = static_cast<int>(r.x * s);
  y0 = static_cast<int>(r.y * s);
  x1 = x0 + static_cast<int>(r.width * s) + 2;
  y1 = y0 + static_cast<int>(r.height * s) + 2;
}

void stagePixels(float s, int& x0, int& y0, int& x1, int& y1) {
  const Rect& r = kStageRestore;
  x0 = static_cast<int>(std::floor(r.x * s));
  y0 = static_cast<int>(std::floor(r.y * s));
  x1 = static_cast<int>(std::ceil((r.x + r.width) * s));
  y1 = static_cast<int>(std::ceil((r.y + r.height) * s));
}

}  // namespace

void Editor::restoreFromBackground(int x0, int y0, int x1, int y1) {
  x0 = std::max(x0, 0);
  y0 = std::max(y0, 0);
  x1 = std::min(x1, face_.width);
  y1 = std::min(y1, face_.height);
  if (x1 <= x0 || background_.pixels.size() != face_.pixels.size()) return;
  for (int y = y0; y < y1; ++y) {
    const std::size_t at = static_cast<std::size_t>(y) * face_.width + x0;
    std::memcpy(&face_.pixels[at], &background_.pixels[at], sizeof(std::uint32_t) * (x1 - x0));
  }
}

void Editor::copyBackground(bool keepAnimated) {
  if (!keepAnimated) {
    face_.pixels = background_.pixels;
    return;
  }
  // Everything but the pitch display and the stage, whose pixels of the previous frame stay.
  int px0, py0, px1, py1, sx0, sy0, sx1, sy1;
  animatedPixels(kPitchPanel, face_.scale, px0, py0, px1, py1);
  stagePixels(face_.scale, sx0, sy0, sx1, sy1);
  const int w = face_.width;
  for (int y = 0; y < face_.height; ++y) {
    int skip[2][2];
    int n = 0;
    if (y >= py0 && y < py1) skip[n][0] = px0, skip[n][1] = px1, ++n;
    if (y >= sy0 && y < sy1) skip[n][0] = sx0, skip[n][1] = sx1, ++n;
    int x = 0;
    const std::size_t row = static_cast<std::size_t>(y) * w;
    for (int k = 0; k <= n; ++k) {
      const int end = k < n ? std::clamp(skip[k][0], 0, w) : w;
      if (end > x)
        std::memcpy(&face_.pixels[row + x], &background_.pixels[row + x],
                    sizeof(std::uint32_t) * (end - x));
      if (k < n) x = std::max(x, std::clamp(skip[k][1], 0, w));
    }
  }
}

// --- The frame -----------------------------------------------------------------------------

void Editor::paint(bool full) {
  rebuildHitRegions();
  refreshHover();
  if (face_.pixels.empty()) return;
  if (!backgroundValid_) {
    paintBackground();
    backgroundValid_ = true;
  }
  const bool keepAnimated = !full && !lastFrameHadList_ && lastFrameWidth_ == face_.width &&
                            lastFrameHeight_ == face_.height;
  copyBackground(keepAnimated);

  paintLogo();
  face_.text("4.6", 36, 80, kVersion);
  paintSizePill();
  paintLowLatency();
  paintSelector(kKey, kKeySelector, "KEY", selectorText(kKey), false);
  paintSelector(kScale, kScaleSelector, "SCALE", selectorText(kScale), false);
  for (const KnobDef& k : kKnobs) ringKnob(k);
  paintPresetRow();
  paintPresetButtons();
  paintSelector(kCharacter, kCharacterSelector, "CHARACTER", selectorText(kCharacter),
                listEntry(kCharacter) != 0);
  const bool stutterOn = listEntry(kStutter) != 0;
  paintSelector(kStutter, kStutterSelector, "STUTTER", selectorText(kStutter), stutterOn);
  paintSelector(kStutterRate, kRateSelector, "RATE", selectorText(kStutterRate), stutterOn);

  if (!keepAnimated) {
    paintPitchDisplay();
    paintStage();
  }
  storePulseSnapshot();
  drawPulse();
  if (openList_ >= 0) paintList();
  lastFrameHadList_ = openList_ >= 0;
  lastFrameWidth_ = face_.width;
  lastFrameHeight_ = face_.height;
}

void Editor::paintLogo() {
  face_.text("Zoqua", 34, 58, kLogo);
  const float voceX = 34 + face_.textWidth("Zoqua", kLogo) + 2;
  for (int k = 0; k < 12; ++k) {
    const double a = k * pm::kPi / 6.0;
    double sn, cs;
    pm::sinCos(a, sn, cs);
    face_.text("Voce", voceX + 2.2f * static_cast<float>(cs), 58 + 2.2f * static_cast<float>(sn),
               kLogo.in(kHotPink).faded(0.045f));
  }
  face_.text("Voce", voceX, 58, kLogo.in(kLogoVoce));
}

void Editor::paintSizePill() {
  const bool hot = hovering(kHitSize, kNoParamId);
  const Rect& r = kSizePill;
  pill(face_, r, kHotPink, hot ? 0.18f : 0.09f);
  char text[16];
  std::snprintf(text, sizeof text, "SIZE %d%%", static_cast<int>(std::lround(sizeChoice * 100.0f)));
  face_.text(text, r.centreX(), r.y + kSmallPillBaseline, kPillLabel.in(hot ? kWhite : kLilac));
}

void Editor::paintLowLatency() {
  const Rect& r = kLowLatencyToggle;
  const bool on = params[kLowLatency] > 0.5;
  const bool hot = hovering(kHitToggle, kLowLatency);
  if (on) {
    gradientPill(face_, r.grown(3), 0.15f);
    gradientPill(face_, r, 1.0f);
  } else {
    pill(face_, r, kBlack, 0.35f);
    pill(face_, r, kHotPink, hot ? 0.16f : 0.10f);
  }
  face_.text("LOW LAT", r.centreX(), r.y + 19.5f,
             kToggleLabel.in(on ? kDarkText : (hot ? kWhite : kLilac)));
}

void Editor::paintSelector(int id, const Rect& at, const char* label, const std::string& value,
                           bool highlighted) {
  const float x = at.x, y = at.y, w = at.width;
  face_.text(label, x + 4, y - 8, kSelectorLabel);
  const bool hot =
      hovering(kHitStepDown, id) || hovering(kHitStepUp, id) || hovering(kHitSelectorValue, id);
  pill(face_, at, kBlack, 0.35f);
  pill(face_, at, kHotPink, hot ? 0.16f : 0.10f);
  // The value keeps clear of the arrows' 34-unit regions.
  face_.text(fitted(face_, value, kSelectorValue, w - 76), x + w / 2, y + 22,
             kSelectorValue.in(highlighted ? kPink : kWhite));
  for (int side = 0; side < 2; ++side) {
    const bool arrowHot = hovering(side == 0 ? kHitStepDown : kHitStepUp, id);
    const float cx = side == 0 ? x + 18 : x + w - 18;
    const float cy = y + 17;
    const float toward = side == 0 ? -2.8f : 2.8f;  // the tip points to the pill's end
    const float thickness = arrowHot ? 2.6f : 2.2f;
    const RGB& colour = arrowHot ? kWhite : kHighlightLine;
    capsule(cx + toward, cy, cx - toward, cy - 4.8f, thickness, colour);
    capsule(cx + toward, cy, cx - toward, cy + 4.8f, thickness, colour);
  }
}

// --- Knobs ---------------------------------------------------------------------------------

void Editor::ringKnob(const KnobDef& knob) {
  const int id = static_cast<int>(knob.param);
  const float cx = knob.cx, cy = knob.cy, r = knob.radius;
  const float v = static_cast<float>(std::clamp(params[id], 0.0, 1.0));
  const bool active = knobActive(id);
  const bool inactive = !active && knobInactive(id);
  const bool large = r > 25;

  face_.softDisc(cx, cy, r - 6, 4, 10, 0.8f);
  face_.circleVGrad(cx, cy, r - 7, active ? kKnobTopActive : kKnobTop, kKnobBottom);
  face_.arc(cx, cy, r, 3.5f, kSweepStart, -kSweepStart, kPlum, 1.0f);

  const float valueAngle = v * kSweep + kSweepStart;
  const float startAngle = static_cast<float>(neutralValue(knob)) * kSweep + kSweepStart;
  const float a0 = std::min(startAngle, valueAngle), a1 = std::max(startAngle, valueAngle);
  auto ramp = [](float t) { return mix(kViolet, kPink, t); };
  if (a1 - a0 > 0.01f) {
    if (inactive) {
      face_.arc(cx, cy, r, 3.5f, a0, a1, ramp, 0.35f);
    } else {
      haloArcs(face_, cx, cy, r, a0, a1, ramp, active ? 0.022f : 0.014f);
      face_.arc(cx, cy, r, 3.5f, a0, a1, ramp, 1.0f);
      face_.arc(cx, cy, r, 1.2f, a0, a1, kArcHighlight, 0.45f);
    }
  }
  if (!inactive) {
    double sn, cs;
    pm::sinCos(valueAngle, sn, cs);
    face_.glow(cx + r * static_cast<float>(sn), cy - r * static_cast<float>(cs), 14, kPink,
               active ? 0.3f : 0.2f);
  }

  const bool detuned =
      id == kDetune && std::fabs(continuousPlain(kDetune, params[kDetune]) - 440.0) > 0.05;
  if (entryParam_ == id) {
    const float h = large ? 28.0f : 23.0f;
    face_.rrect(cx - h - 1.5f, cy - 11.5f, 2 * h + 3, 23, 11.5f, kPink, 0.9f);
    face_.rrect(cx - h, cy - 10, 2 * h, 20, 10, kEditField, 1.0f);
    face_.text(entryText_, cx, cy + 4.2f, kEntryText);
    const float caretX = cx + face_.textWidth(entryText_, kEntryText) / 2 + 2.5f;
    capsule(caretX, cy - 6, caretX, cy + 6, 1.4f, kPink);
    const char* unit = kParamDefs[id].units;
    if (unit[0] != '\0') face_.text(unit, cx, cy + 21, kKnobUnit);
  } else {
    const float size = !large ? 11.0f : (id == kDetune ? 11.5f : 12.5f);
    const RGB& colour = inactive ? kMuted : ((active || detuned) ? kPink : kWhite);
    paintKnobValue(knobValueText(id), cx, cy, r, kKnobValue.sized(size).in(colour));
  }
  face_.text(knob.label, cx, cy + r + 26,
             kKnobLabel.sized(large ? 9.0f : 8.0f).in((active || detuned) ? kPink : kLilac));
}

// The value text stays inside the knob's inner ring (radius r - 12, drawn by the pulse). As one
// line at its full size when it fits; else the number over its unit, the number shrinking only
// as far as it must; a text without a unit shrinks on its own line.
void Editor::paintKnobValue(const std::string& text, float cx, float cy, float r,
                            const TextStyle& style) {
  const float size = style.size;
  const float room = r - 14;  // the ring's inner edge, less a unit and a half of air
  constexpr float kCapHeight = 0.72f;
  auto fits = [room](float width, float top, float bottom) {
    const float x = width / 2, y = std::max(std::fabs(top), std::fabs(bottom));
    return x * x + y * y <= room * room;
  };
  // Measured as if drawn at exactly `size`: glyphs are drawn at whole pixel sizes, and the choice
  // of layout should not change from one editor size to the next because of that rounding.
  auto width = [this, &style](const std::string& t, float sz) {
    const float drawn = static_cast<float>(face_.pixelSizeFor(sz)) / face_.scale;
    return drawn > 0.0f ? face_.textWidth(t, style.sized(sz)) * sz / drawn : 0.0f;
  };
  if (fits(width(text, size), 4.5f - kCapHeight * size, 4.5f)) {
    face_.text(text, cx, cy + 4.5f, style);
    return;
  }
  const std::size_t space = text.rfind(' ');
  if (space != std::string::npos && space > 0) {
    const std::string number = text.substr(0, space), unit = text.substr(space + 1);
    const float unitSize = room > 14 ? 7.5f : 6.5f;
    const float numberBase = cy + room * 0.18f, unitBase = cy + room * 0.66f;
    float s = size;
    while (s > 7.0f && !fits(width(number, s), numberBase - cy - kCapHeight * s, numberBase - cy))
      s -= 0.5f;
    face_.text(number, cx, numberBase, style.sized(s));
    TextStyle unitStyle = style.sized(unitSize);
    unitStyle.letterSpacing = 0.6f;
    face_.text(unit, cx, unitBase, unitStyle);
    return;
  }
  float s = size;
  while (s > 7.0f && !fits(width(text, s), kCapHeight * s / 2, kCapHeight * s / 2)) s -= 0.5f;
  face_.text(text, cx, cy + kCapHeight * s / 2, style.sized(s));
}

// --- Preset row ----------------------------------------------------------------------------

std::string Editor::visibleName() {
  std::string shown = nameText_;
  // The newest characters matter while typing, so the head is dropped.
  while (!shown.empty() && face_.textWidth(shown, kSelectorValue) > kNameTextRoom)
    shown.erase(0, 1);
  return shown;
}

void Editor::paintPresetRow() {
  if (!naming_) {
    paintSelector(kPresetSelectorId, kPresetSelector, "PRESET", presetName(),
                  currentPresetIndex() >= 0);
    return;
  }
  // The name field takes the preset selector's place, with its label and value where the
  // selector has them.
  const Rect& field = kPresetSelector;
  face_.text("NAME YOUR PRESET", field.x + 4, field.y - 8, kSelectorLabel.in(kPink));
  pill(face_, field.grown(2), kPink, 0.35f);
  pill(face_, field, kNameFieldFill, 0.95f);
  const std::string shown = visibleName();
  face_.text(shown, field.centreX(), field.y + 22, kSelectorValue);
  const float caretX = field.centreX() + face_.textWidth(shown, kSelectorValue) / 2 + 2.5f;
  capsule(caretX, field.y + 10, caretX, field.y + 25, 1.6f, kPink);
}

void Editor::paintPresetButtons() {
  auto label = [this](const Rect& r, const char* text, const RGB& colour) {
    face_.text(text, r.centreX(), r.y + kSmallPillBaseline, kButtonLabel.in(colour));
  };
  // A faint pill that brightens under the pointer.
  auto quiet = [&](const Rect& r, const char* text, int kind) {
    const bool hot = hovering(kind, kNoParamId);
    pill(face_, r, kHotPink, hot ? 0.22f : 0.12f);
    label(r, text, hot ? kWhite : kLilac);
  };
  if (naming_) {
    gradientPill(face_, kSaveButton, 1.0f);
    label(kSaveButton, "OK", kDarkText);
  } else {
    quiet(kSaveButton, "SAVE", kHitSave);
  }
  if (naming_ || currentPresetIndex() < kNumFactoryPresets) return;
  if (deleteTimer_ > 0) {
    pill(face_, kDeleteButton, kDangerPill, 0.9f);
    label(kDeleteButton, "SURE?", kWhite);
  } else {
    quiet(kDeleteButton, "DELETE", kHitDelete);
  }
}

// --- Pitch trace -------------------------------------------------------------------------

void Editor::strokeRun(const std::vector<TraceSegment>& run) {
  if (run.empty() || face_.pixels.empty()) return;
  const float s = face_.scale;
  struct Piece {
    float ax, ay, ex, ey, invLength2, half, alpha;
    float xMin, xMax, yMin, yMax;  // pixel centres this piece can touch
    RGB colour;
  };
  // At most 150 pieces a run: a fixed array keeps the per-frame path free of allocation.
  Piece pieces[kPitchHistory];
  std::size_t n = 0;
  for (const TraceSegment& t : run) {
    if (n == kPitchHistory) break;
    Piece& p = pieces[n++];
    p.ax = t.x0 * s;
    p.ay = t.y0 * s;
    p.ex = (t.x1 - t.x0) * s;
    p.ey = (t.y1 - t.y0) * s;
    p.invLength2 = 1.0f / (p.ex * p.ex + p.ey * p.ey + 1e-6f);
    p.half = t.thickness * s * 0.5f;
    p.alpha = std::min(t.alpha, 1.0f);
    const float reach = p.half + 0.5f;
    p.xMin = std::min(p.ax, p.ax + p.ex) - reach;
    p.xMax = std::max(p.ax, p.ax + p.ex) + reach;
    p.yMin = std::min(p.ay, p.ay + p.ey) - reach;
    p.yMax = std::max(p.ay, p.ay + p.ey) + reach;
    p.colour = t.colour;
  }
  const int w = face_.width, h = face_.height;
  const int i0 = std::max(0, static_cast<int>(std::floor(pieces[0].xMin)));
  const int i1 = std::min(w - 1, static_cast<int>(std::ceil(pieces[n - 1].xMax)));
  std::size_t lo = 0;
  // Column by column: the run goes left to right, so only a few pieces reach any one column.
  for (int i = i0; i <= i1; ++i) {
    const float px = static_cast<float>(i) + 0.5f;
    while (lo < n && pieces[lo].xMax < px) ++lo;
    std::size_t hi = lo;
    float yLo = 1e30f, yHi = -1e30f;
    for (; hi < n && pieces[hi].xMin <= px; ++hi) {
      if (pieces[hi].xMax < px) continue;
      yLo = std::min(yLo, pieces[hi].yMin);
      yHi = std::max(yHi, pieces[hi].yMax);
    }
    if (yHi < yLo) continue;
    const int j0 = std::max(0, static_cast<int>(std::floor(yLo)));
    const int j1 = std::min(h - 1, static_cast<int>(std::ceil(yHi)));
    for (int j = j0; j <= j1; ++j) {
      const float py = static_cast<float>(j) + 0.5f;
      float best = 0.0f;
      const RGB* colour = nullptr;
      for (std::size_t k = lo; k < hi; ++k) {
        const Piece& p = pieces[k];
        if (px < p.xMin || px > p.xMax || py < p.yMin || py > p.yMax) continue;
        const float wx = px - p.ax, wy = py - p.ay;
        const float t = std::clamp((wx * p.ex + wy * p.ey) * p.invLength2, 0.0f, 1.0f);
        const float cover = std::min(0.5f - (length(wx - t * p.ex, wy - t * p.ey) - p.half), 1.0f);
        const float a = cover * p.alpha;
        if (a > best) {
          best = a;
          colour = &p.colour;
        }
      }
      if (colour) {
        std::uint32_t& pixel = face_.pixels[static_cast<std::size_t>(j) * w + i];
        pixel = blendPixel(pixel, *colour, best);
      }
    }
  }
}

// --- Open list -----------------------------------------------------------------------------

void Editor::paintList() {
  const ListLayout& list = openList_ == 0 ? kKeyList : kScaleList;
  const Rect panel{list.selector.x, kListTop, list.selector.width, list.panelHeight};
  box(face_, panel.grown(2), 16, kHotPink, 0.25f);
  box(face_, panel, 14, kListFill, 0.98f);
  box(face_, panel, 14, kHotPink, 0.06f);
  face_.rrect(panel.x + 14, panel.y, panel.width - 28, 1.2f, 0, kHighlightLine, 0.55f);
  const int current = listEntry(list.param);
  for (int i = 0; i < list.items; ++i) {
    const Rect cell = listCell(list, i);
    const bool hot = i != current && hovered_ >= 0 &&
                     hovered_ < static_cast<int>(regions_.size()) &&
                     regions_[static_cast<std::size_t>(hovered_)].kind == kHitListItem &&
                     regions_[static_cast<std::size_t>(hovered_)].extra == i;
    RGB colour = kLilac;
    const Rect inner = cell.grown(-2);
    if (i == current) {
      face_.rrectGrad(inner.x, inner.y, inner.width, inner.height, 8, kViolet, kPink, 1.0f);
      colour = kDarkText;
    } else if (hot) {
      box(face_, inner, 8, kHotPink, 0.18f);
      colour = kWhite;
    }
    const char* name = list.param == kKey ? kNoteNames[i] : kScaleNames[i];
    // Baseline so that the capitals sit in the middle of the cell.
    const float baseline = cell.y + cell.height / 2 + list.textSize * 0.36f;
    face_.text(name, cell.centreX(), baseline, kListItem.sized(list.textSize).in(colour));
  }
}

}  // namespace zv
