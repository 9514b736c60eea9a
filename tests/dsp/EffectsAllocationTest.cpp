// The audio thread must never allocate: count every operator new made while the effects run.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <vector>

#include "EffectsSignals.h"
#include "VoiceEngine.h"

namespace {
std::atomic<bool> gCounting{false};
std::atomic<long> gAllocations{0};
}  // namespace

// Kept out of line: inlined into a caller, the malloc/free pairing reads to GCC as a mismatched
// new/delete.
#define ZV_OUT_OF_LINE __attribute__((noinline))

ZV_OUT_OF_LINE void* operator new(std::size_t size) {
  if (gCounting.load(std::memory_order_relaxed))
    gAllocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
ZV_OUT_OF_LINE void* operator new[](std::size_t size) {
  return operator new(size);
}
ZV_OUT_OF_LINE void operator delete(void* p) noexcept {
  std::free(p);
}
ZV_OUT_OF_LINE void operator delete[](void* p) noexcept {
  std::free(p);
}
ZV_OUT_OF_LINE void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}
ZV_OUT_OF_LINE void operator delete[](void* p, std::size_t) noexcept {
  std::free(p);
}

namespace zv {
namespace {

// Every character at several amounts, every stutter mode at every rate, the host stopped and
// playing, through the engine that owns the units.
TEST(EffectsAllocation, TheEngineDoesNotAllocateWithAnyCharacterOrStutterSetting) {
  const auto in = test::voiceTone(48000.0, 2048);
  std::vector<float> left(in.size()), right(in.size());
  VoiceEngine engine;
  engine.configure(48000.0);
  gAllocations = 0;
  gCounting = true;
  for (int c = 0; c <= kCharacterLoFi; ++c)
    for (float amount : {0.0f, 0.3f, 1.0f})
      for (int mode = 0; mode <= kStutterRepeat; ++mode)
        for (int rate = 0; rate < 6; ++rate) {
          PlainParams params;
          params.character = c;
          params.characterAmount = amount;
          params.stutter = mode;
          params.stutterRate = rate;
          params.harmony = 0.5f;
          engine.setParams(params);
          const bool playing = rate % 2 == 1;
          engine.transport() = HostTransport{3.25 + rate, 97.0 + 10 * c, playing, playing};
          engine.process(in.data(), left.data(), right.data(), static_cast<int>(in.size()));
        }
  gCounting = false;
  EXPECT_EQ(gAllocations.load(), 0);

  // The counter does see allocations, or the check above could not fail.
  gCounting = true;
  auto* probe = new std::vector<float>(16);
  gCounting = false;
  delete probe;
  EXPECT_GE(gAllocations.load(), 1);
}

}  // namespace
}  // namespace zv
