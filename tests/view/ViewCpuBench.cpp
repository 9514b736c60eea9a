// How much of one core the editor's render thread takes: idle, and with a voice singing into it,
// each also with the stage left empty (no mascot) in the same run for reference. Reports process
// CPU time over wall time while the render thread runs on its own, and that CPU per frame times
// 51 frames a second: the share at the full frame rate, which a loaded machine does not reach.
#include <sys/resource.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

#include "QuietPort.h"
#include "SungPhrase.h"

namespace {

double cpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
         (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

void measure(const char* label, float scale, bool singing, bool mascot, double seconds) {
  zv::test::QuietPort port;
  port.values.publish(zv::kKey, 1.0 / 11);
  port.values.publish(zv::kTempo, zv::tempoMeterFromBpm(120.0));
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
    for (double t = 0; !stop.load(); t += 0.011) {
      if (singing) zv::test::singMeters(t, [&](int id, double v) { port.values.publish(id, v); });
      std::this_thread::sleep_for(std::chrono::milliseconds(11));
    }
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(500));  // first full frame and settling
  const double cpu0 = cpuSeconds();
  const uint64_t frames0 = core.framesDrawn();
  const auto wall0 = std::chrono::steady_clock::now();
  std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
  const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - wall0;
  const double cpu = cpuSeconds() - cpu0;
  const uint64_t frames = core.framesDrawn() - frames0;
  stop.store(true);
  host.join();
  core.stopRender();
  const double perFrame = frames ? cpu / frames : 0.0;
  std::printf(
      "%-24s %-10s scale %.2f  %5.1f frames/s  %5.1f %% of one core  %.2f ms per frame  "
      "%5.1f %% at 51 frames/s\n",
      label, mascot ? "mascot" : "no mascot", scale, frames / wall.count(),
      100.0 * cpu / wall.count(), 1000.0 * perFrame, 100.0 * perFrame * 51.0);
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
