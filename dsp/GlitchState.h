// "Glitch": captures the last 35..145 ms of the wet pair at random moments and plays it back
// two or more times, sometimes reversed, crossfading to and from the live signal.
#pragma once

#include <cstdint>

#include "StereoCapture.h"

namespace zv {

// Marsaglia's 32-bit xorshift: cheap, allocation-free and the same sequence on every platform,
// so a glitch pattern is reproducible after a reset.
inline uint32_t xorshift32(uint32_t s) {
  s ^= s << 13;
  s ^= s >> 17;
  s ^= s << 5;
  return s;
}

class GlitchState {
 public:
  static constexpr uint32_t kSeed = 777;

  // Sizes the capture lines (captureLength should cover 1.2 s; it is rounded up to a power of two)
  // and clears.
  void configure(double sampleRate, int captureLength);
  void reset();

  // One sample of the pair, changed in place; amounts up to 0.001 leave it and the state alone.
  void process(float& left, float& right, float amount);

  int writeIndex() const { return capture_.writeIndex(); }
  uint32_t randomState() const { return random_; }
  bool active() const { return active_; }
  bool reversed() const { return reverse_; }
  int segmentLength() const { return segmentLength_; }
  int repeatsLeft() const { return repeatsLeft_; }
  float envelope() const { return envelope_; }

 private:
  double sampleRate_ = 44100.0;
  StereoCapture capture_;
  int fadeSamples_ = 1;
  int countdown_ = 0;
  int segmentStart_ = 0;
  int segmentLength_ = 0;
  int position_ = 0;
  int repeatsLeft_ = 0;
  bool reverse_ = false;
  bool active_ = false;
  uint32_t random_ = kSeed;
  float envelope_ = 0.0f;
};

}  // namespace zv
