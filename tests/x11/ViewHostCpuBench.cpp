// How much of one core the editor's render thread takes inside a real host window: the module is
// loaded through its entry points, its view attached to a window (X11 natively, Win32 under Wine),
// and the host thread feeds the meters of a singing voice once per audio block, as a host does.
// Reports the render thread's and the host thread's CPU time over wall time.
//   view_host_cpu_bench [seconds] [size factor]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#ifdef _WIN32
#include "Win32TestWindow.h"
#else
#include <X11/Xlib.h>
#include <dirent.h>
#include <unistd.h>

#include "X11TestHost.h"
#endif
#include "SungPhrase.h"
#include "TempAppData.h"
#include "ViewTestHost.h"

using namespace Steinberg;

namespace {

// CPU seconds of every thread of this process, by thread id.
std::map<long, double> threadCpu() {
  std::map<long, double> out;
#ifdef _WIN32
  for (DWORD id : zv::test::threadIds()) {
    HANDLE t = OpenThread(THREAD_QUERY_INFORMATION, FALSE, id);
    FILETIME created, exited, kernel, user;
    if (t && GetThreadTimes(t, &created, &exited, &kernel, &user))
      out[static_cast<long>(id)] =
          1e-7 *
          static_cast<double>((uint64_t(kernel.dwHighDateTime) << 32) + kernel.dwLowDateTime +
                              (uint64_t(user.dwHighDateTime) << 32) + user.dwLowDateTime);
    if (t) CloseHandle(t);
  }
#else
  if (DIR* dir = opendir("/proc/self/task")) {
    while (const dirent* e = readdir(dir)) {
      // schedstat's first field is the time on a CPU in nanoseconds, finer than stat's ticks.
      std::ifstream in(std::string("/proc/self/task/") + e->d_name + "/schedstat");
      double ns = 0;
      if (e->d_name[0] != '.' && in >> ns) out[std::atol(e->d_name)] = ns * 1e-9;
    }
    closedir(dir);
  }
#endif
  return out;
}

#ifdef _WIN32
long currentThreadId() {
  return static_cast<long>(GetCurrentThreadId());
}

// The host's window and its event loop.
struct HostWindow {
  HostWindow() : hwnd(zv::test::hostWindow(0, 2000, 1700)) {}
  ~HostWindow() { DestroyWindow(hwnd); }
  void* handle() { return hwnd; }
  const char* type() { return kPlatformTypeHWND; }
  void pump() { zv::test::pumpMessages(1); }
  zv::test::RecordingFrame frame;
  HWND hwnd;
};
#else
long currentThreadId() {
  return static_cast<long>(gettid());
}

struct HostWindow {
  HostWindow() : display(XOpenDisplay(nullptr)) {
    if (!display) return;
    window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 2000, 1700, 0, 0, 0);
    XMapWindow(display, window);
    XSync(display, False);
  }
  ~HostWindow() {
    if (!display) return;
    XDestroyWindow(display, window);
    XCloseDisplay(display);
  }
  void* handle() { return reinterpret_cast<void*>(window); }
  const char* type() { return kPlatformTypeX11EmbedWindowID; }
  void pump() { frame.runLoop.runOnce(1); }
  zv::test::Frame frame;
  Display* display;
  Window window = 0;
};
#endif

void measure(const char* label, bool singing, double seconds, float size) {
  zv::test::TempAppData config;
  std::filesystem::create_directories(config.product());
  zv::test::writeBytes(config.product() / "settings.txt", "size=" + std::to_string(size) + "\n");
  HostWindow host;
  zv::test::HostedPlugin plugin;
  const std::string error = plugin.open(ZV_MODULE_FILE, &host.frame);
  if (!error.empty()) {
    std::fprintf(stderr, "%s\n", error.c_str());
    std::exit(1);
  }
  auto set = [&](int id, double v) { plugin.controller()->setParamNormalized(id, v); };
  set(zv::kTempo, zv::tempoMeterFromBpm(120.0));
  const auto before = threadCpu();
  if (plugin.view->attached(host.handle(), host.type()) != kResultOk) {
    std::fprintf(stderr, "attach refused\n");
    std::exit(1);
  }
  plugin.attachedNow = true;

  const auto start = std::chrono::steady_clock::now();
  auto elapsed = [&] {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  };
  double lastMeters = -1.0, wall0 = 0;
  std::map<long, double> cpu0;
  const double settle = 0.5;  // the first full frame
  for (double t = 0; t < settle + seconds; t = elapsed()) {
    if (singing && t - lastMeters >= 0.011) zv::test::singMeters(lastMeters = t, set);
    if (cpu0.empty() && t >= settle) {
      cpu0 = threadCpu();
      wall0 = t;
    }
    host.pump();
  }
  const auto cpu1 = threadCpu();
  const double wall = elapsed() - wall0;
  // The render thread is the busiest thread the attach started.
  double render = 0;
  for (const auto& [id, c] : cpu1)
    if (!before.count(id) && cpu0.count(id)) render = std::max(render, c - cpu0.at(id));
  const long ui = currentThreadId();
  const double hostThread = cpu1.count(ui) && cpu0.count(ui) ? cpu1.at(ui) - cpu0.at(ui) : 0;
  std::printf("%-24s size %.2f  render thread %5.1f %% of one core  host thread %5.1f %%\n", label,
              static_cast<double>(size), 100.0 * render / wall, 100.0 * hostThread / wall);
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  const double seconds = argc > 1 ? std::atof(argv[1]) : 6.0;
  const float size = argc > 2 ? static_cast<float>(std::atof(argv[2])) : 1.15f;
  measure("idle editor", false, seconds, size);
  measure("singing voice, playing", true, seconds, size);
  return 0;
}
