// What drawing the mascot costs: the figure in the editor's stage at three size factors and in a
// 442 x 406 dancer window, and decoding the sixteen parts with their mip chains (done once per
// process). The stage card's own fill is the reference measured in the same run.
#include <benchmark/benchmark.h>

#include "MascotImages.h"
#include "MascotRig.h"

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

// Argument: the editor's size in percent.
void BM_MascotInStage(benchmark::State& state) {
  const float scale = static_cast<float>(state.range(0)) / 100.0f;
  Canvas c(static_cast<int>(860 * scale), static_cast<int>(720 * scale), scale);
  MascotRig rig;
  rig.load();
  rig.x = 272, rig.y = 240, rig.width = 316, rig.height = 290;
  dancing(rig);
  for (auto _ : state) {
    c.rrect(272, 240, 316, 290, 18, kStage);
    rig.draw(c);
    benchmark::DoNotOptimize(c.pixels.data());
  }
}
BENCHMARK(BM_MascotInStage)->Arg(100)->Arg(115)->Arg(200)->Unit(benchmark::kMicrosecond);

// The reference: only the stage card's fill, at the same sizes.
void BM_StageCardOnly(benchmark::State& state) {
  const float scale = static_cast<float>(state.range(0)) / 100.0f;
  Canvas c(static_cast<int>(860 * scale), static_cast<int>(720 * scale), scale);
  for (auto _ : state) {
    c.rrect(272, 240, 316, 290, 18, kStage);
    benchmark::DoNotOptimize(c.pixels.data());
  }
}
BENCHMARK(BM_StageCardOnly)->Arg(100)->Arg(115)->Arg(200)->Unit(benchmark::kMicrosecond);

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
