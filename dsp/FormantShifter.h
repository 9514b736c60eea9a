// The consonant path's pitch shifter: two delay-line taps sweeping through a window W and
// crossfaded with sin^2 gains that sum to one. Crude for voiced sound, fine for noise.
#pragma once

#include <cstdint>

#include "SampleRing.h"

namespace zv {

class FormantShifter {
 public:
  void configure(int windowSamples) {
    window_ = windowSamples;
    reset();
  }
  void reset() { phase_ = -1.0; }

  // Shifts by ratio (2 = one octave up) around the input position centre.
  float process(const SampleRing& input, double centre, double ratio);

  double phase() const { return phase_; }

 private:
  int window_ = 970;
  double phase_ = -1.0;  // -1 = not started, read as 0
};

}  // namespace zv
