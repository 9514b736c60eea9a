// What the canvas costs at the editor's largest common size: 1720 x 1440 pixels (scale 2).
#include <benchmark/benchmark.h>

#include <cstdio>

#include "Canvas.h"

namespace zv {
namespace {

const RGB kInk = RGB::fromBytes(11, 6, 18);
const RGB kViolet = RGB::fromBytes(176, 107, 255);
const RGB kPink = RGB::fromBytes(255, 95, 216);
const RGB kPlum = RGB::fromBytes(58, 37, 70);

Canvas editorCanvas(float scale = 2.0f) {
  Canvas c(int(860 * scale), int(720 * scale), scale);
  c.loadFonts();
  c.clear(kInk);
  return c;
}

// One knob as the face draws it: shadow, body, track, the value arc with its glow rings and tip.
void drawKnob(Canvas& c, float cx, float cy, float r, float value) {
  const float start = -2.35619f, end = value * 4.71238f - 2.35619f;
  const auto ramp = [](float t) { return mix(kViolet, kPink, t); };
  c.softDisc(cx, cy, r - 6, 4, 10, 0.8f);
  c.circleVGrad(cx, cy, r - 7, RGB::fromBytes(36, 24, 46), RGB::fromBytes(7, 4, 10));
  c.arc(cx, cy, r, 3.5f, start, -start, kPlum, 1.0f);
  for (int j = 8; j >= 1; --j) c.arc(cx, cy, r, 3.5f + 3.0f * j, start, end, ramp, 0.014f);
  c.arc(cx, cy, r, 3.5f, start, end, ramp, 1.0f);
  c.arc(cx, cy, r, 1.2f, start, end, RGB::fromBytes(255, 224, 247), 0.45f);
  c.glow(cx + r * float(pm::sin(end)), cy - r * float(pm::cos(end)), 14, kPink, 0.2f);
}

// Argument: the editor's size in percent (100 = 860 x 720 pixels, 200 = 1720 x 1440).
void BM_TenKnobs(benchmark::State& state) {
  Canvas c = editorCanvas(float(state.range(0)) / 100.0f);
  for (auto _ : state) {
    for (int i = 0; i < 7; ++i) drawKnob(c, 87.14f + 114.29f * i, 604, 29, 0.15f * i);
    for (float x : {145.0f, 668.0f, 762.0f}) drawKnob(c, x, 460, 24, 0.6f);
    benchmark::DoNotOptimize(c.pixels.data());
  }
}
BENCHMARK(BM_TenKnobs)->Arg(100)->Arg(200)->Unit(benchmark::kMicrosecond);

// Argument 1: the first frame after a resize, every glyph rasterised again.
void BM_HundredLabels12(benchmark::State& state) {
  Canvas c = editorCanvas();
  char label[32];
  for (auto _ : state) {
    if (state.range(0)) {
      state.PauseTiming();
      for (FontFace& f : c.fonts.faces) f.cache.clear();
      state.ResumeTiming();
    }
    for (int i = 0; i < 100; ++i) {
      std::snprintf(label, sizeof label, "LABEL %d.%d dB", i, i % 7);
      c.text(label, 40.0f + (i % 10) * 80.0f, 40.0f + (i / 10) * 60.0f, 12, kPink, 1, true, 1.2f);
    }
    benchmark::DoNotOptimize(c.pixels.data());
  }
}
BENCHMARK(BM_HundredLabels12)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// The primitives the face draws in bulk: the pitch trace on every frame, the background's glows
// whenever the background is out of date.
void BM_Shape(benchmark::State& state, void (*draw)(Canvas&)) {
  Canvas c = editorCanvas();
  for (auto _ : state) {
    draw(c);
    benchmark::DoNotOptimize(c.pixels.data());
  }
}
BENCHMARK_CAPTURE(BM_Shape, PitchTrace150Capsules, [](Canvas& c) {
  for (int i = 0; i < 149; ++i) {
    const float x = 88 + 4.845638f * i;
    c.capsule(x, 160 + (i % 9), x + 4.845638f, 160 + ((i + 1) % 9), 3, kPink, 0.8f);
  }
})->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Shape, BackgroundGlows, [](Canvas& c) {
  c.glow(140, 120, 380, RGB::fromBytes(106, 27, 176), 0.45f);
  c.glow(740, 160, 360, RGB::fromBytes(255, 45, 180), 0.4f);
  c.glow(430, 700, 420, RGB::fromBytes(194, 30, 140), 0.3f);
})->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zv

BENCHMARK_MAIN();
