// The drawing shortcuts against their plain references: the sprite blit (clear runs skipped,
// opaque cells mixed four channels at once), the stage's rays and the knob pulse's halo (four
// pixels at a time) must leave every pixel exactly as the one-pixel-at-a-time forms do. Wrong
// opaque spans show up here as a blit that differs from its reference.
#include <gtest/gtest.h>

#include <random>

#include "MascotRig.h"
#include "PortableMath.h"
#include "PulseHalo.h"

namespace zv {
namespace {

// Clear rows and columns, opaque blocks, partial alphas and lone texels.
SpriteLevel speckledLevel(int w, int h, unsigned seed) {
  std::mt19937 random(seed);
  SpriteLevel l;
  l.width = w, l.height = h;
  for (int i = 0; i < w * h; ++i) {
    const int x = i % w, y = i / w;
    const unsigned r = random() % 10;
    for (int ch = 0; ch < 3; ++ch) l.pixels.push_back(static_cast<std::uint8_t>(random()));
    const bool clearRow = y % 7 == 3, block = (x / 5 + y / 4) % 3 == 0;
    l.pixels.push_back(clearRow ? 0 : block ? 255 : r < 5 ? 0 : r < 8 ? 255 : r * 25);
  }
  findOpaqueSpans(l);
  return l;
}

TEST(FastPaths, SpriteBlitEqualsTheEveryPixelReference) {
  const SpriteStore& art = *embeddedSprites();
  const SpriteLevel speckled = speckledLevel(61, 45, 5);
  SpriteLevel unmarked = speckled;
  unmarked.opaqueSpans.clear();  // no spans: every run is sampled
  const struct {
    const char* what;
    const SpriteLevel* level;
  } levels[] = {
      {"tail", &art[kTailL].levels[0]},
      {"torso, level 1", &art[kBodyLow].levels[1]},
      {"face overlay", &art[kExShocked].levels[0]},
      {"head, level 2", &art[kHeadFront].levels[2]},
      {"speckled", &speckled},
      {"speckled, no spans", &unmarked},
  };
  const struct {
    float angle, heightFactor, alpha, scale;
  } placements[] = {
      {0, 1, 1, 1},
      {0.15f, 0.74f, 1, 1.15f},
      {-0.41f, 0.93f, 1, 2},
      {1.5707964f, 0.6f, 1, 1},
      {2.5f, 1.07f, 0.6f, 1.15f},
      {-3.1f, 0.55f, 0.35f, 2},
  };
  std::mt19937 random(11);
  for (const auto& l : levels)
    for (const auto& p : placements) {
      const float height = static_cast<float>(l.level->height) * p.heightFactor / p.scale;
      const int side =
          static_cast<int>(1.6f * static_cast<float>(l.level->height) * p.heightFactor) + 8;
      Canvas fast(side, side, p.scale);
      for (auto& px : fast.pixels) px = random() & 0xFFFFFF;
      Canvas plain = fast;
      const float c = side / p.scale / 2 + 0.37f, clip = side / p.scale;
      // Clipped on the left so rows start inside the image as well.
      blitSprite(fast, *l.level, c, c - 0.21f, height, p.angle, p.alpha, c * 0.4f, 0, clip, clip);
      blitSpriteEveryPixel(plain, *l.level, c, c - 0.21f, height, p.angle, p.alpha, c * 0.4f, 0,
                           clip, clip);
      EXPECT_EQ(fast.pixels, plain.pixels)
          << l.what << " at angle " << p.angle << ", scale " << p.scale << ", alpha " << p.alpha;
    }
}

// The rays visit only what each wedge can reach; at every size factor, over a long-running clock
// and in the delighted colours, they must give the pixels of the every-pixel reference.
TEST(FastPaths, RaysEqualTheEveryPixelReferenceAtEverySize) {
  std::mt19937 random(8);
  for (float k : {1.0f, 1.15f, 1.3f, 1.5f, 1.75f, 2.0f})
    for (double time : {0.4, 7.9, 2.5e5, 1e6}) {
      const bool delighted = time > 1;
      Canvas fast(static_cast<int>(330 * k), static_cast<int>(300 * k), k);
      for (auto& px : fast.pixels) px = random() & 0xFFFFFF;
      Canvas plain = fast;
      float angles[8];
      RGB colours[8];
      for (int i = 0; i < 8; ++i) {
        angles[i] = static_cast<float>(pm::sin(0.8 * i + 0.7 * time) * 0.9 - pm::kPi / 2);
        colours[i] = i % 2 ? kRigViolet : (delighted ? kRigCyan : kRigPink);
      }
      // The stage's box and ray origin, 10 units below its bottom edge.
      const int x0 = static_cast<int>(7 * k), y0 = static_cast<int>(5 * k);
      const int x1 = static_cast<int>(323 * k), y1 = static_cast<int>(295 * k);
      const float strength = delighted ? 0.23f : 0.17f;
      drawRays(fast, x0, y0, x1, y1, 165 * k, 305 * k, angles, colours, 8, strength);
      drawRaysEveryPixel(plain, x0, y0, x1, y1, 165 * k, 305 * k, angles, colours, 8, strength);
      EXPECT_TRUE(fast.pixels == plain.pixels) << "scale " << k << ", time " << time;
    }
}

TEST(FastPaths, PulseHaloEqualsThePlainLoop) {
  const struct {
    float cx, dy, inner, outer, strength;
    int from, to;
  } cases[] = {
      {150.0f, 0, 31.05f, 63.25f, 0.075f, 80, 220},       // through the centre: a gap inside
      {149.37f, -40.2f, 31.05f, 63.25f, 0.03f, 97, 202},  // a chord, odd length
      {120.5f, 62.9f, 25.3f, 50.6f, 0.0021f, 60, 181},    // grazing the outer edge, faint
      {151.8f, 12.0f, 44.0f, 109.0f, 1.7f, 0, 299},       // past full strength: bytes clamp
      {10.0f, 3.0f, 0.0f, 20.0f, 0.5f, 0, 2},             // fewer than four pixels
  };
  std::mt19937 random(4);
  const RGB colours[] = {RGB::fromBytes(255, 95, 216), RGB{0.0f, 0.5f, 1.0f}};
  for (const auto& k : cases)
    for (const RGB& colour : colours) {
      std::vector<std::uint32_t> fast(300), plain;
      for (auto& px : fast) px = random() & 0xFFFFFF;
      fast[k.from] = 0xFFFFFF;
      fast[k.to] = 0;
      plain = fast;
      pulseHaloRow(fast.data(), k.from, k.to, k.dy, k.cx, k.inner, k.outer, k.strength, colour);
      pulseHaloRowPlain(plain.data(), k.from, k.to, k.dy, k.cx, k.inner, k.outer, k.strength,
                        colour);
      EXPECT_EQ(fast, plain) << "centre " << k.cx << ", dy " << k.dy;
    }
}

}  // namespace
}  // namespace zv
