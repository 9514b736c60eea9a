// Signed distances in pixels from a point to a shape's edge, negative inside. The canvas fill turns
// them into coverage; each shape is one small value type so the fill inlines it into its loop.
#pragma once

#include <algorithm>
#include <cmath>

#include "PortableMath.h"

namespace zv {

inline float length(float x, float y) {
  return std::sqrt(x * x + y * y);
}

// Row spans are widened by this much so float rounding can never drop a touched pixel; a pixel
// let in needlessly is simply measured and skipped.
constexpr float kSpanMargin = 0.01f;

// Where on one pixel row a shape can reach: up to two intervals of pixel-centre x (a ring's row
// crosses it twice). Shapes that know this let the fill skip the empty parts of their box.
struct RowSpans {
  int count = 0;
  float x0[2] = {0.0f, 0.0f};
  float x1[2] = {0.0f, 0.0f};
};

struct DiscDistance {
  float cx, cy, radius;
  float operator()(float px, float py) const { return length(px - cx, py - cy) - radius; }
  // Pixels up to half a pixel outside the circle can be touched.
  void rowSpans(float py, RowSpans& spans) const {
    const float reach = radius + 0.5f + kSpanMargin;
    const float dy = py - cy;
    if (!(std::fabs(dy) < reach)) return;
    const float half = std::sqrt(reach * reach - dy * dy);
    spans.count = 1;
    spans.x0[0] = cx - half;
    spans.x1[0] = cx + half;
  }
};

// Box of half sizes (hx, hy) around (cx, cy) with corners of radius r.
struct RoundedRectDistance {
  float cx, cy, hx, hy, r;
  float operator()(float px, float py) const {
    const float qx = std::fabs(px - cx) - (hx - r);
    const float qy = std::fabs(py - cy) - (hy - r);
    return length(std::max(qx, 0.0f), std::max(qy, 0.0f)) + std::min(std::max(qx, qy), 0.0f) - r;
  }
};

// Segment A-B swept by a disc of radius r. The 1e-6 keeps a zero-length segment a plain disc.
struct CapsuleDistance {
  float ax, ay, bx, by, r;
  float operator()(float px, float py) const {
    const float ex = bx - ax;
    const float ey = by - ay;
    const float wx = px - ax;
    const float wy = py - ay;
    const float t = std::clamp((wx * ex + wy * ey) / (ex * ex + ey * ey + 1e-6f), 0.0f, 1.0f);
    return length(wx - t * ex, wy - t * ey) - r;
  }
};

// The arc's distance keeps the colour position of the pixel it last measured, so the colour
// function does not have to find the pixel's angle a second time.
struct ArcDistance {
  float cx, cy, radius, halfThickness;
  float a0, a1, span;        // a0 <= a1, span = max(a1 - a0, 0.0001)
  float sx0, sy0, sx1, sy1;  // start and end points of the centre line
  // The gap between the ends (the angles outside a0..a1) as a direction and the cosine of its
  // half-width, narrowed well beyond any rounding: 2 when there is no usable gap.
  float gapX = 0.0f, gapY = 0.0f, gapCos = 2.0f;
  mutable float position = 0.0f;

  // Every pixel the arc touches, caps included, lies in the ring band within half a pixel of
  // the stroke: on a row, that is one or two intervals around the centre.
  void rowSpans(float py, RowSpans& spans) const {
    const float reach = radius + halfThickness + 0.5f + kSpanMargin;
    const float hole = radius - halfThickness - 0.5f - kSpanMargin;
    const float dy = py - cy;
    if (!(std::fabs(dy) < reach)) return;
    const float outer = std::sqrt(reach * reach - dy * dy);
    if (hole > 0.0f && std::fabs(dy) < hole) {
      const float inner = std::sqrt(hole * hole - dy * dy);
      spans = RowSpans{2, {cx - outer, cx + inner}, {cx - inner, cx + outer}};
    } else {
      spans = RowSpans{1, {cx - outer, 0.0f}, {cx + outer, 0.0f}};
    }
  }

  float operator()(float px, float py) const {
    const float dx = px - cx;
    const float dy = py - cy;
    const float dist = length(dx, dy);
    const float ring = std::fabs(dist - radius) - halfThickness;
    // The end points lie on the circle, so no point is nearer to them than to the ring: a pixel
    // the ring does not reach is untouched whatever its angle.
    if (ring >= 0.5f) return ring;
    // A pixel well inside the gap is out of range without measuring its angle.
    const bool inGap = dist > 1.0f && dx * gapX + dy * gapY >= gapCos * dist;
    if (!inGap) {
      const float theta = pm::atan2f(dx, -dy);
      if (theta >= a0 && theta <= a1) {
        position = (theta - a0) / span;
        return ring;
      }
    }
    // Outside the angular range: the nearer cap decides both the distance and the colour, which
    // also holds for a cap that reaches across 6 o'clock, where the angle wraps round.
    const float d0 = length(px - sx0, py - sy0);
    const float d1 = length(px - sx1, py - sy1);
    position = d0 <= d1 ? 0.0f : (a1 - a0) / span;
    return (d0 <= d1 ? d0 : d1) - halfThickness;
  }
};

}  // namespace zv
