// What drawing the mascot costs: the figure in the editor's stage at three size factors (the
// dancer window's frames are measured with the dancer), the editor's stage frame with a busy
// mascot, and decoding the sixteen parts with their mip chains (done once per process). The
// drawing cases carry their reference (the same frame without the figure) as an argument.
#include <benchmark/benchmark.h>

#include "Editor.h"
#include "MascotImages.h"
#include "MascotRig.h"
#include "MascotScenes.h"

namespace zv {
namespace {

// A mid-dance pose (leaning, tails swinging, so every sprite is drawn rotated) on the stage card.
// Arguments: the editor's size in percent; 1 with the figure, 0 for the card alone.
void BM_MascotInStage(benchmark::State& state) {
  const float scale = static_cast<float>(state.range(0)) / 100.0f;
  Canvas c(static_cast<int>(860 * scale), static_cast<int>(720 * scale), scale);
  MascotRig rig;
  rig.load();
  rig.x = 272, rig.y = 240, rig.width = 316, rig.height = 290;
  rig.tilt = 0.12f, rig.tailLeft = 0.2f, rig.tailRight = -0.15f;
  rig.groove = 0.8f, rig.beatPhase = 0.4f, rig.hop = 5;
  for (auto _ : state) {
    c.rrect(272, 240, 316, 290, 18, RGB::fromBytes(18, 8, 28));
    if (state.range(1)) rig.draw(c);
    benchmark::DoNotOptimize(c.pixels.data());
  }
}
BENCHMARK(BM_MascotInStage)->ArgsProduct({{100, 115, 200}, {1, 0}})->Unit(benchmark::kMicrosecond);

// The editor's animation-only stage frame at a size factor (percent): a busy mascot (delighted
// after a streak, grooving, the particle list full), or with argument 0 the same stage empty.
void BM_StageFrameBusyMascot(benchmark::State& state) {
  const float scale = static_cast<float>(state.range(0)) / 100.0f;
  Editor e;
  snapshot::setDanceKey(e);
  e.resize(static_cast<int>(860 * scale), static_cast<int>(720 * scale), scale);
  e.paint(true);
  snapshot::MeterTimeline(e).run({{4.2f, 60, 60, 0.8f, 120, true}});
  for (int i = 0; i < 4; ++i) e.mascot.sparkleBurst();  // the burst origin is inside the stage
  e.mascot.particles.erase(e.mascot.particles.begin(), e.mascot.particles.end() - kMaxParticles);
  if (!state.range(1)) e.mascot.height = 0;  // fits nothing: the stage is drawn empty
  for (auto _ : state) {
    e.paintStage();
    benchmark::DoNotOptimize(e.canvas().pixels.data());
  }
}
BENCHMARK(BM_StageFrameBusyMascot)
    ->ArgsProduct({{115, 200}, {1, 0}})
    ->Unit(benchmark::kMicrosecond);

void BM_DecodeAndMipsAllParts(benchmark::State& state) {
  for (auto _ : state) {
    SpriteStore store;
    for (int i = 0; i < kMascotPartCount; ++i) {
      const res::EmbeddedImage image = res::mascotImage(i);
      store[i] = buildSpriteChain(i, decodeMascotPng(i, image.data, image.size));
    }
    benchmark::DoNotOptimize(store[0].levels[0].pixels.data());
  }
}
BENCHMARK(BM_DecodeAndMipsAllParts)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zv

BENCHMARK_MAIN();
