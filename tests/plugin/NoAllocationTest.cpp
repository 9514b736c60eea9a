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

#include "MathConstants.h"
#include "ParamDefs.h"
#include "ZVProcessor.h"
#include "pluginterfaces/vst/ivstparameterchanges.h"
#include "pluginterfaces/vst/ivstprocesscontext.h"

namespace {
std::atomic<bool> gCounting{false};
std::atomic<long> gAllocations{0};

// Every form of operator new ends here, so each allocation is counted once.
void* countedMalloc(std::size_t size) noexcept {
  if (gCounting.load(std::memory_order_relaxed))
    gAllocations.fetch_add(1, std::memory_order_relaxed);
  return std::malloc(size ? size : 1);
}

// Kept out of line: inlined into the deletes, free() would meet what operator new returned and
// the compiler would call the pair mismatched (-Wmismatched-new-delete), though both are ours.
[[gnu::noinline]] void outOfLineFree(void* p) noexcept {
  std::free(p);
}
}  // namespace

void* operator new(std::size_t size) {
  if (void* p = countedMalloc(size)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
  return operator new(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return countedMalloc(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return countedMalloc(size);
}
void operator delete(void* p) noexcept {
  outOfLineFree(p);
}
void operator delete[](void* p) noexcept {
  outOfLineFree(p);
}
void operator delete(void* p, std::size_t) noexcept {
  outOfLineFree(p);
}
void operator delete[](void* p, std::size_t) noexcept {
  outOfLineFree(p);
}

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {

// No reference counting and no other interfaces: the host side lives on the stack.
template <class Interface>
struct Fixed : Interface {
  tresult PLUGIN_API queryInterface(const TUID, void** obj) override {
    *obj = nullptr;
    return kNoInterface;
  }
  uint32 PLUGIN_API addRef() override { return 1; }
  uint32 PLUGIN_API release() override { return 1; }
};

// Parameter queues of one point in fixed storage, so the host side allocates nothing either.
struct FixedQueue : Fixed<IParamValueQueue> {
  ParamID id = 0;
  int32 count = 0;
  ParamValue value = 0;
  ParamID PLUGIN_API getParameterId() override { return id; }
  int32 PLUGIN_API getPointCount() override { return count; }
  tresult PLUGIN_API getPoint(int32 index, int32& offset, ParamValue& v) override {
    if (index < 0 || index >= count) return kResultFalse;
    offset = 0;
    v = value;
    return kResultOk;
  }
  tresult PLUGIN_API addPoint(int32, ParamValue v, int32& index) override {
    value = v;  // a later point replaces the earlier one: one point is all the test sends
    count = 1;
    index = 0;
    return kResultOk;
  }
};

struct FixedChanges : Fixed<IParameterChanges> {
  FixedQueue queues[zv::kNumParams];
  int32 used = 0;
  int32 PLUGIN_API getParameterCount() override { return used; }
  IParamValueQueue* PLUGIN_API getParameterData(int32 index) override {
    return index >= 0 && index < used ? &queues[index] : nullptr;
  }
  IParamValueQueue* PLUGIN_API addParameterData(const ParamID& id, int32& index) override {
    if (used >= zv::kNumParams) return nullptr;
    queues[used].id = id;
    queues[used].count = 0;
    return &queues[index = used++];
  }
};

TEST(NoAllocation, ProcessAllocatesNothingForAnyBlockSizeWithEveryParameterMoving) {
  for (double sr : {44100.0, 96000.0}) {
    SCOPED_TRACE(sr);
    const int maxBlock = 1024;
    gAllocations = 0;
    gCounting = true;
    ZVProcessor* processor = new ZVProcessor();
    gCounting = false;
    ASSERT_GE(gAllocations.load(), 1);  // the counter sees allocations
    ASSERT_EQ(processor->initialize(nullptr), kResultOk);
    ProcessSetup setup{kRealtime, kSample32, maxBlock, sr};
    ASSERT_EQ(processor->setupProcessing(setup), kResultOk);
    ASSERT_EQ(processor->setActive(true), kResultOk);

    std::vector<float> in(maxBlock), outL(maxBlock), outR(maxBlock);
    float* ins[2] = {in.data(), in.data()};
    float* outs[2] = {outL.data(), outR.data()};
    AudioBusBuffers inBus, outBus;
    inBus.numChannels = outBus.numChannels = 2;
    inBus.channelBuffers32 = ins;
    outBus.channelBuffers32 = outs;
    FixedChanges inChanges, outChanges;
    ProcessContext context{};
    context.tempo = 128.0;
    ProcessData data;
    data.numInputs = data.numOutputs = 1;
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
    for (int block = 1; block <= maxBlock; ++block) {
      // A voice jumping between pitches with a little noise, so every path of the engine is taken.
      for (int i = 0; i < block; ++i) {
        phase += 2.0 * zv::kPi * (150.0 + 100.0 * random01() * (i == 0)) / sr;
        in[i] = static_cast<float>(0.4 * std::sin(phase) + 0.02 * (random01() - 0.5));
      }
      inChanges.used = outChanges.used = 0;
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
      ASSERT_EQ(gAllocations.load(), 0) << "block of " << block;
    }
    for (float s : outL) ASSERT_TRUE(std::isfinite(s));
    processor->setActive(false);
    processor->terminate();
    processor->release();
  }
}

}  // namespace
