// A sung vowel for the detector's octave checks: a glottal pulse train through three formant
// resonators, with optional vibrato and breath noise, phase continuous through note changes.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

#include "Signals.h"

namespace zvtest {

// Average adult formants (Peterson and Barney). "o" and "u" are the back vowels whose first
// formant sits on the second harmonic of notes around D4-F4 (o) and D3-E4 (u), where a half-period
// dip is most tempting; "i" and "u" put it on the fundamental of high notes; "a" and "e" are the
// bright, open cases where taking a longer period would be the error.
struct VowelFormants {
  char vowel;
  double hz[3];
};
constexpr VowelFormants kVowels[] = {{'a', {730, 1090, 2440}},
                                     {'e', {530, 1840, 2480}},
                                     {'i', {270, 2290, 3010}},
                                     {'o', {570, 840, 2410}},
                                     {'u', {300, 870, 2240}}};

struct SungSegment {
  double note = 60.0;  // 0: silence
  double seconds = 0.2;
  double vibratoCents = 0.0;  // each way, 5.5 Hz
  double breath = 0.0;        // aspiration noise against the pulse
};

class VowelVoice {
 public:
  VowelVoice(const VowelFormants& v, double sr) : vowel_(v), sr_(sr) {}

  void sing(const SungSegment& s, std::vector<float>& out) {
    const int n = static_cast<int>(s.seconds * sr_);
    const int edge = static_cast<int>(0.01 * sr_);
    for (int i = 0; i < n; ++i) {
      double pulse = 0.0;
      if (s.note > 0.0) {
        const double cents = s.vibratoCents * std::sin(2.0 * kPi * 5.5 * i / sr_);
        phase_ += noteHz(s.note + cents / 100.0) / sr_;
        phase_ -= std::floor(phase_);
        // Derivative of a Rosenberg flow: 40 % opening, 16 % closing.
        const double flow = phase_ < 0.4    ? 0.5 - 0.5 * std::cos(kPi * phase_ / 0.4)
                            : phase_ < 0.56 ? std::cos(0.5 * kPi * (phase_ - 0.4) / 0.16)
                                            : 0.0;
        seed_ = seed_ * 1664525u + 1013904223u;
        const double white = static_cast<double>(seed_ >> 8) / 8388608.0 - 1.0;
        pulse = (flow - lastFlow_) * sr_ / noteHz(s.note) / 8.0 + s.breath * white * (0.3 + flow);
        lastFlow_ = flow;
        const bool fromSilence = lastNote_ <= 0.0;
        if (fromSilence && i < edge) pulse *= static_cast<double>(i) / edge;
      }
      for (int k = 0; k < 3; ++k) pulse = resonate(k, pulse);
      out.push_back(static_cast<float>(0.3 * pulse));
    }
    lastNote_ = s.note;
  }

 private:
  double resonate(int k, double x) {
    const double r = std::exp(-kPi * 90.0 / sr_);
    const double a1 = 2.0 * r * std::cos(2.0 * kPi * vowel_.hz[k] / sr_), a2 = -r * r;
    const double y = (1.0 - a1 - a2) * x + a1 * y1_[k] + a2 * y2_[k];
    y2_[k] = y1_[k];
    y1_[k] = y;
    return y;
  }
  VowelFormants vowel_;
  double sr_;
  double phase_ = 0.0, lastFlow_ = 0.0, lastNote_ = 0.0;
  double y1_[3] = {0, 0, 0}, y2_[3] = {0, 0, 0};
  uint32_t seed_ = 2024u;
};

}  // namespace zvtest
