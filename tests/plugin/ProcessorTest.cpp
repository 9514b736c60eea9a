#include <cmath>
#include <cstring>

#include "ModuleFixture.h"
#include "public.sdk/source/common/memorystream.h"
#include "base/source/fstreamer.h"

using namespace Steinberg;
using namespace Steinberg::Vst;
using namespace zvtest;

namespace {

std::vector<std::vector<float>> channels(int count, int n, float value = 0.0f) {
  return std::vector<std::vector<float>>(static_cast<size_t>(count), std::vector<float>(n, value));
}

std::vector<double> readState(IComponent* component) {
  MemoryStream stream;
  EXPECT_EQ(component->getState(&stream), kResultOk);
  std::vector<char> bytes = zvhost::streamBytes(&stream);
  EXPECT_EQ(bytes.size(), 132u);
  std::vector<double> values;
  int32 version = 0;
  std::memcpy(&version, bytes.data(), 4);
  EXPECT_EQ(version, 7);
  for (size_t off = 4; off + 8 <= bytes.size(); off += 8) {
    double v;
    std::memcpy(&v, bytes.data() + off, 8);
    values.push_back(v);
  }
  return values;
}

// A state stream with the version and the given doubles, little-endian as the processor writes it.
void writeState(MemoryStream& stream, const std::vector<double>& values, bool withVersion = true) {
  IBStreamer streamer(&stream, kLittleEndian);
  if (withVersion) streamer.writeInt32(7);
  for (double v : values) streamer.writeDouble(v);
  stream.seek(0, IBStream::kIBSeekSet, nullptr);
}

// A stream that refuses every write, as a full disk would.
class RefusingStream : public IBStream {
public:
  tresult PLUGIN_API read(void*, int32, int32* numBytesRead) override {
    if (numBytesRead) *numBytesRead = 0;
    return kResultFalse;
  }
  tresult PLUGIN_API write(void*, int32, int32* numBytesWritten) override {
    if (numBytesWritten) *numBytesWritten = 0;
    return kResultFalse;
  }
  tresult PLUGIN_API seek(int64, int32, int64*) override { return kResultFalse; }
  tresult PLUGIN_API tell(int64*) override { return kResultFalse; }
  tresult PLUGIN_API queryInterface(const TUID, void** obj) override {
    *obj = nullptr;
    return kNoInterface;
  }
  uint32 PLUGIN_API addRef() override { return 1; }
  uint32 PLUGIN_API release() override { return 1; }
};

double meter(zvhost::PluginInstance& inst, ParamID id) {
  ParamValue v = -1;
  EXPECT_TRUE(inst.outputChanges().last(id, v)) << id;
  return v;
}

}  // namespace

TEST(ProcessorShell, BusesAndSampleSizes) {
  auto inst = makeInstance();
  IComponent* c = inst->component();
  EXPECT_EQ(c->getBusCount(kAudio, kInput), 1);
  EXPECT_EQ(c->getBusCount(kAudio, kOutput), 1);
  BusInfo info{};
  ASSERT_EQ(c->getBusInfo(kAudio, kInput, 0, info), kResultOk);
  EXPECT_EQ(info.channelCount, 2);
  EXPECT_EQ(info.name[0], u'I');
  EXPECT_EQ(inst->processor()->canProcessSampleSize(kSample32), kResultTrue);
  EXPECT_EQ(inst->processor()->canProcessSampleSize(kSample64), kResultFalse);

  SpeakerArrangement mono = SpeakerArr::kMono, stereo = SpeakerArr::kStereo, quad = SpeakerArr::k40Cine;
  EXPECT_EQ(inst->processor()->setBusArrangements(&mono, 1, &stereo, 1), kResultTrue);
  EXPECT_EQ(inst->processor()->setBusArrangements(&stereo, 1, &mono, 1), kResultTrue);
  EXPECT_EQ(inst->processor()->setBusArrangements(&stereo, 1, &quad, 1), kResultFalse);
  EXPECT_EQ(inst->processor()->setBusArrangements(&stereo, 0, &stereo, 1), kResultFalse);
  SpeakerArrangement arr = 0;
  inst->processor()->getBusArrangement(kOutput, 0, arr);
  EXPECT_EQ(arr, SpeakerArr::kMono);  // the refused request left the last accepted one
}

