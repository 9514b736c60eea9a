// Small helpers shared by the canvas tests.
#pragma once

#include <cstdint>

#include "Canvas.h"

namespace zv::test {

inline int red(std::uint32_t p) {
  return int((p >> 16) & 0xFF);
}
inline int green(std::uint32_t p) {
  return int((p >> 8) & 0xFF);
}
inline int blue(std::uint32_t p) {
  return int(p & 0xFF);
}

// A canvas filled with one recognisable colour, so "untouched" is never confused with black.
inline Canvas blankCanvas(int w, int h, float scale, std::uint32_t fillColour = 0x203040u) {
  Canvas c(w, h, scale);
  for (auto& p : c.pixels) p = fillColour;
  return c;
}

// The expected byte of blending colour k (0..1) over byte p at opacity a, as the canvas defines it.
inline int blendByte(int p, float k, float a) {
  const float v = p / 255.0f;
  return int((v + (k - v) * a) * 255.0f + 0.5f);
}

}  // namespace zv::test
