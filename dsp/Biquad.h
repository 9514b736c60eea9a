// One second-order section in transposed direct form II, designed with the audio-EQ-cookbook
// low-pass and high-pass forms. Coefficients and state are double: the character filters run
// at corner frequencies far below the sample rate, where single-precision poles drift audibly.
#pragma once

#include <cmath>

#include "MathConstants.h"

namespace zv {

struct Biquad {
  double b0 = 1.0, b1 = 0.0, b2 = 0.0, a1 = 0.0, a2 = 0.0;
  double s1 = 0.0, s2 = 0.0;

  // qPrime is the design's sin(w)/alpha divisor, twice the usual Q.
  void setLowPass(double freqHz, double qPrime, double sampleRate) {
    design(freqHz, qPrime, sampleRate, false);
  }
  void setHighPass(double freqHz, double qPrime, double sampleRate) {
    design(freqHz, qPrime, sampleRate, true);
  }

  void clear() { s1 = s2 = 0.0; }

  // The section's output is handed on in single precision, as the chain between sections is.
  float process(float x) {
    const double in = x;
    const double y = b0 * in + s1;
    s1 = b1 * in - a1 * y + s2;
    s2 = b2 * in - a2 * y;
    return static_cast<float>(y);
  }

 private:
  void design(double freqHz, double qPrime, double sampleRate, bool highPass) {
    // Above the Nyquist frequency the cookbook form folds into a pole pair outside the unit
    // circle; 0.45 of the rate keeps every design stable at low host rates.
    const double f = std::fmin(std::fmax(freqHz, 1.0), 0.45 * sampleRate);
    const double w = 2.0 * kPi * f / sampleRate;
    const double cosW = std::cos(w);
    const double alpha = std::sin(w) / qPrime;
    const double a0 = 1.0 + alpha;
    a1 = -2.0 * cosW / a0;
    a2 = (1.0 - alpha) / a0;
    if (highPass) {
      b0 = b2 = (1.0 + cosW) / 2.0 / a0;
      b1 = -(1.0 + cosW) / a0;
    } else {
      b0 = b2 = (1.0 - cosW) / 2.0 / a0;
      b1 = (1.0 - cosW) / a0;
    }
  }
};

}  // namespace zv
