// Small helpers shared by the canvas, text and mascot tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>

#include "Canvas.h"

namespace zv::test {

inline const RGB kWhite{1.0f, 1.0f, 1.0f};
constexpr std::uint32_t kFill = 0x203040u;

// A canvas filled with one recognisable colour, so "untouched" is never confused with black.
inline Canvas blankCanvas(int w, int h, float scale, std::uint32_t fillColour = kFill) {
  Canvas c(w, h, scale);
  for (auto& p : c.pixels) p = fillColour;
  return c;
}

inline int touchedPixels(const Canvas& c, std::uint32_t fillColour = kFill) {
  int n = 0;
  for (std::uint32_t p : c.pixels) n += p != fillColour;
  return n;
}

// Pixels other than `fillColour` outside the pixel box [x0, x1) x [y0, y1).
inline int changedOutside(const Canvas& c, std::uint32_t fillColour, int x0, int y0, int x1,
                          int y1) {
  int n = 0;
  for (int y = 0; y < c.height; ++y)
    for (int x = 0; x < c.width; ++x)
      n += (x < x0 || x >= x1 || y < y0 || y >= y1) && c.pixelAt(x, y) != fillColour;
  return n;
}

}  // namespace zv::test
