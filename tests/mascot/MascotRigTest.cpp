// The mascot rig: mip chains, the sprite blit, the face rule, the embedded art and how the rig
// stays inside its rectangle whatever the pose. Where each sprite lands (placement, rotation,
// the skeleton's pivots) is pinned by the golden images (MascotGoldenTest.cpp).
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

#include "CanvasTestUtil.h"
#include "MascotImages.h"
#include "MascotRig.h"
#include "MascotScenes.h"

namespace zv {
namespace {

constexpr std::uint32_t kSentinel = 0x00FF00;

SpriteLevel flatLevel(int w, int h, std::uint8_t r, std::uint8_t g, std::uint8_t b,
                      std::uint8_t a) {
  SpriteLevel l;
  l.width = w;
  l.height = h;
  const std::uint8_t rgba[] = {r, g, b, a};
  l.pixels.resize(static_cast<std::size_t>(w) * h * 4);
  for (std::size_t i = 0; i < l.pixels.size(); ++i) l.pixels[i] = rgba[i % 4];
  return l;
}

std::uint8_t* texel(SpriteLevel& l, int x, int y) {
  return l.pixels.data() + (static_cast<std::size_t>(y) * l.width + x) * 4;
}

Canvas sentinelCanvas(int w, int h, float scale) {
  return test::blankCanvas(w, h, scale, kSentinel);
}

TEST(MascotMips, TransparentTexelsNeverDarkenTheAverage) {
  SpriteLevel l = flatLevel(2, 2, 0, 0, 0, 0);         // transparent black ...
  std::memcpy(texel(l, 1, 0), "\xF0\x40\x20\xFF", 4);  // ... around one opaque texel
  std::memcpy(texel(l, 0, 1), "\x10\xC0\x20\x80", 4);  // and one half-transparent one
  const SpriteLevel half = halveSpriteLevel(l);
  ASSERT_EQ(half.width, 1);
  // Colour weighted by alpha over the two visible texels only; alpha averaged over all four.
  EXPECT_EQ(half.pixels, (std::vector<std::uint8_t>{165, 107, 0x20, 96}));
  // All transparent: black and transparent, not a division by zero.
  EXPECT_EQ(halveSpriteLevel(flatLevel(3, 3, 200, 200, 200, 0)).pixels,
            std::vector<std::uint8_t>(16, 0));  // 2 x 2
}

// Level sizes round up and stop below eight pixels; the torso is extended to 282 rows by its
// bottom row; a level is chosen so that it is never enlarged by more than 8 %.
TEST(MascotMips, SizesTorsoAndLevelChoice) {
  struct Case {
    int part, w, h, levels, lastW, lastH;
  } cases[] = {
      {kTailL, 94, 270, 4, 12, 34},     // 47x135, 24x68, 12x34
      {kBodyLow, 250, 212, 4, 32, 36},  // extended to 282 rows first
      {kTailL, 9, 9, 2, 5, 5},          // 5 < 8: no third level
      {kTailL, 8, 8, 2, 4, 4},
      {kTailL, 7, 100, 1, 7, 100},  // one side below 8: level 0 only
      {kTailL, 1, 1, 1, 1, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.w << "x" << c.h);
    SpriteLevel l = flatLevel(c.w, c.h, 1, 2, 3, 255);
    for (int x = 0; x < c.w; ++x) texel(l, x, c.h - 1)[0] = static_cast<std::uint8_t>(100 + x);
    const SpriteChain chain = buildSpriteChain(c.part, l);
    ASSERT_EQ(chain.levelCount, c.levels);
    EXPECT_EQ(chain.levels[c.levels - 1].width, c.lastW);
    EXPECT_EQ(chain.levels[c.levels - 1].height, c.lastH);
    // A sprite drawn tiny uses its smallest level, never one past the count.
    EXPECT_EQ(chooseSpriteLevel(chain, 0.5f), c.levels - 1);
    if (c.part == kBodyLow) {  // the extension repeats the bottom row
      ASSERT_EQ(chain.levels[0].height, 282);
      EXPECT_EQ(0, std::memcmp(&chain.levels[0].pixels.back() - c.w * 4 + 1,
                               &l.pixels.back() - c.w * 4 + 1, c.w * 4));
    }
  }
  const SpriteChain chain = buildSpriteChain(kTailL, flatLevel(94, 270, 9, 9, 9, 255));
  const struct {
    float target;
    int level;
  } choices[] = {{400, 0}, {270, 0},   {146, 0},   {145.8f, 1},
                 {73, 1},  {72.9f, 2}, {36.4f, 3}, {1, 3}};
  for (const auto& c : choices) EXPECT_EQ(chooseSpriteLevel(chain, c.target), c.level) << c.target;
}

// Bright opaque texels stay white at any placement (every weight is 65536 * 255 at most and a
// channel sum 255 times that: past a signed 32-bit accumulator, so this fails if the sum wraps),
// and nothing outside the clip rectangle changes.
TEST(MascotBlit, BrightTexelsStayWhiteInsideTheClipAndNothingChangesOutside) {
  const SpriteLevel white = flatLevel(40, 40, 255, 255, 255, 255);
  for (float scale : {1.0f, 1.15f, 2.0f})
    for (float angle : {0.0f, 0.37f, -1.2f, 3.0f})
      for (float height : {40.0f, 23.7f, 61.3f}) {
        SCOPED_TRACE(testing::Message() << scale << " " << angle << " " << height);
        Canvas c = sentinelCanvas(100, 100, scale);
        blitSprite(c, white, 25.3f, 24.6f, height, angle, 1, 10.5f, 12, 40, 37.5f);
        const auto at = [scale](float v) { return static_cast<int>(std::floor(v * scale)); };
        EXPECT_EQ(test::changedOutside(c, kSentinel, at(10.5f), at(12), at(40), at(37.5f)), 0);
        EXPECT_EQ(c.pixelAt(at(25.3f), at(24.6f)), 0xFFFFFFu);
        EXPECT_EQ(c.pixelAt(at(25.3f) - 5, at(24.6f) + 3), 0xFFFFFFu);
      }
}

TEST(MascotBlit, LeavesTheCanvasUntouchedWhereItMustNot) {
  const SpriteLevel clear = flatLevel(30, 30, 255, 255, 255, 0);
  const SpriteLevel solid = flatLevel(30, 30, 255, 255, 255, 255), empty;
  const float nan = std::nanf(""), inf = INFINITY;
  const struct {
    const char* what;
    const SpriteLevel* level;
    float cx, cy, height, angle, alpha;
  } cases[] = {
      {"alpha-0 texels", &clear, 20, 20, 30, 0.3f, 1},
      {"zero opacity", &solid, 20, 20, 30, 0, 0},
      {"NaN centre", &solid, nan, 20, 30, 0, 1},
      {"infinite centre", &solid, 20, inf, 30, 0, 1},
      {"NaN angle", &solid, 20, 20, 30, nan, 1},
      {"zero height", &solid, 20, 20, 0, 0, 1},
      {"negative height", &solid, 20, 20, -30, 0, 1},
      {"huge centre", &solid, 3e9f, -3e9f, 30, 0, 1},
      {"width 0", &empty, 20, 20, 30, 0, 1},
  };
  for (const auto& k : cases) {
    Canvas c = sentinelCanvas(40, 40, 1.0f);
    blitSprite(c, *k.level, k.cx, k.cy, k.height, k.angle, k.alpha, 0, 0, 40, 40);
    EXPECT_EQ(test::touchedPixels(c, kSentinel), 0) << k.what;
  }
}

// Whatever the pose, the figure stays inside its rectangle; a rectangle too short for it, or one
// that is not finite, draws nothing.
TEST(MascotSkeleton, RandomPosesNeverTouchAPixelOutsideTheRectangle) {
  const float nan = std::nanf("");
  const struct {
    float x, y, w, h, scale;
    int canvasW, canvasH;
    bool appears = true;
  } rects[] = {
      {272, 240, 316, 290, 1.15f, 990, 830},         // the editor's stage
      {0.4f, 0.7f, 221.3f, 203.7f, 1.5f, 340, 310},  // a dancer window
      {30, 20, 90, 60, 2.0f, 300, 200},              // small: sprites far larger than the box
      {10, 10, 100, 40, 1, 150, 150},                // just tall enough
      {10, 10, 100, 14, 1, 150, 150, false},
      {10, 10, 100, -50, 1, 150, 150, false},
      {nan, 10, 100, 100, 1, 150, 150, false},
      {10, INFINITY, 100, 100, 1, 150, 150, false},
      {10, 10, nan, 100, 1, 150, 150, false},
      {10, 10, 100, nan, 1, 150, 150, false},
  };
  std::mt19937 random(16);
  auto uniform = [&random](float lo, float hi) {
    return std::uniform_real_distribution<float>(lo, hi)(random);
  };
  for (const auto& r : rects)
    for (int trial = 0; trial < 12; ++trial) {
      SCOPED_TRACE(testing::Message() << "trial " << trial << " rect " << r.x << "," << r.y << " "
                                      << r.w << "x" << r.h);
      MascotRig rig;
      rig.useSprites(trial % 2 ? snapshot::testCardSprites() : embeddedSprites());
      rig.x = r.x, rig.y = r.y, rig.width = r.w, rig.height = r.h;
      rig.tilt = uniform(-0.6f, 0.6f);
      rig.tailLeft = uniform(-0.45f, 0.45f);
      rig.tailRight = uniform(-0.45f, 0.45f);
      rig.hop = uniform(0, 30);
      rig.breath = uniform(-5, 5);
      rig.groove = uniform(0, 1);
      rig.beatPhase = uniform(0, 8);
      rig.shock = uniform(0, 1);
      rig.time = uniform(0, 100);
      rig.sleepiness = uniform(0, 1);
      Canvas c = sentinelCanvas(r.canvasW, r.canvasH, r.scale);
      rig.draw(c);
      EXPECT_EQ(test::touchedPixels(c, kSentinel) > 0, r.appears);
      if (!r.appears) continue;
      const auto lo = [&r](float v) { return static_cast<int>(std::floor(v * r.scale)); };
      const auto hi = [&r](float v) { return static_cast<int>(std::ceil(v * r.scale)); };
      EXPECT_EQ(test::changedOutside(c, kSentinel, lo(r.x), lo(r.y), hi(r.x + r.w), hi(r.y + r.h)),
                0);
    }
}

TEST(MascotFaceRule, BranchesAndBoundaries) {
  const struct {
    float sleepiness;
    Mood mode;
    float beat;
    bool mouth;
    float blink;
    int face;
  } cases[] = {
      {0.7501f, Mood::Delighted, 0, true, 0, kExSmile2},  // asleep beats every mood
      {0.75f, Mood::Shocked, 0, false, 0, kExSleepy},
      {0.3f, Mood::Shocked, 0, false, 0, kExShocked},
      {0, Mood::Delighted, 0.999f, false, 0, kExDelighted},  // a new face on every whole beat
      {0, Mood::Delighted, 1, false, 0, kExLaugh},
      {0, Mood::Delighted, -0.5f, false, 0, kExLaugh},  // floor(-0.5) = -1 is odd
      {0, Mood::Singing, 0, true, 0, kExDelighted},
      {0, Mood::Singing, 0, false, 0.1f, kExSmile},  // blinks are for idling only
      {0, Mood::Idle, 0, false, 0.01f, kExSmile2},
      {0, Mood::Idle, 0, true, 0, kExNormal},
  };
  for (const auto& c : cases)
    EXPECT_EQ(chooseFace(c.sleepiness, c.mode, c.beat, c.mouth, c.blink), c.face)
        << c.sleepiness << " mode " << static_cast<int>(c.mode) << " beat " << c.beat;
}

// Every part decodes at its table size with four levels. (What the art holds, its transparent
// borders and opaque pivots, is pinned by the figure and face golden images.)
TEST(MascotArt, EveryPartDecodesAtItsTableSizeOnceForEveryRig) {
  const auto sprites = embeddedSprites();
  MascotRig rig;  // every rig, the editor's and the dancer's, shares the one decode
  rig.load();
  ASSERT_EQ(rig.sprites(), sprites.get()) << "decoded once, shared";
  for (int i = 0; i < kMascotPartCount; ++i) {
    const SpriteChain& chain = (*sprites)[i];
    ASSERT_EQ(chain.levelCount, 4) << kMascotParts[i].name;
    EXPECT_EQ(chain.levels[0].width, kMascotParts[i].width) << kMascotParts[i].name;
    EXPECT_EQ(chain.levels[0].height, kMascotParts[i].height + (i == kBodyLow ? 70 : 0))
        << kMascotParts[i].name;
  }
}

TEST(MascotArt, RefusedOrCorruptPartsAreSkippedAndTheRestDraws) {
  const res::EmbeddedImage tailR = res::mascotImage(kTailR), body = res::mascotImage(kBodyLow);
  std::vector<unsigned char> truncated(body.data, body.data + body.size / 2);
  std::vector<unsigned char> flipped(body.data, body.data + body.size);
  for (std::size_t i = 40; i < flipped.size(); i += 97) flipped[i] ^= 0x5A;
  const unsigned char notPng[] = "GIF89a not a png at all";
  const struct {
    const char* what;
    int part;
    const unsigned char* data;
    std::size_t size;
  } cases[] = {
      {"another part's size", kTailL, tailR.data, tailR.size},
      {"truncated", kBodyLow, truncated.data(), truncated.size()},
      {"corrupted bytes", kBodyLow, flipped.data(), flipped.size()},
      {"not a PNG", kBodyLow, notPng, sizeof notPng},
      {"empty", kBodyLow, nullptr, 0},
      {"index out of range", 16, tailR.data, tailR.size},
  };
  for (const auto& k : cases) {
    EXPECT_EQ(decodeMascotPng(k.part, k.data, k.size).width, 0) << k.what;
    if (k.part >= kMascotPartCount) continue;
    auto store = std::make_shared<SpriteStore>(*embeddedSprites());
    (*store)[k.part] = buildSpriteChain(k.part, decodeMascotPng(k.part, k.data, k.size));
    EXPECT_EQ((*store)[k.part].levelCount, 0) << k.what;
    MascotRig rig;
    rig.useSprites(store);
    rig.x = 0, rig.y = 0, rig.width = 200, rig.height = 200;
    Canvas c = sentinelCanvas(200, 200, 1.0f);
    rig.draw(c);
    EXPECT_NE(c.pixelAt(100, 60), kSentinel) << k.what << ": the head still draws";
  }
}

}  // namespace
}  // namespace zv
