#include <algorithm>
#include <cmath>
#include <tuple>

#include "ModuleFixture.h"

using namespace Steinberg;
using namespace Steinberg::Vst;
using namespace zvtest;

namespace {

std::vector<std::vector<float>> channels(int count, int n, float value = 0.0f) {
  return std::vector<std::vector<float>>(static_cast<size_t>(count), std::vector<float>(n, value));
}

// A stream that refuses every write, as a full disk would.
struct RefusingStream : MemoryStream {
  tresult PLUGIN_API write(void*, int32, int32* done) override {
    if (done) *done = 0;
    return kResultFalse;
  }
};

}  // namespace

TEST(ProcessorShell, BusesSampleSizesAndTheProcessContextItReads) {
  auto inst = makeInstance();
  IComponent* c = inst->component();
  IAudioProcessor* p = inst->processor();
  EXPECT_EQ(c->getBusCount(kAudio, kInput), 1);
  EXPECT_EQ(c->getBusCount(kAudio, kOutput), 1);
  BusInfo info{};
  ASSERT_EQ(c->getBusInfo(kAudio, kInput, 0, info), kResultOk);
  EXPECT_EQ(info.channelCount, 2);
  EXPECT_EQ(info.name[0], u'I');
  EXPECT_EQ(p->canProcessSampleSize(kSample32), kResultTrue);
  EXPECT_EQ(p->canProcessSampleSize(kSample64), kResultFalse);
  SpeakerArrangement mono = SpeakerArr::kMono, stereo = SpeakerArr::kStereo,
                     quad = SpeakerArr::k40Cine, arr = 0;
  EXPECT_EQ(p->setBusArrangements(&mono, 1, &stereo, 1), kResultTrue);
  EXPECT_EQ(p->setBusArrangements(&stereo, 1, &mono, 1), kResultTrue);
  EXPECT_EQ(p->setBusArrangements(&stereo, 1, &quad, 1), kResultFalse);
  EXPECT_EQ(p->setBusArrangements(&stereo, 0, &stereo, 1), kResultFalse);
  p->getBusArrangement(kOutput, 0, arr);
  EXPECT_EQ(arr, SpeakerArr::kMono);  // the refused request left the last accepted one
  // Tempo, position and play state feed the stutter, the beat meter and the mascot's dance.
  for (FUnknown* face : {static_cast<FUnknown*>(c), static_cast<FUnknown*>(p)}) {
    FUnknownPtr<IProcessContextRequirements> requirements(face);
    ASSERT_TRUE(requirements);
    EXPECT_EQ(requirements->getProcessContextRequirements(),
              uint32(IProcessContextRequirements::kNeedTempo |
                     IProcessContextRequirements::kNeedProjectTimeMusic |
                     IProcessContextRequirements::kNeedTransportState));
  }
}

// The reported latency follows whichever is newer: the controller's message, which
// flips the mode before the parameter reaches process(), or the parameter (from a block or a
// loaded state); a block that only carries other changes leaves it alone. The controller asks the
// host for a restart only when its on/off state flips (0.5 is off), a loaded state included.
TEST(ProcessorShell, LatencyFollowsTheNewestOfMessageAndParameter) {
  enum Step { kMessage, kBlock, kState };
  // What happens, to which parameter, the value, whether latency is low after it, restarts so far.
  const std::tuple<Step, ParamID, double, bool, int> sequence[] = {
      {kMessage, 8, 0.3, false, 0}, {kMessage, 8, 0.6, true, 1},  {kBlock, 6, 0.5, true, 1},
      {kBlock, 8, 1.0, true, 1},    {kMessage, 8, 0.5, false, 2}, {kBlock, 0, 0.3, false, 2},
      {kBlock, 8, 0.0, false, 2},   {kBlock, 8, 1.0, true, 2},    {kBlock, 6, 0.2, true, 2},
      {kMessage, 8, 1.0, true, 3},  {kMessage, 8, 0.9, true, 3},  {kMessage, 8, 0.0, false, 4},
      {kBlock, 6, 0.7, false, 4},   {kState, 8, 1.0, true, 5},    {kBlock, 6, 0.1, true, 5},
      {kState, 8, 0.0, false, 6},
  };
  auto inst = makeInstance();
  ASSERT_TRUE(inst->start(44100, 512));  // the other rates: EngineThroughModule
  inst->handler().records.clear();
  auto in = channels(2, 64), out = channels(2, 64);
  int index = 0;
  for (const auto& [step, id, value, low, restarts] : sequence) {
    if (step == kMessage) {
      inst->controller()->setParamNormalized(id, value);
    } else if (step == kBlock) {
      inst->inputChanges().add(id, value);
      inst->process(in, out, 64);
    } else {  // a host loading a project hands the state to both halves
      std::vector<double> values = readState(inst->component());
      values[id] = value;
      MemoryStream streams[2];
      for (auto& stream : streams) writeState(stream, values);
      ASSERT_EQ(inst->component()->setState(&streams[0]), kResultOk);
      ASSERT_EQ(inst->controller()->setComponentState(&streams[1]), kResultOk);
    }
    SCOPED_TRACE(testing::Message() << "step " << index++);
    EXPECT_EQ(inst->processor()->getLatencySamples(), low ? 132u : 2213u);
    EXPECT_EQ(inst->handler().count(zvhost::EditRecord::kRestart), restarts);
  }
}

