// Offline render speed through the module, the figure zvrender prints as "x real time": hard
// correction alone, and with harmony, formant, a character and a gate on top.
#include <benchmark/benchmark.h>

#include "DemoVoice.h"
#include "RenderTestSupport.h"

using namespace zvrender;

namespace {

void renderDemo(benchmark::State& state,
                std::vector<std::pair<std::string, std::string>> settings) {
  static const std::vector<float> voice = synthesizeVoice(demoMelody(), 44100.0, VoiceStyle{});
  RenderJob job;
  job.blockSize = static_cast<int>(state.range(0));
  job.settings = {{"Key", "C"}, {"Scale", "Major"}, {"Speed", "0"}};
  job.settings.insert(job.settings.end(), settings.begin(), settings.end());
  double audioSeconds = 0.0;
  for (auto _ : state) {
    BufferSource source(voice, 1, 44100.0);
    BufferSink sink;
    RenderStats stats;
    std::string error;
    if (!zvtest::renderer().render(job, source, sink, nullptr, nullptr, stats, error))
      state.SkipWithError(error.c_str());
    audioSeconds += stats.durationSeconds();
    benchmark::DoNotOptimize(sink.samples.data());
  }
  // Seconds of audio per second of wall time.
  state.counters["realtime_x"] = benchmark::Counter(audioSeconds, benchmark::Counter::kIsRate);
}

}  // namespace

BENCHMARK_CAPTURE(renderDemo, correction, {})
    ->Arg(64)
    ->Arg(512)
    ->Arg(4096)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(
    renderDemo, harmony_and_character,
    {{"Harmony", "50"}, {"Formant", "+2"}, {"Character", "Radio"}, {"Stutter", "Gate"}})
    ->Arg(512)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
