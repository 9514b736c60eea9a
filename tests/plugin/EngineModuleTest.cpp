// The voice engine as a host hears it: through the module's entry points, parameters arriving
// as queues and meters leaving as output parameter changes.
#include <cmath>
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
Rendered render(zvhost::PluginInstance& inst, const std::vector<float>& signal, int block) {
  Rendered r;
  const int n = static_cast<int>(signal.size());
  r.left.resize(signal.size());
  r.right.resize(signal.size());
  std::vector<std::vector<float>> in(2, std::vector<float>(static_cast<size_t>(block)));
  std::vector<std::vector<float>> out(2, std::vector<float>(static_cast<size_t>(block)));
  for (int start = 0; start < n; start += block) {
    const int len = std::min(block, n - start);
    for (int i = 0; i < len; ++i)
      in[0][static_cast<size_t>(i)] = in[1][static_cast<size_t>(i)] =
          signal[static_cast<size_t>(start + i)];
    inst.process(in, out, len);
    for (int i = 0; i < len; ++i) {
      r.left[static_cast<size_t>(start + i)] = out[0][static_cast<size_t>(i)];
      r.right[static_cast<size_t>(start + i)] = out[1][static_cast<size_t>(i)];
    }
    ParamValue v = 0;
    r.pitchIn.push_back(inst.outputChanges().last(zv::kPitchIn, v) ? v : -1.0);
    r.pitchOut.push_back(inst.outputChanges().last(zv::kPitchOut, v) ? v : -1.0);
    r.level.push_back(inst.outputChanges().last(zv::kLevel, v) ? v : -1.0);
  }
  return r;
}

TEST(EngineThroughModule, ReportsTheSungAndTheCorrectedNoteOnTheMeters) {
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
}

TEST(EngineThroughModule, UnvoicedSoundArrivesExactlyTheReportedLatencyLater) {
  struct Case {
    double sr;
    bool low;
    uint32 latency;
  };
  for (const Case& c : {Case{44100, false, 2213}, Case{44100, true, 132}, Case{48000, false, 2409},
                        Case{48000, true, 144}, Case{96000, false, 4815}, Case{96000, true, 288}}) {
    SCOPED_TRACE(testing::Message() << c.sr << " Hz, low latency " << c.low);
    auto inst = makeInstance();
    ASSERT_TRUE(inst->start(c.sr, 1024));
    inst->inputChanges().add(zv::kLowLatency, c.low ? 1.0 : 0.0);
    const std::vector<float> x = noise(static_cast<int>(0.3 * c.sr), 0.25f);
    const Rendered r = render(*inst, x, 1024);
    EXPECT_EQ(inst->processor()->getLatencySamples(), c.latency);
    EXPECT_EQ(inst->processor()->getTailSamples(), c.latency);
    for (size_t i = 0; i < c.latency; ++i) ASSERT_EQ(r.left[i], 0.0f) << i;
    for (size_t i = c.latency; i < x.size(); ++i) {
      ASSERT_EQ(r.left[i], x[i - c.latency]) << i;
      ASSERT_EQ(r.right[i], x[i - c.latency]) << i;
    }
  }
}

TEST(EngineThroughModule, SwitchingLowLatencyDropsTheBufferedVoice) {
  auto inst = makeInstance();
  ASSERT_TRUE(inst->start(44100, 512));
  render(*inst, sine(220.0, 44100, 22050, 0.5f), 512);
  inst->inputChanges().add(zv::kLowLatency, 1.0);
  const Rendered r = render(*inst, std::vector<float>(512, 0.0f), 512);
  // The engine restarted: no pitch history and nothing of the old voice comes out.
  EXPECT_EQ(r.pitchIn.back(), 0.0);
  for (float v : r.left) ASSERT_EQ(v, 0.0f);
}

}  // namespace
