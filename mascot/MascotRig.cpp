#include "MascotRig.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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
  for (int l = 0; l < chain.levelCount; ++l) findOpaqueSpans(chain.levels[l]);
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

void findOpaqueSpans(SpriteLevel& level) {
  level.opaqueSpans.clear();
  const int w = level.width, h = level.height;
  if (w <= 0 || h <= 0 || level.pixels.size() < static_cast<std::size_t>(w) * h * 4) return;
  level.opaqueSpans.resize(static_cast<std::size_t>(h) * 2);
  for (int y = 0; y < h; ++y) {
    const std::uint8_t* row = level.pixels.data() + static_cast<std::size_t>(y) * w * 4;
    int first = 0, end = w;
    while (first < w && row[first * 4 + 3] == 0) ++first;
    while (end > first && row[(end - 1) * 4 + 3] == 0) --end;
    level.opaqueSpans[2 * y] = first;
    level.opaqueSpans[2 * y + 1] = end;
  }
}

namespace {

// Everything one blit needs besides the pixel being drawn.
struct BlitSetup {
  int W = 0, H = 0;
  const std::uint8_t* tex = nullptr;
  std::size_t stride = 0;
  int opacity = 0;  // round(alpha * 256)
  float co = 0, si = 0, cx = 0, cy = 0, f = 0, invF = 0, uStep = 0, vStep = 0;
  float halfW = 0, halfH = 0, uMid = 0, vMid = 0, uMax = 0, vMax = 0;
  int x0 = 0, y0 = 0, x1 = 0, y1 = 0;  // the pixel box, right and bottom exclusive
};

// False when the blit draws nothing.
bool setUpBlit(const Canvas& canvas, const SpriteLevel& level, float centreX, float centreY,
               float height, float angle, float alpha, float clipX0, float clipY0, float clipX1,
               float clipY1, BlitSetup& b) {
  const int W = level.width, H = level.height;
  if (W <= 0 || H <= 0 || level.pixels.size() < static_cast<std::size_t>(W) * H * 4) return false;
  const float k = canvas.scale;
  if (!finite(centreX) || !finite(centreY) || !finite(height) || !finite(angle) || !(height > 0) ||
      !(k > 0) || !(alpha > 0))
    return false;
  b.W = W;
  b.H = H;
  b.opacity = static_cast<int>(std::lround(std::min(alpha, 1.0f) * 256.0f));
  double sn, cs;
  pm::sinCos(angle, sn, cs);
  b.co = static_cast<float>(cs);
  b.si = static_cast<float>(sn);
  b.cx = centreX * k;
  b.cy = centreY * k;
  b.f = height * k / static_cast<float>(H);
  if (!finite(b.f) || !(b.f > 0) || !finite(b.cx) || !finite(b.cy)) return false;

  b.halfW = static_cast<float>(W) * b.f / 2;
  b.halfH = static_cast<float>(H) * b.f / 2;
  const float ex = b.halfW * std::fabs(b.co) + b.halfH * std::fabs(b.si) + 2;
  const float ey = b.halfW * std::fabs(b.si) + b.halfH * std::fabs(b.co) + 2;
  b.x0 = clampToInt(std::max(std::floor(b.cx - ex), std::floor(clipX0 * k)), 0, canvas.width);
  b.x1 = clampToInt(std::min(std::floor(b.cx + ex), std::floor(clipX1 * k)), 0, canvas.width);
  b.y0 = clampToInt(std::max(std::floor(b.cy - ey), std::floor(clipY0 * k)), 0, canvas.height);
  b.y1 = clampToInt(std::min(std::floor(b.cy + ey), std::floor(clipY1 * k)), 0, canvas.height);
  if (b.x0 >= b.x1 || b.y0 >= b.y1) return false;

  b.uMax = static_cast<float>(W) - 0.5f;
  b.vMax = static_cast<float>(H) - 0.5f;
  b.uMid = static_cast<float>(W) * 0.5f - 0.5f;
  b.vMid = static_cast<float>(H) * 0.5f - 0.5f;
  // Per pixel u = (co dx + si dy) / f + uMid and v = (-si dx + co dy) / f + vMid, with the
  // divisions taken out of the loop.
  b.invF = 1.0f / b.f;
  b.uStep = b.co * b.invF;
  b.vStep = -b.si * b.invF;
  b.tex = level.pixels.data();
  b.stride = static_cast<std::size_t>(W) * 4;
  return true;
}

// Where pixel px of a row samples the image; false outside it. uRow and vRow are the row's terms.
inline bool samplePoint(const BlitSetup& b, int px, float uRow, float vRow, float& u, float& v) {
  const float dx = static_cast<float>(px) + 0.5f - b.cx;
  u = dx * b.uStep + uRow;
  v = dx * b.vStep + vRow;
  return u >= -0.5f && u <= b.uMax && v >= -0.5f && v <= b.vMax;
}

// Bilinear mix of four texels weighted by position and alpha, stored over the pixel. The plain
// form every pixel could take.
inline void mixTexels(const BlitSetup& b, std::uint32_t& pixel, const std::uint8_t* t00,
                      const std::uint8_t* t10, const std::uint8_t* t01, const std::uint8_t* t11,
                      std::uint32_t fx, std::uint32_t fy) {
  if ((t00[3] | t10[3] | t01[3] | t11[3]) == 0) return;
  // Unsigned 32-bit: a weight reaches 65536 * 255 and a channel sum 255 times that (4.26e9),
  // past a signed int but inside 2^32.
  const std::uint32_t w00 = (256 - fx) * (256 - fy) * t00[3];
  const std::uint32_t w10 = fx * (256 - fy) * t10[3];
  const std::uint32_t w01 = (256 - fx) * fy * t01[3];
  const std::uint32_t w11 = fx * fy * t11[3];
  const std::uint32_t sum = w00 + w10 + w01 + w11;
  if (sum <= kMinWeightSum) return;
  int colour[3];
  for (int ch = 0; ch < 3; ++ch)
    colour[ch] =
        static_cast<int>((t00[ch] * w00 + t10[ch] * w10 + t01[ch] * w01 + t11[ch] * w11) / sum);
  const int cover =
      std::min(255, static_cast<int>(((sum >> 16) * static_cast<std::uint32_t>(b.opacity)) >> 8));
  if (cover == 255) {
    pixel = packRGB(colour[0], colour[1], colour[2]);
    return;
  }
  const std::uint32_t d = pixel;
  const int dst[3] = {static_cast<int>((d >> 16) & 0xFF), static_cast<int>((d >> 8) & 0xFF),
                      static_cast<int>(d & 0xFF)};
  int out[3];
  for (int ch = 0; ch < 3; ++ch) out[ch] = dst[ch] + ((colour[ch] - dst[ch]) * cover + 127) / 255;
  pixel = packRGB(out[0], out[1], out[2]);
}

// The texel cell under (u, v) (inside the image's sample range) and the fractions within it.
struct Cell {
  int iu, iv;
  std::uint32_t fx, fy;
};

inline Cell cellAt(float u, float v) {
  // floor by truncation of a positive number (u, v >= -0.5 here): a libm call per pixel was a
  // good part of the blit's cost.
  Cell c;
  c.iu = static_cast<int>(u + 1.0f) - 1;
  c.iv = static_cast<int>(v + 1.0f) - 1;
  c.fx = static_cast<std::uint32_t>((u - static_cast<float>(c.iu)) * 256.0f);
  c.fy = static_cast<std::uint32_t>((v - static_cast<float>(c.iv)) * 256.0f);
  return c;
}

inline void plainPixel(const BlitSetup& b, std::uint32_t& pixel, float u, float v) {
  const Cell c = cellAt(u, v);
  const int c0 = std::clamp(c.iu, 0, b.W - 1), c1 = std::clamp(c.iu + 1, 0, b.W - 1);
  const int r0 = std::clamp(c.iv, 0, b.H - 1), r1 = std::clamp(c.iv + 1, 0, b.H - 1);
  mixTexels(b, pixel, b.tex + r0 * b.stride + c0 * 4, b.tex + r0 * b.stride + c1 * 4,
            b.tex + r1 * b.stride + c0 * 4, b.tex + r1 * b.stride + c1 * 4, c.fx, c.fy);
}

// Four opaque texels, t00 and t01 the left ones of two adjacent rows (their right neighbours
// follow them): sum(t * positionWeight) >> 16 per channel, as 0x00RRGGBB.
inline std::uint32_t opaqueMix(const std::uint8_t* t00, const std::uint8_t* t01, std::uint32_t fx,
                               std::uint32_t fy) {
#if defined(__SSE2__)
  // Across first, (256 - fx) t0 + fx t1 per channel in 32 bits, then down, in float: every
  // product and sum there is a whole number below 256 * 65280 < 2^24, so float holds it exactly.
  const __m128i zero = _mm_setzero_si128();
  const __m128i top = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(t00));
  const __m128i bottom = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(t01));
  const __m128i topPairs = _mm_unpacklo_epi8(_mm_unpacklo_epi8(top, _mm_srli_si128(top, 4)), zero);
  const __m128i bottomPairs =
      _mm_unpacklo_epi8(_mm_unpacklo_epi8(bottom, _mm_srli_si128(bottom, 4)), zero);
  const __m128i across = _mm_set1_epi32(static_cast<int>((fx << 16) | (256 - fx)));
  const __m128 upper = _mm_cvtepi32_ps(_mm_madd_epi16(topPairs, across));
  const __m128 lower = _mm_cvtepi32_ps(_mm_madd_epi16(bottomPairs, across));
  const __m128 mixed = _mm_add_ps(_mm_mul_ps(upper, _mm_set1_ps(static_cast<float>(256 - fy))),
                                  _mm_mul_ps(lower, _mm_set1_ps(static_cast<float>(fy))));
  const __m128i channels = _mm_srli_epi32(_mm_cvttps_epi32(mixed), 16);
  const __m128i bytes = _mm_packus_epi16(_mm_packs_epi32(channels, zero), zero);
  const std::uint32_t rgba = static_cast<std::uint32_t>(_mm_cvtsi128_si32(bytes));  // R lowest
  return ((rgba & 0xFFu) << 16) | (rgba & 0xFF00u) | ((rgba >> 16) & 0xFFu);
