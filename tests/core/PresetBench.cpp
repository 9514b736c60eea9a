// The render thread asks for the current preset every frame to label the preset selector, and the
// editor reads the whole preset folder each time it opens.
#include <benchmark/benchmark.h>

#include "PresetBrowser.h"
#include "TempAppData.h"

namespace {

using namespace zv;

// Presets that differ from the factory rows in one column, so every comparison runs its course.
std::vector<UserPreset> userPresets(int count) {
  std::vector<UserPreset> list;
  for (int i = 0; i < count; ++i) {
    list.push_back({"User " + std::to_string(i), factoryPresetValues(i % kNumFactoryPresets)});
    list.back().values[4] = 0.5;
  }
  return list;
}

void BM_CurrentPresetIndex(benchmark::State& state) {
  ParamValues values{};
  values[kMix] = 0.37;  // matches nothing, so every preset is compared
  const std::vector<UserPreset> list = userPresets(static_cast<int>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(currentPresetIndex(values, list));
}
BENCHMARK(BM_CurrentPresetIndex)->Arg(0)->Arg(100)->Arg(1000);

void BM_LoadUserPresets(benchmark::State& state) {
  zv::test::TempAppData appData;
  for (const UserPreset& p : userPresets(static_cast<int>(state.range(0)))) saveUserPreset(p);
  for (auto _ : state) {
    std::vector<UserPreset> list;
    loadUserPresets(list);
    sortUserPresets(list);
    benchmark::DoNotOptimize(list.data());
  }
}
BENCHMARK(BM_LoadUserPresets)->Arg(100)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
