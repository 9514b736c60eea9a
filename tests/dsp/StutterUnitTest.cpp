// The tempo-locked stutter, alone and on the engine's free-running clock (the playing host's grid
// is checked on the render tool's aligned output).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "Signals.h"
#include "StutterUnit.h"

namespace zv {
namespace {

constexpr double kSr = 44100.0;
constexpr int kRate1_8 = 1, kRate1_16 = 3, kRate1_32 = 5;

StutterUnit fresh() {
  StutterUnit unit;
  unit.configure(kSr, 131072);  // the smallest power of two covering 2.5 s
  return unit;
}

// Runs the unit on the free-running clock of a host at `bpm`, starting from beat `startBeat`; the
// right channel carries the input negated.
zvtest::StereoOut runClock(StutterUnit& unit, const std::vector<float>& in, int mode, int rate,
                           double bpm, double startBeat = 0.0) {
  const double spb = samplesPerBeat(kSr, bpm);
  zvtest::StereoOut out{in, in};
  for (auto& r : out.right) r = -r;
  for (size_t i = 0; i < in.size(); ++i)
    unit.process(out.left[i], out.right[i], mode, rate, startBeat + double(i) / spb, spb);
  return out;
}

// A sixteenth at 120 bpm is 5512.5 samples; one time constant (110 samples) after each edge the
// ramp has covered 1 - 1/e.
TEST(StutterUnit, GateAtOneSixteenthAnd120BpmOpensFor55PercentOfEachStepWith2_5MsRamps) {
  StutterUnit unit = fresh();
  const double step = 5512.5;
  const auto out = runClock(unit, std::vector<float>(size_t(step * 10) + 1, 1.0f), kStutterGate,
                            kRate1_16, 120.0);
  const auto at = [&](int i) { return out.left[size_t(i)]; };
  for (int k = 1; k < 10; ++k) {
    SCOPED_TRACE(k);
    const int begin = int(std::ceil(k * step)), end = int(std::ceil((k + 1) * step));
    const int closeAt = int(std::ceil((k + 0.55) * step));
    int open = 0;
    for (int i = begin; i < end; ++i) {
      open += at(i) > 0.5f;
      ASSERT_EQ(out.right[size_t(i)], -at(i));
    }
    EXPECT_NEAR(open, 3032, 2);
    EXPECT_TRUE(at(begin - 1) < 0.001f && at(begin + 551) > 0.99f && at(closeAt - 1) > 0.99f);
    EXPECT_NEAR(at(begin + 109), 1.0 - std::exp(-1.0), 0.01);
    EXPECT_NEAR(at(closeAt + 109), std::exp(-1.0), 0.01);
  }
}

// At 1/8 and 120 bpm, each beat: the live first half, then the first half again, each with its
// own 88-sample fades.
TEST(StutterUnit, RepeatPlaysTheLiveStepThenRepeatsItInStepsOfAtLeast32Samples) {
  StutterUnit unit = fresh();
  const auto in = zvtest::voiceTone(kSr, 3 * 22050);
  const auto out = runClock(unit, in, kStutterRepeat, kRate1_8, 120.0);
  const int step = 11025, fade = 88;
  for (int b0 = 0; b0 < 3 * 22050; b0 += 22050) {
    SCOPED_TRACE(b0);
    const auto o = [&](int c) { return out.left[size_t(b0 + c)]; };
    const auto x = [&](int c) { return in[size_t(b0 + c)]; };
    for (int half : {0, step}) {
      EXPECT_EQ(o(half), 0.0f);
      EXPECT_FLOAT_EQ(o(half + 44), x(44) * 0.5f);
      for (int c = fade; c <= step - fade; ++c) ASSERT_EQ(o(half + c), x(c)) << half + c;
    }
    EXPECT_FLOAT_EQ(o(step - 22), x(step - 22) * 0.25f);
    EXPECT_FLOAT_EQ(o(2 * step - 1), x(step - 1) / 88.0f);
    for (int c = 0; c < 2 * step; ++c) ASSERT_EQ(out.right[size_t(b0 + c)], -o(c));
  }
  // At 100 samples per beat a thirty-second would be 12.5 samples: it lasts 32, with fades of a
  // quarter step (8 samples) and a whole middle.
  unit = fresh();
  std::vector<float> short32 = in, right = in;
  for (size_t i = 0; i < 400; ++i)
    unit.process(short32[i], right[i], kStutterRepeat, kRate1_32, double(i) / 100.0, 100.0);
  for (int b0 = 0; b0 < 400; b0 += 100)
    for (int pass : {1, 2})
      for (int pos = 8; pos <= 24; ++pos)
        EXPECT_EQ(short32[size_t(b0 + 32 * pass + pos)], in[size_t(b0 + pos)]);
}

TEST(StutterUnit, SwitchingOffAndOnKeepsTheGateAndRepeatStateAndAResetStartsAfresh) {
  StutterUnit unit = fresh();
  const std::vector<float> ones(2000, 1.0f);
  // Gate closed for 2000 samples (0.6 of a quarter-note step at 120 bpm).
  runClock(unit, ones, kStutterGate, 0, 120.0, 0.6);
  const float closed = unit.gateEnvelope();
  ASSERT_LT(closed, 1e-6f);
  const int written = unit.writeIndex();
  // Off: nothing is touched, not even the capture lines.
  EXPECT_EQ(runClock(unit, ones, kStutterOff, 0, 120.0, 0.1).left, ones);
  EXPECT_EQ(unit.writeIndex(), written);
  EXPECT_EQ(unit.gateEnvelope(), closed);
  // On again in an open region: the gate ramps up from where it was, not from fully open.
  EXPECT_LT(runClock(unit, {1.0f}, kStutterGate, 0, 120.0, 0.1).left[0], 0.01f);

  unit.reset();
  runClock(unit, std::vector<float>(5000, 0.5f), kStutterRepeat, kRate1_8, 120.0, 0.0);
  runClock(unit, std::vector<float>(3000, 0.5f), kStutterOff, kRate1_8, 120.0, 5000 / 22050.0);
  EXPECT_EQ(unit.counter(), 5000);
  EXPECT_EQ(unit.currentBeat(), 0.0);
  runClock(unit, std::vector<float>(10, 0.5f), kStutterRepeat, kRate1_8, 120.0, 8000 / 22050.0);
  EXPECT_EQ(unit.counter(), 5010);
  // A jump into another beat starts a new cycle.
  runClock(unit, std::vector<float>(10, 0.5f), kStutterRepeat, kRate1_8, 120.0, 17.2);
  EXPECT_EQ(unit.currentBeat(), 17.0);
  EXPECT_EQ(unit.counter(), 10);

  // A reset, with the gate closed and a capture start far into the lines, opens the gate and
  // starts in beat -1: a count-in plays live.
  runClock(unit, std::vector<float>(8000, 0.5f), kStutterGate, 0, 120.0, 0.7);
  unit.reset();
  EXPECT_TRUE(unit.gateEnvelope() == 1.0f && unit.currentBeat() == -1.0);
  EXPECT_EQ(unit.counter() + unit.writeIndex(), 0);
  const auto in = zvtest::voiceTone(kSr, 8000);
  const auto out = runClock(unit, in, kStutterRepeat, kRate1_8, 120.0, -0.5).left;
  EXPECT_EQ(unit.currentBeat(), -1.0);
  EXPECT_TRUE(std::equal(in.begin() + 100, in.end(), out.begin() + 100));
}

// A nonsense beat position closes the gate and silences repeat; a sane one brings the signal back
// (the run ends open, step phase 0.45, and mid-repeat). Nonsense tempos count as 20 bpm.
TEST(StutterUnit, ANonFiniteBeatPositionOrTempoIsSafe) {
  const double spb = samplesPerBeat(kSr, 120.0);
  for (int mode : {kStutterGate, kStutterRepeat}) {
    StutterUnit unit = fresh();
    float l = 0.0f, r = 0.0f;
    for (int i = 0; i < 3000; ++i) {
      l = 0.8f, r = -0.8f;
      unit.process(l, r, mode, kRate1_16, i % 2 ? NAN : INFINITY, spb);
      ASSERT_TRUE(std::isfinite(l) && std::isfinite(r));
    }
    EXPECT_LT(std::fabs(l), 1e-6f) << mode;
    for (int i = 0; i < 19000; ++i) {
      l = 0.8f, r = -0.8f;
      unit.process(l, r, mode, kRate1_16, 3.0 + i / spb, spb);
    }
    EXPECT_NEAR(l, 0.8f, 1e-3f) << mode;
  }
  for (double bpm : {10.0, 20.0, 0.0, double(NAN)})
    EXPECT_DOUBLE_EQ(samplesPerBeat(kSr, bpm), 132300.0) << bpm;
  EXPECT_DOUBLE_EQ(spb, 22050.0);
}

// Every mode and step over rates and tempos: finite, no louder than the input (gate envelope and
// repeat gains lie in 0..1 and repeats replay earlier input), and still audible.
TEST(StutterUnit, EveryModeStaysFiniteAudibleAndNoLouderThanItsInput) {
  for (double sr : zvtest::kRates) {
    const auto in = zvtest::phrases(sr, static_cast<int>(3.0 * sr));
    for (int mode : {kStutterGate, kStutterRepeat})
      for (int rate = 0; rate < 6; ++rate)
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
          EXPECT_LE(zvtest::peakOf(left), zvtest::peakOf(in));
          EXPECT_GT(zvtest::rmsOf(left), 0.25 * zvtest::rmsOf(in));
        }
  }
}

// With the host stopped the gate follows the engine's own clock, undelayed, from zero after a
// reset: at 120 bpm a sixteenth (5512.5 samples) opens for its first 3032; below 20 bpm the clock
// runs at 20, a sixteenth of 33075 samples open for its first 18191.
TEST(StutterUnit, StoppedHostGateFollowsTheEngineClockFromZeroAfterAResetAtLeast20Bpm) {
  PlainParams p;
  p.mix = 0.0f;  // the dry input delayed by the latency, so the gate's shape is plain
  p.stutter = kStutterGate;
  p.stutterRate = kRate1_16;
  VoiceEngine engine = zvtest::makeEngine(kSr, p);
  const std::vector<float> ones(30000, 0.5f);
  zvtest::run(engine, ones);
  EXPECT_NEAR(engine.freeBeatClock(), 30000.0 / 22050.0, 1e-9);
  engine.reset();
  EXPECT_EQ(engine.freeBeatClock(), 0.0);
  auto out = zvtest::run(engine, ones).left;
  ASSERT_LT(engine.latencySamples(), 3032 - 300);
  EXPECT_NEAR(out[2900], 0.5f, 1e-3f);
  EXPECT_NEAR(out[5513 + 800], 0.5f, 2e-3f);
  EXPECT_LT(std::max(out[3032 + 800], out[5513 + 3032 + 800]), 1e-3f);
  engine.reset();
  engine.transport().tempoBpm = 10.0;
  out = zvtest::run(engine, std::vector<float>(44100, 0.5f), 441).left;
  EXPECT_NEAR(engine.freeBeatClock(), 1.0 / 3.0, 1e-9);
  EXPECT_NEAR(out[17500], 0.5f, 1e-3f);
  EXPECT_LT(out[18191 + 800], 1e-3f);
}

}  // namespace
}  // namespace zv
