// The vector decorations around the figure: swinging light rays, the level halo, the floor glow,
// the sweat drop and the floating particles, and the two shapes they are made of.
#include <algorithm>
#include <cmath>

#include "MascotRig.h"
#include "MathConstants.h"
#include "PortableMath.h"

namespace zv {

namespace {

constexpr float kPiF = static_cast<float>(kPi);
constexpr float kRayHalfAngle = 0.09f;

bool finite(float v) {
  return std::isfinite(v);
}

// Each channel moves toward the ray's colour by `coverage`, rounded half up.
inline std::uint32_t rayBlend(std::uint32_t p, const float* target, float coverage) {
  std::uint32_t out = 0;
  for (int ch = 0; ch < 3; ++ch) {
    const int shift = 16 - 8 * ch;
    const float dst = static_cast<float>((p >> shift) & 0xFF);
    const float v = std::clamp(dst + (target[ch] - dst) * coverage + 0.5f, 0.0f, 255.0f);
    out |= static_cast<std::uint32_t>(v) << shift;
  }
  return out;
}

// One ray over pixels [from, to] of one row. The fast path and the every-pixel reference both
// come through here, so their pixels are the same arithmetic, not merely the same formula.
#if defined(__GNUC__)
__attribute__((noinline))
#endif
void rayRun(std::uint32_t* row, int from, int to, float dy, float originX, float rayAngle,
            const RGB& colour, float strength) {
  const float target[3] = {colour.r * 255.0f, colour.g * 255.0f, colour.b * 255.0f};
  for (int px = from; px <= to; ++px) {
    const float dx = static_cast<float>(px) + 0.5f - originX;
    const float r = std::sqrt(dx * dx + dy * dy);
    float d = pm::atan2f(dy, dx) - rayAngle;
    if (d > kPiF) d -= 2 * kPiF;
    if (d < -kPiF) d += 2 * kPiF;
    const float ad = std::fabs(d);
    if (!(ad <= (r < 1 ? 1.0f + kRayHalfAngle : 1 / r + kRayHalfAngle))) continue;
    const float f = 0.5f - (ad - kRayHalfAngle) * r;
    if (!(f > 0)) continue;
    row[px] = rayBlend(row[px], target, f <= 1 ? f * strength : strength);
  }
}

// The pixels deep inside a wedge, all at full strength: no angle needed, and runs of equal
// background pixels blend once.
#if defined(__GNUC__)
__attribute__((noinline))
#endif
void rayInside(std::uint32_t* row, int from, int to, const RGB& colour, float strength) {
  const float target[3] = {colour.r * 255.0f, colour.g * 255.0f, colour.b * 255.0f};
  std::uint32_t lastIn = 0, lastOut = rayBlend(0, target, strength);
  for (int px = from; px <= to; ++px) {
    if (row[px] != lastIn) {
      lastIn = row[px];
      lastOut = rayBlend(lastIn, target, strength);
    }
    row[px] = lastOut;
  }
}

// Clips [x0, x1) x [y0, y1) to the canvas; false when nothing is left.
bool clipRayBox(const Canvas& c, int& x0, int& y0, int& x1, int& y1) {
  x0 = std::max(x0, 0);
  y0 = std::max(y0, 0);
  x1 = std::min(x1, c.width);
  y1 = std::min(y1, c.height);
  return x0 < x1 && y0 < y1 && c.pixels.size() >= static_cast<std::size_t>(c.width) * c.height;
}

int pixelOf(float v) {
  if (!(v > -1e8f)) return -100000000;
  if (!(v < 1e8f)) return 100000000;
  return static_cast<int>(v);
}

struct HeartDistance {
  float cx, cy, sizePx;
  float operator()(float px, float py) const {
    const float qx = std::fabs(px - cx) / sizePx;
    const float qy = (cy - py) / sizePx + 0.2f;
    float d;
    if (qx + qy > 1) {
      d = length(qx - 0.25f, qy - 0.75f) - 0.35355339f;
    } else {
      const float m = 0.5f * std::max(qx + qy, 0.0f);
      const float toTop = qx * qx + (qy - 1) * (qy - 1);
      const float toAxis = (qx - m) * (qx - m) + (qy - m) * (qy - m);
      d = std::sqrt(std::min(toTop, toAxis));
      if (qx < qy) d = -d;
    }
    return d * sizePx;
  }
};

}  // namespace

void drawRaysEveryPixel(Canvas& canvas, int x0, int y0, int x1, int y1, float originX,
                        float originY, const float* rayAngles, const RGB* rayColours, int rayCount,
                        float strength) {
  if (!clipRayBox(canvas, x0, y0, x1, y1)) return;
  for (int i = 0; i < rayCount; ++i)
    for (int py = y0; py < y1; ++py)
      rayRun(canvas.pixels.data() + static_cast<std::size_t>(py) * canvas.width, x0, x1 - 1,
             static_cast<float>(py) + 0.5f - originY, originX, rayAngles[i], rayColours[i],
             strength);
}

void drawRays(Canvas& canvas, int x0, int y0, int x1, int y1, float originX, float originY,
              const float* rayAngles, const RGB* rayColours, int rayCount, float strength) {
  if (!clipRayBox(canvas, x0, y0, x1, y1) || !finite(originX) || !finite(originY) ||
      !(strength > 0) || rayCount <= 0)
    return;
  // The wedge's edges on a row are each ray's angle plus or minus a reach that depends only on
  // the row: their sines and cosines come from the angle-addition formulas, with one sinCos per
  // ray and two per row. Rows are independent, so taking every ray on one row before the next
  // still applies the rays to each pixel in index order.
  constexpr int kRaysAtOnce = 16;
  if (rayCount > kRaysAtOnce) {  // in groups, each group over all rows before the next
    drawRays(canvas, x0, y0, x1, y1, originX, originY, rayAngles, rayColours, kRaysAtOnce,
             strength);
    drawRays(canvas, x0, y0, x1, y1, originX, originY, rayAngles + kRaysAtOnce,
             rayColours + kRaysAtOnce, rayCount - kRaysAtOnce, strength);
    return;
  }
  double raySin[kRaysAtOnce], rayCos[kRaysAtOnce];
  for (int i = 0; i < rayCount; ++i) pm::sinCos(rayAngles[i], raySin[i], rayCos[i]);
  for (int py = y0; py < y1; ++py) {
    std::uint32_t* row = canvas.pixels.data() + static_cast<std::size_t>(py) * canvas.width;
    const float dy = static_cast<float>(py) + 0.5f - originY;
    // A pixel is touched only when its angle from the ray is below 0.09 + 0.5 / r, and r is at
    // least |dy|: on a row above the origin the wedge spans the columns between its two edges
    // (cot is monotonic while both edges point upwards). The 1e-3 of slack, 500 times atan2's
    // error, already covers every rounding; the edge columns get one more pixel on the outside.
    const double reach = kRayHalfAngle + 0.5 / std::fabs(static_cast<double>(dy)) + 1e-3;
    // Full strength where 0.5 - (|d| - 0.09) r > 1 for every r >= |dy|: angles within
    // 0.09 - 0.5 / |dy| of the ray (less slack), between the two inner edges.
    const double inner = kRayHalfAngle - 0.5 / std::fabs(static_cast<double>(dy)) - 1e-3;
    double reachSin = 0, reachCos = 1, innerSin = 0, innerCos = 1;
    if (dy < -1.0f) {
      pm::sinCos(reach, reachSin, reachCos);
      if (inner > 0) pm::sinCos(inner, innerSin, innerCos);
    }
    for (int i = 0; i < rayCount; ++i) {
      const double rayAngle = rayAngles[i];
      const double rs = raySin[i], rc = rayCos[i];
      // x of the pixels whose centres lie at angles ray - q and ray + q from the origin.
      auto edges = [&](double qs, double qc, double& xMinus, double& xPlus) {
        xMinus = originX + dy * (rc * qc + rs * qs) / (rs * qc - rc * qs) - 0.5;
        xPlus = originX + dy * (rc * qc - rs * qs) / (rs * qc + rc * qs) - 0.5;
      };
      int from = x0, to = x1 - 1;
      const double lo = rayAngle - reach, hi = rayAngle + reach;
      if (dy < -1.0f && lo > -pm::kPi + 0.01 && hi < -0.01) {
        double xa, xb;
        edges(reachSin, reachCos, xa, xb);
        from = std::max(x0, pixelOf(static_cast<float>(std::floor(std::min(xa, xb)) - 1)));
        to = std::min(x1 - 1, pixelOf(static_cast<float>(std::ceil(std::max(xa, xb)) + 1)));
        if (inner > 0 && from <= to) {
          double ia, ib;
          edges(innerSin, innerCos, ia, ib);
          const int in0 = std::max(from, pixelOf(static_cast<float>(std::ceil(std::min(ia, ib)))));
          const int in1 = std::min(to, pixelOf(static_cast<float>(std::floor(std::max(ia, ib)))));
          if (in0 <= in1) {
            if (from < in0)
              rayRun(row, from, in0 - 1, dy, originX, rayAngles[i], rayColours[i], strength);
            rayInside(row, in0, in1, rayColours[i], strength);
            if (in1 < to)
              rayRun(row, in1 + 1, to, dy, originX, rayAngles[i], rayColours[i], strength);
            continue;
          }
        }
      }
      if (from <= to) rayRun(row, from, to, dy, originX, rayAngles[i], rayColours[i], strength);
    }
  }
}

void MascotRig::capsule(Canvas& canvas, float x0, float y0, float x1, float y1, float lineWidth,
                        const RGB& colour, float alpha) const {
  const float k = canvas.scale;
  if (!finite(x0) || !finite(y0) || !finite(x1) || !finite(y1) || !finite(lineWidth) ||
      !(alpha > 0) || !(k > 0))
    return;
  const float half = lineWidth * k / 2;
  PixelBox box = canvas.boxAround(std::min(x0, x1) * k - half, std::min(y0, y1) * k - half,
                                  std::max(x0, x1) * k + half, std::max(y0, y1) * k + half);
  box.x0 = std::max(box.x0, pixelOf(x * k) + 2);
  box.y0 = std::max(box.y0, pixelOf(y * k) + 2);
  box.x1 = std::min(box.x1, pixelOf((x + width) * k) - 3);
  box.y1 = std::min(box.y1, pixelOf((y + height) * k) - 3);
  canvas.fill(box, alpha, CapsuleDistance{x0 * k, y0 * k, x1 * k, y1 * k, half},
              SolidPaint{colour});
}

void MascotRig::heart(Canvas& canvas, float cx, float cy, float size, const RGB& colour,
                      float alpha) const {
  const float k = canvas.scale;
  if (!finite(cx) || !finite(cy) || !finite(size) || !(size > 0) || !(k > 0)) return;
  const float reach = 1.2f * size * k;
  canvas.fill(canvas.clipBox(cx * k - reach, cy * k - reach, cx * k + reach, cy * k + reach), alpha,
              HeartDistance{cx * k, cy * k, size * k}, SolidPaint{colour});
}

void MascotRig::drawBackdrop(Canvas& canvas, float s, float ox, float oy, const RigFrame& head) {
  const float k = canvas.scale;
  const bool delighted = mode == Mood::Delighted;

  float angles[8];
  RGB colours[8];
  for (int i = 0; i < 8; ++i) {
    angles[i] = static_cast<float>(pm::sin(0.8 * i + 0.7 * time) * 0.9 - pm::kPi / 2);
    if (delighted) {
      const double t = 0.5 * time + 0.125 * i;
      const float u = static_cast<float>(t - std::floor(t));
      const RGB c = mix(kRigCyan, kRigViolet, u);
      colours[i] = mix(c, kRigPink, static_cast<float>(std::fabs(pm::sin(pm::kPi * u))));
    } else {
      colours[i] = i % 2 == 0 ? kRigPink : kRigViolet;
    }
  }
  const float strength = 0.12f * groove + 0.05f + (delighted ? 0.06f : 0.0f);
  drawRays(canvas, pixelOf(x * k), pixelOf(y * k), pixelOf((x + width) * k),
           pixelOf((y + height) * k), (x + width / 2) * k, (y + height + 10) * k, angles, colours,
           8, strength);

  // The level halo around the head, newest samples first, two turns of the last sixteen.
  float cx, cy;
  head.map(186.9f, 125.2f, cx, cy);
  cx = ox + cx * s;
  cy = oy + cy * s;
  const float floorY = y + height - 4;
  for (int j = 0; j < 36; ++j) {
    double sn, cs;
    pm::sinCos(2.0 * pm::kPi * j / 36.0 + 0.3 * time, sn, cs);
    const float m =
        static_cast<float>(0.4 * pm::sin(1.7 * j + 9.0 * time) + 0.6) * levelSample(j % 16);
    const float inner = 52, outer = 52 + 3 + 22 * m * (groove + 0.5f);
    const float ax = cx + inner * static_cast<float>(cs), ay = cy + inner * static_cast<float>(sn);
    const float bx = cx + outer * static_cast<float>(cs), by = cy + outer * static_cast<float>(sn);
    if (ay > floorY || by > floorY) continue;
    capsule(canvas, ax, ay, bx, by, 3.2f, mix(kRigViolet, kRigPink, j / 36.0f), 0.4f * m + 0.55f);
  }

  canvas.glow(x + width / 2, y + height + 4, 75 + 12 * level, delighted ? kRigPink : kRigViolet,
              0.2f * groove + 0.16f, x, y, x + width, y + height);
}

void MascotRig::drawSweatDrop(Canvas& canvas, float s, float ox, float oy, const RigFrame& head) {
  float px, py;
  head.map(272, 120, px, py);
  px = ox + px * s;
  py = oy + py * s;
  canvas.circle(px, py + 6, 5, kSweatBlue, 0.9f);
  capsule(canvas, px, py - 4, px, py + 4, 3.5f, kSweatBlue, 0.9f);
  canvas.circle(px - 1.5f, py + 5, 1.5f, RGB::fromBytes(255, 255, 255), 0.9f);
}

void MascotRig::drawParticles(Canvas& canvas) {
  for (const Particle& p : particles) {
    if (!(p.life > 0)) continue;
    const float t = p.age / p.life;
    const float fade = t < 0.15f ? t / 0.15f : 1 - (t - 0.15f) / 0.85f;
    if (!(p.x >= x + 12 && p.x <= x + width - 14 && p.y >= y + 18 && p.y <= y + height - 10))
      continue;
    const RGB colour{p.red, p.green, p.blue};
    switch (p.kind) {
      case ParticleKind::Note: {
        const float wx = p.x + 4 * static_cast<float>(pm::sin(4.0 * p.age));
        canvas.circle(wx, p.y, 3.06f, colour, fade);
        capsule(canvas, wx + 2.7f, p.y, wx + 2.7f, p.y - 10.8f, 1.44f, colour, fade);
        capsule(canvas, wx + 2.7f, p.y - 10.8f, wx + 7.2f, p.y - 7.2f, 1.44f, colour, fade);
        break;
      }
      case ParticleKind::Heart:
        heart(canvas, p.x + 4 * static_cast<float>(pm::sin(4.0 * p.age)), p.y, 6, kHeartPink, fade);
        break;
      case ParticleKind::Sparkle: {
        double sn, cs;
        pm::sinCos(p.spin, sn, cs);
        const float ex = 3.5f * static_cast<float>(cs), ey = 3.5f * static_cast<float>(sn);
        capsule(canvas, p.x - ex, p.y - ey, p.x + ex, p.y + ey, 2.5f, colour, fade);
        break;
      }
      case ParticleKind::Sleep: {
        const float size = 11 + 6 * p.age;
        canvas.text("Z", p.x + 1, p.y + 1, size, kSleepShadow, 1, true, 0, 0.6f * fade);
        canvas.text("Z", p.x, p.y, size, kSleepBlue, 1, true, 0, fade);
        break;
      }
    }
  }
}

}  // namespace zv
