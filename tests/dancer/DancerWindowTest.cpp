// The dancer window for real: the module's factory makes the plug-in, a host window shows its
// editor, and the pop-out control opens a top-level window with a thread of its own.
#include <windows.h>
// tlhelp32.h needs the types windows.h declares.
#include <gtest/gtest.h>
#include <tlhelp32.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <set>
#include <vector>

#include "TempAppData.h"
#include "ViewTestHost.h"
#include "Win32TestWindow.h"

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include "stb_image_write.h"

using namespace Steinberg;
using namespace Steinberg::Vst;
using zv::test::pumpMessages;
using zv::test::threadIds;

namespace {

const wchar_t kDancerClass[] = L"ZoquaVoceDancerWnd";
constexpr double kScale = 1.15;  // the editor's size for a fresh user at 96 dpi

// Of `threads`, those still running.
size_t alive(const std::set<DWORD>& threads) {
  const std::set<DWORD> now = threadIds();
  size_t n = 0;
  for (DWORD id : threads) n += now.count(id);
  return n;
}

std::vector<HWND> dancerWindows() {
  std::vector<HWND> found;
  for (HWND w = FindWindowExW(nullptr, nullptr, kDancerClass, nullptr); w;
       w = FindWindowExW(nullptr, w, kDancerClass, nullptr))
    found.push_back(w);
  return found;
}

LPARAM at(double x, double y) {
  return MAKELPARAM(static_cast<int>(std::lround(x)), static_cast<int>(std::lround(y)));
}

// The client area's pixels (0x00RRGGBB), written to a PNG when `name` is given.
std::vector<uint32_t> capture(HWND hwnd, const char* name = nullptr) {
  RECT r{};
  GetClientRect(hwnd, &r);
  const int w = r.right, h = r.bottom;
  const std::vector<uint32_t> out = zv::test::clientPixels(hwnd);
  if (name) {
    std::vector<unsigned char> rgb(out.size() * 3);
    for (size_t i = 0; i < out.size(); ++i) {
      rgb[i * 3] = (out[i] >> 16) & 0xFF;
      rgb[i * 3 + 1] = (out[i] >> 8) & 0xFF;
      rgb[i * 3 + 2] = out[i] & 0xFF;
    }
    const char* dir = std::getenv("ZV_SCREENSHOT_DIR");
    const std::string path = std::string(dir ? dir : ".") + "\\" + name;
    stbi_write_png(path.c_str(), w, h, 3, rgb.data(), w * 3);
  }
  return out;
}

// One plug-in with its editor in a host window.
struct Hosted {
  zv::test::Handler handler;
  zv::test::RecordingFrame frame;
  zv::test::HostedPlugin plugin;
  HWND parent = nullptr, child = nullptr;
  IPlugView* view = nullptr;

  void open(int x) {
    ASSERT_EQ(plugin.open(ZV_MODULE_FILE, &handler), "");
    parent = CreateWindowExW(0, L"ZVDancerTestHost", L"host", WS_POPUP | WS_VISIBLE, x, 0, 1000,
                             960, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    view = plugin.controller()->createView("editor");
    ASSERT_NE(view, nullptr);
    view->setFrame(&frame);
    ASSERT_EQ(view->attached(parent, kPlatformTypeHWND), kResultOk);
    child = FindWindowExW(parent, nullptr, L"ZoquaVoceEditorWnd", nullptr);
    ASSERT_NE(child, nullptr);
    pumpMessages(100);
  }
  void removeView() {
    if (!view) return;
    view->removed();
    view->setFrame(nullptr);
    view->release();
    view = nullptr;
  }
  ~Hosted() {
    removeView();
    if (parent) DestroyWindow(parent);
  }
  void click(double x, double y) {
    SendMessageW(child, WM_LBUTTONDOWN, MK_LBUTTON, at(x * kScale, y * kScale));
    SendMessageW(child, WM_LBUTTONUP, 0, at(x * kScale, y * kScale));
  }
  void popOut() { click(564, 263); }
  void bringBack() { click(430, 406); }
  // Mean brightness of the stage card: the figure on its backdrop is bright, the placeholder dark.
  double stageBrightness(const char* screenshot = nullptr) {
    pumpMessages(150);
    const std::vector<uint32_t> px = capture(child, screenshot);
    RECT r{};
    GetClientRect(child, &r);
    double sum = 0;
    int n = 0;
    for (int y = static_cast<int>(250 * kScale); y < static_cast<int>(520 * kScale); y += 3)
      for (int x = static_cast<int>(285 * kScale); x < static_cast<int>(575 * kScale); x += 3) {
        const uint32_t p = px[static_cast<size_t>(y) * r.right + x];
        sum += ((p >> 16) & 0xFF) + ((p >> 8) & 0xFF) + (p & 0xFF);
        ++n;
      }
    return sum / n;
  }
};

HINSTANCE moduleOf(HWND window) {
  return reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(window, GWLP_HINSTANCE));
}

bool classRegistered(HINSTANCE module) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  return GetClassInfoExW(module, kDancerClass, &wc) != 0;
}

class DancerWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"ZVDancerTestHost";
    RegisterClassExW(&wc);
    // The pointer away from every window, so the chrome does not fade in by accident.
    SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1);
    host.open(0);
    module = moduleOf(host.child);
    pumpMessages(300);  // the first full frame
    figure = host.stageBrightness();
  }
  // The one dancer window after the pop-out was clicked; the threads that came with it.
  HWND popOut() {
    const std::set<DWORD> before = threadIds();
    host.popOut();
    pumpMessages(200);
    dancerThreads.clear();
    for (DWORD id : threadIds())
      if (!before.count(id)) dancerThreads.insert(id);
    const auto windows = dancerWindows();
    return windows.size() == 1 ? windows[0] : nullptr;
  }
  void expectClosedAndTheFigureBack(const char* how) {
    SCOPED_TRACE(how);
    pumpMessages(200);
    EXPECT_TRUE(dancerWindows().empty());
    EXPECT_FALSE(classRegistered(module));
    EXPECT_LT(alive(dancerThreads), dancerThreads.size()) << "the dancer thread still runs";
    EXPECT_GT(host.stageBrightness(), 0.8 * figure);
  }

  zv::test::TempAppData appData;
  Hosted host;
  HINSTANCE module = nullptr;
  double figure = 0;
  std::set<DWORD> dancerThreads;
};

TEST_F(DancerWindowTest, PopOutOpensACentredAnimatedPopupAndEachCloseLeavesNothing) {
  for (const char* how : {"its button", "WM_CLOSE", "bring back"}) {
    HWND dancer = popOut();
    ASSERT_NE(dancer, nullptr) << how;
    EXPECT_GE(dancerThreads.size(), 1u);
    const LONG style = GetWindowLongW(dancer, GWL_STYLE);
    EXPECT_TRUE(style & WS_POPUP);
    EXPECT_FALSE(style & WS_CAPTION);
    EXPECT_TRUE(classRegistered(module));
    RECT r{}, work{};
    GetWindowRect(dancer, &r);
    POINT cursor;
    GetCursorPos(&cursor);
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    GetMonitorInfoW(MonitorFromPoint(cursor, MONITOR_DEFAULTTONEAREST), &info);
    work = info.rcWork;
    EXPECT_EQ(r.right - r.left, 442);
    EXPECT_EQ(r.bottom - r.top, 406);
    EXPECT_NEAR((r.left + r.right) / 2.0, (work.left + work.right) / 2.0, 1.0);
    EXPECT_NEAR((r.top + r.bottom) / 2.0, (work.top + work.bottom) / 2.0, 1.0);
    const bool first = std::string(how) == "its button";
    const auto a = capture(dancer, first ? "dancer_default.png" : nullptr);
    pumpMessages(300);
    EXPECT_NE(a, capture(dancer)) << "the mascot stands still";
    EXPECT_LT(host.stageBrightness(first ? "editor_placeholder.png" : nullptr), 0.6 * figure);

    if (std::string(how) == "its button") {
      SendMessageW(dancer, WM_LBUTTONUP, 0, MAKELPARAM(442 - 10 - 13, 10 + 13));
    } else if (std::string(how) == "WM_CLOSE") {
      SendMessageW(dancer, WM_CLOSE, 0, 0);
    } else {
      host.bringBack();
    }
    expectClosedAndTheFigureBack(how);
  }
  host.stageBrightness("editor_brought_back.png");
}

