// Per-sample cost of each character and stutter mode alone, and of the whole engine chain with
// each of them switched on. Items are samples (stereo pairs for the pair effects).
#include <benchmark/benchmark.h>

#include <vector>

#include "CharacterUnit.h"
#include "EffectsSignals.h"
#include "GlitchState.h"
#include "PlainParams.h"
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

void BM_Character(benchmark::State& state) {
  const int character = static_cast<int>(state.range(0));
  const auto in = test::voiceTone(kSr, kBlock);
  CharacterUnit left, right;
  left.configure(kSr);
  right.configure(kSr);
  GlitchState glitch;
  glitch.configure(kSr, 65536);
  std::vector<float> l(kBlock), r(kBlock);
  for (auto _ : state) {
    for (int i = 0; i < kBlock; ++i) {
      float a = in[static_cast<size_t>(i)], b = -a;
      if (character == kCharacterGlitch) {
        glitch.process(a, b, 1.0f);
      } else {
        a = left.process(a, character, 0.8f);
        b = right.process(b, character, 0.8f);
      }
      l[static_cast<size_t>(i)] = a;
      r[static_cast<size_t>(i)] = b;
    }
    benchmark::DoNotOptimize(l.data());
    benchmark::DoNotOptimize(r.data());
  }
  perSample(state);
}
BENCHMARK(BM_Character)->DenseRange(kCharacterDrive, kCharacterLoFi)->ArgName("character");

void BM_Stutter(benchmark::State& state) {
  const int mode = static_cast<int>(state.range(0));
  const auto in = test::voiceTone(kSr, kBlock);
  StutterUnit stutter;
  stutter.configure(kSr, 131072);
  const double spb = samplesPerBeat(kSr, 128.0);
  double beat = 0.0;
  std::vector<float> l(kBlock), r(kBlock);
  for (auto _ : state) {
    for (int i = 0; i < kBlock; ++i) {
      float a = in[static_cast<size_t>(i)], b = -a;
      stutter.process(a, b, mode, 3, beat, spb);
      beat += 1.0 / spb;
      l[static_cast<size_t>(i)] = a;
      r[static_cast<size_t>(i)] = b;
    }
    benchmark::DoNotOptimize(l.data());
    benchmark::DoNotOptimize(r.data());
  }
  perSample(state);
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
  const auto in = test::voiceTone(kSr, kBlock);
  std::vector<float> l(kBlock), r(kBlock);
  for (auto _ : state) {
    engine.process(in.data(), l.data(), r.data(), kBlock);
    benchmark::DoNotOptimize(l.data());
  }
  perSample(state);
}
BENCHMARK(BM_EngineChain)
    ->ArgNames({"character", "stutter"})
    ->Args({0, 0})
    ->Args({1, 0})
    ->Args({2, 0})
    ->Args({3, 0})
    ->Args({4, 0})
    ->Args({5, 0})
    ->Args({6, 0})
    ->Args({0, 1})
    ->Args({0, 2});

}  // namespace
}  // namespace zv

BENCHMARK_MAIN();
