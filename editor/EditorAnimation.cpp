// The parts of the face that move every frame: the pitch display, the mascot stage and the
// level pulse around the knobs. Each restores its own pixels first, so the view can call them
// alone on frames where only the animation changed.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "Editor.h"
#include "Palette.h"
#include "PulseHalo.h"
#include "ScaleTable.h"

namespace zv {

using namespace palette;

namespace {

// Pitch classes of a scale (key-relative), one bit per semitone: the grid shows these notes.
uint16_t scaleMask(int scaleIndex) {
  const Scale& scale = kScaleTable[scaleIndex];
  uint16_t mask = 0;
  for (int d = 0; d < scale.degrees; ++d) mask |= static_cast<uint16_t>(1u << scale.offsets[d]);
  return mask;
}

// Where a note lies in the pitch display whose lowest visible note is `low`.
float noteY(float low, float note) {
  return kPlotBottom - (note - low) / kVisibleSemitones * (kPlotBottom - kPlotTop);
}

int floorDiv(int a, int b) {
  return a >= 0 ? a / b : -((-a + b - 1) / b);
}

// The popped-out placeholder's note and the label on its button.
constexpr TextStyle kPlaceholderNote{10, kLilac, kAlignCentre, true, 2};
constexpr TextStyle kBringBackLabel{10, kDarkText, kAlignCentre, true, 1.6f};

// Copies the three knob boxes between two buffers of the canvas's size.
void copyPulseBoxes(const Canvas& canvas, const std::uint32_t* from, std::uint32_t* to) {
  const float s = canvas.scale;
  for (const auto& box : kPulseBoxes) {
    const int x0 = std::clamp(static_cast<int>(box[0] * s), 0, canvas.width);
    const int x1 = std::clamp(static_cast<int>(std::ceil(box[2] * s)), 0, canvas.width);
    const int y0 = std::clamp(static_cast<int>(box[1] * s), 0, canvas.height);
    const int y1 = std::clamp(static_cast<int>(std::ceil(box[3] * s)), 0, canvas.height);
    for (int y = y0; y < y1 && x1 > x0; ++y) {
      const std::size_t at = static_cast<std::size_t>(y) * canvas.width + x0;
      std::memcpy(&to[at], &from[at], sizeof(std::uint32_t) * (x1 - x0));
    }
  }
}

}  // namespace

// --- Pitch display -------------------------------------------------------------------------

void Editor::paintPitchDisplay() {
  if (face_.pixels.empty()) return;
  const float s = face_.scale;
  const Rect& panel = kPitchPanel;
  const int x0 = static_cast<int>(panel.x * s), y0 = static_cast<int>(panel.y * s);
  restoreFromBackground(x0, y0, x0 + static_cast<int>(panel.width * s) + 2,
                        y0 + static_cast<int>(panel.height * s) + 2);

  const float low = displayPitch_ - kVisibleSemitones / 2;
  paintPitchGrid(low);
  paintPitchTraces(low);
  if (!displayPitchSet_)
    face_.text("sing something...", 430, 165, TextStyle{11, kLilac, kAlignCentre, true, 0.5f});

  const double a4 = 415.0 + std::clamp(params[kDetune], 0.0, 1.0) * 51.0;
  if (std::fabs(a4 - 440.0) > 0.05) {
    char text[32];
    if (std::fabs(a4 - std::round(a4)) >= 0.05)
      std::snprintf(text, sizeof text, "A4 = %.1f Hz", a4);
    else
      std::snprintf(text, sizeof text, "A4 = %.0f Hz", a4);
    face_.text(text, 814, 120, TextStyle{9, kPink, kAlignRight, true, 1.2f});
  }
}

// Lines for the notes of the key and scale, labelled unless crowded (the key note always is).
void Editor::paintPitchGrid(float low) {
  const int key = listEntry(kKey);
  const uint16_t mask = scaleMask(listEntry(kScale));
  float lastLabelY = -1000;
  for (int n = static_cast<int>(std::floor(low)) - 1;
       n <= static_cast<int>(std::ceil(low + kVisibleSemitones)) + 1; ++n) {
    const int pitchClass = ((n - key) % 12 + 12) % 12;
    if (!(mask & (1u << pitchClass))) continue;
    const float y = noteY(low, static_cast<float>(n));
    if (y < 110 || y > 212) continue;
    const bool keyNote = pitchClass == 0;
    face_.rrect(kPlotLeft, y - 0.5f, kPlotRight - kPlotLeft, 1, 0, kWhite, keyNote ? 0.2f : 0.08f);
    if (std::fabs(y - lastLabelY) < 12 && !keyNote) continue;
    char label[16];
    const int noteClass = ((n % 12) + 12) % 12;
    std::snprintf(label, sizeof label, "%s%d", kNoteNames[noteClass], floorDiv(n, 12) - 1);
    face_.text(label, 50, y + 3.5f, TextStyle{9, keyNote ? kViolet : kLilac, kAlignLeft, true});
    lastLabelY = y;
  }
}

// The input trace, then the output trace's glow and line, and a dot on the newest output point.
void Editor::paintPitchTraces(float low) {
  auto clampY = [](float y) { return std::clamp(y, kPlotTop, kPlotBottom); };
  // Each trace is stroked as runs of joined segments (a gap or a leap ends a run), so the older,
  // fainter part reads as one line rather than a string of beads.
  std::vector<TraceSegment>& run = traceRun_;
  run.clear();
  for (int i = 1; i < kPitchHistory; ++i) {
    const float a = historyIn(i - 1), b = historyIn(i);
    if (a < 0 || b < 0 || std::fabs(a - b) >= 3) {
      strokeRun(run);
      run.clear();
      continue;
    }
    const float w = 0.3f + 0.7f * i / (kPitchHistory - 1);
    run.push_back({kPlotLeft + kPointSpacing * (i - 1), clampY(noteY(low, a)),
                   kPlotLeft + kPointSpacing * i, clampY(noteY(low, b)), 1.8f, 0.75f * w, kSoft});
  }
  strokeRun(run);
  for (int pass = 0; pass < 2; ++pass) {  // the glow under the whole trace, then the line
    run.clear();
    for (int i = 1; i < kPitchHistory; ++i) {
      const float a = historyOut(i - 1), b = historyOut(i);
      if (a < 0 || b < 0) {
        strokeRun(run);
        run.clear();
        continue;
      }
      const float w = 0.3f + 0.7f * i / (kPitchHistory - 1);
      const float xa = kPlotLeft + kPointSpacing * (i - 1), xb = kPlotLeft + kPointSpacing * i;
      const float ya = clampY(noteY(low, a)), yb = clampY(noteY(low, b));
      if (pass == 0) {
        run.push_back({xa, ya, xb, yb, 10, 0.05f * w, kHotPink});
        continue;
      }
      const RGB colour = mix(kViolet, kPink, static_cast<float>(i) / (kPitchHistory - 1));
      // A corrected voice holds its note and then jumps: the jump gets a thin connector, the
      // held note the full line.
      if (std::fabs(yb - ya) >= 0.8f)
        run.push_back({xa, ya, xb, yb, 1.6f, 0.5f * w, colour});
      else
        run.push_back({xa, ya, xb, yb, 3, w, colour});
    }
    strokeRun(run);
  }
  const float newest = historyOut(kPitchHistory - 1);
  if (newest >= 0) {
    const float x = kPlotLeft + kPointSpacing * (kPitchHistory - 1), y = clampY(noteY(low, newest));
    face_.circle(x, y, 7, kPink, 0.25f);
    face_.circle(x, y, 4, kPink, 1.0f);
  }
}

// --- Mascot stage --------------------------------------------------------------------------

void Editor::paintStage() {
  if (face_.pixels.empty()) return;
  const float s = face_.scale;
  const Rect& r = kStageRestore;
  restoreFromBackground(static_cast<int>(std::floor(r.x * s)),
                        static_cast<int>(std::floor(r.y * s)),
                        static_cast<int>(std::ceil((r.x + r.width) * s)),
                        static_cast<int>(std::ceil((r.y + r.height) * s)));
  if (!poppedOut) {
    mascot.draw(face_);
    restoreStageCorners();
  }
  paintPopOut();
}

void Editor::restoreStageCorners() {
  const float s = face_.scale;
  const Rect& c = kStageCard;
  const int e = static_cast<int>(std::ceil(kStageCardRadius * s)) + 2;
  const int lefts[2] = {static_cast<int>(c.x * s), static_cast<int>((c.x + c.width) * s) - e};
  const int tops[2] = {static_cast<int>(c.y * s), static_cast<int>((c.y + c.height) * s) - e};
  const RoundedRectDistance card{(c.x + c.width / 2) * s, (c.y + c.height / 2) * s, c.width / 2 * s,
                                 c.height / 2 * s, kStageCardRadius * s};
  for (int left : lefts)
    for (int top : tops)
      for (int j = std::max(top, 0); j < std::min(top + e, face_.height); ++j)
        for (int i = std::max(left, 0); i < std::min(left + e, face_.width); ++i) {
          const float d = card(i + 0.5f, j + 0.5f);
          if (d <= -1) continue;
          const std::size_t at = static_cast<std::size_t>(j) * face_.width + i;
          if (d >= 0) {
            face_.pixels[at] = background_.pixels[at];
            continue;
          }
          const float t = d + 1;
          const std::uint32_t f = face_.pixels[at], b = background_.pixels[at];
          std::uint32_t out = 0;
          for (int shift = 0; shift <= 16; shift += 8) {
            const float fc = static_cast<float>((f >> shift) & 0xFF),
                        bc = static_cast<float>((b >> shift) & 0xFF);
            out |= static_cast<std::uint32_t>(fc + (bc - fc) * t) << shift;
          }
          face_.pixels[at] = out;
        }
}

void Editor::paintPopOut() {
  if (!poppedOut) {
    if (!popOutAvailable) return;
    const bool hot = hovering(kHitDancer, kNoParamId);
    const Rect& b = kPopOutIcon;
    face_.rrect(b.x, b.y, b.width, b.height, 8, kBlack, hot ? 0.55f : 0.35f);
    face_.rrect(b.x, b.y, b.width, b.height, 8, kHotPink, hot ? 0.28f : 0.12f);
    // A window with an arrow leaving it through its top-right corner, in units from the icon's
    // top-left corner so the glyph stays on the box the click lands in.
    const RGB& ink = hot ? kWhite : kLilac;
    const float t = 1.6f;
    const auto stroke = [&](float x1, float y1, float x2, float y2) {
      capsule(b.x + x1, b.y + y1, b.x + x2, b.y + y2, t, ink);
    };
    stroke(7, 9, 7, 20);
    stroke(7, 20, 18, 20);
    stroke(18, 20, 18, 15);
    stroke(7, 9, 12, 9);
    stroke(12, 14, 21, 5);
    stroke(16, 5, 21, 5);
    stroke(21, 5, 21, 10);
    return;
  }
  // The stage card dimmed just inside its edge, the note above the button and the button itself,
  // which is also the region a click brings the dancer back through.
  const Rect& card = kStageCard;
  const Rect panel = card.grown(-1);
  face_.rrect(panel.x, panel.y, panel.width, panel.height, kStageCardRadius - 1, kInk, 0.92f);
  const Rect& button = kBringBackButton;
  face_.text("DANCER IS IN", card.centreX(), button.y - 38, kPlaceholderNote);
  face_.text("HER OWN WINDOW", card.centreX(), button.y - 20, kPlaceholderNote);
  const bool hot = hovering(kHitDancer, kNoParamId);
  const float radius = button.height / 2;
  const Rect halo = button.grown(3);
  face_.rrectGrad(halo.x, halo.y, halo.width, halo.height, radius + 3, kViolet, kPink,
                  hot ? 0.35f : 0.2f);
  face_.rrectGrad(button.x, button.y, button.width, button.height, radius, kViolet, kPink, 1.0f);
  face_.text("BRING BACK", button.centreX(), button.y + 21.5f, kBringBackLabel);
}

// --- Knob pulse ----------------------------------------------------------------------------

void pulseHaloRowPlain(std::uint32_t* row, int from, int to, float dy, float cx, float innerPx,
                       float outerPx, float strength, const RGB& colour) {
  const float spanPx = outerPx - innerPx;
  for (int i = from; i <= to; ++i) {
    const float dx = static_cast<float>(i) - cx;
    const float dist = std::sqrt(dx * dx + dy * dy);
    if (dist < innerPx || dist > outerPx) continue;
    const float f = 1.0f - (dist - innerPx) / spanPx;
    row[i] = blendPixel(row[i], colour, strength * f * f);
  }
}

void pulseHaloRow(std::uint32_t* row, int from, int to, float dy, float cx, float innerPx,
                  float outerPx, float strength, const RGB& colour) {
#if defined(__SSE2__)
  // The plain loop's operations in the same order, four lanes at a time: SSE's single-precision
  // add, multiply, divide and square root round exactly as the scalar ones do, and the byte to
  // unit step divides by 255 as blendPixel's table was built.
  const __m128 vCx = _mm_set1_ps(cx), vDy2 = _mm_set1_ps(dy * dy);
  const __m128 vInner = _mm_set1_ps(innerPx), vOuter = _mm_set1_ps(outerPx);
  const __m128 vSpan = _mm_set1_ps(outerPx - innerPx), vStrength = _mm_set1_ps(strength);
  const __m128 one = _mm_set1_ps(1.0f), v255 = _mm_set1_ps(255.0f), half = _mm_set1_ps(0.5f);
  const __m128 zero = _mm_setzero_ps();
  const __m128 target[3] = {_mm_set1_ps(colour.r), _mm_set1_ps(colour.g), _mm_set1_ps(colour.b)};
  const __m128i byteMask = _mm_set1_epi32(0xFF);
  int i = from;
  for (; i + 3 <= to; i += 4) {
    const __m128i lane = _mm_add_epi32(_mm_set1_epi32(i), _mm_set_epi32(3, 2, 1, 0));
    const __m128 dx = _mm_sub_ps(_mm_cvtepi32_ps(lane), vCx);
    const __m128 dist = _mm_sqrt_ps(_mm_add_ps(_mm_mul_ps(dx, dx), vDy2));
    const __m128 inside = _mm_and_ps(_mm_cmpge_ps(dist, vInner), _mm_cmple_ps(dist, vOuter));
    const int insideBits = _mm_movemask_ps(inside);
    if (insideBits == 0) continue;
    const __m128 f = _mm_sub_ps(one, _mm_div_ps(_mm_sub_ps(dist, vInner), vSpan));
    const __m128 a = _mm_mul_ps(_mm_mul_ps(vStrength, f), f);
    const __m128i pixels = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + i));
    __m128i blended = _mm_setzero_si128();
    for (int ch = 0; ch < 3; ++ch) {
      const int shift = 16 - 8 * ch;
      const __m128i bytes = _mm_and_si128(_mm_srli_epi32(pixels, shift), byteMask);
      const __m128 v = _mm_div_ps(_mm_cvtepi32_ps(bytes), v255);
      const __m128 mixed = _mm_add_ps(
          _mm_mul_ps(_mm_add_ps(v, _mm_mul_ps(_mm_sub_ps(target[ch], v), a)), v255), half);
      // f > 0 ? (f < 255 ? trunc(f) : 255) : 0; a halo's f is never NaN.
      const __m128 limited = _mm_min_ps(_mm_max_ps(mixed, zero), v255);
      blended = _mm_or_si128(blended, _mm_slli_epi32(_mm_cvttps_epi32(limited), shift));
    }
    const __m128i keep = _mm_castps_si128(inside);
    const __m128i out = _mm_or_si128(_mm_and_si128(keep, blended), _mm_andnot_si128(keep, pixels));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(row + i), out);
  }
  pulseHaloRowPlain(row, i, to, dy, cx, innerPx, outerPx, strength, colour);
