// Colour functions for the canvas fill: each maps a pixel centre (pixel space) to a colour.
#pragma once

#include "RGB.h"

namespace zv {

// Clamps to 0..1 and maps NaN (a zero-sized gradient's 0/0) to 0.
inline float clamp01(float t) {
  return t > 0.0f ? (t < 1.0f ? t : 1.0f) : 0.0f;
}

struct SolidPaint {
  RGB colour;
  RGB operator()(float, float) const { return colour; }
};

// Runs from `top` at y0 to `bottom` at y0 + span, constant beyond.
struct VerticalGradientPaint {
  RGB top, bottom;
  float y0, span;
  RGB operator()(float, float py) const { return mix(top, bottom, clamp01((py - y0) / span)); }
};

// Runs from `left` at x0 to `right` at x0 + span, constant beyond.
struct HorizontalGradientPaint {
  RGB left, right;
  float x0, span;
  RGB operator()(float px, float) const { return mix(left, right, clamp01((px - x0) / span)); }
};

}  // namespace zv
