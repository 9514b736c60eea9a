// Cost of the editor's frames at the size factors people use: a full paint (state changed) and an
// animation-only frame (pitch display, stage and knob pulse), as the render thread runs them. At
// about 51 frames a second, an animation frame's share of one core is 51 x its time.
#include <benchmark/benchmark.h>

#include <cmath>

#include "Editor.h"

namespace {

void prepare(zv::Editor& e, float scale) {
  e.resize(static_cast<int>(std::lround(860 * scale)), static_cast<int>(std::lround(720 * scale)),
           scale);
  e.params[zv::kDetune] = 0.6;
  e.params[zv::kHarmony] = 0.4;
  for (int i = 0; i < 160; ++i)
    e.updateMood(60.0f + 2.0f * std::sin(i * 0.2f), 60.0f + std::round(2.0f * std::sin(i * 0.2f)),
                 0.8f, 0.03f, 120, 0, true);
  e.paint(true);  // the background layer is cached from here on
}

void BM_FullPaint(benchmark::State& state) {
  const float scale = static_cast<float>(state.range(0)) / 100.0f;
  zv::Editor e;
  prepare(e, scale);
  for (auto _ : state) {
    e.paint(true);
    benchmark::DoNotOptimize(e.canvas().pixels.data());
  }
}

// Second argument 0: the same frame with the stage left empty, the mascot's reference.
void BM_AnimationFrame(benchmark::State& state) {
  const float scale = static_cast<float>(state.range(0)) / 100.0f;
  zv::Editor e;
  prepare(e, scale);
  if (!state.range(1)) e.mascot.height = 0;
  int frame = 0;
  for (auto _ : state) {
    // Alternate the level so the knob pulse is due on every frame, the expensive case.
    const float level = (frame++ & 1) ? 0.9f : 0.3f;
    e.updateMood(61, 61, level, 0.0195f, 120, 0, true);
    e.paintPitchDisplay();
    e.paintStage();
    if (e.pulseWanted()) e.drawPulse();
    benchmark::DoNotOptimize(e.canvas().pixels.data());
  }
}

BENCHMARK(BM_FullPaint)->Arg(100)->Arg(115)->Arg(200)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AnimationFrame)->ArgsProduct({{100, 115, 200}, {1, 0}})->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
