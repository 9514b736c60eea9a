// Test signals and measurements shared by the character and stutter tests.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace zv::test {

constexpr double kPi = 3.14159265358979323846;

// A sung vowel stand-in: 220 Hz with falling harmonics up to about 4 kHz, peak near 0.8.
inline std::vector<float> voiceTone(double sampleRate, int numSamples, double f0 = 220.0) {
  std::vector<float> out(static_cast<size_t>(numSamples));
  for (int i = 0; i < numSamples; ++i) {
    double v = 0.0;
    for (int h = 1; h <= 18 && h * f0 < 0.45 * sampleRate; ++h)
      v += std::sin(2.0 * kPi * h * f0 * i / sampleRate) / h;
    out[static_cast<size_t>(i)] = static_cast<float>(0.45 * v);
  }
  return out;
}

inline std::vector<float> sine(double sampleRate, int numSamples, double freqHz, double amplitude) {
  std::vector<float> out(static_cast<size_t>(numSamples));
  for (int i = 0; i < numSamples; ++i)
    out[static_cast<size_t>(i)] =
        static_cast<float>(amplitude * std::sin(2.0 * kPi * freqHz * i / sampleRate));
  return out;
}

inline float peakOf(const std::vector<float>& x, size_t from = 0, size_t to = SIZE_MAX) {
  float p = 0.0f;
  for (size_t i = from; i < std::min(to, x.size()); ++i) p = std::max(p, std::fabs(x[i]));
  return p;
}

inline double rmsOf(const std::vector<float>& x, size_t from = 0, size_t to = SIZE_MAX) {
  double sum = 0.0;
  const size_t end = std::min(to, x.size());
  for (size_t i = from; i < end; ++i) sum += static_cast<double>(x[i]) * x[i];
  return end > from ? std::sqrt(sum / static_cast<double>(end - from)) : 0.0;
}

inline bool allFinite(const std::vector<float>& x) {
  return std::all_of(x.begin(), x.end(), [](float v) { return std::isfinite(v); });
}

}  // namespace zv::test
