// The UTF-8 reading the editor's text drawing and measuring share. It is deliberately lenient:
// continuation bytes are not checked, and four-byte sequences are not decoded but read byte by
// byte, so every byte string draws something and measures the same as it draws.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace zv {

// Reads the character at text[pos] and advances pos past it. The text ends at its end or at a
// NUL byte; callers stop when pos reaches the end or text[pos] is 0.
inline std::uint32_t nextCodePoint(std::string_view text, std::size_t& pos) {
  auto byteAt = [&](std::size_t i) -> std::uint32_t {
    return i < text.size() ? static_cast<unsigned char>(text[i]) : 0u;
  };
  const std::uint32_t lead = byteAt(pos);
  if (lead >= 0xC0 && lead <= 0xDF) {
    const std::uint32_t b1 = byteAt(pos + 1);
    if (b1 != 0) {
      pos += 2;
      return ((lead << 6) & 0x7C0) | (b1 & 0x3F);
    }
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    const std::uint32_t b1 = byteAt(pos + 1);
    const std::uint32_t b2 = b1 != 0 ? byteAt(pos + 2) : 0u;
    if (b1 != 0 && b2 != 0) {
      pos += 3;
      return ((lead << 12) & 0xFFFF) | ((b1 & 0x3F) << 6) | (b2 & 0x3F);
    }
  }
  pos += 1;
  return lead;
}

inline bool atTextEnd(std::string_view text, std::size_t pos) {
  return pos >= text.size() || text[pos] == '\0';
}

}  // namespace zv
