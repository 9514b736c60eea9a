// The twelve rows of dsp_bench for the baseline engine and for this tree's, in one program, so
// that on a shared machine both see the same load. Run with random interleaving and
// repetitions and compare the medians:
//   zvcompare_bench --benchmark_enable_random_interleaving=true --benchmark_repetitions=9
//   (add --benchmark_report_aggregates_only=true for medians only)
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "EngineSide.h"
#include "MathConstants.h"
#include "NoteFrequency.h"

using namespace zvcompare;

namespace {

using zv::kPi;

// The same sung line as dsp_bench: slow vibrato around notes stepping through a scale.
std::vector<float> sungLine(double sr, int n) {
  std::vector<float> x(static_cast<size_t>(n));
  double phase = 0.0;
  for (int i = 0; i < n; ++i) {
    const double t = i / sr;
    const double note =
        55.0 + 2.0 * std::floor(std::fmod(t * 2.0, 4.0)) + 0.3 * std::sin(2.0 * kPi * 5.5 * t);
    double v = 0.0;
    for (int h = 1; h <= 5; ++h) v += std::sin(h * phase) / h;
    x[static_cast<size_t>(i)] = 0.4f * static_cast<float>(v / 1.5);
    phase += 2.0 * kPi * zv::noteToHz(note, 440.0) / sr;
    if (phase > 2.0 * kPi * 1000.0) phase -= 2.0 * kPi * 1000.0;
  }
  return x;
}

void chain(benchmark::State& state, bool baseline, bool everything = false) {
  const double sr = static_cast<double>(state.range(0));
  const int block = 512;
  std::unique_ptr<EngineSide> engine = baseline ? makeBaselineEngine() : makeNewEngine();
  engine->configure(sr);
  SideParams p;  // the correction dsp_bench uses: C major, 40 ms, harmony two steps up
  p.key = 0;
  p.scale = 1;
  p.speedMs = 40.0f;
  p.lowLatency = state.range(1) != 0;
  p.harmony = state.range(2) != 0 ? 0.8f : 0.0f;
  p.harmonySteps = 2;
  if (everything) {  // every stage at work: formant shift, consonants, radio, gate at 120 bpm
    p.formantSemitones = 2.0f;
    p.character = 2;
    p.characterAmount = 0.6f;
    p.stutter = 1;
    p.stutterRate = 3;
  }
  engine->apply(p);
  const std::vector<float> in = sungLine(sr, static_cast<int>(2 * sr) / block * block);
  std::vector<float> left(block), right(block);
  size_t pos = 0;
  for (int i = 0; i < 40; ++i) {
    engine->process(in.data() + pos, left.data(), right.data(), block);
    pos = (pos + block) % in.size();
  }
  for (auto _ : state) {
    engine->process(in.data() + pos, left.data(), right.data(), block);
    benchmark::DoNotOptimize(left.data());
    benchmark::DoNotOptimize(right.data());
    pos = (pos + block) % in.size();
  }
  const double audioSeconds = static_cast<double>(state.iterations()) * block / sr;
  state.counters["realtime"] = benchmark::Counter(audioSeconds, benchmark::Counter::kIsRate);
}

void baselineChain(benchmark::State& state) {
  chain(state, true);
}
void newChain(benchmark::State& state) {
  chain(state, false);
}
void baselineEverything(benchmark::State& state) {
  chain(state, true, true);
}
void newEverything(benchmark::State& state) {
  chain(state, false, true);
}

}  // namespace

BENCHMARK(baselineChain)
    ->ArgNames({"sr", "lowlat", "harmony"})
    ->ArgsProduct({{44100, 48000, 96000}, {0, 1}, {0, 1}})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(newChain)
    ->ArgNames({"sr", "lowlat", "harmony"})
    ->ArgsProduct({{44100, 48000, 96000}, {0, 1}, {0, 1}})
    ->Unit(benchmark::kMicrosecond);

// One more pair beside the twelve rows: 44.1 kHz with every stage switched on.
BENCHMARK(baselineEverything)->Args({44100, 0, 1})->Unit(benchmark::kMicrosecond);
BENCHMARK(newEverything)->Args({44100, 0, 1})->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
