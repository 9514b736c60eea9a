// Small helpers shared by the canvas, text and mascot tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>

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

// Draws with `draw` on a small canvas and, shifted by (+20, +20) units, on a large one: the small
// canvas must hold exactly the large one's pixels where they overlap, and nothing may be written
// outside.
inline void expectClippedLikeShifted(const std::function<void(Canvas&, float)>& draw) {
  const int w = 40, h = 30, shift = 20;
  Canvas small = blankCanvas(w, h, 1.0f);
  Canvas large = blankCanvas(w + 2 * shift, h + 2 * shift, 1.0f);
  draw(small, 0.0f);
  draw(large, 20.0f);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      ASSERT_EQ(small.pixelAt(x, y), large.pixelAt(x + shift, y + shift)) << x << "," << y;
  EXPECT_GT(touchedPixels(small), 0);
  EXPECT_EQ(small.pixels.size(), std::size_t(w) * h);
}

}  // namespace zv::test
