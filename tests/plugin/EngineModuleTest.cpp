// The voice engine as a host hears it: through the module's entry points, parameters arriving
// as queues and meters leaving as output parameter changes.
#include <algorithm>
#include <cmath>
#include <tuple>
#include <vector>

#include "ModuleFixture.h"
#include "ParamDefs.h"
#include "Signals.h"

using namespace Steinberg;
using namespace Steinberg::Vst;
using namespace zvtest;

namespace {

struct Rendered {
  std::vector<float> left, right;
  std::vector<double> pitchIn, pitchOut, level;  // per block
};

// Plays a mono signal into both input channels, block by block. Parameter changes queued on the
// instance before the call arrive with the first block.
Rendered render(zvhost::PluginInstance& inst, const std::vector<float>& signal, size_t block) {
  Rendered r;
  std::vector<std::vector<float>> in(2), out(2, std::vector<float>(block));
  for (size_t start = 0; start < signal.size(); start += block) {
    const size_t len = std::min(block, signal.size() - start);
    in[0].assign(signal.begin() + start, signal.begin() + start + len);
    in[1] = in[0];
    inst.process(in, out, static_cast<int32>(len));
    r.left.insert(r.left.end(), out[0].begin(), out[0].begin() + len);
    r.right.insert(r.right.end(), out[1].begin(), out[1].begin() + len);
    ParamValue v = 0;
    r.pitchIn.push_back(inst.outputChanges().last(zv::kPitchIn, v) ? v : -1.0);
    r.pitchOut.push_back(inst.outputChanges().last(zv::kPitchOut, v) ? v : -1.0);
    r.level.push_back(inst.outputChanges().last(zv::kLevel, v) ? v : -1.0);
  }
  return r;
}

TEST(EngineThroughModule, MetersReportTheSungAndTheCorrectedNoteUntilTheLatencyModeChanges) {
  auto inst = makeInstance();
  ASSERT_TRUE(inst->start(44100, 512));
  // Defaults: key C#, minor; A3 (57) is in C# minor. A 220 Hz sine sung a third of a semitone
  // sharp reads 57.33 in and 57 out.
  const double hz = 220.0 * std::pow(2.0, 0.33 / 12.0);
  const Rendered r = render(*inst, sine(hz, 44100, 44100, 0.5f), 512);
  EXPECT_EQ(r.pitchIn.front(), 0.0);  // nothing analysed yet: no pitch
  EXPECT_NEAR(zv::noteFromPitchMeter(r.pitchIn.back()), 57.33, 0.02);
  EXPECT_NEAR(zv::noteFromPitchMeter(r.pitchOut.back()), 57.0, 1e-4);
  // A block of whole periods of a sine of amplitude 0.5 has an RMS of -9 dB: (60 - 9) / 60.
  const Rendered whole = render(*inst, sine(220.0, 44100, 4410, 0.5f), 4410);
  EXPECT_NEAR(whole.level.back(), (60.0 + 20.0 * std::log10(0.5 / std::sqrt(2.0))) / 60.0, 1e-4);
  // Switching the latency mode restarts the engine: no pitch history, nothing of the old voice.
  inst->inputChanges().add(zv::kLowLatency, 1.0);
  const Rendered after = render(*inst, std::vector<float>(512, 0.0f), 512);
  EXPECT_EQ(after.pitchIn.back(), 0.0);
  for (float v : after.left) ASSERT_EQ(v, 0.0f);
}

TEST(EngineThroughModule, UnvoicedSoundArrivesExactlyTheReportedLatencyLater) {
  for (auto [sr, low, latency] :
       {std::tuple{44100.0, false, 2213u}, std::tuple{44100.0, true, 132u},
        std::tuple{48000.0, false, 2409u}, std::tuple{48000.0, true, 144u},
        std::tuple{96000.0, false, 4815u}, std::tuple{96000.0, true, 288u}}) {
    SCOPED_TRACE(testing::Message() << sr << " Hz, low latency " << low);
    auto inst = makeInstance();
    ASSERT_TRUE(inst->start(sr, 1024));
    inst->inputChanges().add(zv::kLowLatency, low ? 1.0 : 0.0);
    const std::vector<float> x = noise(static_cast<int>(0.3 * sr), 0.25f);
    const Rendered r = render(*inst, x, 1024);
    EXPECT_EQ(inst->processor()->getLatencySamples(), latency);
    EXPECT_EQ(inst->processor()->getTailSamples(), latency);
    for (size_t i = 0; i < latency; ++i) ASSERT_EQ(r.left[i], 0.0f) << i;
    for (size_t i = latency; i < x.size(); ++i) {
      ASSERT_EQ(r.left[i], x[i - latency]) << i;
      ASSERT_EQ(r.right[i], x[i - latency]) << i;
    }
  }
}

}  // namespace
