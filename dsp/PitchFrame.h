// The result of one pitch analysis window.
#pragma once

#include <cstdint>

namespace zv {

struct PitchFrame {
  int64_t position = 0;  // input sample at the centre of the analysis window
  float period = 0.0f;   // input samples; 0 when unvoiced
  uint8_t voiced = 0;
  float note = 0.0f;        // fractional MIDI note (69 = A4 = 440 Hz); 0 when unvoiced
  float confidence = 0.0f;  // 0..1
};

}  // namespace zv
