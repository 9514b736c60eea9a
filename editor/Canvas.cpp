#include "Canvas.h"

#include <cmath>

#include "Fonts.h"

namespace zv {

namespace {

// Generous for any monitor at any editor size, small enough that a bad size cannot exhaust memory.
constexpr int kMaxSidePixels = 8192;

// floor(v) / ceil(v) limited to lo..hi, NaN giving lo, without ever converting an out-of-range
// float to int.
int floorIn(float v, int lo, int hi) {
  const float f = std::floor(v);
  if (!(f > float(lo))) return lo;
  if (!(f < float(hi))) return hi;
  return int(f);
}

int ceilIn(float v, int lo, int hi) {
  const float f = std::ceil(v);
  if (!(f > float(lo))) return lo;
  if (!(f < float(hi))) return hi;
  return int(f);
}

const RGB kDeepShadow = RGB::fromBytes(10, 8, 22);

}  // namespace

Canvas::Canvas(int w, int h, float s) : scale(s) {
  resize(w, h);
}

void Canvas::resize(int w, int h) {
  width = std::clamp(w, 0, kMaxSidePixels);
  height = std::clamp(h, 0, kMaxSidePixels);
  pixels.assign(std::size_t(width) * std::size_t(height), 0u);
}

void Canvas::clear(const RGB& colour) {
  std::fill(pixels.begin(), pixels.end(), blendPixel(0u, colour, 1.0f));
}

void Canvas::loadFonts() {
  fonts.load(res::poppinsMedium, res::poppinsBold);
}

PixelBox Canvas::clipBox(float left, float top, float right, float bottom) const {
  PixelBox box;
  if (!(left <= right) || !(top <= bottom)) return box;  // also refuses NaN
  box.x0 = floorIn(left, 0, width);
  box.x1 = ceilIn(right, -1, width - 1);
  box.y0 = floorIn(top, 0, height);
  box.y1 = ceilIn(bottom, -1, height - 1);
  return box;
}

PixelBox Canvas::boxAround(float left, float top, float right, float bottom) const {
  return clipBox(left - 1.0f, top - 1.0f, right + 1.0f, bottom + 1.0f);
}

void Canvas::circle(float cx, float cy, float r, const RGB& colour, float alpha) {
  const float s = scale;
  fill(boxAround((cx - r) * s, (cy - r) * s, (cx + r) * s, (cy + r) * s), alpha,
       DiscDistance{cx * s, cy * s, r * s}, SolidPaint{colour});
}

void Canvas::circleVGrad(float cx, float cy, float r, const RGB& top, const RGB& bottom) {
  const float s = scale;
  fill(boxAround((cx - r) * s, (cy - r) * s, (cx + r) * s, (cy + r) * s), 1.0f,
       DiscDistance{cx * s, cy * s, r * s},
       VerticalGradientPaint{top, bottom, (cy - r) * s, 2.0f * r * s});
}

namespace {

// A rectangle with a negative size has no inside, and a negative radius would grow the shape past
// its own box, where the box would cut it with a hard edge.
bool roundedRectShape(float x, float y, float w, float h, float radius, float s,
                      RoundedRectDistance& shape) {
  if (!(w >= 0.0f) || !(h >= 0.0f)) return false;
  const float r = radius > 0.0f ? radius : 0.0f;
  shape = RoundedRectDistance{(x + w * 0.5f) * s, (y + h * 0.5f) * s, w * 0.5f * s, h * 0.5f * s,
                              r * s};
  return true;
}

}  // namespace

void Canvas::rrect(float x, float y, float w, float h, float radius, const RGB& colour,
                   float alpha) {
  const float s = scale;
  RoundedRectDistance shape{};
  if (!roundedRectShape(x, y, w, h, radius, s, shape)) return;
  fill(boxAround(x * s, y * s, (x + w) * s, (y + h) * s), alpha, shape, SolidPaint{colour});
}

void Canvas::rrectGrad(float x, float y, float w, float h, float radius, const RGB& left,
                       const RGB& right, float alpha) {
  const float s = scale;
  RoundedRectDistance shape{};
  if (!roundedRectShape(x, y, w, h, radius, s, shape)) return;
  fill(boxAround(x * s, y * s, (x + w) * s, (y + h) * s), alpha, shape,
       HorizontalGradientPaint{left, right, x * s, w * s});
}

void Canvas::capsule(float x1, float y1, float x2, float y2, float thickness, const RGB& colour,
                     float alpha) {
  const float s = scale;
  const float r = thickness * 0.5f;
  fill(boxAround((std::min(x1, x2) - r) * s, (std::min(y1, y2) - r) * s, (std::max(x1, x2) + r) * s,
                 (std::max(y1, y2) + r) * s),
       alpha, CapsuleDistance{x1 * s, y1 * s, x2 * s, y2 * s, r * s}, SolidPaint{colour});
}

void Canvas::glow(float cx, float cy, float radius, const RGB& colour, float alpha, float clipX0,
                  float clipY0, float clipX1, float clipY1) {
  const float s = scale;
  const float gx = cx * s;
  const float gy = cy * s;
  const float r = radius * s;
  if (!(alpha > 0.0f) || !(r > 0.0f)) return;
  if (!(clipX0 <= clipX1) || !(clipY0 <= clipY1)) return;  // also refuses NaN
  // Clip right and bottom are exclusive: pixel i is inside when clipX0 <= i < clipX1 (pixels).
  const PixelBox box =
      clipBox(std::max(gx - r, std::ceil(clipX0 * s)), std::max(gy - r, std::ceil(clipY0 * s)),
              std::min(gx + r, std::ceil(clipX1 * s) - 1.0f),
              std::min(gy + r, std::ceil(clipY1 * s) - 1.0f));
  if (box.empty()) return;
  const float invR = 1.0f / r;
  const float reach = r + kSpanMargin;
  for (int j = box.y0; j <= box.y1; ++j) {
    std::uint32_t* row = pixels.data() + std::size_t(j) * std::size_t(width);
    const float dy = float(j) - gy;
    if (!(std::fabs(dy) < reach)) continue;
    const float half = std::sqrt(reach * reach - dy * dy);
    const int i0 = std::max(box.x0, int(std::max(std::ceil(gx - half), -1.0f)));
    const int i1 = std::min(box.x1, int(std::min(std::floor(gx + half), float(width))));
    for (int i = i0; i <= i1; ++i) {
      const float t = length(float(i) - gx, dy) * invR;
      if (!(t < 1.0f)) continue;
      float a = alpha * (1.0f - t) * (1.0f - t);
      if (a > 1.0f) a = 1.0f;
      row[i] = blendPixel(row[i], colour, a);
    }
  }
}

void Canvas::softDisc(float cx, float cy, float radius, float offsetY, float blur, float alpha) {
  const float s = scale;
  const float r = radius * s;
  // A blur of zero would divide by zero; a hair of blur gives the hard-edged disc it means.
  const float b = std::max(blur * s, 1e-3f);
  const float x = cx * s;
  const float y = (cy + offsetY) * s;
  if (!(alpha > 0.0f)) return;
  const float reach = r + b;
  const PixelBox box = clipBox(x - reach, y - reach, x + reach, y + reach);
  const float invRamp = 1.0f / (1.5f * b);
  const float spanReach = reach + kSpanMargin;
  for (int j = box.y0; j <= box.y1; ++j) {
    std::uint32_t* row = pixels.data() + std::size_t(j) * std::size_t(width);
    const float dy = float(j) + 0.5f - y;
    if (!(std::fabs(dy) < spanReach)) continue;
    // Nothing is drawn beyond radius + blur from the centre.
    const float half = std::sqrt(spanReach * spanReach - dy * dy);
    const int i0 = std::max(box.x0, int(std::max(std::ceil(x - half - 0.5f), -1.0f)));
    const int i1 = std::min(box.x1, int(std::min(std::floor(x + half - 0.5f), float(width))));
    for (int i = i0; i <= i1; ++i) {
      const float d = length(float(i) + 0.5f - x, dy) - r + 0.5f * b;
      const float t = d * invRamp;
      float a;
      if (t < 0.0f) {
        a = alpha;
      } else if (t <= 1.0f) {
        a = alpha * (1.0f - t * t * (3.0f - 2.0f * t));
      } else {
        continue;  // also NaN
      }
      if (!(a > 0.0f)) continue;
      if (a > 1.0f) a = 1.0f;
      row[i] = blendPixel(row[i], kDeepShadow, a);
    }
  }
}

}  // namespace zv
