// Per-sample cost of each character and stutter mode alone on a stereo pair of a voice tone (the
// whole chain is dsp_bench's). "per_sample" is seconds per stereo pair, printed with an SI prefix
// ("25.1n" is 25.1 ns).
#include <benchmark/benchmark.h>

#include <vector>

#include "CharacterUnit.h"
#include "GlitchState.h"
#include "Signals.h"
#include "StutterUnit.h"

namespace zv {
namespace {

constexpr double kSr = 48000.0;
constexpr int kBlock = 4096;

// `step` processes one pair in place.
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
  state.counters["per_sample"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * kBlock,
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
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

}  // namespace
}  // namespace zv

BENCHMARK_MAIN();
