// The software raster every pixel of the editor and the mascot goes through. Each primitive is a
// box, a signed distance and a colour: the one generic fill below turns them into anti-aliased
// pixels, and the shapes are thin callers of it.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "Distance.h"
#include "FontSet.h"
#include "Paint.h"
#include "PortableMath.h"
#include "RGB.h"
#include "TextStyle.h"

namespace zv {

// Inclusive pixel range; empty when x0 > x1 or y0 > y1.
struct PixelBox {
  int x0 = 0, y0 = 0, x1 = -1, y1 = -1;
  bool empty() const { return x0 > x1 || y0 > y1; }
};

constexpr std::uint32_t packRGB(int r, int g, int b) {
  return (std::uint32_t(r) << 16) | (std::uint32_t(g) << 8) | std::uint32_t(b);
}

// byte / 255 for every byte, so the blend does not divide per channel (the same values).
struct ByteToUnit {
  float v[256];
  constexpr ByteToUnit() : v() {
    for (int i = 0; i < 256; ++i) v[i] = float(i) / 255.0f;
  }
};
inline constexpr ByteToUnit kByteToUnit{};

// Blends colour k over the stored pixel p with opacity a (0..1), channel by channel in
// gamma-encoded 8-bit space: p + (k - p) * a, rounded half up. There is no destination alpha.
inline std::uint32_t blendPixel(std::uint32_t p, const RGB& k, float a) {
  auto channel = [a](std::uint32_t byte, float target) -> std::uint32_t {
    const float v = kByteToUnit.v[byte];
    const float f = (v + (target - v) * a) * 255.0f + 0.5f;
    // A colour function may hand back values outside 0..1 (or NaN); keep the byte in range.
    return f > 0.0f ? (f < 255.0f ? std::uint32_t(f) : 255u) : 0u;
  };
  return (channel((p >> 16) & 0xFF, k.r) << 16) | (channel((p >> 8) & 0xFF, k.g) << 8) |
         channel(p & 0xFF, k.b);
}

// Whether a distance type offers rowSpans(py, spans) (see RowSpans in Distance.h).
template <class D, class = void>
struct HasRowSpans : std::false_type {};
template <class D>
struct HasRowSpans<
    D, std::void_t<decltype(std::declval<const D&>().rowSpans(0.0f, std::declval<RowSpans&>()))>>
    : std::true_type {};

class Canvas {
 public:
  Canvas() = default;
  Canvas(int width, int height, float scale);

  // Reallocates the pixels (black); the fonts and their caches stay.
  void resize(int width, int height);
  void clear(const RGB& colour);
  // Parses the two embedded faces into this canvas's font set.
  void loadFonts();

  std::uint32_t pixelAt(int x, int y) const {
    return x >= 0 && y >= 0 && x < width && y < height ? pixels[std::size_t(y) * width + x] : 0u;
  }

  // --- Shapes. Arguments are layout units (multiplied by scale here); alpha multiplies coverage.
  void circle(float cx, float cy, float r, const RGB& colour, float alpha = 1.0f);
  void circleVGrad(float cx, float cy, float r, const RGB& top, const RGB& bottom);
  void rrect(float x, float y, float w, float h, float radius, const RGB& colour,
             float alpha = 1.0f);
  void rrectGrad(float x, float y, float w, float h, float radius, const RGB& left,
                 const RGB& right, float alpha = 1.0f);
  // A straight stroke of full width thickness from (x1, y1) to (x2, y2) with round caps.
  void capsule(float x1, float y1, float x2, float y2, float thickness, const RGB& colour,
               float alpha = 1.0f);

  // Stroke along the circle of radius from angle a0 to a1 with round caps. Angles are radians
  // from 12 o'clock, clockwise. ringColour(t) gives the colour at position t along the arc, 0 at
  // the smaller angle and 1 at the larger; pixels around a cap take that end's colour.
  template <class RingColour>
  void arc(float cx, float cy, float radius, float thickness, float a0, float a1,
           const RingColour& ringColour, float alpha = 1.0f);
  void arc(float cx, float cy, float radius, float thickness, float a0, float a1, const RGB& colour,
           float alpha = 1.0f) {
    arc(
        cx, cy, radius, thickness, a0, a1, [&colour](float) { return colour; }, alpha);
  }

  // Radial glow, alpha * (1 - t)^2 at t = distance / radius, measured from integer pixel
  // coordinates, limited to the clip rectangle (right and bottom exclusive). The defaults leave
  // it unclipped.
  void glow(float cx, float cy, float radius, const RGB& colour, float alpha, float clipX0 = -1e30f,
            float clipY0 = -1e30f, float clipX1 = 1e30f, float clipY1 = 1e30f);
  // A blurred dark disc (drop shadow) centred at (cx, cy + offsetY).
  void softDisc(float cx, float cy, float radius, float offsetY, float blur, float alpha);

  // --- Text (UTF-8; x, y, size and letterSpacing in layout units; y is the baseline).
  // align: 0 left edge at x, 1 centred on x, 2 right edge at x.
  void text(std::string_view text, float x, float y, float size, const RGB& colour, int align = 0,
            bool bold = false, float letterSpacing = 0.0f, float alpha = 1.0f);
  // The advance width the alignment uses, including the spacing after the last character.
  float textWidth(std::string_view text, float size, bool bold = false, float letterSpacing = 0.0f);
  // The same two with the look in one record.
  void text(std::string_view s, float x, float y, const TextStyle& style) {
    text(s, x, y, style.size, style.colour, style.align, style.bold, style.letterSpacing,
         style.alpha);
  }
  float textWidth(std::string_view s, const TextStyle& style) {
    return textWidth(s, style.size, style.bold, style.letterSpacing);
  }
  // The cached rasterisation of one character of one face at one pixel size.
  const Glyph& glyph(int face, std::uint32_t codePoint, int pixelSize);
  // The pixel size text of `size` layout units is drawn at on this canvas.
  int pixelSizeFor(float size) const;

