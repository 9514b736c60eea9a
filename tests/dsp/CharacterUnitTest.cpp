// The character colourings and the glitch, alone and in the engine's chain.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <functional>
#include <vector>

#include "CharacterUnit.h"
#include "GlitchState.h"
#include "Signals.h"

namespace zv {
namespace {

constexpr int kPerChannel[] = {kCharacterDrive, kCharacterRadio, kCharacterCrush,
                               kCharacterDownsample, kCharacterLoFi};

CharacterUnit fresh(double sr = 44100.0) {
  CharacterUnit unit;
  unit.configure(sr);
  return unit;
}

std::vector<float> run(CharacterUnit& unit, const std::vector<float>& in, int character,
                       float amount) {
  std::vector<float> out(in.size());
  for (size_t i = 0; i < in.size(); ++i) out[i] = unit.process(in[i], character, amount);
  return out;
}

TEST(CharacterUnit, AmountAtThresholdLeavesSignalAndStateUntouched) {
  const auto tone = zvtest::voiceTone(44100.0, 4000);
  for (int c : kPerChannel) {
    CharacterUnit touched = fresh(), untouched = fresh();
    EXPECT_EQ(run(touched, tone, c, 0.001f), tone) << c;
    // Had the pass-through run the effect, its filters, lines and loudness match would now differ.
    EXPECT_EQ(run(touched, tone, c, 0.8f), run(untouched, tone, c, 0.8f)) << c;
  }
  // "Off" and "Glitch" are never the per-channel unit's business, whatever the amount.
  CharacterUnit unit = fresh();
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

// In the engine the colouring works on the wet voice before the mix: mix 0 is the plain dry path.
TEST(CharacterUnit, ColoursTheWetVoiceBeforeTheEngineMix) {
  const auto voice = zvtest::voiceTone(44100.0, 20000);
  auto render = [&voice](int character, float mix) {
    PlainParams p;
    p.character = character;
    p.characterAmount = 1.0f;
    p.mix = mix;
    VoiceEngine engine = zvtest::makeEngine(44100.0, p);
    return zvtest::run(engine, voice).left;
  };
  const auto off = render(kCharacterOff, 0.7f), dryOff = render(kCharacterOff, 0.0f);
  for (int c = kCharacterDrive; c <= kCharacterLoFi; ++c) {
    EXPECT_NE(render(c, 0.7f), off) << c;
    EXPECT_EQ(render(c, 0.0f), dryOff) << c;
  }
}

TEST(CharacterUnit, RadioOnALowToneStaysQuieterThanItsInputWithTheGainBoundedToEight) {
  const auto tone = zvtest::sine(100.0, 44100.0, 2 * 44100, 0.5f);
  for (float amount : {0.5f, 1.0f}) {
    CharacterUnit unit = fresh();
    std::vector<float> out(tone.size());
    float maxGain = 0.0f;
    for (size_t i = 0; i < tone.size(); ++i) {
      out[i] = unit.process(tone[i], kCharacterRadio, amount);
      maxGain = std::max(maxGain, unit.loudnessGain());
    }
    EXPECT_TRUE(maxGain > 7.9f && maxGain <= 8.0f);  // the band-pass costs over 18 dB at 100 Hz
    EXPECT_LT(zvtest::rmsOf(out, 44100), 0.5 * zvtest::rmsOf(tone, 44100));
  }
}

// A 2300 Hz second-order low-pass (Q 0.65) passes 1 kHz almost whole and 6 kHz about 16 dB down
// (quiet tones keep the saturation nearly linear; the energy is summed within +-8 % of each
// frequency, as the flutter smears tones by a few percent). The delay swings 9 ms +- 5.5 ms of wow
// +- 0.8 ms of flutter, always shorter than its line.
TEST(CharacterUnit, LoFiCutsAbove2300HzAndItsDelaySwingsAroundNineMsInsideItsLine) {
  auto in = zvtest::sine(1000.0, 44100.0, 22050, 0.01f);
  const auto high = zvtest::sine(6000.0, 44100.0, 22050, 0.01f);
  std::transform(in.begin(), in.end(), high.begin(), in.begin(), std::plus<float>());
  CharacterUnit lofi = fresh();
  const auto out = run(lofi, in, kCharacterLoFi, 1.0f);
  auto bandEnergy = [&out](double hz) {
    double total = 0.0;
    for (double f = 0.92 * hz; f <= 1.08 * hz; f += 2.0) {
      std::complex<double> sum = 0.0;
      for (size_t i = 4410; i < out.size(); ++i)
        sum += double(out[i]) * std::polar(1.0, 2.0 * zvtest::kPi * f * double(i) / 44100.0);
      total += std::norm(sum);
    }
    return total;
  };
  const double db = 10.0 * std::log10(bandEnergy(6000.0) / bandEnergy(1000.0));
  EXPECT_TRUE(db > -19.0 && db < -14.0) << db;
  for (double sr : {16000.0, 44100.0, 96000.0}) {
    CharacterUnit unit = fresh(sr);
    double lo = 1e9, hi = 0.0;
    for (int i = 0; i < static_cast<int>(2.6 * sr); ++i) {
      unit.process(0.1f, kCharacterLoFi, 1.0f);
      lo = std::min(lo, unit.lofiDelaySamples());
      hi = std::max(hi, unit.lofiDelaySamples());
    }
    EXPECT_TRUE(lo >= 0.0027 * sr - 1e-6 && lo <= 0.0031 * sr) << sr << ": " << lo;
    EXPECT_TRUE(hi >= 0.0149 * sr && hi <= 0.0153 * sr + 1e-6) << sr << ": " << hi;
    EXPECT_LT(hi + 1.0, unit.lofiLineSize());
  }
}

// The loudness match remembers a burst of bad samples for a few 120 ms time constants, then the
// effect is back at its usual level.
TEST(CharacterUnit, NonFiniteOrHugeSamplesDoNotPoisonTheEffectState) {
  const auto tone = zvtest::voiceTone(44100.0, 5 * 44100);
  for (int c : kPerChannel) {
    CharacterUnit unit = fresh();
    for (float bad : {NAN, INFINITY, -INFINITY, 3e38f, -1e30f}) unit.process(bad, c, 1.0f);
    const auto out = run(unit, tone, c, 1.0f);
    ASSERT_TRUE(zvtest::allFinite(out)) << c;
    const double ratio = zvtest::rmsOf(out, 4 * 44100) / zvtest::rmsOf(tone);
    EXPECT_TRUE(ratio > 0.5 && ratio < 2.0) << c << ": " << ratio;
  }
}

// Over rates (16 kHz puts Lo-Fi's light-amount tone corner above half the rate) and amounts, on
// phrases with rests: finite, audible and no louder than the input allows. The loudness match
// keeps a colouring's level and peaks near the input's (it changes the crest factor, not the
// level); each glitch output blends the live sample with a faded earlier one.
TEST(CharacterUnit, EveryCharacterStaysFiniteAudibleAndWithinItsPeakBound) {
  for (double sr : zvtest::kRates) {
    const auto in = zvtest::phrases(sr, static_cast<int>(1.5 * sr));
    const size_t settled = static_cast<size_t>(0.5 * sr);
    for (int c = kCharacterDrive; c <= kCharacterLoFi; ++c)
      for (float a : zvtest::kAmounts) {
        SCOPED_TRACE(testing::Message() << "rate " << sr << " character " << c << " amount " << a);
        std::vector<float> left = in, right = in;
        for (auto& r : right) r *= -0.5f;
        CharacterUnit unit = fresh(sr);
        GlitchState glitch;
        glitch.configure(sr, makeEngineConfig(sr).glitchCaptureLength);
        if (c == kCharacterGlitch) {
          for (size_t i = 0; i < in.size(); ++i) glitch.process(left[i], right[i], a);
        } else {
          left = run(unit, in, c, a);
        }
        ASSERT_TRUE(zvtest::allFinite(left) && zvtest::allFinite(right));
        const float peak = c == kCharacterGlitch ? 1.0f : 1.6f;
        EXPECT_LE(zvtest::peakOf(left), peak * zvtest::peakOf(in));
        EXPECT_LE(zvtest::peakOf(right), 0.5f * peak * zvtest::peakOf(in));
        const double ratio = zvtest::rmsOf(left, settled) / zvtest::rmsOf(in, settled);
        EXPECT_TRUE(ratio > (c == kCharacterGlitch ? 0.3 : 0.5) && ratio < 2.0) << ratio;
      }
  }
}

// On a rising ramp anything captured earlier is smaller: the output may never run ahead.
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
      ASSERT_TRUE(r == -l && l <= x * (1.0f + 1e-6f)) << i;
      replayed += out == &first && l < x - 0.01f;
    }
  }
  EXPECT_EQ(first, second);
  EXPECT_GT(replayed, 10000);
}

}  // namespace
}  // namespace zv
