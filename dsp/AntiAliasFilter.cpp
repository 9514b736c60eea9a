#include "AntiAliasFilter.h"

#include <cmath>

namespace zv {

std::vector<float> designAntiAliasTaps(int decimation) {
  const int count = 8 * decimation + 1;
  const double fc = 0.45 / decimation;
  const double pi = 3.14159265358979323846;
  std::vector<float> taps(static_cast<size_t>(count));
  for (int k = 0; k < count; ++k) {
    const double x = k - (count - 1) / 2.0;
    const double s = x == 0.0 ? 2.0 * fc : std::sin(2.0 * pi * fc * x) / (pi * x);
    const double window = 0.5 - 0.5 * std::cos(2.0 * pi * k / (count - 1));
    taps[static_cast<size_t>(k)] = static_cast<float>(window * s);
  }
  double sum = 0.0;
  for (float t : taps) sum += t;
  for (float& t : taps) t = static_cast<float>(t / sum);
  return taps;
}

float decimateAt(const SampleRing& ring, int64_t newest, const std::vector<float>& taps) {
  // Four partial sums keep the double accumulation off one long dependency chain.
  double acc[4] = {0.0, 0.0, 0.0, 0.0};
  const int count = static_cast<int>(taps.size());
  int k = 0;
  for (; k + 3 < count; k += 4)
    for (int l = 0; l < 4; ++l)
      acc[l] += static_cast<double>(taps[static_cast<size_t>(k + l)]) * ring.at(newest - k - l);
  for (; k < count; ++k)
    acc[0] += static_cast<double>(taps[static_cast<size_t>(k)]) * ring.at(newest - k);
  return static_cast<float>((acc[0] + acc[1]) + (acc[2] + acc[3]));
}

}  // namespace zv
