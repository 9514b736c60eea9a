// A power-of-two ring of samples addressed by absolute stream position.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

namespace zv {

class SampleRing {
 public:
  SampleRing() = default;
  SampleRing(const SampleRing& other) { *this = other; }
  SampleRing& operator=(const SampleRing& other) {
    if (this == &other) return *this;
    allocate(other.size_);
    if (size_ > 0) std::memcpy(data_.get(), other.data_.get(), sizeof(float) * size_);
    clean_ = other.clean_;
    return *this;
  }
  SampleRing(SampleRing&&) noexcept = default;
  SampleRing& operator=(SampleRing&&) noexcept = default;

  // size must be a power of two. The cells come zeroed from the allocator, which for a long
  // line means pages the system has not even handed out yet: a line that is never written (a
  // stutter or glitch capture while those are off) costs no memory traffic at all.
  void allocate(int size) {
    data_.reset(size > 0
                    ? static_cast<float*>(std::calloc(static_cast<size_t>(size), sizeof(float)))
                    : nullptr);
    if (size > 0 && !data_) throw std::bad_alloc();
    size_ = size > 0 ? size : 0;
    mask_ = size_ > 0 ? size_ - 1 : 0;
    clean_ = true;
  }
  // Zeroes the cells; a ring nothing was written to since it was last zeroed is left alone.
  void clear() {
    if (clean_) return;
    std::memset(data_.get(), 0, sizeof(float) * static_cast<size_t>(size_));
    clean_ = true;
  }
  int size() const { return size_; }

  // The cells in ring order, for loops over a stretch that does not wrap; index = position & mask.
  const float* data() const { return data_.get(); }
  float* data() {
    clean_ = false;
    return data_.get();
  }
  int64_t mask() const { return mask_; }

  float at(int64_t position) const { return data_[static_cast<size_t>(position & mask_)]; }
  float& cell(int64_t position) {
    clean_ = false;
    return data_[static_cast<size_t>(position & mask_)];
  }

  // Straight line between floor(position) and the sample after it.
  float interpolate(double position) const {
    const double base = std::floor(position);
    const int64_t i = static_cast<int64_t>(base);
    const float frac = static_cast<float>(position - base);
    const float a = at(i);
    return a + frac * (at(i + 1) - a);
  }

 private:
  struct Free {
    void operator()(float* p) const { std::free(p); }
  };
  std::unique_ptr<float[], Free> data_;
  int size_ = 0;
  int64_t mask_ = 0;
  bool clean_ = true;  // every cell is 0
};

}  // namespace zv