TEST(ProcessorShell, LatencyFollowsTheRateAndTheLowLatencyMessage) {
  for (auto [rate, normal, low] : {std::tuple{44100.0, 2213u, 132u}, std::tuple{48000.0, 2409u, 144u},
                                   std::tuple{96000.0, 4815u, 288u}}) {
    auto inst = makeInstance();
    ASSERT_TRUE(inst->start(rate, 512));
    EXPECT_EQ(inst->processor()->getLatencySamples(), normal);
    EXPECT_EQ(inst->processor()->getTailSamples(), normal);
    // The controller flips the mode before the parameter reaches process().
    inst->controller()->setParamNormalized(8, 1.0);
    EXPECT_EQ(inst->processor()->getLatencySamples(), low);
    inst->controller()->setParamNormalized(8, 0.0);
    EXPECT_EQ(inst->processor()->getLatencySamples(), normal);
  }
}

TEST(ProcessorShell, StateRoundTripsDefaultsAndClampsWhatItReads) {
  auto inst = makeInstance();
  const std::vector<double> defaults = readState(inst->component());
  ASSERT_EQ(defaults.size(), 16u);
  EXPECT_NEAR(defaults[0], 1.0 / 11, 1e-15);
  EXPECT_NEAR(defaults[3], 1.0 / 3, 1e-15);
  EXPECT_NEAR(defaults[14], 0.6, 1e-15);

  MemoryStream versionOnly;
  writeState(versionOnly, {});
  EXPECT_EQ(inst->component()->setState(&versionOnly), kResultOk);
  EXPECT_EQ(readState(inst->component()), defaults);

  std::vector<double> twenty(20, 0.25);
  twenty[2] = 1.7;
  twenty[3] = -0.5;
  twenty[4] = std::nan("");
  MemoryStream longer;
  writeState(longer, twenty);
  EXPECT_EQ(inst->component()->setState(&longer), kResultOk);
  std::vector<double> read = readState(inst->component());
  EXPECT_EQ(read[2], 1.0);
  EXPECT_EQ(read[3], 0.0);
  EXPECT_EQ(read[4], 0.0);
  EXPECT_EQ(read[15], 0.25);

  MemoryStream shorter;
  writeState(shorter, {0.9, 0.8});
  EXPECT_EQ(inst->component()->setState(&shorter), kResultOk);
  read = readState(inst->component());
  EXPECT_EQ(read[0], 0.9);
  EXPECT_EQ(read[1], 0.8);
  EXPECT_EQ(read[2], 1.0);

  MemoryStream empty;
  EXPECT_EQ(inst->component()->setState(&empty), kResultFalse);
  EXPECT_EQ(readState(inst->component()), read);
}

TEST(ProcessorShell, GetStateReportsARefusedWrite) {
  auto inst = makeInstance();
  RefusingStream refusing;
  EXPECT_EQ(inst->component()->getState(&refusing), kResultFalse);
}

TEST(ProcessorShell, EmptyBlocksStillApplyParameterChangesButWriteNoMeters) {
  auto inst = makeInstance();
  ASSERT_TRUE(inst->start(44100, 512));
  auto in = channels(2, 64), out = channels(2, 64);
  inst->inputChanges().add(0, 0.1);
  inst->inputChanges().add(0, 0.2);
  inst->inputChanges().add(0, 0.7);  // only the last point of a queue counts
  inst->inputChanges().add(20, 0.5); // meters are not host-writable
  EXPECT_EQ(inst->process(in, out, 0), kResultOk);
  EXPECT_EQ(inst->outputChanges().getParameterCount(), 0);
  EXPECT_DOUBLE_EQ(readState(inst->component())[0], 0.7);
}

