// A power-of-two ring of samples addressed by absolute stream position.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

namespace zv {

class SampleRing {
 public:
  void allocate(int size) {  // size must be a power of two
    data_.assign(static_cast<size_t>(size), 0.0f);
    mask_ = size - 1;
  }
  void clear() { std::fill(data_.begin(), data_.end(), 0.0f); }
  int size() const { return static_cast<int>(data_.size()); }

  // The cells in ring order, for loops over a stretch that does not wrap; index = position & mask.
  const float* data() const { return data_.data(); }
  float* data() { return data_.data(); }
  int64_t mask() const { return mask_; }

  float at(int64_t position) const { return data_[static_cast<size_t>(position & mask_)]; }
  float& cell(int64_t position) { return data_[static_cast<size_t>(position & mask_)]; }

  // Straight line between floor(position) and the sample after it.
  float interpolate(double position) const {
    const double base = std::floor(position);
    const int64_t i = static_cast<int64_t>(base);
    const float frac = static_cast<float>(position - base);
    const float a = at(i);
    return a + frac * (at(i + 1) - a);
  }

 private:
  std::vector<float> data_;
  int64_t mask_ = 0;
};

}  // namespace zv