// Crafted streams, read by the processor and by the controller alike: the values that are there
// load (clamped, NaN as 0), and only a stream that holds everything its version promises reports
// success. Versions below 1 or absurdly high are another writer's bytes: nothing loads.
TEST(ProcessorShell, StateStreamsLoadWhatTheyHoldAndReportWhatTheyLack) {
  std::vector<double> body(20);
  for (int i = 0; i < 20; ++i) body[i] = 0.05 * i + 0.01;
  body[2] = 1.7;
  body[3] = -0.5;
  body[4] = std::nan("");
  auto first = [&](int n) { return std::vector<double>(body.begin(), body.begin() + n); };
  // What the stream is, its version, values and stray bytes, the result, the values that load.
  const std::tuple<const char*, int32, int, int, tresult, int> cases[] = {
      {"current", 7, 16, 0, kResultOk, 16},
      {"current with more", 7, 20, 0, kResultOk, 16},
      {"newer with more", 12, 18, 0, kResultOk, 16},
      {"newer, cut short", 12, 9, 0, kResultFalse, 9},
      {"current, cut inside a value", 7, 5, 3, kResultFalse, 5},
      {"current, version only", 7, 0, 0, kResultFalse, 0},
      {"older, shorter", 3, 2, 0, kResultOk, 2},
      {"older, version only", 1, 0, 0, kResultOk, 0},
      {"version 0", 0, 16, 0, kResultFalse, 0},
      {"negative version", -7, 16, 0, kResultFalse, 0},
      {"big-endian 7", 0x07000000, 16, 0, kResultFalse, 0},
      {"absurd version", 2147483647, 16, 0, kResultFalse, 0},
  };
  for (const auto& [what, version, doubles, stray, result, loaded] : cases) {
    SCOPED_TRACE(what);
    auto inst = makeInstance();
    const std::vector<double> defaults = readState(inst->component());
    MemoryStream streams[2];
    for (auto& stream : streams) writeState(stream, first(doubles), version, stray);
    EXPECT_EQ(inst->component()->setState(&streams[0]), result);
    EXPECT_EQ(inst->controller()->setComponentState(&streams[1]), result);
    const std::vector<double> state = readState(inst->component());
    for (int id = 0; id < 16; ++id) {
      const double expected =
          id >= loaded ? defaults[id] : std::clamp(id == 4 ? 0.0 : body[id], 0.0, 1.0);
      EXPECT_EQ(state[id], expected) << id;
      EXPECT_EQ(inst->controller()->getParamNormalized(id), expected) << id;
    }
  }
  auto inst = makeInstance();
  const std::vector<double> defaults = readState(inst->component());
  for (int bytes : {0, 3}) {
    MemoryStream garbage;
    garbage.write(body.data(), bytes, nullptr);
    garbage.seek(0, IBStream::kIBSeekSet, nullptr);
    EXPECT_EQ(inst->component()->setState(&garbage), kResultFalse) << bytes;
  }
  EXPECT_EQ(inst->component()->setState(nullptr), kResultFalse);
  EXPECT_EQ(inst->controller()->setComponentState(nullptr), kResultFalse);
  EXPECT_EQ(readState(inst->component()), defaults);
  RefusingStream refusing;  // a full disk
  EXPECT_EQ(inst->component()->getState(&refusing), kResultFalse);
}