#else
  const std::uint32_t w00 = (256 - fx) * (256 - fy), w10 = fx * (256 - fy);
  const std::uint32_t w01 = (256 - fx) * fy, w11 = fx * fy;
  int colour[3];
  for (int ch = 0; ch < 3; ++ch)
    colour[ch] = static_cast<int>(
        (t00[ch] * w00 + t00[4 + ch] * w10 + t01[ch] * w01 + t01[4 + ch] * w11) >> 16);
  return packRGB(colour[0], colour[1], colour[2]);
#endif
}

// One pixel of the fast path. Most samples lie inside the image, away from its border, and
// either on four clear texels or on four opaque ones: those take the short ways here.
inline void interiorPixel(const BlitSetup& b, std::uint32_t& pixel, int iu, int iv,
                          std::uint32_t fx, std::uint32_t fy) {
  const std::uint8_t* t00 = b.tex + iv * b.stride + iu * 4;
  const std::uint8_t* t01 = t00 + b.stride;
  const std::uint8_t* t10 = t00 + 4;
  const std::uint8_t* t11 = t01 + 4;
  if ((t00[3] | t10[3] | t01[3] | t11[3]) == 0) return;
  if (b.opacity == 256 && (t00[3] & t10[3] & t01[3] & t11[3]) == 0xFF) {
    // All four alphas 255: each weight is the position weight times 255, their sum 65536 * 255,
    // and sum(t * w) / (65536 * 255) = sum(t * positionWeight) >> 16 exactly; the cover is 255.
    pixel = opaqueMix(t00, t01, fx, fy);
    return;
  }
  mixTexels(b, pixel, t00, t10, t01, t11, fx, fy);
}