#else
  pulseHaloRowPlain(row, from, to, dy, cx, innerPx, outerPx, strength, colour);
#endif
}

void Editor::storePulseSnapshot() {
  if (pulseSnapshot_.size() != face_.pixels.size()) pulseSnapshot_.assign(face_.pixels.size(), 0);
  snapshotWidth_ = face_.width;
  snapshotHeight_ = face_.height;
  // Only the knob boxes are ever restored from it.
  copyPulseBoxes(face_, face_.pixels.data(), pulseSnapshot_.data());
}

bool Editor::pulseWanted() const {
  return std::fabs(envelope_ - pulseDrawnLevel_) > 0.008f;
}

void Editor::drawPulse() {
  const float s = face_.scale;
  if (snapshotWidth_ == face_.width && snapshotHeight_ == face_.height &&
      pulseSnapshot_.size() == face_.pixels.size()) {
    copyPulseBoxes(face_, pulseSnapshot_.data(), face_.pixels.data());
  }
  const float level = envelope_;
  pulseDrawnLevel_ = level;
  for (const KnobDef& knob : kKnobs) {
    const int id = static_cast<int>(knob.param);
    if (!knobActive(id) && knobInactive(id)) continue;
    const float r = knob.radius;
    const float d = static_cast<float>(std::fabs(params[id] - neutralValue(knob))) * 1.6f;
    float a = 0.06f * level + 0.015f;
    if (d < 1) a *= 0.65f * d + 0.35f;
    if (a > 0.002f) {
      const float inner = r - 2;
      const float outer = r > 25 ? std::min(r + 26, 2.1f * r) : r + 20;
      const float cx = knob.cx * s, cy = knob.cy * s;
      const int i0 = std::max(0, static_cast<int>(std::floor(cx - outer * s)));
      const int i1 = std::min(face_.width - 1, static_cast<int>(std::ceil(cx + outer * s)));
      const int j0 = std::max(0, static_cast<int>(std::floor(cy - outer * s)));
      const int j1 = std::min(face_.height - 1, static_cast<int>(std::ceil(cy + outer * s)));
      const float innerPx = inner * s, outerPx = outer * s;
      for (int j = j0; j <= j1; ++j) {
        std::uint32_t* row = face_.pixels.data() + static_cast<std::size_t>(j) * face_.width;
        const float dy = static_cast<float>(j) - cy;
        // Only the columns the outer circle reaches on this row (one pixel of slack each side).
        const float reach = std::sqrt(std::max(outerPx * outerPx - dy * dy, 0.0f)) + 1.0f;
        const int from = std::max(i0, static_cast<int>(std::floor(cx - reach)));
        const int to = std::min(i1, static_cast<int>(std::ceil(cx + reach)));
        pulseHaloRow(row, from, to, dy, cx, innerPx, outerPx, a, kPink);
      }
    }
    face_.arc(knob.cx, knob.cy, r - 12, 1, static_cast<float>(-pm::kPi),
              static_cast<float>(pm::kPi), kHotPink, 0.05f + 0.14f * level);
  }
}

}  // namespace zv
