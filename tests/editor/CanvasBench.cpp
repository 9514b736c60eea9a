// What the canvas costs at the editor's largest common size: 1720 x 1440 pixels (scale 2).
#include <benchmark/benchmark.h>

#include <cstdio>

#include "Canvas.h"

namespace zv {
namespace {

const RGB kInk = RGB::fromBytes(11, 6, 18);
const RGB kViolet = RGB::fromBytes(176, 107, 255);
const RGB kPink = RGB::fromBytes(255, 95, 216);
const RGB kHotPink = RGB::fromBytes(255, 63, 208);
const RGB kLilac = RGB::fromBytes(216, 196, 232);
const RGB kPlum = RGB::fromBytes(58, 37, 70);
const RGB kHighlight = RGB::fromBytes(255, 224, 247);

Canvas editorCanvas() {
  Canvas c(1720, 1440, 2.0f);
  c.loadFonts();
  c.clear(kInk);
  return c;
}

struct KnobSpot {
  float cx, cy, r, value;
};

// The ten knobs of the editor face.
constexpr KnobSpot kKnobs[] = {
    {87.14f, 604, 29, 0.2f},  {201.43f, 604, 29, 0.5f}, {315.71f, 604, 29, 0.7f},
    {430, 604, 29, 0.5f},     {544.29f, 604, 29, 0.9f}, {658.57f, 604, 29, 1.0f},
    {772.86f, 604, 29, 0.4f}, {145, 460, 24, 0.6f},     {668, 460, 24, 0.3f},
    {762, 460, 24, 0.8f},
};

void drawKnobArcsAndGlows(Canvas& c, const KnobSpot& k) {
  const float start = -2.35619f;
  const float end = k.value * 4.71238f - 2.35619f;
  const auto ramp = [](float t) { return mix(kViolet, kPink, t); };
  c.softDisc(k.cx, k.cy, k.r - 6, 4, 10, 0.8f);
  c.circleVGrad(k.cx, k.cy, k.r - 7, RGB::fromBytes(36, 24, 46), RGB::fromBytes(7, 4, 10));
  c.arc(k.cx, k.cy, k.r, 3.5f, start, -start, kPlum, 1.0f);
  for (int j = 8; j >= 1; --j) c.arc(k.cx, k.cy, k.r, 3.5f + 3.0f * j, start, end, ramp, 0.014f);
  c.arc(k.cx, k.cy, k.r, 3.5f, start, end, ramp, 1.0f);
  c.arc(k.cx, k.cy, k.r, 1.2f, start, end, kHighlight, 0.45f);
  c.glow(k.cx + k.r * float(pm::sin(end)), k.cy - k.r * float(pm::cos(end)), 14, kPink, 0.2f);
}

// Argument: the editor's size in percent (100 = 860 x 720 pixels, 200 = 1720 x 1440).
void BM_TenKnobsArcsAndGlows(benchmark::State& state) {
  const float scale = float(state.range(0)) / 100.0f;
  Canvas c(int(860 * scale), int(720 * scale), scale);
  c.clear(kInk);
  for (auto _ : state) {
    for (const KnobSpot& k : kKnobs) drawKnobArcsAndGlows(c, k);
    benchmark::DoNotOptimize(c.pixels.data());
  }
}
BENCHMARK(BM_TenKnobsArcsAndGlows)->Arg(100)->Arg(200)->Unit(benchmark::kMicrosecond);

void BM_HundredLabels12(benchmark::State& state) {
  Canvas c = editorCanvas();
  char label[32];
  for (auto _ : state) {
    for (int i = 0; i < 100; ++i) {
      std::snprintf(label, sizeof label, "LABEL %d.%d dB", i, i % 7);
      c.text(label, 40.0f + (i % 10) * 80.0f, 40.0f + (i / 10) * 60.0f, 12, kLilac, 1, true, 1.2f);
    }
    benchmark::DoNotOptimize(c.pixels.data());
  }
}
BENCHMARK(BM_HundredLabels12)->Unit(benchmark::kMicrosecond);

// The first frame after a resize: every glyph is rasterised.
void BM_HundredLabels12ColdCache(benchmark::State& state) {
  Canvas c = editorCanvas();
  char label[32];
  for (auto _ : state) {
    state.PauseTiming();
    for (FontFace& f : c.fonts.faces) f.cache.clear();
    state.ResumeTiming();
    for (int i = 0; i < 100; ++i) {
      std::snprintf(label, sizeof label, "LABEL %d.%d dB", i, i % 7);
      c.text(label, 40.0f + (i % 10) * 80.0f, 40.0f + (i / 10) * 60.0f, 12, kLilac, 1, true, 1.2f);
    }
    benchmark::DoNotOptimize(c.pixels.data());
  }
}
BENCHMARK(BM_HundredLabels12ColdCache)->Unit(benchmark::kMicrosecond);

void BM_TextWidth12(benchmark::State& state) {
  Canvas c = editorCanvas();
  for (auto _ : state) benchmark::DoNotOptimize(c.textWidth("Phryg. Dominant", 12, true, 0.3f));
}
BENCHMARK(BM_TextWidth12);

void BM_CircleR29(benchmark::State& state) {
  Canvas c = editorCanvas();
  for (auto _ : state) {
    c.circle(430, 360, 29, kPink, 0.5f);
    benchmark::DoNotOptimize(c.pixels.data());
  }
}
BENCHMARK(BM_CircleR29);

void BM_CircleVGradR22(benchmark::State& state) {
  Canvas c = editorCanvas();
  for (auto _ : state) {
    c.circleVGrad(430, 360, 22, kViolet, kPink);
    benchmark::DoNotOptimize(c.pixels.data());
  }
}
BENCHMARK(BM_CircleVGradR22);

void BM_CardRRect800x130(benchmark::State& state) {
  Canvas c = editorCanvas();
  for (auto _ : state) {
    c.rrect(30, 96, 800, 130, 18, RGB::fromBytes(26, 15, 36), 0.78f);
    benchmark::DoNotOptimize(c.pixels.data());
  }
}
BENCHMARK(BM_CardRRect800x130)->Unit(benchmark::kMicrosecond);

void BM_PillRRectGrad(benchmark::State& state) {
  Canvas c = editorCanvas();
  for (auto _ : state) {
    c.rrectGrad(250, 38, 104, 30, 15, kViolet, kPink, 1.0f);
    benchmark::DoNotOptimize(c.pixels.data());
  }
}
BENCHMARK(BM_PillRRectGrad);

void BM_PitchTrace150Capsules(benchmark::State& state) {
  Canvas c = editorCanvas();
  for (auto _ : state) {
    for (int i = 0; i < 149; ++i) {
      const float x = 88 + 4.845638f * i;
      c.capsule(x, 160 + (i % 9), x + 4.845638f, 160 + ((i + 1) % 9), 3, kPink, 0.8f);
    }
    benchmark::DoNotOptimize(c.pixels.data());
  }
}
BENCHMARK(BM_PitchTrace150Capsules)->Unit(benchmark::kMicrosecond);

void BM_KnobTrackArc(benchmark::State& state) {
  Canvas c = editorCanvas();
  for (auto _ : state) {
    c.arc(430, 604, 29, 3.5f, -2.35619f, 2.35619f, kPlum, 1.0f);
    benchmark::DoNotOptimize(c.pixels.data());
  }
}
BENCHMARK(BM_KnobTrackArc);

void BM_KnobGlowR14(benchmark::State& state) {
  Canvas c = editorCanvas();
  for (auto _ : state) {
    c.glow(430, 580, 14, kPink, 0.3f);
    benchmark::DoNotOptimize(c.pixels.data());
  }
}
BENCHMARK(BM_KnobGlowR14);

void BM_SoftDiscKnobShadow(benchmark::State& state) {
  Canvas c = editorCanvas();
  for (auto _ : state) {
    c.softDisc(430, 604, 23, 4, 10, 0.8f);
    benchmark::DoNotOptimize(c.pixels.data());
  }
}
BENCHMARK(BM_SoftDiscKnobShadow);

// The background layer's three big glows (drawn only when the background is out of date).
void BM_BackgroundGlows(benchmark::State& state) {
  Canvas c = editorCanvas();
  for (auto _ : state) {
    c.glow(140, 120, 380, RGB::fromBytes(106, 27, 176), 0.45f);
    c.glow(740, 160, 360, RGB::fromBytes(255, 45, 180), 0.4f);
    c.glow(430, 700, 420, RGB::fromBytes(194, 30, 140), 0.3f);
    benchmark::DoNotOptimize(c.pixels.data());
  }
}
BENCHMARK(BM_BackgroundGlows)->Unit(benchmark::kMillisecond);

// The per-frame copy of the background into the face.
void BM_CopyBackground(benchmark::State& state) {
  Canvas background = editorCanvas();
  Canvas face = editorCanvas();
  for (auto _ : state) {
    face.pixels = background.pixels;
    benchmark::DoNotOptimize(face.pixels.data());
  }
}
BENCHMARK(BM_CopyBackground)->Unit(benchmark::kMicrosecond);

void BM_HotPinkHalo(benchmark::State& state) {
  Canvas c = editorCanvas();
  for (auto _ : state) {
    c.arc(430, 604, 17, 1, -3.14159265f, 3.14159265f, kHotPink, 0.1f);
    benchmark::DoNotOptimize(c.pixels.data());
  }
}
BENCHMARK(BM_HotPinkHalo);

}  // namespace
}  // namespace zv

BENCHMARK_MAIN();
