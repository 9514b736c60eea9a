// Reference scenes of the canvas primitives and text: every shape, both gradients, arcs with caps
// and ramps, glows and shadows, and both faces at several sizes and scales.
#include "Palette.h"
#include "SceneRegistry.h"

namespace zv::snapshot {

namespace {

using namespace palette;

constexpr float kSweepStart = -2.35619f;  // -135 degrees
constexpr float kSweep = 4.71238f;

void shapes(Canvas& c) {
  c.clear(kInk);
  c.circle(30, 30, 20, kWhite);
  c.circle(60, 30, 14, kPink, 0.5f);
  c.circle(85, 30, 0.7f, kWhite);
  c.circle(96, 30, 3.3f, kLilac);
  c.rrect(110, 10, 40, 40, 0, kViolet);            // radius 0: a plain box
  c.rrect(160, 15, 70, 24, 12, kHotPink);          // radius h/2: a pill
  c.rrect(10.5f, 60.5f, 50, 30, 8, kLilac, 0.7f);  // off the pixel grid
  c.rrect(70, 60, 60, 30, 6, kPlum);
  c.rrect(68, 58, 64, 1.2f, 0, kArcHighlight, 0.35f);  // a one-pixel highlight line
  c.capsule(145, 60, 225, 95, 3, kWhite);
  c.capsule(145, 95, 225, 60, 1.6f, kPink, 0.8f);
  c.capsule(185, 110, 185, 110, 6, kViolet);  // zero length: a disc
  // Overlapping translucent discs show the blend order.
  for (int i = 0; i < 5; ++i) c.circle(20.0f + i * 12.0f, 125, 14, kHotPink, 0.25f);
  c.capsule(100, 140, 225, 120, 10, kHotPink, 0.05f);
}

void gradients(Canvas& c) {
  c.clear(kInk);
  c.circleVGrad(30, 30, 22, RGB::fromBytes(46, 30, 58), RGB::fromBytes(7, 4, 10));
  c.circleVGrad(80, 30, 22, kViolet, kPink);
  c.rrectGrad(110, 12, 110, 36, 18, kViolet, kPink);
  c.rrectGrad(10, 62, 150, 20, 0, kWhite, kInk);
  c.rrect(170, 56, 50, 40, 0, kWhite);
  c.rrectGrad(165, 62, 60, 28, 14, kViolet, kPink, 0.5f);  // half alpha over white and ink
  c.rrectGrad(10, 88, 150, 10, 5, kHotPink, kHotPink, 0.15f);
}

// One editor knob, as the editor draws it: shadow, body, track, value arc with halo, glow, text.
void knob(Canvas& c, float cx, float cy, float r, float value, bool bipolar, const char* valueText,
          const char* label) {
  c.softDisc(cx, cy, r - 6, 4, 10, 0.8f);
  c.circleVGrad(cx, cy, r - 7, RGB::fromBytes(36, 24, 46), RGB::fromBytes(7, 4, 10));
  c.arc(cx, cy, r, 3.5f, kSweepStart, -kSweepStart, kPlum, 1.0f);
  const float start = bipolar ? 0.0f : kSweepStart;
  const float end = value * kSweep + kSweepStart;
  const auto ramp = [](float t) { return mix(kViolet, kPink, t); };
  for (int k = 8; k >= 1; --k) c.arc(cx, cy, r, 3.5f + 3.0f * k, start, end, ramp, 0.014f);
  c.arc(cx, cy, r, 3.5f, start, end, ramp, 1.0f);
  c.arc(cx, cy, r, 1.2f, start, end, kArcHighlight, 0.45f);
  c.glow(cx + r * float(pm::sin(end)), cy - r * float(pm::cos(end)), 14, kPink, 0.2f);
  c.text(valueText, cx, cy + 4.5f, r > 25 ? 12.5f : 11.0f, kWhite, 1, true);
  c.text(label, cx, cy + r + 26, r > 25 ? 9.0f : 8.0f, kLilac, 1, true, 1.8f);
}

void arcs(Canvas& c) {
  c.clear(kInk);
  const auto ramp = [](float t) { return mix(kViolet, kPink, t); };
  c.arc(45, 45, 30, 8, 0.0f, 1.5707963f, ramp);  // 12 to 3 o'clock
  const float pi = static_cast<float>(pm::kPi);
  c.arc(45, 45, 30, 1, -pi, pi, kHotPink, 0.6f);  // a full thin circle
  c.arc(130, 45, 30, 6, 3.1f, 2.0f, ramp);        // reversed, cap over 6 o'clock
  c.arc(130, 45, 18, 3, -2.5f, -2.5f, kWhite);    // zero span: a dot
  knob(c, 60, 120, 29, 0.72f, false, "72%", "MIX");
  knob(c, 150, 120, 24, 0.3f, true, "-3", "STEPS");
}

void glows(Canvas& c) {
  c.clear(kInk);
  c.glow(50, 40, 45, RGB::fromBytes(106, 27, 176), 0.45f);
  c.glow(150, 40, 40, RGB::fromBytes(255, 45, 180), 0.9f, 130, 10, 200, 60);  // clipped
  c.glow(210, 120, 30, kPink, 2.5f);  // alpha above 1 saturates near the centre
  c.rrect(20, 95, 140, 55, 10, kLilac);
  c.softDisc(50, 115, 16, 4, 10, 0.8f);
  c.softDisc(110, 115, 16, 0, 3, 1.0f);
  c.softDisc(150, 135, 6, 0, 0, 1.0f);  // no blur: a hard disc
}

// The same lines at every scale: both faces, sizes 9 and 12, three alignments around a marker,
// letter spacing, kerning pairs, two-byte and four-byte characters and a missing glyph.
void textSample(Canvas& c) {
  c.clear(kInk);
  c.rrect(160, 0, 0.5f, 120, 0, kPlum);  // the alignment marker at x = 160
  c.text("Left at 160", 160, 16, 12, kWhite, 0);
  c.text("Centred", 160, 32, 12, kPink, 1, true, 1.8f);
  c.text("Right", 160, 48, 12, kLilac, 2, true);
  c.text("AVATAR To Ty", 8, 66, 12, kWhite, 0, true);
  c.text("caf\xC3\xA9 \xF0\x9F\x98\x80 \xE2\x82\xAC", 168, 66, 12, kWhite);
  c.text("SIZE 100%  \xE4\xB8\xAD", 8, 84, 9, kLilac, 0, true, 1.2f);
  c.text("sing something...", 168, 84, 9, kMuted, 0, false, 0.5f);
  c.text("Zoqua", 8, 110, 20, kWhite, 0, true, -0.5f);
  c.text("Voce", 8 + c.textWidth("Zoqua", 20, true, -0.5f) + 2, 110, 20,
         RGB::fromBytes(255, 230, 250), 0, true, -0.5f, 0.8f);
  c.text("A4 = 441.5 Hz", 312, 110, 9, kPink, 2, true, 1.2f);
}

// Shapes and text that cross every edge of a small canvas.
void clipped(Canvas& c) {
  c.clear(kInk);
  c.circle(0, 0, 20, kPink);
  c.circle(100, 40, 15, kViolet);
  c.rrect(30, 70, 50, 30, 10, kLilac);
  c.rrectGrad(-20, 30, 40, 20, 10, kViolet, kPink);
  c.arc(60, -5, 25, 6, -1.0f, 2.0f, kHotPink);
  c.capsule(70, 60, 130, 90, 5, kWhite);
  c.glow(95, 75, 30, kPink, 0.6f);
  c.softDisc(-4, 60, 12, 0, 6, 1.0f);
  c.text("Edge", -6, 48, 14, kWhite, 0, true);
  c.text("Over", 85, 24, 14, kWhite, 0, true);
  c.text("Low", 40, 84, 14, kInk, 0, true);
}

}  // namespace

void addCanvasScenes(SceneRegistry& registry) {
  registry.add({"shapes", 240, 160, 1.0f, shapes});
  registry.add({"gradients", 360, 150, 1.5f, gradients});
  registry.add({"arcs", 250, 220, 1.25f, arcs});
  registry.add({"arcs-2x", 400, 352, 2.0f, arcs});
  registry.add({"glows", 240, 160, 1.0f, glows});
  registry.add({"text-1x", 320, 120, 1.0f, textSample});
  registry.add({"text-1.25x", 400, 150, 1.25f, textSample});
  registry.add({"text-2x", 640, 240, 2.0f, textSample});
  registry.add({"clipped", 100, 80, 1.0f, clipped});
}

}  // namespace zv::snapshot