// An empty block still applies parameter changes (the last point of a queue) but writes no
// meters; the others describe the transport.
TEST(ProcessorShell, EmptyBlocksWriteNoMetersAndTheOthersDescribeTheTransport) {
  auto inst = makeInstance();
  ASSERT_TRUE(inst->start(44100, 512));
  auto in = channels(2, 441), out = channels(2, 441);
  for (double v : {0.1, 0.2, 0.7}) inst->inputChanges().add(0, v);
  inst->inputChanges().add(20, 0.5);  // meters are not host-writable
  EXPECT_EQ(inst->process(in, out, 0), kResultOk);
  EXPECT_EQ(inst->outputChanges().getParameterCount(), 0);
  EXPECT_DOUBLE_EQ(readState(inst->component())[0], 0.7);
  auto meter = [&inst](ParamID id) {
    ParamValue v = -1;
    EXPECT_TRUE(inst->outputChanges().last(id, v)) << id;
    return v;
  };
  ProcessContext ctx{};
  ctx.state = ProcessContext::kPlaying | ProcessContext::kProjectTimeMusicValid |
              ProcessContext::kTempoValid;
  ctx.tempo = 120.0;
  ctx.projectTimeMusic = 3.25;
  inst->process(in, out, 441, &ctx);
  EXPECT_NEAR(meter(19), 100.0 / 380.0, 1e-12);
  EXPECT_NEAR(meter(20), 0.27, 1e-9);  // 10 ms at 120 BPM = 0.02 beats past 3.25
  EXPECT_EQ(meter(21), 1.0);
  EXPECT_EQ(meter(18), 0.0);  // silence reads -60 dB or less

  inst->process(in, out, 441, nullptr);
  EXPECT_EQ(meter(21), 0.0);
  EXPECT_NEAR(meter(20), 0.27, 1e-9);  // the beat keeps its last value

  ctx.state = ProcessContext::kTempoValid;
  ctx.tempo = 0.5;
  inst->process(in, out, 441, &ctx);
  EXPECT_EQ(meter(19), 0.0);
}

// Three input channels average to one; after the latency the voice appears on every output.
// Missing buffers and non-finite input are survived.
TEST(ProcessorShell, FansTheVoiceOutToAnyChannelCountAndSurvivesBadBuffers) {
  auto inst = makeInstance();
  ASSERT_TRUE(inst->start(44100, 4096));
  const int n = 4096;
  auto in = channels(3, n);
  in[0].assign(n, 0.3f);
  for (int outputs : {4, 1}) {
    auto out = channels(outputs, n, 9.0f);
    inst->process(in, out, n);
    for (const auto& channel : out) {
      EXPECT_TRUE(std::isfinite(channel[n - 1]));
      EXPECT_NE(channel[n - 1], 9.0f);
      EXPECT_EQ(channel, out[0]);
    }
  }
  float* nullChannels[2] = {nullptr, nullptr};
  AudioBusBuffers inBus, outBus;
  inBus.numChannels = outBus.numChannels = 2;
  inBus.channelBuffers32 = outBus.channelBuffers32 = nullChannels;
  ProcessData data;
  data.numSamples = 256;
  data.numInputs = data.numOutputs = 1;
  data.inputs = &inBus;
  data.outputs = &outBus;
  EXPECT_EQ(inst->processor()->process(data), kResultOk);
  inBus.numChannels = 0;
  inBus.channelBuffers32 = outBus.channelBuffers32 = nullptr;
  EXPECT_EQ(inst->processor()->process(data), kResultOk);

  in = channels(2, 256, std::nanf(""));
  in[1][5] = INFINITY;
  auto out = channels(2, 256);
  for (int k = 0; k < 20; ++k) inst->process(in, out, 256);
  for (auto& ch : out)
    for (float s : ch) ASSERT_TRUE(std::isfinite(s));
}
