// Offline render speed through the module, the figure zvrender prints as "x real time".
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>

#include "DemoVoice.h"
#include "RenderTestSupport.h"

using namespace zvrender;

namespace {

Renderer& renderer() {
  return zvtest::sharedRenderer();
}

const std::vector<float>& voice() {
  static const std::vector<float> v = synthesizeVoice(demoMelody(), 44100.0, VoiceStyle{});
  return v;
}

void renderDemo(benchmark::State& state,
                std::vector<std::pair<std::string, std::string>> settings) {
  RenderJob job;
  job.blockSize = static_cast<int>(state.range(0));
  job.settings = std::move(settings);
  double audioSeconds = 0.0;
  for (auto _ : state) {
    BufferSource source(voice(), 1, 44100.0);
    BufferSink sink;
    RenderStats stats;
    std::string error;
    if (!renderer().render(job, source, sink, nullptr, nullptr, stats, error))
      state.SkipWithError(error.c_str());
    audioSeconds += stats.durationSeconds();
    benchmark::DoNotOptimize(sink.samples.data());
  }
  // Seconds of audio per second of wall time.
  state.counters["realtime_x"] = benchmark::Counter(audioSeconds, benchmark::Counter::kIsRate);
}

void BM_RenderCorrection(benchmark::State& state) {
  renderDemo(state, {{"Key", "C"}, {"Scale", "Major"}, {"Speed", "0"}});
}
void BM_RenderHarmonyAndCharacter(benchmark::State& state) {
  renderDemo(state, {{"Key", "C"},
                     {"Scale", "Major"},
                     {"Harmony", "50"},
                     {"Formant", "+2"},
                     {"Character", "Radio"},
                     {"Stutter", "Gate"}});
}

}  // namespace

BENCHMARK(BM_RenderCorrection)->Arg(64)->Arg(512)->Arg(4096)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RenderHarmonyAndCharacter)->Arg(512)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