TEST(ProcessorShell, MetersDescribeTheTransport) {
  auto inst = makeInstance();
  ASSERT_TRUE(inst->start(44100, 512));
  auto in = channels(2, 441), out = channels(2, 441);
  ProcessContext ctx{};
  ctx.state = ProcessContext::kPlaying | ProcessContext::kProjectTimeMusicValid | ProcessContext::kTempoValid;
  ctx.tempo = 120.0;
  ctx.projectTimeMusic = 3.25;
  inst->process(in, out, 441, &ctx);
  EXPECT_NEAR(meter(*inst, 19), 100.0 / 380.0, 1e-12);
  EXPECT_NEAR(meter(*inst, 20), 0.27, 1e-9);  // 10 ms at 120 BPM = 0.02 beats past 3.25
  EXPECT_EQ(meter(*inst, 21), 1.0);
  EXPECT_EQ(meter(*inst, 18), 0.0);  // silence reads -60 dB or less

  inst->process(in, out, 441, nullptr);
  EXPECT_EQ(meter(*inst, 21), 0.0);
  EXPECT_NEAR(meter(*inst, 20), 0.27, 1e-9);  // the beat keeps its last value

  ctx.state = ProcessContext::kTempoValid;
  ctx.tempo = 0.5;
  inst->process(in, out, 441, &ctx);
  EXPECT_EQ(meter(*inst, 19), 0.0);
}

TEST(ProcessorShell, FansTheVoiceOutToOneTwoOrMoreChannels) {
  auto inst = makeInstance();
  ASSERT_TRUE(inst->start(44100, 4096));
  const int n = 4096;
  // Three input channels average to one; after the latency the voice appears on every output.
  auto in = channels(3, n);
  for (int i = 0; i < n; ++i) {
    in[0][i] = 0.3f;
    in[1][i] = 0.0f;
    in[2][i] = 0.0f;
  }
  auto quad = channels(4, n, 9.0f);
  inst->process(in, quad, n);
  for (int c = 0; c < 4; ++c) {
    EXPECT_TRUE(std::isfinite(quad[c][n - 1])) << c;
    EXPECT_NE(quad[c][n - 1], 9.0f) << c;
  }
  EXPECT_EQ(quad[0], quad[2]);
  EXPECT_EQ(quad[0], quad[3]);
  auto mono = channels(1, n, 9.0f);
  inst->process(in, mono, n);
  EXPECT_NE(mono[0][n - 1], 9.0f);
}

TEST(ProcessorShell, SurvivesMissingBuffersAndNonFiniteInput) {
  auto inst = makeInstance();
  ASSERT_TRUE(inst->start(44100, 256));
  ProcessData data;
  data.numSamples = 256;
  data.numInputs = 1;
  data.numOutputs = 1;
  AudioBusBuffers inBus{}, outBus{};
  float* nullChannels[2] = {nullptr, nullptr};
  inBus.numChannels = 2;
  inBus.channelBuffers32 = nullChannels;
  outBus.numChannels = 2;
  outBus.channelBuffers32 = nullChannels;
  data.inputs = &inBus;
  data.outputs = &outBus;
  EXPECT_EQ(inst->processor()->process(data), kResultOk);
  inBus.numChannels = 0;
  inBus.channelBuffers32 = nullptr;
  outBus.channelBuffers32 = nullptr;
  EXPECT_EQ(inst->processor()->process(data), kResultOk);

  auto in = channels(2, 256, std::nanf("")), out = channels(2, 256);
  in[1][5] = INFINITY;
  for (int k = 0; k < 20; ++k) inst->process(in, out, 256);
  for (auto& ch : out)
    for (float s : ch) ASSERT_TRUE(std::isfinite(s));
}
