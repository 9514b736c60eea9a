// The character and stutter units inside the voice engine: the chain positions and the stutter's
// free-running clock (the playing host's grid is checked on the render tool's aligned output).
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "Signals.h"
#include "VoiceEngine.h"

namespace zv {
namespace {

constexpr double kSr = 44100.0;

struct Output {
  std::vector<float> left, right;
};

Output runEngine(VoiceEngine& engine, const std::vector<float>& in, int block = 512) {
  Output out{std::vector<float>(in.size()), std::vector<float>(in.size())};
  for (size_t at = 0; at < in.size(); at += static_cast<size_t>(block)) {
    const int n = static_cast<int>(std::min(in.size() - at, static_cast<size_t>(block)));
    engine.process(in.data() + at, out.left.data() + at, out.right.data() + at, n);
  }
  return out;
}

// Mix 0: the output is the dry input delayed by the latency, so the gate's shape is plain.
PlainParams dryGate(int rate) {
  PlainParams p;
  p.mix = 0.0f;
  p.stutter = kStutterGate;
  p.stutterRate = rate;
  return p;
}

Output render(const PlainParams& params, const std::vector<float>& in) {
  VoiceEngine engine;
  engine.configure(kSr);
  engine.setParams(params);
  return runEngine(engine, in);
}

PlainParams withCharacter(int character, float amount, float mix) {
  PlainParams p;
  p.character = character;
  p.characterAmount = amount;
  p.mix = mix;
  return p;
}

TEST(EngineEffects, CharactersColourTheWetVoiceBeforeTheMixAndNothingAtThresholdAmount) {
  const auto voice = zvtest::voiceTone(kSr, 20000);
  const auto off = render(withCharacter(kCharacterOff, 1.0f, 0.7f), voice);
  const auto dryOff = render(withCharacter(kCharacterOff, 1.0f, 0.0f), voice);
  for (int c = kCharacterDrive; c <= kCharacterLoFi; ++c) {
    SCOPED_TRACE(c);
    const auto faint = render(withCharacter(c, 0.001f, 0.7f), voice);
    EXPECT_EQ(faint.left, off.left);
    EXPECT_EQ(faint.right, off.right);
    EXPECT_NE(render(withCharacter(c, 1.0f, 0.7f), voice).left, off.left);
    EXPECT_EQ(render(withCharacter(c, 1.0f, 0.0f), voice).left, dryOff.left);
  }
}

TEST(EngineEffects, StoppedHostGateFollowsTheFreeClockFromZeroAfterAResetAtLeast20Bpm) {
  VoiceEngine engine;
  engine.configure(kSr);
  engine.setParams(dryGate(3));  // 1/16 at 120 bpm: steps of 5512.5 samples
  engine.transport().playing = false;
  const std::vector<float> ones(30000, 0.5f);
  runEngine(engine, ones);
  EXPECT_NEAR(engine.freeBeatClock(), 30000.0 / 22050.0, 1e-9);

  engine.reset();
  EXPECT_EQ(engine.freeBeatClock(), 0.0);
  auto out = runEngine(engine, ones);
  ASSERT_LT(engine.latencySamples(), 3032 - 300);
  // The clock is not delayed: the first step closes 3032 samples after the reset.
  EXPECT_NEAR(out.left[2900], 0.5f, 1e-3f);
  EXPECT_LT(out.left[3032 + 800], 1e-3f);
  EXPECT_NEAR(out.left[5513 + 800], 0.5f, 2e-3f);
  EXPECT_LT(out.left[5513 + 3032 + 800], 1e-3f);

  // Below 20 bpm the clock runs at 20: a sixteenth is 33075 samples, open for the first 18191.
  engine.reset();
  engine.transport().tempoBpm = 10.0;
  out = runEngine(engine, std::vector<float>(44100, 0.5f), 441);
  EXPECT_NEAR(engine.freeBeatClock(), 1.0 / 3.0, 1e-9);
  EXPECT_NEAR(out.left[17500], 0.5f, 1e-3f);
  EXPECT_LT(out.left[18191 + 800], 1e-3f);
}

}  // namespace
}  // namespace zv
