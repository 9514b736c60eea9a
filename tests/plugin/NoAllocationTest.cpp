// The audio thread must never allocate: every operator new in this program is counted, and the
// count must not move while the processor runs blocks of every size up to the announced maximum
// with every parameter (every character and stutter setting among them) changing each block and
// the host starting and stopping.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <new>
#include <vector>

#include "ParamDefs.h"
#include "ZVProcessor.h"
#include "pluginterfaces/vst/ivstparameterchanges.h"
#include "pluginterfaces/vst/ivstprocesscontext.h"

namespace {
std::atomic<bool> gCounting{false};
std::atomic<long> gAllocations{0};
}  // namespace

void* operator new(std::size_t size) {
  if (gCounting.load(std::memory_order_relaxed))
    gAllocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
  return operator new(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  if (gCounting.load(std::memory_order_relaxed))
    gAllocations.fetch_add(1, std::memory_order_relaxed);
  return std::malloc(size ? size : 1);
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept {
  return operator new(size, tag);
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete[](void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
  std::free(p);
}

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {

// Parameter queues in fixed storage, so the host side of the test allocates nothing either.
class FixedQueue : public IParamValueQueue {
 public:
  ParamID id = 0;
  int32 count = 0;
  ParamValue values[4] = {};
  ParamID PLUGIN_API getParameterId() override { return id; }
  int32 PLUGIN_API getPointCount() override { return count; }
  tresult PLUGIN_API getPoint(int32 index, int32& offset, ParamValue& value) override {
    if (index < 0 || index >= count) return kResultFalse;
    offset = 0;
    value = values[index];
    return kResultOk;
  }
  tresult PLUGIN_API addPoint(int32, ParamValue value, int32& index) override {
    if (count >= 4) return kResultFalse;
    index = count;
    values[count++] = value;
    return kResultOk;
  }
  tresult PLUGIN_API queryInterface(const TUID, void** obj) override {
    *obj = nullptr;
    return kNoInterface;
  }
  uint32 PLUGIN_API addRef() override { return 1; }
  uint32 PLUGIN_API release() override { return 1; }
};

class FixedChanges : public IParameterChanges {
 public:
  FixedQueue queues[zv::kNumParams];
  int32 used = 0;
  void clear() {
    for (auto& q : queues) q.count = 0;
    used = 0;
  }
  int32 PLUGIN_API getParameterCount() override { return used; }
  IParamValueQueue* PLUGIN_API getParameterData(int32 index) override {
    return index >= 0 && index < used ? &queues[index] : nullptr;
  }
  IParamValueQueue* PLUGIN_API addParameterData(const ParamID& id, int32& index) override {
    if (used >= zv::kNumParams) return nullptr;
    index = used;
    queues[used].id = id;
    queues[used].count = 0;
    return &queues[used++];
  }
  tresult PLUGIN_API queryInterface(const TUID, void** obj) override {
    *obj = nullptr;
    return kNoInterface;
  }
  uint32 PLUGIN_API addRef() override { return 1; }
  uint32 PLUGIN_API release() override { return 1; }
};

int* volatile gSink = nullptr;

TEST(NoAllocation, TheCounterSeesAllocations) {
  gAllocations = 0;
  gCounting = true;
  std::vector<int> probe(16, 1);
  gSink = probe.data();
  gCounting = false;
  EXPECT_GE(gAllocations.load(), 1);
}

TEST(NoAllocation, ProcessAllocatesNothingForAnyBlockSizeWithEveryParameterMoving) {
  for (double sr : {44100.0, 96000.0}) {
    SCOPED_TRACE(sr);
    const int maxBlock = 1024;
    ZVProcessor* processor = new ZVProcessor();
    ASSERT_EQ(processor->initialize(nullptr), kResultOk);
    ProcessSetup setup{kRealtime, kSample32, maxBlock, sr};
    ASSERT_EQ(processor->setupProcessing(setup), kResultOk);
    ASSERT_EQ(processor->setActive(true), kResultOk);

    std::vector<float> inL(maxBlock), inR(maxBlock), outL(maxBlock), outR(maxBlock);
    float* ins[2] = {inL.data(), inR.data()};
    float* outs[2] = {outL.data(), outR.data()};
    AudioBusBuffers inBus{}, outBus{};
    inBus.numChannels = 2;
    inBus.channelBuffers32 = ins;
    outBus.numChannels = 2;
    outBus.channelBuffers32 = outs;
    FixedChanges inChanges, outChanges;
    ProcessContext context{};
    context.state = ProcessContext::kPlaying | ProcessContext::kTempoValid |
                    ProcessContext::kProjectTimeMusicValid;
    context.tempo = 128.0;
    ProcessData data;
    data.numInputs = 1;
    data.numOutputs = 1;
    data.inputs = &inBus;
    data.outputs = &outBus;
    data.inputParameterChanges = &inChanges;
    data.outputParameterChanges = &outChanges;
    data.processContext = &context;

    uint32_t seed = 1u;
    auto random01 = [&seed] {
      seed = seed * 1664525u + 1013904223u;
      return static_cast<double>(seed >> 8) / 16777216.0;
    };
    double phase = 0.0;
    long total = 0;
    for (int block = 1; block <= maxBlock; ++block) {
      // A sung glide with a little noise, so every path of the engine is taken.
      for (int i = 0; i < block; ++i) {
        phase += 2.0 * 3.14159265358979 * (150.0 + 100.0 * random01() * (i == 0)) / sr;
        inL[static_cast<size_t>(i)] =
            static_cast<float>(0.4 * std::sin(phase) + 0.02 * (random01() - 0.5));
        inR[static_cast<size_t>(i)] = inL[static_cast<size_t>(i)];
      }
      inChanges.clear();
      outChanges.clear();
      for (int32 id = 0; id < zv::kNumWritableParams; ++id) {
        int32 index = 0;
        // Low latency flips only now and then: each flip restarts the engine.
        const double v = id == zv::kLowLatency ? ((block / 97) % 2) : random01();
        inChanges.addParameterData(static_cast<ParamID>(id), index)->addPoint(0, v, index);
      }
      data.numSamples = block;
      context.projectTimeMusic += block / sr * 128.0 / 60.0;
      // The host starts and stops: the stutter switches between its clocks.
      context.state = (block % 3 == 0 ? 0 : ProcessContext::kPlaying) |
                      ProcessContext::kTempoValid | ProcessContext::kProjectTimeMusicValid;
      gAllocations = 0;
      gCounting = true;
      processor->process(data);
      gCounting = false;
      total += gAllocations.load();
      ASSERT_EQ(gAllocations.load(), 0) << "block of " << block;
    }
    EXPECT_EQ(total, 0);
    for (int i = 0; i < maxBlock; ++i) ASSERT_TRUE(std::isfinite(outL[static_cast<size_t>(i)]));
    processor->setActive(false);
    processor->terminate();
    processor->release();
  }
}

}  // namespace
