// What drawing the mascot costs: the figure in the editor's stage at three size factors and in a
// 442 x 406 dancer window, and decoding the sixteen parts with their mip chains (done once per
// process). The stage card's own fill is the reference measured in the same run.
#include <benchmark/benchmark.h>

#include "Editor.h"
#include "MascotImages.h"
#include "MascotRig.h"
#include "MascotScenes.h"

namespace zv {
namespace {

const RGB kStage = RGB::fromBytes(18, 8, 28);

// A mid-dance pose: leaning, tails swinging, so every sprite is drawn rotated.
void dancing(MascotRig& rig) {
  rig.tilt = 0.12f;
  rig.tailLeft = 0.2f;
  rig.tailRight = -0.15f;
  rig.groove = 0.8f;
  rig.beatPhase = 0.4f;
  rig.hop = 5;
}

// Arguments: the editor's size in percent, and 0 for the reference (the stage card's fill alone).
void BM_MascotInStage(benchmark::State& state) {
  const float scale = static_cast<float>(state.range(0)) / 100.0f;
  Canvas c(static_cast<int>(860 * scale), static_cast<int>(720 * scale), scale);
  MascotRig rig;
  rig.load();
  rig.x = 272, rig.y = 240, rig.width = 316, rig.height = 290;
  dancing(rig);
  for (auto _ : state) {
    c.rrect(272, 240, 316, 290, 18, kStage);
    if (state.range(1)) rig.draw(c);
    benchmark::DoNotOptimize(c.pixels.data());
  }
}
BENCHMARK(BM_MascotInStage)->ArgsProduct({{100, 115, 200}, {1, 0}})->Unit(benchmark::kMicrosecond);

void BM_MascotInDancerWindow(benchmark::State& state) {
  Canvas c(442, 406, 1.0f);
  MascotRig rig;
  rig.load();
  rig.x = 0, rig.y = 0, rig.width = 442, rig.height = 406;
  dancing(rig);
  for (auto _ : state) {
    c.rrect(0, 0, 442, 406, 0, kStage);
    rig.draw(c);
    benchmark::DoNotOptimize(c.pixels.data());
  }
}
BENCHMARK(BM_MascotInDancerWindow)->Unit(benchmark::kMicrosecond);

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

// What the render thread does per frame while a voice sings, at 1.15: the mood step, the pitch
// display, the stage and the knob pulse. At about 51 frames a second, the share of one core is
// 51 x this time. Argument 0: the same frame with the stage left empty, for reference.
void BM_RenderThreadSingingFrame(benchmark::State& state) {
  Editor e;
  if (state.range(0) == 0) e.mascot.height = 0;
  snapshot::setDanceKey(e);
  e.resize(989, 828, 1.15f);
  e.paint(true);
  int frame = 0;
  for (auto _ : state) {
    const float pitch = 60 + 0.3f * static_cast<float>((frame / 40) % 3);
    e.updateMood(pitch, 60, 0.5f + 0.3f * static_cast<float>(frame % 7) / 7, 0.0195f, 120,
                 static_cast<float>((frame % 25) / 25.0), true);
    e.paintPitchDisplay();
    e.paintStage();
    if (e.pulseWanted()) e.drawPulse();
    ++frame;
    benchmark::DoNotOptimize(e.canvas().pixels.data());
  }
}
BENCHMARK(BM_RenderThreadSingingFrame)->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);

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
