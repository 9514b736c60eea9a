// A double-ended queue of fixed capacity in inline storage: pushing onto a full queue drops the
// oldest entry, so the audio thread never allocates for it.
#pragma once

#include <array>
#include <cstddef>

namespace zv {

template <typename T, int Capacity>
class BoundedQueue {
  static_assert((Capacity & (Capacity - 1)) == 0, "indices wrap with a mask");

 public:
  int size() const { return count_; }
  bool empty() const { return count_ == 0; }
  static constexpr int capacity() { return Capacity; }
  void clear() {
    head_ = 0;
    count_ = 0;
  }

  void pushBack(const T& value) {
    if (count_ == Capacity) popFront();
    items_[static_cast<size_t>((head_ + count_) & (Capacity - 1))] = value;
    ++count_;
  }
  void popFront() {
    head_ = (head_ + 1) & (Capacity - 1);
    --count_;
  }

  // 0 is the oldest entry, size() - 1 the newest.
  T& operator[](int i) { return items_[static_cast<size_t>((head_ + i) & (Capacity - 1))]; }
  const T& operator[](int i) const {
    return items_[static_cast<size_t>((head_ + i) & (Capacity - 1))];
  }
  T& back() { return (*this)[count_ - 1]; }
  const T& back() const { return (*this)[count_ - 1]; }
  const T& front() const { return (*this)[0]; }

 private:
  std::array<T, Capacity> items_{};
  int head_ = 0;
  int count_ = 0;
};

}  // namespace zv
