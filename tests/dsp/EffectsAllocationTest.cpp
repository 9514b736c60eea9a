// The audio thread must never allocate: count every operator new made while the effects run.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <vector>

#include "CharacterUnit.h"
#include "EffectsSignals.h"
#include "GlitchState.h"
#include "StutterUnit.h"
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
ZV_OUT_OF_LINE void* operator new[](std::size_t size) { return operator new(size); }
ZV_OUT_OF_LINE void operator delete(void* p) noexcept { std::free(p); }
ZV_OUT_OF_LINE void operator delete[](void* p) noexcept { std::free(p); }
ZV_OUT_OF_LINE void operator delete(void* p, std::size_t) noexcept { std::free(p); }
ZV_OUT_OF_LINE void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace zv {
namespace {

TEST(EffectsAllocation, NoCharacterOrStutterSettingAllocatesWhileProcessing) {
  const double sr = 48000.0;
  const auto in = test::voiceTone(sr, 24000);
  CharacterUnit left, right;
  left.configure(sr);
  right.configure(sr);
  GlitchState glitch;
  glitch.configure(sr, 65536);
  StutterUnit stutter;
  stutter.configure(sr, 131072);
  const double spb = samplesPerBeat(sr, 128.0);

  gAllocations = 0;
  gCounting = true;
  double beat = 0.0;
  for (int c = 0; c <= kCharacterLoFi; ++c) {
    for (float a : {0.0f, 0.3f, 1.0f}) {
      for (int mode = 0; mode <= kStutterRepeat; ++mode) {
        for (int rate = 0; rate < 6; rate += 1) {
          for (size_t i = 0; i < 2000; ++i) {
            float l = in[i], r = -in[i];
            if (c == kCharacterGlitch) {
              glitch.process(l, r, a);
            } else {
              l = left.process(l, c, a);
              r = right.process(r, c, a);
            }
            stutter.process(l, r, mode, rate, beat, spb);
            beat += 1.0 / spb;
          }
        }
      }
    }
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

TEST(EffectsAllocation, TheEngineDoesNotAllocateWithAnyCharacterOrStutterSetting) {
  const double sr = 44100.0;
  const auto in = test::voiceTone(sr, 4096);
  std::vector<float> left(in.size()), right(in.size());
  VoiceEngine engine;
  engine.configure(sr);
  gAllocations = 0;
  gCounting = true;
  for (int c = 0; c <= kCharacterLoFi; ++c) {
    for (int mode = 0; mode <= kStutterRepeat; ++mode) {
      for (bool playing : {false, true}) {
        PlainParams params;
        params.character = c;
        params.characterAmount = 0.7f;
        params.stutter = mode;
        params.stutterRate = (c + mode) % 6;
        params.harmony = 0.5f;
        engine.setParams(params);
        engine.transport() = HostTransport{3.25, 97.0, playing, playing};
        engine.process(in.data(), left.data(), right.data(), static_cast<int>(in.size()));
      }
    }
  }
  gCounting = false;
  EXPECT_EQ(gAllocations.load(), 0);
}

}  // namespace
}  // namespace zv
