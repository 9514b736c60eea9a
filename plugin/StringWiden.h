// Our strings are 8-bit ASCII; host strings are UTF-16. Widening and narrowing go byte by byte.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zv {

// Copies at most capacity - 1 characters and always terminates.
template <typename Wide>
void widen(const char* src, Wide* dst, std::size_t capacity) {
  std::size_t i = 0;
  for (; src && src[i] != '\0' && i + 1 < capacity; ++i)
    dst[i] = static_cast<Wide>(static_cast<unsigned char>(src[i]));
  dst[i] = 0;
}

// Keeps the low byte of each code unit, at most capacity - 1 of them.
template <typename Wide>
void narrow(const Wide* src, char* dst, std::size_t capacity) {
  std::size_t i = 0;
  for (; src && src[i] != 0 && i + 1 < capacity; ++i)
    dst[i] = static_cast<char>(static_cast<uint16_t>(src[i]) & 0xFF);
  dst[i] = '\0';
}

}  // namespace zv
