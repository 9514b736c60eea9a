// How much of one core the editor's render thread takes: idle, and with a voice singing into it,
// each also with the stage left empty (no mascot) in the same run for reference. Reports process
// CPU time over wall time while the render thread runs on its own, and that CPU per frame times
// 51 frames a second: the share at the full frame rate, which a loaded machine does not reach.
#include <sys/resource.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <thread>

#include "ViewCore.h"

namespace {

class MeterPort : public zv::ViewPort {
 public:
  MeterPort() {
    values.publish(0, 1.0 / 11);
    values.publish(19, 100.0 / 380.0);  // 120 BPM
  }
  const zv::ParamSnapshot& params() const override { return values; }
  void beginEdit(int) override {}
  void performEdit(int, double) override {}
  void endEdit(int) override {}
  void invalidateAll() override {}
  void invalidateRect(int, int, int, int) override {}
  zv::ParamSnapshot values;
};

double cpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
         (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

void measure(const char* label, float scale, bool singing, bool mascot, double seconds) {
  MeterPort port;
  zv::ViewCore core(port);
  core.resizeForScale(scale);
  core.pullAllParams();
  if (!mascot) {
    std::lock_guard<std::mutex> lock(core.stateLock());
    core.editor().mascot.height = 0;  // fits nothing: the stage is drawn empty
  }
  core.startRender();
  std::atomic<bool> stop{false};
  // The host's meters arrive once per audio block; a sung phrase moves pitch and level.
  std::thread host([&] {
    const auto start = std::chrono::steady_clock::now();
    while (!stop.load()) {
      if (singing) {
        const double t =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const double note = 60.0 + 5.0 * std::sin(t * 1.3) + 0.3 * std::sin(t * 34.0);
        port.values.publish(16, 0.02 + 0.98 * (note - 24.0) / 84.0);
        port.values.publish(17, 0.02 + 0.98 * (std::round(note) - 24.0) / 84.0);
        port.values.publish(18, 0.55 + 0.25 * std::sin(t * 7.0));
        port.values.publish(20, std::fmod(t * 2.0, 1.0));
        port.values.publish(21, 1.0);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(11));
    }
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(500));  // first full frame and settling
  const double cpu0 = cpuSeconds();
  const uint64_t frames0 = core.framesDrawn();
  const auto wall0 = std::chrono::steady_clock::now();
  std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
  const double wall =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();
  const double cpu = cpuSeconds() - cpu0;
  const uint64_t frames = core.framesDrawn() - frames0;
  stop.store(true);
  host.join();
  core.stopRender();
  const double perFrame = frames ? cpu / frames : 0.0;
  std::printf(
      "%-24s %-10s scale %.2f  %5.1f frames/s  %5.1f %% of one core  %.2f ms per frame  "
      "%5.1f %% at 51 frames/s\n",
      label, mascot ? "mascot" : "no mascot", scale, frames / wall, 100.0 * cpu / wall,
      1000.0 * perFrame, 100.0 * perFrame * 51.0);
}

}  // namespace

int main(int argc, char** argv) {
  const double seconds = argc > 1 ? std::atof(argv[1]) : 4.0;
  for (float scale : {1.0f, 1.15f, 2.0f})
    for (bool mascot : {true, false}) {
      measure("idle editor", scale, false, mascot, seconds);
      measure("singing voice, playing", scale, true, mascot, seconds);
    }
  return 0;
}
