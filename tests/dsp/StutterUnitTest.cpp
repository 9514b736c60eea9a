#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "Signals.h"
#include "StutterUnit.h"

namespace zv {
namespace {

constexpr double kSr = 44100.0;
constexpr int kCapture = 131072;  // smallest power of two covering 2.5 s at 44.1 kHz
constexpr int kRate1_8 = 1, kRate1_16 = 3, kRate1_32 = 5;

struct Pair {
  std::vector<float> left, right;
};

// Runs the unit on the free-running clock of a host at `bpm`, starting from beat `startBeat`.
Pair runClock(StutterUnit& unit, const std::vector<float>& in, int mode, int rate, double bpm,
              double startBeat = 0.0) {
  const double spb = samplesPerBeat(kSr, bpm);
  Pair out{in, in};
  for (auto& r : out.right) r = -r;
  for (size_t i = 0; i < in.size(); ++i)
    unit.process(out.left[i], out.right[i], mode, rate, startBeat + double(i) / spb, spb);
  return out;
}

StutterUnit fresh() {
  StutterUnit unit;
  unit.configure(kSr, kCapture);
  return unit;
}

TEST(StutterUnit, GateAtOneSixteenthAnd120BpmOpensFor55PercentOfEachStepWith2_5MsRamps) {
  StutterUnit unit = fresh();
  const double step = 5512.5;  // a sixteenth at 120 bpm
  const auto out = runClock(unit, std::vector<float>(size_t(step * 10) + 1, 1.0f), kStutterGate,
                            kRate1_16, 120.0);
  const auto at = [&](int i) { return out.left[size_t(i)]; };
  for (int k = 1; k < 10; ++k) {
    SCOPED_TRACE(k);
    const int begin = int(std::ceil(k * step)), end = int(std::ceil((k + 1) * step));
    int open = 0;
    for (int i = begin; i < end; ++i) {
      open += at(i) > 0.5f;
      ASSERT_EQ(out.right[size_t(i)], -at(i));
    }
    EXPECT_NEAR(open, 3032, 2);
    // One time constant (110 samples) after each edge the ramp has covered 1 - 1/e.
    EXPECT_LT(at(begin - 1), 0.001f);
    EXPECT_NEAR(at(begin + 109), 1.0 - std::exp(-1.0), 0.01);
    EXPECT_GT(at(begin + 551), 0.99f);
    const int closeAt = int(std::ceil((k + 0.55) * step));
    EXPECT_GT(at(closeAt - 1), 0.99f);
    EXPECT_NEAR(at(closeAt + 109), std::exp(-1.0), 0.01);
  }
}

TEST(StutterUnit, RepeatAtOneEighthAnd120BpmPlaysTheLiveStepThenRepeatsIt) {
  StutterUnit unit = fresh();
  const auto in = zvtest::voiceTone(kSr, 3 * 22050);
  const auto out = runClock(unit, in, kStutterRepeat, kRate1_8, 120.0);
  const int step = 11025, fade = 88;
  for (int beat = 0; beat < 3; ++beat) {
    SCOPED_TRACE(beat);
    const int b0 = beat * 22050;
    const auto o = [&](int c) { return out.left[size_t(b0 + c)]; };
    const auto x = [&](int c) { return in[size_t(b0 + c)]; };
    // Live first half, then the first half again; each with its own 88-sample fades.
    for (int half : {0, step}) {
      EXPECT_EQ(o(half), 0.0f);
      EXPECT_FLOAT_EQ(o(half + 44), x(44) * 0.5f);
      for (int c = fade; c <= step - fade; ++c) ASSERT_EQ(o(half + c), x(c)) << half + c;
    }
    EXPECT_FLOAT_EQ(o(step - 22), x(step - 22) * 0.25f);
    EXPECT_FLOAT_EQ(o(2 * step - 1), x(step - 1) / 88.0f);
    for (int c = 0; c < 2 * step; ++c) ASSERT_EQ(out.right[size_t(b0 + c)], -o(c));
  }
}

TEST(StutterUnit, RepeatStepsShorterThan32SamplesAreLengthened) {
  StutterUnit unit = fresh();
  // 100 samples per beat: a thirty-second would be 12.5 samples.
  const auto in = zvtest::voiceTone(kSr, 400);
  std::vector<float> out = in, right = in;
  for (size_t i = 0; i < in.size(); ++i)
    unit.process(out[i], right[i], kStutterRepeat, kRate1_32, double(i) / 100.0, 100.0);
  for (int b0 = 0; b0 < 400; b0 += 100)
    for (int pass : {1, 2})  // fades are a quarter step (8 samples); the middle is whole
      for (int pos = 8; pos <= 24; ++pos)
        EXPECT_EQ(out[size_t(b0 + 32 * pass + pos)], in[size_t(b0 + pos)]);
}

TEST(StutterUnit, TemposAt20BpmAndBelowCountAs20) {
  for (double bpm : {10.0, 20.0, 0.0, double(NAN)})
    EXPECT_DOUBLE_EQ(samplesPerBeat(kSr, bpm), 132300.0) << bpm;
  EXPECT_DOUBLE_EQ(samplesPerBeat(kSr, 120.0), 22050.0);
}

TEST(StutterUnit, SwitchingOffAndOnKeepsTheGateAndRepeatState) {
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
  float l = 1.0f, r = 1.0f;
  unit.process(l, r, kStutterGate, 0, 0.1, samplesPerBeat(kSr, 120.0));
  EXPECT_LT(l, 0.01f);

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
}

TEST(StutterUnit, ResetOpensTheGateAndPlaysACountInBeatLiveFirst) {
  StutterUnit unit = fresh();
  runClock(unit, std::vector<float>(8000, 0.5f), kStutterGate, 0, 120.0, 0.7);
  // Leave a capture start far into the lines, then reset and start in beat -1 (a count-in).
  runClock(unit, zvtest::voiceTone(kSr, 30000), kStutterRepeat, kRate1_8, 120.0, 3.0);
  unit.reset();
  EXPECT_EQ(unit.gateEnvelope(), 1.0f);
  EXPECT_EQ(unit.currentBeat(), -1.0);
  EXPECT_EQ(unit.counter(), 0);
  EXPECT_EQ(unit.writeIndex(), 0);
  const auto in = zvtest::voiceTone(kSr, 8000);
  const auto out = runClock(unit, in, kStutterRepeat, kRate1_8, 120.0, -0.5);
  EXPECT_EQ(unit.currentBeat(), -1.0);
  for (int i = 100; i < 8000; ++i) ASSERT_EQ(out.left[size_t(i)], in[size_t(i)]) << i;
}

TEST(StutterUnit, ANonFiniteBeatPositionClosesTheGateAndSilencesRepeat) {
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
    // A sane position afterwards brings the signal back.
    for (int i = 0; i < 19000; ++i) {  // ends open (step phase 0.45) and mid-repeat
      l = 0.8f, r = -0.8f;
      unit.process(l, r, mode, kRate1_16, 3.0 + i / spb, spb);
    }
    EXPECT_NEAR(l, 0.8f, 1e-3f) << mode;
  }
}

}  // namespace
}  // namespace zv
