// The whole voice chain per 512-sample block, as the host drives it, on a sung line: slow vibrato
// around notes that step through a scale, so the detector, the marks, the snapping and both voices
// all work as they do on a real voice. The counter "realtime" is seconds of audio processed per
// second of one core: the real-time factor.
#include <benchmark/benchmark.h>

#include <cmath>

#include "Signals.h"

using namespace zvtest;

namespace {

// Arguments: sample rate, low latency (0/1), harmony (0/1).
void engineChain(benchmark::State& state) {
  const double sr = static_cast<double>(state.range(0));
  const int block = 512;
  zv::PlainParams p = plainCorrection(state.range(1) != 0, state.range(2) != 0 ? 0.8f : 0.0f);
  p.speedMs = 40.0f;
  p.harmonySteps = 2;
  zv::VoiceEngine engine = makeEngine(sr, p);
  const auto in = sungTone(
      [sr](int i) {
        const double t = i / sr;
        return noteHz(55.0 + 2.0 * std::floor(std::fmod(t * 2.0, 4.0)) +
                      0.3 * std::sin(2.0 * kPi * 5.5 * t));
      },
      sr, static_cast<int>(2 * sr) / block * block);
  std::vector<float> left(block), right(block);
  size_t pos = 0;
  // Warm up past the first analysis so every iteration runs the full chain.
  for (int i = 0; i < 40; ++i, pos = (pos + block) % in.size())
    engine.process(in.data() + pos, left.data(), right.data(), block);
  for (auto _ : state) {
    engine.process(in.data() + pos, left.data(), right.data(), block);
    benchmark::DoNotOptimize(left.data());
    benchmark::DoNotOptimize(right.data());
    pos = (pos + block) % in.size();
  }
  const double audioSeconds = static_cast<double>(state.iterations()) * block / sr;
  state.counters["realtime"] = benchmark::Counter(audioSeconds, benchmark::Counter::kIsRate);
}

}  // namespace

BENCHMARK(engineChain)
    ->ArgNames({"sr", "lowlat", "harmony"})
    ->ArgsProduct({{44100, 48000, 96000}, {0, 1}, {0, 1}})
    ->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
