// The whole voice chain per block, as the host drives it. The counter "realtime" is seconds of
// audio processed per second of one core: the real-time factor.
#include <benchmark/benchmark.h>

#include <cmath>

#include "Signals.h"

using namespace zvtest;

namespace {

// A sung line: slow vibrato around notes that step through a scale, so the detector, the marks,
// the snapping and both voices all work as they do on a real voice.
std::vector<float> sungLine(double sr, int n) {
  return sungTone(
      [sr](int i) {
        const double t = i / sr;
        const double note =
            55.0 + 2.0 * std::floor(std::fmod(t * 2.0, 4.0)) + 0.3 * std::sin(2.0 * kPi * 5.5 * t);
        return noteHz(note);
      },
      sr, n);
}

void engineChain(benchmark::State& state) {
  const double sr = static_cast<double>(state.range(0));
  const bool lowLatency = state.range(1) != 0;
  const bool harmony = state.range(2) != 0;
  const int block = 512;
  zv::VoiceEngine engine;
  engine.configure(sr);
  engine.setLowLatency(lowLatency);
  zv::PlainParams p = plainCorrection();
  p.speedMs = 40.0f;
  p.lowLatency = lowLatency;
  p.harmony = harmony ? 0.8f : 0.0f;
  p.harmonySteps = 2;
  engine.setParams(p);
  engine.setHarmonySteps(2);
  const std::vector<float> in = sungLine(sr, static_cast<int>(2 * sr) / block * block);
  std::vector<float> left(block), right(block);
  size_t pos = 0;
  // Warm up past the first analysis so every iteration runs the full chain.
  for (int i = 0; i < 40; ++i) {
    engine.process(in.data() + pos, left.data(), right.data(), block);
    pos = (pos + block) % in.size();
  }
  for (auto _ : state) {
    engine.process(in.data() + pos, left.data(), right.data(), block);
    benchmark::DoNotOptimize(left.data());
    benchmark::DoNotOptimize(right.data());
    pos = (pos + block) % in.size();
  }
  const double audioSeconds = static_cast<double>(state.iterations()) * block / sr;
  state.counters["realtime"] = benchmark::Counter(audioSeconds, benchmark::Counter::kIsRate);
  state.SetItemsProcessed(state.iterations() * block);
}

}  // namespace

// Arguments: sample rate, low latency (0/1), harmony (0/1).
BENCHMARK(engineChain)
    ->ArgNames({"sr", "lowlat", "harmony"})
    ->ArgsProduct({{44100, 48000, 96000}, {0, 1}, {0, 1}})
    ->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