TEST_F(DancerWindowTest, OpeningTwiceRaisesTheOneWindowAndPinTogglesTopmost) {
  const std::set<DWORD> before = threadIds();
  host.popOut();
  host.popOut();  // before the editor has redrawn: the same control asks again
  pumpMessages(200);
  ASSERT_EQ(dancerWindows().size(), 1u);
  HWND dancer = dancerWindows()[0];
  for (DWORD id : threadIds())
    if (!before.count(id)) dancerThreads.insert(id);
  const LPARAM pin = MAKELPARAM(442 - 10 - 26 - 8 - 13, 10 + 13);
  SendMessageW(dancer, WM_LBUTTONUP, 0, pin);
  EXPECT_TRUE(GetWindowLongW(dancer, GWL_EXSTYLE) & WS_EX_TOPMOST);
  pumpMessages(300);
  capture(dancer, "dancer_pinned.png");
  SendMessageW(dancer, WM_LBUTTONUP, 0, pin);
  EXPECT_FALSE(GetWindowLongW(dancer, GWL_EXSTYLE) & WS_EX_TOPMOST);
  // A wide window shows more backdrop beside the figure.
  SetWindowPos(dancer, nullptr, 200, 300, 900, 406, SWP_NOZORDER | SWP_NOACTIVATE);
  pumpMessages(300);
  capture(dancer, "dancer_wide.png");
  SendMessageW(dancer, WM_CLOSE, 0, 0);
  expectClosedAndTheFigureBack("WM_CLOSE");
}

TEST_F(DancerWindowTest, OutlivesTheEditorAndEndsWithTheController) {
  HWND dancer = popOut();
  ASSERT_NE(dancer, nullptr);
  host.removeView();
  pumpMessages(200);
  EXPECT_TRUE(IsWindow(dancer));
  const auto a = capture(dancer);
  pumpMessages(300);
  EXPECT_NE(a, capture(dancer));
  host.plugin.controller()->terminate();
  EXPECT_FALSE(IsWindow(dancer));
  EXPECT_FALSE(classRegistered(module));
  EXPECT_LT(alive(dancerThreads), dancerThreads.size());
}

TEST_F(DancerWindowTest, TwoInstancesEachHaveTheirOwnDancer) {
  Hosted second;
  second.open(1000);
  HWND first = popOut();
  ASSERT_NE(first, nullptr);
  second.popOut();
  pumpMessages(200);
  const auto windows = dancerWindows();
  ASSERT_EQ(windows.size(), 2u);
  HWND other = windows[0] == first ? windows[1] : windows[0];
  SendMessageW(first, WM_CLOSE, 0, 0);
  pumpMessages(100);
  EXPECT_FALSE(IsWindow(first));
  ASSERT_TRUE(IsWindow(other));
  EXPECT_TRUE(classRegistered(module)) << "the other instance's window still needs its class";
  const auto a = capture(other);
  pumpMessages(300);
  EXPECT_NE(a, capture(other));
  SendMessageW(other, WM_CLOSE, 0, 0);
  EXPECT_TRUE(dancerWindows().empty());
}

TEST_F(DancerWindowTest, DestroyedFromOutsideTheNextPopOutOpensAFreshWindow) {
  HWND dancer = popOut();
  ASSERT_NE(dancer, nullptr);
  DestroyWindow(dancer);  // a host tearing down every window it finds
  pumpMessages(200);
  EXPECT_LT(alive(dancerThreads), dancerThreads.size());
  EXPECT_GT(host.stageBrightness(), 0.8 * figure);
  HWND fresh = popOut();
  ASSERT_NE(fresh, nullptr);
  EXPECT_TRUE(IsWindowVisible(fresh));
  const auto a = capture(fresh);
  pumpMessages(300);
  EXPECT_NE(a, capture(fresh));
  host.bringBack();
  expectClosedAndTheFigureBack("bring back");
}

}  // namespace
