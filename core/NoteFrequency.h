// MIDI note numbers (69 = A4, fractions allowed) and frequencies, one into the other.
#pragma once

#include <cmath>

namespace zv {

inline double noteToHz(double note, double a4Hz) {
  return a4Hz * std::pow(2.0, (note - 69.0) / 12.0);
}

inline double hzToNote(double hz, double a4Hz) {
  return 69.0 + 12.0 * std::log2(hz / a4Hz);
}

}  // namespace zv