inline bool interiorCell(const BlitSetup& b, int iu, int iv) {
  return static_cast<unsigned>(iu) < static_cast<unsigned>(b.W - 1) &&
         static_cast<unsigned>(iv) < static_cast<unsigned>(b.H - 1);
}

inline void fastPixel(const BlitSetup& b, std::uint32_t& pixel, float u, float v) {
  const Cell c = cellAt(u, v);
  if (interiorCell(b, c.iu, c.iv))
    interiorPixel(b, pixel, c.iu, c.iv, c.fx, c.fy);
  else
    plainPixel(b, pixel, u, v);
}

// Pixels from..to - 1 of a row through the fast path.
inline void fastRun(const BlitSetup& b, std::uint32_t* row, int from, int to, float uRow,
                    float vRow) {
  int px = from;
#if defined(__SSE2__)
  // Four samples at a time up to their cells, with samplePoint's and cellAt's operations in the
  // same order (SSE rounds single precision as the scalar code does, and truncates alike).
  const __m128 half = _mm_set1_ps(0.5f), minusHalf = _mm_set1_ps(-0.5f), one = _mm_set1_ps(1.0f);
  const __m128 cx = _mm_set1_ps(b.cx), uStep = _mm_set1_ps(b.uStep), vStep = _mm_set1_ps(b.vStep);
  const __m128 uRowV = _mm_set1_ps(uRow), vRowV = _mm_set1_ps(vRow);
  const __m128 uMax = _mm_set1_ps(b.uMax), vMax = _mm_set1_ps(b.vMax), v256 = _mm_set1_ps(256.0f);
  const __m128i ones = _mm_set1_epi32(1), lanes = _mm_set_epi32(3, 2, 1, 0);
  for (; px + 4 <= to; px += 4) {
    const __m128 dx =
        _mm_sub_ps(_mm_add_ps(_mm_cvtepi32_ps(_mm_add_epi32(_mm_set1_epi32(px), lanes)), half), cx);
    const __m128 u = _mm_add_ps(_mm_mul_ps(dx, uStep), uRowV);
    const __m128 v = _mm_add_ps(_mm_mul_ps(dx, vStep), vRowV);
    const int inside =
        _mm_movemask_ps(_mm_and_ps(_mm_and_ps(_mm_cmpge_ps(u, minusHalf), _mm_cmple_ps(u, uMax)),
                                   _mm_and_ps(_mm_cmpge_ps(v, minusHalf), _mm_cmple_ps(v, vMax))));
    if (inside == 0) continue;
    const __m128i iu = _mm_sub_epi32(_mm_cvttps_epi32(_mm_add_ps(u, one)), ones);
    const __m128i iv = _mm_sub_epi32(_mm_cvttps_epi32(_mm_add_ps(v, one)), ones);
    const __m128i fx = _mm_cvttps_epi32(_mm_mul_ps(_mm_sub_ps(u, _mm_cvtepi32_ps(iu)), v256));
    const __m128i fy = _mm_cvttps_epi32(_mm_mul_ps(_mm_sub_ps(v, _mm_cvtepi32_ps(iv)), v256));
    alignas(16) std::int32_t ius[4], ivs[4], fxs[4], fys[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(ius), iu);
    _mm_store_si128(reinterpret_cast<__m128i*>(ivs), iv);
    _mm_store_si128(reinterpret_cast<__m128i*>(fxs), fx);
    _mm_store_si128(reinterpret_cast<__m128i*>(fys), fy);
    for (int k = 0; k < 4; ++k) {
      if (!(inside & (1 << k))) continue;
      if (interiorCell(b, ius[k], ivs[k])) {
        interiorPixel(b, row[px + k], ius[k], ivs[k], static_cast<std::uint32_t>(fxs[k]),
                      static_cast<std::uint32_t>(fys[k]));
      } else {
        float uk, vk;
        samplePoint(b, px + k, uRow, vRow, uk, vk);
        plainPixel(b, row[px + k], uk, vk);
      }
    }
  }
#endif
  for (; px < to; ++px) {
    float u, v;
    if (samplePoint(b, px, uRow, vRow, u, v)) fastPixel(b, row[px], u, v);
  }
}

