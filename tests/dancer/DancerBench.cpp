// What the dancer costs while a voice sings into the plug-in: the time of one frame at a window
// size, with the memory the frame holds, and the share of one core its thread takes running the
// real loop. The meters follow a sung phrase (pitch gliding with vibrato, a pulsing level, the
// transport playing at 120 BPM). Not a test: run by hand.
#include <benchmark/benchmark.h>
#include <pthread.h>

#include <atomic>
#include <chrono>
#include <ctime>
#include <thread>

#include "DancerCore.h"
#include "SungPhrase.h"

namespace {

std::atomic<double> hostValues[zv::kNumParams];

void sing(double t) {
  zv::test::singMeters(t, [](int id, double v) { hostValues[id].store(v); });
}

double readHost(int id) {
  return hostValues[id].load(std::memory_order_relaxed);
}

class StillPointer : public zv::DancerSurface {
 public:
  Pointer pointer() override { return {}; }
  void frameReady() override {}
};

// One frame at width x height, the clock stepping 20 ms.
void BM_DancerFrame(benchmark::State& state) {
  const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
  zv::DancerCore core(readHost);
  StillPointer surface;
  core.setClientSize(width, height);
  double t = 0;
  core.restartClock(t);
  for (int i = 0; i < 50; ++i) sing(t += 0.02), core.tick(t, surface);  // settle into the dance
  for (auto _ : state) {
    sing(t += 0.02);
    benchmark::DoNotOptimize(core.tick(t, surface));
  }
  state.counters["MB_held"] = static_cast<double>(core.bytesHeld()) / (1024.0 * 1024.0);
}
BENCHMARK(BM_DancerFrame)
    ->Args({442, 406})
    ->Args({1000, 920})
    ->Args({1920, 1080})
    ->Unit(benchmark::kMillisecond);

double threadCpuSeconds(pthread_t thread) {
  clockid_t clock;
  timespec ts{};
  if (pthread_getcpuclockid(thread, &clock) != 0 || clock_gettime(clock, &ts) != 0) return 0;
  return ts.tv_sec + ts.tv_nsec * 1e-9;
}

// The real loop (5 ms sleeps, 19.5 ms frames) for three seconds: its thread's CPU over wall time.
void BM_DancerThreadCpu(benchmark::State& state) {
  const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
  zv::DancerCore core(readHost);
  StillPointer surface;
  core.setClientSize(width, height);
  double share = 0;
  for (auto _ : state) {
    std::atomic<bool> running{true};
    std::thread loop([&] { core.run(running, surface); });
    const auto start = std::chrono::steady_clock::now();
    const double cpuStart = threadCpuSeconds(loop.native_handle());
    double wall = 0;
    while (
        (wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count()) <
        3.0) {
      sing(wall);
      std::this_thread::sleep_for(std::chrono::milliseconds(11));  // the host's audio blocks
    }
    const double cpu = threadCpuSeconds(loop.native_handle()) - cpuStart;
    running.store(false);
    loop.join();
    share = cpu / wall;
  }
  state.counters["core_%"] = 100.0 * share;
  state.counters["fps"] = static_cast<double>(core.framesDrawn()) / 3.0;
}
BENCHMARK(BM_DancerThreadCpu)
    ->Args({442, 406})
    ->Args({1000, 920})
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
