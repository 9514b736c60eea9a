// The dancer's three threads at once: its frame loop, the window's thread resizing, blitting and
// pinning, and the host's thread writing meters the loop reads.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "DancerCore.h"

namespace zv {
namespace {

std::atomic<double> hostValues[kNumParams];

class WindowStandIn : public DancerSurface {
 public:
  Pointer pointer() override {
    const int n = polls.fetch_add(1);
    return {n % 3 != 0, 400 + n % 40, 20};
  }
  void frameReady() override { ready.fetch_add(1); }
  std::atomic<int> polls{0}, ready{0};
};

TEST(DancerThreads, FrameLoopWindowAndHostShareOnlyWhatIsGuarded) {
  DancerCore core([](int id) { return hostValues[id].load(std::memory_order_relaxed); });
  core.setClientSize(442, 406);
  WindowStandIn window;
  std::atomic<bool> running{true};
  std::thread loop([&] { core.run(running, window); });

  std::atomic<bool> hostRunning{true};
  std::thread host([&] {
    for (int block = 0; hostRunning.load(); ++block) {
      hostValues[kPitchIn].store(block % 7 ? 0.5 + 0.001 * (block % 50) : 0.0);
      hostValues[kPitchOut].store(0.5);
      hostValues[kLevel].store(0.6);
      hostValues[kTempo].store(0.263);
      hostValues[kBeat].store((block % 100) / 100.0);
      hostValues[kPlaying].store(1.0);
      std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
  });

  // The window's thread: sizes from tiny to wide, blits and pin toggles, until the loop has drawn
  // a dozen frames (a sanitizer slows each to a crawl) and for at least a second.
  const int sizes[][2] = {{442, 406}, {10, 406}, {900, 406}, {220, 220}, {663, 609}};
  int blits = 0, inconsistent = 0;
  using Clock = std::chrono::steady_clock;
  const auto start = Clock::now();
  auto elapsed = [&] { return Clock::now() - start; };
  for (int i = 0; (core.framesDrawn() < 12 || elapsed() < std::chrono::seconds(1)) &&
                  elapsed() < std::chrono::seconds(60);
       ++i) {
    if (i % 10 == 0) core.setClientSize(sizes[i / 10 % 5][0], sizes[i / 10 % 5][1]);
    if (i % 7 == 0) core.togglePinned();
    core.withFrontBuffer([&](const std::uint32_t* pixels, int w, int h) {
      ++blits;
      if (pixels[static_cast<std::size_t>(w) * h - 1] == 0u) ++inconsistent;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(3));
  }
  running.store(false);
  loop.join();
  hostRunning.store(false);
  host.join();

  EXPECT_GE(core.framesDrawn(), 12u);
  EXPECT_EQ(window.ready.load(), static_cast<int>(core.framesDrawn()));
  EXPECT_GT(blits, 0);
  EXPECT_EQ(inconsistent, 0);  // every handed frame was drawn to its last pixel
}

}  // namespace
}  // namespace zv
