#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <utility>

#include "EngineConfig.h"

namespace {

// Worked out by hand from the sizing rules for every rate a host is likely to run at: decimation,
// window, hop, max/min lag, max period, samples per ms, normal/low latency, ring, formant window,
// anti-alias taps, glitch and stutter capture lengths.
using Sizes = std::array<int, 14>;
const std::pair<double, Sizes> kRows[] = {
    {16000, {1, 1024, 128, 246, 16, 247, 16, 805, 48, 16384, 352, 9, 32768, 65536}},
    {22050, {2, 512, 64, 169, 11, 340, 22, 1108, 66, 16384, 485, 17, 32768, 65536}},
    {44100, {4, 512, 64, 169, 11, 679, 44, 2213, 132, 16384, 970, 33, 65536, 131072}},
    {48000, {4, 512, 64, 184, 12, 739, 48, 2409, 144, 16384, 1056, 33, 65536, 131072}},
    {88200, {8, 512, 64, 169, 11, 1357, 88, 4423, 264, 32768, 1940, 65, 131072, 262144}},
    {96000, {9, 512, 64, 164, 10, 1477, 96, 4815, 288, 32768, 2112, 73, 131072, 262144}},
    {192000, {17, 512, 64, 173, 11, 2954, 192, 9630, 576, 65536, 4224, 137, 262144, 524288}},
};

template <typename... Field>
Sizes sizes(Field... fields) {
  return {fields...};
}
Sizes sizesOf(const zv::EngineConfig& c) {
  return sizes(c.decimation, c.windowSize, c.hop, c.maxLag, c.minLag, c.maxPeriod, c.samplesPerMs,
               c.normalLatency, c.lowLatency, c.ringSize, c.formantWindow, c.antiAliasTaps,
               c.glitchCaptureLength, c.stutterCaptureLength);
}

TEST(EngineConfig, SizesEveryCommonRateByTheTableAndUnusableRatesAs44100) {
  for (const auto& [sr, sizes] : kRows) {
    const zv::EngineConfig c = zv::makeEngineConfig(sr);
    EXPECT_EQ(sizesOf(c), sizes) << sr;
    EXPECT_DOUBLE_EQ(c.analysisRate, sr / c.decimation);
  }
  for (double sr : {0.0, -48000.0, std::nan(""), double(INFINITY)}) {
    EXPECT_EQ(zv::makeEngineConfig(sr).sampleRate, 44100.0) << sr;
    EXPECT_EQ(sizesOf(zv::makeEngineConfig(sr)), kRows[2].second) << sr;
  }
}

}  // namespace
