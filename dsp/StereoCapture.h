// The last stretch of a channel pair, kept for playing back: the capture of the glitch and
// stutter effects.
#pragma once

#include "EngineConfig.h"
#include "SampleRing.h"

namespace zv {

class StereoCapture {
 public:
  // Sizes both lines to the power of two at or above `length` and clears them.
  void allocate(int length) {
    const int size = nextPowerOfTwo(length);
    left_.allocate(size);
    right_.allocate(size);
    mask_ = size - 1;
    writeIndex_ = 0;
  }
  void clear() {
    left_.clear();
    right_.clear();
    writeIndex_ = 0;
  }
  bool empty() const { return left_.size() == 0; }
  int size() const { return mask_ + 1; }
  int mask() const { return mask_; }

  // The pair goes in at the write index, which moves on one sample with advance().
  int writeIndex() const { return writeIndex_; }
  void write(float left, float right) {
    left_.cell(writeIndex_) = left;
    right_.cell(writeIndex_) = right;
  }
  void advance() { writeIndex_ = (writeIndex_ + 1) & mask_; }

  float left(int index) const { return left_.at(index); }
  float right(int index) const { return right_.at(index); }

 private:
  SampleRing left_;
  SampleRing right_;
  int mask_ = 0;
  int writeIndex_ = 0;
};

}  // namespace zv