// Pixels are taken in runs of this many when narrowing a row to the image's drawn texels.
constexpr int kNarrowRun = 32;

}  // namespace

void blitSpriteEveryPixel(Canvas& canvas, const SpriteLevel& level, float centreX, float centreY,
                          float height, float angle, float alpha, float clipX0, float clipY0,
                          float clipX1, float clipY1) {
  BlitSetup b;
  if (!setUpBlit(canvas, level, centreX, centreY, height, angle, alpha, clipX0, clipY0, clipX1,
                 clipY1, b))
    return;
  for (int py = b.y0; py < b.y1; ++py) {
    const float dy = static_cast<float>(py) + 0.5f - b.cy;
    const float uRow = b.si * dy * b.invF + b.uMid, vRow = b.co * dy * b.invF + b.vMid;
    std::uint32_t* row = canvas.pixels.data() + static_cast<std::size_t>(py) * canvas.width;
    for (int px = b.x0; px < b.x1; ++px) {
      float u, v;
      if (samplePoint(b, px, uRow, vRow, u, v)) plainPixel(b, row[px], u, v);
    }
  }
}

void blitSprite(Canvas& canvas, const SpriteLevel& level, float centreX, float centreY,
                float height, float angle, float alpha, float clipX0, float clipY0, float clipX1,
                float clipY1) {
  BlitSetup b;
  if (!setUpBlit(canvas, level, centreX, centreY, height, angle, alpha, clipX0, clipY0, clipX1,
                 clipY1, b))
    return;
  const int W = b.W, H = b.H;
  const bool spansKnown = level.opaqueSpans.size() == static_cast<std::size_t>(H) * 2;
  const std::int32_t* spans = level.opaqueSpans.data();
  for (int py = b.y0; py < b.y1; ++py) {
    const float dy = static_cast<float>(py) + 0.5f - b.cy;
    const float a = b.si * dy, c = b.co * dy;
    const float uRow = a * b.invF + b.uMid, vRow = c * b.invF + b.vMid;
    // The pixels whose sample lies inside the image: two linear conditions on dx, solved once per
    // row (with a pixel of slack; the exact test below decides).
    float u0, u1, v0, v1;
    if (!solveSpan(b.co, a, -b.halfW - b.f, b.halfW + b.f, u0, u1) ||
        !solveSpan(-b.si, c, -b.halfH - b.f, b.halfH + b.f, v0, v1))
      continue;
    const float t0 = std::max(u0, v0) + b.cx - 0.5f, t1 = std::min(u1, v1) + b.cx - 0.5f;
    const int from = std::max(b.x0, clampToInt(std::floor(t0) - 1, b.x0, b.x1));
    const int to = std::min(b.x1, clampToInt(std::ceil(t1) + 2, b.x0, b.x1));
    std::uint32_t* row = canvas.pixels.data() + static_cast<std::size_t>(py) * canvas.width;
    for (int runFrom = from; runFrom < to; runFrom += kNarrowRun) {
      int runTo = std::min(to, runFrom + kNarrowRun);
      if (spansKnown) {
        // A sample draws only when one of its four texels has alpha: find the columns the
        // texel rows this run can reach draw, and keep the pixels whose u can reach them
        // (a texel and a pixel of slack either side; the test per pixel still decides).
        const float vA = (static_cast<float>(runFrom) + 0.5f - b.cx) * b.vStep + vRow;
        const float vB = (static_cast<float>(runTo) - 0.5f - b.cx) * b.vStep + vRow;
        const int rLo = clampToInt(std::floor(std::min(vA, vB)) - 1, 0, H - 1);
        const int rHi = clampToInt(std::floor(std::max(vA, vB)) + 2, 0, H - 1);
        int colLo = W, colHi = 0;
        for (int r = rLo; r <= rHi; ++r)
          if (spans[2 * r] < spans[2 * r + 1]) {
            colLo = std::min(colLo, static_cast<int>(spans[2 * r]));
            colHi = std::max(colHi, static_cast<int>(spans[2 * r + 1]));
          }
        if (colLo >= colHi) continue;
        const float uLo = static_cast<float>(colLo) - 2, uHi = static_cast<float>(colHi) + 1;
        if (std::fabs(b.uStep) > 1e-6f) {
          const float pa = (uLo - uRow) / b.uStep + b.cx - 0.5f;
          const float pb = (uHi - uRow) / b.uStep + b.cx - 0.5f;
          const int narrowFrom = clampToInt(std::floor(std::min(pa, pb)) - 1, runFrom, runTo);
          const int narrowTo = clampToInt(std::ceil(std::max(pa, pb)) + 2, runFrom, runTo);
          if (narrowFrom < narrowTo) fastRun(b, row, narrowFrom, narrowTo, uRow, vRow);
          continue;
        }
      }
      fastRun(b, row, runFrom, runTo, uRow, vRow);
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
