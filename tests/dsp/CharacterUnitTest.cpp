#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "CharacterUnit.h"
#include "GlitchState.h"
#include "Signals.h"

namespace zv {
namespace {

constexpr int kPerChannelCharacters[] = {kCharacterDrive, kCharacterRadio, kCharacterCrush,
                                         kCharacterDownsample, kCharacterLoFi};

std::vector<float> run(CharacterUnit& unit, const std::vector<float>& in, int character,
                       float amount) {
  std::vector<float> out(in.size());
  for (size_t i = 0; i < in.size(); ++i) out[i] = unit.process(in[i], character, amount);
  return out;
}

TEST(CharacterUnit, AmountAtThresholdLeavesSignalAndStateUntouched) {
  const auto tone = zvtest::voiceTone(44100.0, 4000);
  for (int c : kPerChannelCharacters) {
    SCOPED_TRACE(c);
    CharacterUnit touched, fresh;
    touched.configure(44100.0);
    fresh.configure(44100.0);
    EXPECT_EQ(run(touched, tone, c, 0.001f), tone);
    // Had the pass-through run the effect, its filters, lines and loudness match would now differ.
    EXPECT_EQ(run(touched, tone, c, 0.8f), run(fresh, tone, c, 0.8f));
  }
  // "Off" and "Glitch" are never the per-channel unit's business, whatever the amount.
  CharacterUnit unit;
  unit.configure(44100.0);
  EXPECT_EQ(run(unit, tone, kCharacterOff, 1.0f), tone);
  EXPECT_EQ(run(unit, tone, kCharacterGlitch, 1.0f), tone);

  GlitchState glitch;
  glitch.configure(44100.0, 65536);
  for (float x : tone) {
    float l = x, r = -x;
    glitch.process(l, r, 0.001f);
    ASSERT_TRUE(l == x && r == -x);
  }
  EXPECT_EQ(glitch.writeIndex(), 0);  // the capture lines were not written
  EXPECT_EQ(glitch.randomState(), GlitchState::kSeed);
}

TEST(CharacterUnit, RadioOnALowToneStaysQuieterThanItsInputWithTheGainBoundedToEight) {
  const auto tone = zvtest::sine(100.0, 44100.0, 2 * 44100, 0.5f);
  for (float amount : {0.5f, 1.0f}) {
    CharacterUnit unit;
    unit.configure(44100.0);
    std::vector<float> out(tone.size());
    float maxGain = 0.0f;
    for (size_t i = 0; i < tone.size(); ++i) {
      out[i] = unit.process(tone[i], kCharacterRadio, amount);
      maxGain = std::max(maxGain, unit.loudnessGain());
    }
    EXPECT_LE(maxGain, 8.0f);
    EXPECT_GT(maxGain, 7.9f);  // the band-pass costs more than 18 dB at 100 Hz
    EXPECT_LT(zvtest::rmsOf(out, 44100), 0.5 * zvtest::rmsOf(tone, 44100));
  }
}

// Energy of x within +-8 % of a frequency (the Lo-Fi flutter smears tones by a few percent).
double bandEnergy(const std::vector<float>& x, size_t from, double sr, double freqHz) {
  double total = 0.0;
  for (double f = 0.92 * freqHz; f <= 1.08 * freqHz; f += 2.0) {
    double re = 0.0, im = 0.0;
    for (size_t i = from; i < x.size(); ++i) {
      re += x[i] * std::cos(2.0 * kPi * f * double(i) / sr);
      im += x[i] * std::sin(2.0 * kPi * f * double(i) / sr);
    }
    total += re * re + im * im;
  }
  return total;
}

TEST(CharacterUnit, LoFiAtFullAmountCutsAbove2300Hz) {
  const double sr = 44100.0;
  // Quiet, so that the saturation stays nearly linear.
  auto twoTone = zvtest::sine(1000.0, sr, 22050, 0.01f);
  const auto high = zvtest::sine(6000.0, sr, 22050, 0.01f);
  for (size_t i = 0; i < twoTone.size(); ++i) twoTone[i] += high[i];
  CharacterUnit unit;
  unit.configure(sr);
  const auto out = run(unit, twoTone, kCharacterLoFi, 1.0f);
  // A 2300 Hz second-order low-pass (Q 0.65) passes 1 kHz almost whole and 6 kHz about 16 dB down.
  const double db =
      10.0 * std::log10(bandEnergy(out, 4410, sr, 6000.0) / bandEnergy(out, 4410, sr, 1000.0));
  EXPECT_GT(db, -19.0);
  EXPECT_LT(db, -14.0);
}

TEST(CharacterUnit, LoFiDelaySwingsAroundNineMillisecondsInsideItsLine) {
  for (double sr : {16000.0, 44100.0, 96000.0}) {
    SCOPED_TRACE(sr);
    CharacterUnit unit;
    unit.configure(sr);
    double lo = 1e9, hi = 0.0;
    for (int i = 0; i < static_cast<int>(2.6 * sr); ++i) {
      unit.process(0.1f, kCharacterLoFi, 1.0f);
      lo = std::min(lo, unit.lofiDelaySamples());
      hi = std::max(hi, unit.lofiDelaySamples());
    }
    // 9 ms +- 5.5 ms of wow +- 0.8 ms of flutter, always shorter than the line.
    EXPECT_GE(lo, 0.0027 * sr - 1e-6);
    EXPECT_LE(lo, 0.0031 * sr);
    EXPECT_LE(hi, 0.0153 * sr + 1e-6);
    EXPECT_GE(hi, 0.0149 * sr);
    EXPECT_LT(hi + 1.0, unit.lofiLineSize());
  }
}

TEST(CharacterUnit, NonFiniteOrHugeSamplesDoNotPoisonTheEffectState) {
  const auto tone = zvtest::voiceTone(44100.0, 5 * 44100);
  for (int c : kPerChannelCharacters) {
    SCOPED_TRACE(c);
    CharacterUnit unit;
    unit.configure(44100.0);
    for (float bad : {NAN, INFINITY, -INFINITY, 3e38f, -1e30f}) unit.process(bad, c, 1.0f);
    const auto out = run(unit, tone, c, 1.0f);
    ASSERT_TRUE(zvtest::allFinite(out));
    // The loudness match remembers the burst for a few 120 ms time constants, then the effect
    // is back at its usual level.
    EXPECT_GT(zvtest::rmsOf(out, 4 * 44100), 0.5 * zvtest::rmsOf(tone));
    EXPECT_LT(zvtest::rmsOf(out, 4 * 44100), 2.0 * zvtest::rmsOf(tone));
  }
}

TEST(GlitchState, TwoRunsFromAResetAreIdenticalAndReplayOnlyPastAudio) {
  const int n = 3 * 44100;
  GlitchState glitch;
  glitch.configure(44100.0, 65536);
  std::vector<float> first(n), second(n);
  int replayed = 0;
  for (auto* out : {&first, &second}) {
    glitch.reset();
    for (int i = 0; i < n; ++i) {
      const float x = 1e-5f * static_cast<float>(i + 1);
      float l = x, r = -x;
      glitch.process(l, r, 1.0f);
      (*out)[size_t(i)] = l;
      ASSERT_EQ(r, -l);
      // On a rising ramp anything captured earlier is smaller: the output may never run ahead.
      ASSERT_LE(l, x * (1.0f + 1e-6f)) << i;
      replayed += out == &first && l < x - 0.01f;
    }
  }
  EXPECT_EQ(first, second);
  EXPECT_GT(replayed, 10000);
}

}  // namespace
}  // namespace zv
