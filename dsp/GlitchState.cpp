#include "GlitchState.h"

#include <algorithm>

namespace zv {

void GlitchState::configure(double sampleRate, int captureLength) {
  sampleRate_ = sampleRate > 0.0 ? sampleRate : 44100.0;
  capture_.allocate(captureLength);
  fadeSamples_ = std::max(1, static_cast<int>(0.003 * sampleRate_));  // 3 ms pass fades
  reset();
}

void GlitchState::reset() {
  capture_.clear();
  countdown_ = 0;
  segmentStart_ = 0;
  segmentLength_ = 0;
  position_ = 0;
  repeatsLeft_ = 0;
  reverse_ = false;
  active_ = false;
  random_ = kSeed;
  envelope_ = 0.0f;
}

void GlitchState::process(float& left, float& right, float amount) {
  if (!(amount > 0.001f) || capture_.empty()) return;
  const float a = std::min(amount, 1.0f);
  const int size = capture_.size();
  capture_.write(left, right);

  float target = 0.0f;
  bool advancing = false;
  if (--countdown_ < 1) {
    if (active_ && repeatsLeft_ > 0) {
      // The same segment again, in the same direction.
      --repeatsLeft_;
      position_ = 0;
      countdown_ = segmentLength_;
      target = 1.0f;
      advancing = true;
    } else {
      active_ = false;
      const uint32_t r1 = xorshift32(random_);
      const int len = static_cast<int>(((r1 % 1000) * 0.11 / 1000.0 + 0.035) * sampleRate_);
      const uint32_t r2 = xorshift32(r1);
      random_ = r2;
      if (static_cast<int>(r2 % 1000) < static_cast<int>(520.0f * a)) {
        active_ = true;
        segmentLength_ = countdown_ = len;
        position_ = 0;
        segmentStart_ = (capture_.writeIndex() - len + size) % size;
        const uint32_t r3 = xorshift32(r2);
        repeatsLeft_ =
            static_cast<int>(r3 % static_cast<uint32_t>(static_cast<int>(4.0f * a) + 1)) + 1;
        const uint32_t r4 = xorshift32(r3);
        random_ = r4;
        reverse_ = (r4 % 100) < 22;
        target = 1.0f;
        advancing = true;
      } else {
        // No glitch this time: wait one more random interval.
        countdown_ = len;
      }
    }
  } else if (active_) {
    target = 1.0f;
    advancing = true;
  }

  // About 50 samples to cross between the live signal and the capture.
  envelope_ += (target - envelope_) * 0.02f;
  if (envelope_ > 0.001f) {
    const int p = position_;
    const int n = segmentLength_;
    const int src = ((reverse_ ? n - 1 - p : p) + segmentStart_) & capture_.mask();
    const int f = fadeSamples_;
    float fade = 1.0f;
    if (p < f)
      fade = static_cast<float>(p) / f;
    else if (n - f < p)
      fade = static_cast<float>(n - p) / f;
    const float gl = capture_.left(src);
    const float gr = capture_.right(src);
    if (advancing) {
      position_ = p + 1;
      if (position_ >= n) position_ = n - 1;
    }
    left += (gl * fade - left) * envelope_;
    right += (gr * fade - right) * envelope_;
  }
  capture_.advance();
}

}  // namespace zv
