// How much of one core the editor's render thread takes inside a real host window: the module is
// loaded through its entry points, its view attached to a window (X11 natively, Win32 under Wine),
// and the host thread feeds the meters of a singing voice once per audio block, as a host does.
// Reports the render thread's and the host thread's CPU time over wall time.
//   view_host_cpu_bench [seconds] [size factor]
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <thread>

#include "ModuleHost.h"
#include "TempAppData.h"
#include "pluginterfaces/gui/iplugview.h"

#ifdef _WIN32
// clang-format off
#include <windows.h>
#include <tlhelp32.h>
// clang-format on
#else
#include <X11/Xlib.h>
#include <dirent.h>
#include <unistd.h>

#include "X11TestHost.h"
#endif

using namespace Steinberg;

namespace {

// CPU seconds of every thread of this process, by thread id.
std::map<long, double> threadCpu() {
  std::map<long, double> out;
#ifdef _WIN32
  HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  THREADENTRY32 entry{};
  entry.dwSize = sizeof(entry);
  if (Thread32First(snap, &entry)) {
    do {
      if (entry.th32OwnerProcessID != GetCurrentProcessId()) continue;
      HANDLE t = OpenThread(THREAD_QUERY_INFORMATION, FALSE, entry.th32ThreadID);
      FILETIME created, exited, kernel, user;
      if (t && GetThreadTimes(t, &created, &exited, &kernel, &user)) {
        auto v = [](const FILETIME& f) {
          return (static_cast<uint64_t>(f.dwHighDateTime) << 32) | f.dwLowDateTime;
        };
        out[static_cast<long>(entry.th32ThreadID)] =
            static_cast<double>(v(kernel) + v(user)) * 1e-7;
      }
      if (t) CloseHandle(t);
    } while (Thread32Next(snap, &entry));
  }
  CloseHandle(snap);
#else
  if (DIR* dir = opendir("/proc/self/task")) {
    while (const dirent* e = readdir(dir)) {
      if (e->d_name[0] == '.') continue;
      // schedstat's first field is the time on a CPU in nanoseconds, finer than stat's ticks.
      std::ifstream in(std::string("/proc/self/task/") + e->d_name + "/schedstat");
      double ns = 0;
      if (in >> ns) out[std::atol(e->d_name)] = ns * 1e-9;
    }
    closedir(dir);
  }
#endif
  return out;
}

long currentThreadId() {
#ifdef _WIN32
  return static_cast<long>(GetCurrentThreadId());
#else
  return static_cast<long>(gettid());
#endif
}

// The host's window and its event loop.
struct HostWindow {
#ifdef _WIN32
  HostWindow() {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"ZVBenchHostWindow";
    RegisterClassExW(&wc);
    hwnd = CreateWindowExW(0, L"ZVBenchHostWindow", L"host", WS_POPUP | WS_VISIBLE, 0, 0, 2000,
                           1700, nullptr, nullptr, wc.hInstance, nullptr);
  }
  ~HostWindow() {
    DestroyWindow(hwnd);
  }
  void* handle() {
    return hwnd;
  }
  const char* type() {
    return kPlatformTypeHWND;
  }
  IPlugFrame* frame() {
    return nullptr;
  }
  void pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    Sleep(1);
  }
  bool ok() const {
    return hwnd != nullptr;
  }
  HWND hwnd = nullptr;
#else
  HostWindow() {
    display = XOpenDisplay(nullptr);
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
  void* handle() {
    return reinterpret_cast<void*>(window);
  }
  const char* type() {
    return kPlatformTypeX11EmbedWindowID;
  }
  IPlugFrame* frame() {
    return &plugFrame;
  }
  void pump() {
    plugFrame.runLoop.runOnce(1);
  }
  bool ok() const {
    return display != nullptr;
  }
  Display* display = nullptr;
  Window window = 0;
  zv::test::Frame plugFrame;
#endif
};

void measure(const char* label, bool singing, double seconds, float size) {
  zv::test::TempAppData config;
  std::filesystem::create_directories(config.product());
  char line[32];
  std::snprintf(line, sizeof line, "size=%.2f\n", static_cast<double>(size));
  std::ofstream(config.product() / "settings.txt", std::ios::binary) << line;

  std::string error;
  auto module = zvhost::Module::load(ZV_MODULE_FILE, error);
  if (!module) {
    std::fprintf(stderr, "%s\n", error.c_str());
    std::exit(1);
  }
  IPluginFactory* factory = module->getFactory();
  auto instance = zvhost::PluginInstance::create(factory, error);
  HostWindow host;
  if (!instance || !host.ok()) {
    std::fprintf(stderr, "no plug-in or no window: %s\n", error.c_str());
    std::exit(1);
  }
  Vst::IEditController* controller = instance->controller();
  controller->setParamNormalized(19, 100.0 / 380.0);  // 120 BPM
  IPlugView* view = controller->createView("editor");
  if (host.frame()) view->setFrame(host.frame());
  const auto before = threadCpu();
  if (view->attached(host.handle(), host.type()) != kResultOk) {
    std::fprintf(stderr, "attach refused\n");
    std::exit(1);
  }

  const auto start = std::chrono::steady_clock::now();
  auto elapsed = [&] {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  };
  auto lastMeters = -1.0;
  std::map<long, double> cpu0;
  double wall0 = 0;
  const double settle = 0.5;  // the first full frame
  while (elapsed() < settle + seconds) {
    const double t = elapsed();
    if (t - lastMeters >= 0.011) {  // one audio block's meters, as the host hands them over
      lastMeters = t;
      if (singing) {
        const double note = 60.0 + 5.0 * std::sin(t * 1.3) + 0.3 * std::sin(t * 34.0);
        controller->setParamNormalized(16, 0.02 + 0.98 * (note - 24.0) / 84.0);
        controller->setParamNormalized(17, 0.02 + 0.98 * (std::round(note) - 24.0) / 84.0);
        controller->setParamNormalized(18, 0.55 + 0.25 * std::sin(t * 7.0));
        controller->setParamNormalized(20, std::fmod(t * 2.0, 1.0));
        controller->setParamNormalized(21, 1.0);
      }
    }
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
  view->removed();
  view->release();
  instance.reset();
  factory->release();
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
