// A colour as the canvas blends it: three gamma-encoded channels, each 0..1.
#pragma once

namespace zv {

struct RGB {
  float r = 0.0f;
  float g = 0.0f;
  float b = 0.0f;

  // The palette is written in 8-bit values; this keeps the constants readable.
  static constexpr RGB fromBytes(int red, int green, int blue) {
    return RGB{red / 255.0f, green / 255.0f, blue / 255.0f};
  }
};

// a + (b - a) * t, the one ramp every gradient uses.
constexpr RGB mix(const RGB& a, const RGB& b, float t) {
  return RGB{a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

}  // namespace zv
