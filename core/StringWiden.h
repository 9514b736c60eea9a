// Our strings are 8-bit ASCII; host strings are UTF-16. Widening and narrowing go byte by byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace zv {

// Copies at most capacity - 1 characters and always terminates.
template <typename Wide>
void widen(const char* src, Wide* dst, std::size_t capacity) {
  std::size_t i = 0;
  for (; src && src[i] != '\0' && i + 1 < capacity; ++i)
    dst[i] = static_cast<Wide>(static_cast<unsigned char>(src[i]));
  dst[i] = 0;
}

// Keeps the low byte of each code unit, up to the terminator or maxUnits of them, whichever
// comes first (a host's fixed-size string need not be terminated).
template <typename Wide>
std::string narrow(const Wide* src, std::size_t maxUnits) {
  std::string out;
  for (std::size_t i = 0; src && i < maxUnits && src[i] != 0; ++i)
    out += static_cast<char>(static_cast<uint16_t>(src[i]) & 0xFF);
  return out;
}

// The same into a buffer: at most capacity - 1 characters, always terminated.
template <typename Wide>
void narrow(const Wide* src, char* dst, std::size_t capacity) {
  if (capacity == 0) return;
  const std::string text = narrow(src, capacity - 1);
  std::memcpy(dst, text.c_str(), text.size() + 1);
}

}  // namespace zv
