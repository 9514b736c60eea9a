// Every character and stutter setting, over rates and amounts: finite, audible, and no louder than
// a loudness-matched colouring, a blend or a gate can be.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "CharacterUnit.h"
#include "EngineConfig.h"
#include "GlitchState.h"
#include "Signals.h"
#include "StutterUnit.h"

namespace zv {
namespace {

constexpr double kRates[] = {16000.0, 22050.0, 44100.0, 48000.0, 96000.0, 192000.0};
constexpr float kAmounts[] = {0.01f, 0.25f, 0.5f, 1.0f};

// Phrases of the voice tone with short rests, so the loudness match also meets silence. The rates
// include 16 kHz, where Lo-Fi's light-amount tone corner lies above half the rate.
std::vector<float> phrases(double sr, int n) {
  auto x = zvtest::voiceTone(sr, n);
  for (int i = 0; i < n; ++i)
    if (std::fmod(i / sr, 0.5) > 0.4) x[static_cast<size_t>(i)] = 0.0f;
  return x;
}

TEST(EffectsBounds, EveryCharacterStaysFiniteAudibleAndWithinItsPeakBound) {
  for (double sr : kRates) {
    const int n = static_cast<int>(1.5 * sr);
    const auto in = phrases(sr, n);
    const float inPeak = zvtest::peakOf(in);
    for (int c : {kCharacterDrive, kCharacterRadio, kCharacterCrush, kCharacterDownsample,
                  kCharacterLoFi}) {
      for (float a : kAmounts) {
        SCOPED_TRACE(testing::Message() << "rate " << sr << " character " << c << " amount " << a);
        CharacterUnit unit;
        unit.configure(sr);
        std::vector<float> out(in.size());
        for (size_t i = 0; i < in.size(); ++i) out[i] = unit.process(in[i], c, a);
        ASSERT_TRUE(zvtest::allFinite(out));
        // On a voice, matching loudness keeps the peaks close: a colouring changes the crest
        // factor, not the level.
        EXPECT_LE(zvtest::peakOf(out), 1.6f * inPeak);
        // The loudness match keeps every colouring near the input's level once it has settled.
        const double ratio =
            zvtest::rmsOf(out, size_t(0.5 * sr)) / zvtest::rmsOf(in, size_t(0.5 * sr));
        EXPECT_TRUE(ratio > 0.5 && ratio < 2.0) << ratio;
      }
    }
  }
}

TEST(EffectsBounds, GlitchStaysFiniteAudibleAndNoLouderThanItsInput) {
  for (double sr : kRates) {
    const int n = static_cast<int>(2.0 * sr);
    const auto in = phrases(sr, n);
    for (float a : kAmounts) {
      SCOPED_TRACE(testing::Message() << "rate " << sr << " amount " << a);
      GlitchState glitch;
      glitch.configure(sr, makeEngineConfig(sr).glitchCaptureLength);
      std::vector<float> left = in, right = in;
      for (auto& r : right) r *= -0.5f;
      for (size_t i = 0; i < in.size(); ++i) glitch.process(left[i], right[i], a);
      ASSERT_TRUE(zvtest::allFinite(left) && zvtest::allFinite(right));
      // Each output is a blend of the live sample and a faded earlier one.
      EXPECT_LE(zvtest::peakOf(left), zvtest::peakOf(in));
      EXPECT_LE(zvtest::peakOf(right), 0.5f * zvtest::peakOf(in));
      EXPECT_GT(zvtest::rmsOf(left), 0.3 * zvtest::rmsOf(in));
    }
  }
}

TEST(EffectsBounds, EveryStutterModeStaysFiniteAudibleAndNoLouderThanItsInput) {
  for (double sr : kRates) {
    const int n = static_cast<int>(3.0 * sr);
    const auto in = phrases(sr, n);
    for (int mode : {kStutterGate, kStutterRepeat}) {
      for (int rate = 0; rate < 6; ++rate) {
        for (double bpm : {10.0, 97.0, 174.0}) {
          SCOPED_TRACE(testing::Message()
                       << "rate " << sr << " mode " << mode << " step " << rate << " bpm " << bpm);
          StutterUnit unit;
          unit.configure(sr, makeEngineConfig(sr).stutterCaptureLength);
          const double spb = samplesPerBeat(sr, bpm);
          std::vector<float> left = in, right = in;
          for (size_t i = 0; i < in.size(); ++i)
            unit.process(left[i], right[i], mode, rate, 0.37 + static_cast<double>(i) / spb, spb);
          ASSERT_TRUE(zvtest::allFinite(left) && zvtest::allFinite(right));
          // Gate envelope and repeat gains lie in 0..1 and repeats replay earlier input.
          EXPECT_LE(zvtest::peakOf(left), zvtest::peakOf(in));
          EXPECT_GT(zvtest::rmsOf(left), 0.25 * zvtest::rmsOf(in));
        }
      }
    }
  }
}

}  // namespace
}  // namespace zv
