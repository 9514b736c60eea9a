#include "EngineConfig.h"

#include <algorithm>
#include <cmath>

namespace zv {

int nextPowerOfTwo(long long n) {
  long long p = 1;
  while (p < n) p <<= 1;
  return static_cast<int>(p);
}

namespace {

double usableRate(double sampleRate) {
  return (std::isfinite(sampleRate) && sampleRate > 0.0) ? sampleRate : 44100.0;
}

int longestPeriod(double sr) {
  return static_cast<int>(std::ceil(sr / 65.0));
}

}  // namespace

int normalLatencySamples(double sampleRate) {
  const double sr = usableRate(sampleRate);
  // 4 ms of grain tail plus three of the longest periods: a normal-mode grain never changes a
  // sample the read-out has already passed.
  return static_cast<int>(0.004 * sr) + 3 * longestPeriod(sr);
}

int lowLatencySamples(double sampleRate) {
  return static_cast<int>(0.003 * usableRate(sampleRate));
}

EngineConfig makeEngineConfig(double sampleRate) {
  EngineConfig c;
  const double sr = usableRate(sampleRate);
  c.sampleRate = sr;
  // The detector always runs near 11 kHz: enough for a voice's fundamental, cheap to search.
  c.decimation = static_cast<int>(std::max(1L, std::lround(sr / 11025.0)));
  c.analysisRate = sr / c.decimation;
  // The window must span at least 40 ms of input so that two periods of 65 Hz fit.
  int n = 512;
  while (static_cast<long long>(n) * c.decimation < static_cast<long long>(0.04 * sr)) n *= 2;
  c.windowSize = n;
  c.hop = n == 512 ? 64 : (n > 135 ? n / 8 : 16);
  c.maxLag = std::min(static_cast<int>(c.analysisRate / 65.0), n / 2 - 2);
  c.minLag = std::max(2, static_cast<int>(c.analysisRate / 1000.0));
  c.maxPeriod = longestPeriod(sr);
  c.samplesPerMs = static_cast<int>(std::floor(sr / 1000.0));
  c.normalLatency = normalLatencySamples(sr);
  c.lowLatency = lowLatencySamples(sr);
  c.ringSize =
      nextPowerOfTwo((static_cast<long long>(c.normalLatency) +
                      static_cast<long long>(n) * c.decimation + 2LL * c.maxPeriod + 2048) *
                     2);
  c.formantWindow = static_cast<int>(std::max(256L, std::lround(0.022 * sr)));
  c.antiAliasTaps = 8 * c.decimation + 1;
  c.glitchCaptureLength = nextPowerOfTwo(static_cast<long long>(1.2 * sr));
  c.stutterCaptureLength = nextPowerOfTwo(static_cast<long long>(2.5 * sr));
  return c;
}

}  // namespace zv
