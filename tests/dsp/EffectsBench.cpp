// Per-sample cost of each character and stutter mode alone, and of the whole engine chain with
// each of them switched on. Items are samples (stereo pairs for the pair effects).
#include <benchmark/benchmark.h>

#include <vector>

#include "CharacterUnit.h"
#include "GlitchState.h"
#include "PlainParams.h"
#include "Signals.h"
#include "StutterUnit.h"
#include "VoiceEngine.h"

namespace zv {
namespace {

constexpr double kSr = 48000.0;
constexpr int kBlock = 4096;

void perSample(benchmark::State& state) {
  state.SetItemsProcessed(state.iterations() * kBlock);
  // Seconds per sample, printed with an SI prefix ("25.1n" is 25.1 ns).
  state.counters["per_sample"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * kBlock,
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// One unit alone on a stereo pair; `step` processes one pair.
template <typename Step>
void pairLoop(benchmark::State& state, Step step) {
  const auto in = zvtest::voiceTone(kSr, kBlock);
  std::vector<float> l(kBlock), r(kBlock);
  for (auto _ : state) {
    for (size_t i = 0; i < in.size(); ++i) {
      l[i] = in[i], r[i] = -in[i];
      step(l[i], r[i]);
    }
    benchmark::DoNotOptimize(l.data());
    benchmark::DoNotOptimize(r.data());
  }
  perSample(state);
}

void BM_Character(benchmark::State& state) {
  const int character = static_cast<int>(state.range(0));
  CharacterUnit left, right;
  left.configure(kSr);
  right.configure(kSr);
  GlitchState glitch;
  glitch.configure(kSr, 65536);
  pairLoop(state, [&](float& a, float& b) {
    if (character == kCharacterGlitch) {
      glitch.process(a, b, 1.0f);
    } else {
      a = left.process(a, character, 0.8f);
      b = right.process(b, character, 0.8f);
    }
  });
}
BENCHMARK(BM_Character)->DenseRange(kCharacterDrive, kCharacterLoFi)->ArgName("character");

void BM_Stutter(benchmark::State& state) {
  StutterUnit stutter;
  stutter.configure(kSr, 131072);
  const double spb = samplesPerBeat(kSr, 128.0);
  double beat = 0.0;
  pairLoop(state, [&](float& a, float& b) {
    stutter.process(a, b, static_cast<int>(state.range(0)), 3, beat, spb);
    beat += 1.0 / spb;
  });
}
BENCHMARK(BM_Stutter)->DenseRange(kStutterGate, kStutterRepeat)->ArgName("mode");

// The engine with one character (range 0, 0 = none) and one stutter mode (range 1, 0 = off).
void BM_EngineChain(benchmark::State& state) {
  VoiceEngine engine;
  engine.configure(kSr);
  PlainParams params;
  params.character = static_cast<int>(state.range(0));
  params.characterAmount = 0.8f;
  params.stutter = static_cast<int>(state.range(1));
  params.stutterRate = 3;
  engine.setParams(params);
  const auto in = zvtest::voiceTone(kSr, kBlock);
  std::vector<float> l(kBlock), r(kBlock);
  for (auto _ : state) {
    engine.process(in.data(), l.data(), r.data(), kBlock);
    benchmark::DoNotOptimize(l.data());
  }
  perSample(state);
}
BENCHMARK(BM_EngineChain)
    ->ArgNames({"character", "stutter"})
    ->ArgsProduct({{0, 1, 2, 3, 4, 5, 6}, {0}})
    ->ArgsProduct({{0}, {1, 2}});

}  // namespace
}  // namespace zv

BENCHMARK_MAIN();
