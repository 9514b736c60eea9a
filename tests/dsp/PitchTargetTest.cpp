#include <gtest/gtest.h>

#include <cmath>
#include <tuple>
#include <utility>

#include "PitchTarget.h"
#include "Signals.h"

using namespace zvtest;

namespace {

const zv::EngineConfig kConfig = zv::makeEngineConfig(44100);

zv::PlainParams keyScale(int key, int scale, int shift = 0, float speedMs = 0.0f) {
  zv::PlainParams p = plainCorrection();
  p.key = key;
  p.scale = scale;
  p.shiftSteps = shift;
  p.speedMs = speedMs;
  return p;
}

// One voiced grain: the period the grains are placed at.
float voiced(zv::GlideState& s, const zv::PlainParams& p, float note, float sungPeriod = 400.0f,
             int voiceSteps = 0, int64_t mark = 0) {
  return zv::targetPeriod(s, p, voiceSteps, mark, note, sungPeriod, true, kConfig);
}

TEST(SnapNote, SnapsToTheNearestScaleNoteThenShiftsInScaleStepsWithHysteresis) {
  struct Case {
    int key, scale, shift, voiceSteps;
    float sung, expected;
  };
  const Case cases[] = {
      {0, 1, 0, 0, 61.4f, 62.0f},   // C major: D
      {0, 1, 2, 0, 61.4f, 65.0f},   // D -> E -> F
      {0, 1, 2, 2, 61.4f, 69.0f},   // and a harmony two steps above that: A4
      {0, 1, 0, -7, 61.4f, 50.0f},  // seven steps down is an octave down
      {0, 1, 0, 0, 63.0f, 62.0f},   // a tie between D and E goes down without a previous note
      {0, 9, 0, 0, 60.5f, 60.0f},   // chromatic, between C and C#
      {0, 6, -7, 0, 60.0f, 43.0f},  // minor pentatonic: C4 -> C3 -> A#2 -> G2
  };
  for (const Case& c : cases) {
    zv::GlideState s;
    EXPECT_EQ(zv::snapNote(s, c.sung, keyScale(c.key, c.scale, c.shift), c.voiceSteps), c.expected)
        << c.key << "/" << c.scale << " shift " << c.shift << " voice " << c.voiceSteps;
  }
  // The held note stays unless the new one is 0.2 closer; a whole semitone away always lets go.
  const std::pair<float, float> chromatic[] = {{62.0f, 62.0f}, {61.45f, 62.0f}, {61.35f, 61.0f}};
  zv::GlideState s, far;
  for (const auto& [sung, held] : chromatic)
    EXPECT_EQ(zv::snapNote(s, sung, keyScale(0, 9), 0), held) << sung;
  zv::snapNote(far, 62.0f, keyScale(0, 1), 0);
  EXPECT_EQ(zv::snapNote(far, 63.05f, keyScale(0, 1), 0), 64.0f);
}

TEST(SnapNote, DetuneMovesTheWholeGridAndThePeriod) {
  zv::PlainParams p = keyScale(9, 1);  // A major
  p.a4Hz = 432.0f;
  const float offset = 12.0f * std::log2(432.0f / 440.0f);
  zv::GlideState s;
  EXPECT_FLOAT_EQ(zv::snapNote(s, 69.0f + offset, p, 0), 69.0f + offset);
  EXPECT_FLOAT_EQ(zv::snapNote(s, 69.4f, p, 0), 69.0f + offset);
  EXPECT_NEAR(voiced(s, p, 69.2f, 100.0f), 44100.0 / 432.0, 0.01);
}

// "Robot" jumps to the grid at once, within the range the grains carry (half to one and a half
// times the sung period); a glide takes at once only jumps over two octaves; an unvoiced grain
// ends the glide and the hysteresis.
TEST(TargetPeriod, RobotJumpsToTheGridGlidesJumpOnlyOverTwoOctavesAndUnvoicedEndsBoth) {
  zv::GlideState s;
  for (float sung : {57.3f, 59.2f, 64.4f}) {
    EXPECT_NEAR(voiced(s, keyScale(0, 1), sung, 200.0f, 0, 1000),
                44100.0 / noteHz(std::round(sung)), 1e-3);
    EXPECT_EQ(s.outNote, std::round(sung));
  }
  EXPECT_EQ(s.lastSourceMark, 1000);
  EXPECT_EQ(voiced(s, keyScale(0, 9, 14), 100.0f, 100.0f, 7), 22.0f);    // 0.5 * 44
  EXPECT_EQ(voiced(s, keyScale(0, 9, -7), 20.0f, 100.0f, -7), 1018.5f);  // 1.5 * 679
  zv::GlideState j;
  const zv::PlainParams chromatic = keyScale(0, 9, 0, 400.0f);
  voiced(j, chromatic, 45.0f);
  voiced(j, chromatic, 70.0f);
  EXPECT_EQ(j.glideNote, 70.0f);
  voiced(j, chromatic, 60.0f);
  EXPECT_GT(j.glideNote, 60.5f);  // ten semitones glide

  const zv::PlainParams p = keyScale(0, 1, 0, 200.0f);
  zv::GlideState u;
  voiced(u, p, 60.0f, 168.0f);
  EXPECT_EQ(zv::targetPeriod(u, p, 0, 500, 0.0f, 315.0f, false, kConfig), 315.0f);
  EXPECT_EQ(std::make_tuple(u.glideNote, u.noteIndex, u.lastSourceMark),
            std::make_tuple(-1.0f, zv::kNoNoteIndex, int64_t{0}));
  EXPECT_EQ(u.outNote, 60.0f);  // the meter note is kept
  voiced(u, p, 64.0f, 168.0f, 0, 800);
  EXPECT_EQ(u.glideNote, 64.0f);  // a fresh start, no glide from 60
}

}  // namespace
