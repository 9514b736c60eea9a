#include "FormantShifter.h"

#include <algorithm>
#include <cmath>

#include "MathConstants.h"

namespace zv {

float FormantShifter::process(const SampleRing& input, double centre, double ratio) {
  const double w = window_;
  double phase = std::max(phase_, 0.0) + 1.0 - ratio;
  while (phase < 0.0) phase += w;
  while (phase >= w) phase -= w;
  phase_ = phase;
  double phase2 = phase + w / 2.0;
  if (phase2 >= w) phase2 -= w;
  // The second tap is half a window on, so its gain sin^2(pi*phase2/W) is cos^2(pi*phase/W):
  // the two gains sum to one.
  const double s = std::sin(kPi * phase / w);
  const double gain1 = s * s;
  const float tap1 = input.interpolate(centre - phase);
  const float tap2 = input.interpolate(centre - phase2);
  return static_cast<float>(tap1 * gain1 + tap2 * (1.0 - gain1));
}

}  // namespace zv