  // --- The generic fill. box is in pixels; distance(px, py) is the signed distance in pixels
  // from a pixel centre to the edge (negative inside); colour(px, py) is called only for pixels
  // the shape covers.
  template <class Distance, class Colour>
  void fill(const PixelBox& box, float alpha, const Distance& distance, const Colour& colour);

  // The pixels whose centres may lie within half a pixel of the pixel-space bounds, clipped to
  // the canvas.
  PixelBox boxAround(float left, float top, float right, float bottom) const;
  // Pixels x0..x1, y0..y1 (inclusive, rounded outwards), clipped to the canvas.
  PixelBox clipBox(float left, float top, float right, float bottom) const;

  std::int32_t width = 0;
  std::int32_t height = 0;
  float scale = 1.0f;                 // pixels per layout unit
  std::vector<std::uint32_t> pixels;  // 0x00RRGGBB, rows top to bottom
  FontSet fonts;
};

template <class Distance, class Colour>
void Canvas::fill(const PixelBox& box, float alpha, const Distance& distance,
                  const Colour& colour) {
  if (box.empty() || !(alpha > 0.0f)) return;
  // Inside a solid shape every pixel gets the same colour at the same opacity, and neighbouring
  // pixels underneath are mostly equal: remembering the last blend saves most of the arithmetic.
  constexpr bool kSolid = std::is_same<Colour, SolidPaint>::value;
  const float insideAlpha = alpha < 1.0f ? alpha : 1.0f;
  bool remembered = false;
  std::uint32_t rememberedIn = 0, rememberedOut = 0;
  for (int j = box.y0; j <= box.y1; ++j) {
    std::uint32_t* row = pixels.data() + std::size_t(j) * std::size_t(width);
    const float py = float(j) + 0.5f;
    auto pixelRun = [&](int from, int to) {
      for (int i = from; i <= to; ++i) {
        const float px = float(i) + 0.5f;
        float c = 0.5f - distance(px, py);
        if (!(c > 0.0f)) continue;  // also skips NaN distances
        if constexpr (kSolid) {
          if (c >= 1.0f) {
            if (!remembered || row[i] != rememberedIn) {
              remembered = true;
              rememberedIn = row[i];
              rememberedOut = blendPixel(row[i], colour(px, py), insideAlpha);
            }
            row[i] = rememberedOut;
            continue;
          }
        }
        if (c > 1.0f) c = 1.0f;
        float a = c * alpha;
        if (a > 1.0f) a = 1.0f;
        row[i] = blendPixel(row[i], colour(px, py), a);
      }
    };
    if constexpr (HasRowSpans<Distance>::value) {
      RowSpans spans;
      distance.rowSpans(py, spans);
      for (int k = 0; k < spans.count; ++k) {
        // Pixel i has its centre at i + 0.5; the interval may be wider than the box.
        const float lo = std::max(std::ceil(spans.x0[k] - 0.5f), float(box.x0));
        const float hi = std::min(std::floor(spans.x1[k] - 0.5f), float(box.x1));
        if (lo <= hi) pixelRun(int(lo), int(hi));
      }
    } else {
      pixelRun(box.x0, box.x1);
    }
  }
}

template <class RingColour>
void Canvas::arc(float cx, float cy, float radius, float thickness, float a0, float a1,
                 const RingColour& ringColour, float alpha) {
  if (!std::isfinite(a0) || !std::isfinite(a1)) return;  // no end points to cap
  if (a1 < a0) std::swap(a0, a1);
  const float s = scale;
  ArcDistance d;
  d.cx = cx * s;
  d.cy = cy * s;
  d.radius = radius * s;
  d.halfThickness = thickness * s * 0.5f;
  d.a0 = a0;
  d.a1 = a1;
  d.span = std::max(a1 - a0, 0.0001f);
  double sn, cs;
  pm::sinCos(a0, sn, cs);
  d.sx0 = float(d.cx + double(d.radius) * sn);
  d.sy0 = float(d.cy - double(d.radius) * cs);
  pm::sinCos(a1, sn, cs);
  d.sx1 = float(d.cx + double(d.radius) * sn);
  d.sy1 = float(d.cy - double(d.radius) * cs);
  // Angles are measured in (-pi, pi], so the part of a0..a1 inside that interval is what counts.
  const double lo = std::max(double(a0), -pm::kPi);
  const double hi = std::min(double(a1), pm::kPi);
  const double gapHalf = lo <= hi ? pm::kPi - (hi - lo) * 0.5 : pm::kPi;
  const double narrowed = gapHalf - 1e-3;  // far beyond the angle's error of about 2e-6
  if (lo > hi) {
    d.gapCos = -2.0f;            // the whole circle is outside the range
  } else if (narrowed > 0.02) {  // below that, rounding in the dot product could matter
    pm::sinCos((lo + hi) * 0.5 + pm::kPi, sn, cs);
    d.gapX = float(sn);
    d.gapY = float(-cs);
    d.gapCos = float(pm::cos(narrowed));
  }
  const float reach = d.radius + d.halfThickness + 2.0f;
  fill(clipBox(d.cx - reach, d.cy - reach, d.cx + reach, d.cy + reach), alpha, d,
       [&d, &ringColour](float, float) -> RGB { return ringColour(d.position); });
}

}  // namespace zv
