// Signed distances in pixels from a point to a shape's edge, negative inside. The canvas fill turns
// them into coverage; each shape is one small value type so the fill inlines it into its loop.
#pragma once

#include <algorithm>
#include <cmath>

namespace zv {

inline float length(float x, float y) { return std::sqrt(x * x + y * y); }

// Row spans are widened by this much so float rounding can never drop a touched pixel; a pixel
// let in needlessly is simply measured and skipped.
constexpr float kSpanMargin = 0.01f;

struct DiscDistance {
  float cx, cy, radius;
  float operator()(float px, float py) const { return length(px - cx, py - cy) - radius; }
  // Pixels up to half a pixel outside the circle can be touched.
  template <class Spans>
  void rowSpans(float py, Spans& spans) const {
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

}  // namespace zv
