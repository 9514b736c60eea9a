#include "MascotRig.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

#include "MascotImages.h"
#include "PortableMath.h"
#include "StbImage.h"

namespace zv {

namespace {

// Fitting: the figure fills the rectangle's height less this many units ...
constexpr float kHeadroom = 14;
// ... and stands this far below its bottom edge, so the torso runs out of the frame.
constexpr float kSink = 6;
// A level may be enlarged by at most this factor before the next larger one is used.
constexpr float kMaxEnlargement = 1.08f;
// Bilinear weights below this (out of 65536 * 255) are too faint to show.
constexpr std::uint32_t kMinWeightSum = 199999;
// The weight sum of four opaque texels.
constexpr std::uint32_t kOpaqueSum = 65536u * 255u;

bool finite(float v) {
  return std::isfinite(v);
}

// p -> R(phi) p about pivot (px, py), expressed in the parent frame.
RigFrame about(const RigFrame& parent, float px, float py, float phi) {
  double sn, cs;
  pm::sinCos(phi, sn, cs);
  const float qx = static_cast<float>(px - (cs * px - sn * py));
  const float qy = static_cast<float>(py - (sn * px + cs * py));
  RigFrame f;
  f.angle = parent.angle + phi;
  parent.map(qx, qy, f.x, f.y);
  return f;
}

// The range of t where lo <= m t + q <= hi, as [t0, t1]; false when there is none.
bool solveSpan(float m, float q, float lo, float hi, float& t0, float& t1) {
  if (std::fabs(m) < 1e-6f) {
    if (q < lo - 1e-3f || q > hi + 1e-3f) return false;
    t0 = -1e30f;
    t1 = 1e30f;
    return true;
  }
  const float a = (lo - q) / m, b = (hi - q) / m;
  t0 = std::min(a, b);
  t1 = std::max(a, b);
  return true;
}

// v limited to lo..hi as an int; NaN gives lo.
int clampToInt(float v, int lo, int hi) {
  if (!(v > static_cast<float>(lo))) return lo;
  if (!(v < static_cast<float>(hi))) return hi;
  return static_cast<int>(v);
}

}  // namespace

// --- Images ---------------------------------------------------------------------------------

SpriteLevel decodeMascotPng(int index, const unsigned char* png, std::size_t size) {
  SpriteLevel level;
  if (index < 0 || index >= kMascotPartCount || png == nullptr || size == 0 ||
      size > static_cast<std::size_t>(INT_MAX))
    return level;
  int w = 0, h = 0, channels = 0;
  unsigned char* rgba = decodePngRgba(png, static_cast<int>(size), w, h, channels);
  if (rgba == nullptr) return level;
  const MascotPart& row = kMascotParts[index];
  if (w == static_cast<int>(row.width) && h == static_cast<int>(row.height)) {
    level.width = w;
    level.height = h;
    level.pixels.assign(rgba, rgba + static_cast<std::size_t>(w) * h * 4);
  }
  freeDecodedPng(rgba);
  return level;
}

SpriteLevel halveSpriteLevel(const SpriteLevel& from) {
  SpriteLevel to;
  const int w = from.width, h = from.height;
  if (w <= 0 || h <= 0 || from.pixels.size() < static_cast<std::size_t>(w) * h * 4) return to;
  to.width = (w + 1) / 2;
  to.height = (h + 1) / 2;
  to.pixels.resize(static_cast<std::size_t>(to.width) * to.height * 4);
  const std::uint8_t* src = from.pixels.data();
  for (int y = 0; y < to.height; ++y) {
    const int rows[2] = {std::min(2 * y, h - 1), std::min(2 * y + 1, h - 1)};
    for (int x = 0; x < to.width; ++x) {
      const int cols[2] = {std::min(2 * x, w - 1), std::min(2 * x + 1, w - 1)};
      double alphaSum = 0, colour[3] = {0, 0, 0};
      for (int r : rows)
        for (int c : cols) {
          const std::uint8_t* t = src + (static_cast<std::size_t>(r) * w + c) * 4;
          const double a = t[3] / 255.0;
          alphaSum += a;
          for (int k = 0; k < 3; ++k) colour[k] += t[k] * a;
        }
      std::uint8_t* out = to.pixels.data() + (static_cast<std::size_t>(y) * to.width + x) * 4;
      for (int k = 0; k < 3; ++k)
        out[k] = alphaSum > 0
                     ? static_cast<std::uint8_t>(std::min(255.0, std::round(colour[k] / alphaSum)))
                     : 0;
      out[3] = static_cast<std::uint8_t>(std::min(255.0, std::round(alphaSum * 0.25 * 255.0)));
    }
  }
  return to;
}

SpriteChain buildSpriteChain(int index, SpriteLevel level0) {
  SpriteChain chain;
  if (level0.width <= 0 || level0.height <= 0 ||
      level0.pixels.size() != static_cast<std::size_t>(level0.width) * level0.height * 4)
    return chain;
  if (index == kBodyLow) {
    const std::size_t rowBytes = static_cast<std::size_t>(level0.width) * 4;
    const std::size_t last = (static_cast<std::size_t>(level0.height) - 1) * rowBytes;
    level0.pixels.resize(level0.pixels.size() + kBodyExtraRows * rowBytes);
    for (int r = 0; r < kBodyExtraRows; ++r)
      std::memcpy(level0.pixels.data() + last + (r + 1) * rowBytes, level0.pixels.data() + last,
                  rowBytes);
    level0.height += kBodyExtraRows;
  }
  chain.levels[0] = std::move(level0);
  chain.levelCount = 1;
  for (int l = 1; l < kMaxSpriteLevels; ++l) {
    const SpriteLevel& prev = chain.levels[l - 1];
    if (prev.width < 8 || prev.height < 8) break;
    chain.levels[l] = halveSpriteLevel(prev);
    chain.levelCount = l + 1;
  }
  return chain;
}

std::shared_ptr<const SpriteStore> embeddedSprites() {
  static const std::shared_ptr<const SpriteStore> store = [] {
    auto s = std::make_shared<SpriteStore>();
    for (int i = 0; i < kMascotPartCount; ++i) {
      const res::EmbeddedImage image = res::mascotImage(i);
      (*s)[i] = buildSpriteChain(i, decodeMascotPng(i, image.data, image.size));
    }
    return std::shared_ptr<const SpriteStore>(std::move(s));
  }();
  return store;
}

int chooseSpriteLevel(const SpriteChain& chain, float targetPixels) {
  const float h0 = static_cast<float>(std::max(1, chain.levels[0].height));
  int chosen = 0;
  for (int l = 1; l < chain.levelCount; ++l) {
    if (!(static_cast<float>(1 << l) * targetPixels / h0 <= kMaxEnlargement)) break;
    chosen = l;
  }
  return chosen;
}

// --- Drawing a sprite ----------------------------------------------------------------------

void blitSprite(Canvas& canvas, const SpriteLevel& level, float centreX, float centreY,
                float height, float angle, float alpha, float clipX0, float clipY0, float clipX1,
                float clipY1) {
  const int W = level.width, H = level.height;
  if (W <= 0 || H <= 0 || level.pixels.size() < static_cast<std::size_t>(W) * H * 4) return;
  const float k = canvas.scale;
  if (!finite(centreX) || !finite(centreY) || !finite(height) || !finite(angle) || !(height > 0) ||
      !(k > 0) || !(alpha > 0))
    return;
  const int opacity = static_cast<int>(std::lround(std::min(alpha, 1.0f) * 256.0f));
  double sn, cs;
  pm::sinCos(angle, sn, cs);
  const float co = static_cast<float>(cs), si = static_cast<float>(sn);
  const float cx = centreX * k, cy = centreY * k;
  const float f = height * k / static_cast<float>(H);
  if (!finite(f) || !(f > 0) || !finite(cx) || !finite(cy)) return;

  const float halfW = static_cast<float>(W) * f / 2, halfH = static_cast<float>(H) * f / 2;
  const float ex = halfW * std::fabs(co) + halfH * std::fabs(si) + 2;
  const float ey = halfW * std::fabs(si) + halfH * std::fabs(co) + 2;
  const int x0 = clampToInt(std::max(std::floor(cx - ex), std::floor(clipX0 * k)), 0, canvas.width);
  const int x1 = clampToInt(std::min(std::floor(cx + ex), std::floor(clipX1 * k)), 0, canvas.width);
  const int y0 =
      clampToInt(std::max(std::floor(cy - ey), std::floor(clipY0 * k)), 0, canvas.height);
  const int y1 =
      clampToInt(std::min(std::floor(cy + ey), std::floor(clipY1 * k)), 0, canvas.height);
  if (x0 >= x1 || y0 >= y1) return;

  const float uMax = static_cast<float>(W) - 0.5f, vMax = static_cast<float>(H) - 0.5f;
  const float uMid = static_cast<float>(W) * 0.5f - 0.5f,
              vMid = static_cast<float>(H) * 0.5f - 0.5f;
  // Per pixel u = (co dx + si dy) / f + uMid and v = (-si dx + co dy) / f + vMid, with the
  // divisions taken out of the loop.
  const float invF = 1.0f / f, uStep = co * invF, vStep = -si * invF;
  const std::uint8_t* tex = level.pixels.data();
  const std::size_t stride = static_cast<std::size_t>(W) * 4;
  for (int py = y0; py < y1; ++py) {
    const float dy = static_cast<float>(py) + 0.5f - cy;
    const float a = si * dy, b = co * dy;
    const float uRow = a * invF + uMid, vRow = b * invF + vMid;
    // The pixels whose sample lies inside the image: two linear conditions on dx, solved once per
    // row (with a pixel of slack; the exact test below decides).
    float u0, u1, v0, v1;
    if (!solveSpan(co, a, -halfW - f, halfW + f, u0, u1) ||
        !solveSpan(-si, b, -halfH - f, halfH + f, v0, v1))
      continue;
    const float t0 = std::max(u0, v0) + cx - 0.5f, t1 = std::min(u1, v1) + cx - 0.5f;
    const int from = std::max(x0, clampToInt(std::floor(t0) - 1, x0, x1));
    const int to = std::min(x1, clampToInt(std::ceil(t1) + 2, x0, x1));
    std::uint32_t* row = canvas.pixels.data() + static_cast<std::size_t>(py) * canvas.width;
    for (int px = from; px < to; ++px) {
      const float dx = static_cast<float>(px) + 0.5f - cx;
      const float u = dx * uStep + uRow;
      const float v = dx * vStep + vRow;
      if (!(u >= -0.5f && u <= uMax && v >= -0.5f && v <= vMax)) continue;
      // floor by truncation of a positive number (u, v >= -0.5 here): a libm call per pixel was
      // a good part of the blit's cost.
      const int iu = static_cast<int>(u + 1.0f) - 1, iv = static_cast<int>(v + 1.0f) - 1;
      const std::uint32_t fx = static_cast<std::uint32_t>((u - static_cast<float>(iu)) * 256.0f);
      const std::uint32_t fy = static_cast<std::uint32_t>((v - static_cast<float>(iv)) * 256.0f);
      const int c0 = std::clamp(iu, 0, W - 1), c1 = std::clamp(iu + 1, 0, W - 1);
      const int r0 = std::clamp(iv, 0, H - 1), r1 = std::clamp(iv + 1, 0, H - 1);
      const std::uint8_t* t00 = tex + r0 * stride + c0 * 4;
      const std::uint8_t* t10 = tex + r0 * stride + c1 * 4;
      const std::uint8_t* t01 = tex + r1 * stride + c0 * 4;
      const std::uint8_t* t11 = tex + r1 * stride + c1 * 4;
      if ((t00[3] | t10[3] | t01[3] | t11[3]) == 0) continue;
      // Unsigned 32-bit: a weight reaches 65536 * 255 and a channel sum 255 times that
      // (4.26e9), past a signed int but inside 2^32.
      const std::uint32_t w00 = (256 - fx) * (256 - fy) * t00[3];
      const std::uint32_t w10 = fx * (256 - fy) * t10[3];
      const std::uint32_t w01 = (256 - fx) * fy * t01[3];
      const std::uint32_t w11 = fx * fy * t11[3];
      const std::uint32_t sum = w00 + w10 + w01 + w11;
      if (sum <= kMinWeightSum) continue;
      int colour[3];
      // Inside the sprite the sum is a constant, and dividing by a constant is a multiplication.
      const std::uint32_t divisor = sum == kOpaqueSum ? kOpaqueSum : sum;
      for (int ch = 0; ch < 3; ++ch) {
        const std::uint32_t mixed = t00[ch] * w00 + t10[ch] * w10 + t01[ch] * w01 + t11[ch] * w11;
        colour[ch] = static_cast<int>(sum == kOpaqueSum ? mixed / kOpaqueSum : mixed / divisor);
      }
      const int cover =
          std::min(255, static_cast<int>(((sum >> 16) * static_cast<std::uint32_t>(opacity)) >> 8));
      if (cover == 255) {
        row[px] = packRGB(colour[0], colour[1], colour[2]);
        continue;
      }
      const std::uint32_t d = row[px];
      const int dst[3] = {static_cast<int>((d >> 16) & 0xFF), static_cast<int>((d >> 8) & 0xFF),
                          static_cast<int>(d & 0xFF)};
      int out[3];
      for (int ch = 0; ch < 3; ++ch)
        out[ch] = dst[ch] + ((colour[ch] - dst[ch]) * cover + 127) / 255;
      row[px] = packRGB(out[0], out[1], out[2]);
    }
  }
}

// --- Skeleton -------------------------------------------------------------------------------

void RigFrame::map(float px, float py, float& outX, float& outY) const {
  double sn, cs;
  pm::sinCos(angle, sn, cs);
  outX = static_cast<float>(cs * px - sn * py + x);
  outY = static_cast<float>(sn * px + cs * py + y);
}

int chooseFace(float sleepiness, Mood mode, double beatPhase, bool mouthOpen, float blinkLeft) {
  if (sleepiness > 0.75f) return kExSmile2;
  if (sleepiness > 0.3f) return kExSleepy;
  switch (mode) {
    case Mood::Shocked:
      return kExShocked;
    case Mood::Delighted:
      return std::fmod(std::floor(beatPhase), 2.0) == 0.0 ? kExDelighted : kExLaugh;
    case Mood::Singing:
      return mouthOpen ? kExDelighted : kExSmile;
    case Mood::Idle:
    default:
      return blinkLeft > 0 ? kExSmile2 : kExNormal;
  }
}

bool MascotRig::fit(float& s, float& ox, float& oy) const {
  if (!finite(x) || !finite(y) || !finite(width) || !finite(height) || !(height > kHeadroom))
    return false;
  s = (height - kHeadroom) / kHipY;
  ox = x + width / 2 - kHipX * s;
  oy = y + height + kSink - kHipY * s;
  return finite(s) && finite(ox) && finite(oy);
}

RigPose MascotRig::pose(float s) const {
  const double sway = 5.0 * groove * pm::sin(pm::kPi * beatPhase);
  const double shake = 2.5 * shock * pm::sin(70.0 * time);
  RigFrame body;
  body.angle = tilt / 4;
  double sn, cs;
  pm::sinCos(body.angle, sn, cs);
  body.x = static_cast<float>(kHipX - (cs * kHipX - sn * kHipY) + (sway + shake) / s);
  body.y = static_cast<float>(kHipY - (sn * kHipX + cs * kHipY) + (breath - hop) / s);
  RigPose p;
  p.body = body;
  p.head = about(body, kNeckX, kNeckY, tilt);
  p.tailL = about(p.head, kTailRootLX, kTailRootY, -tailLeft - 0.03f * sleepiness);
  p.tailR = about(p.head, kTailRootRX, kTailRootY, tailRight + 0.03f * sleepiness);
  return p;
}

// --- Drawing the figure ---------------------------------------------------------------------

void MascotRig::load() {
  sprites_ = embeddedSprites();
}

void MascotRig::drawPart(Canvas& canvas, int part, const RigFrame& frame, float s, float ox,
                         float oy) {
  if (!sprites_ || part < 0 || part >= kMascotPartCount) return;
  const SpriteChain& chain = (*sprites_)[part];
  if (chain.levelCount <= 0) return;
  const MascotPart& row = kMascotParts[part];
  const float h = part == kBodyLow ? row.height + kBodyExtraRows : row.height;
  float cx, cy;
  frame.map(row.x + row.width / 2, row.y + h / 2, cx, cy);
  const int level = chooseSpriteLevel(chain, h * s * canvas.scale);
  blitSprite(canvas, chain.levels[level], ox + cx * s, oy + cy * s, h * s, frame.angle, 1.0f, x + 1,
             y + 1, x + width - 1, y + height - 1);
}

void MascotRig::draw(Canvas& canvas) {
  float s, ox, oy;
  if (!fit(s, ox, oy)) return;
  const RigPose p = pose(s);
  drawBackdrop(canvas, s, ox, oy, p.head);
  drawPart(canvas, kTailL, p.tailL, s, ox, oy);
  drawPart(canvas, kTailR, p.tailR, s, ox, oy);
  drawPart(canvas, kHairBack, p.head, s, ox, oy);
  drawPart(canvas, kBodyLow, p.body, s, ox, oy);
  drawPart(canvas, kHeadFront, p.head, s, ox, oy);
  drawPart(canvas, face(), p.head, s, ox, oy);
  if (mode == Mood::Shocked) drawSweatDrop(canvas, s, ox, oy, p.head);
  drawParticles(canvas);
}

}  // namespace zv
