// One-pole smoothing: y <- (y - x)*c + x per sample, c = exp(-1 / (tau*sr)).
#pragma once

#include <cmath>

namespace zv {

inline float onePoleCoefficient(double timeConstantSeconds, double sampleRate) {
  return static_cast<float>(std::exp(-1.0 / (timeConstantSeconds * sampleRate)));
}

inline float smooth(float y, float x, float c) {
  return (y - x) * c + x;
}

}  // namespace zv
