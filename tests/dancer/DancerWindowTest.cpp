// The dancer window for real: the module's factory makes the plug-in, a host window shows its
// editor, and the pop-out control opens a top-level window with a thread of its own.
#include "Win32TestWindow.h"
// The SDK and GoogleTest after windows.h, as the platform code includes them.
#include <gtest/gtest.h>

#include <cmath>

#include "TempAppData.h"
#include "ViewTestHost.h"

using namespace Steinberg;
using namespace Steinberg::Vst;
using zv::test::capture;
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

// Whether the window shows something new a few frames later.
bool animates(HWND window) {
  const auto before = capture(window);
  pumpMessages(300);
  return capture(window) != before;
}

// One plug-in with its editor in a host window.
struct Hosted : zv::test::HostedPlugin {
  void open(int x) {
    ASSERT_EQ(HostedPlugin::open(ZV_MODULE_FILE, &recording), "");
    parent = zv::test::hostWindow(x, 1000, 960);
    ASSERT_EQ(view->attached(parent, kPlatformTypeHWND), kResultOk);
    attachedNow = true;
    child = FindWindowExW(parent, nullptr, L"ZoquaVoceEditorWnd", nullptr);
    ASSERT_NE(child, nullptr);
    pumpMessages(100);
  }
  ~Hosted() {
    closeView();
    if (parent) DestroyWindow(parent);
  }
  void click(double x, double y) {
    const LPARAM at = MAKELPARAM(std::lround(x * kScale), std::lround(y * kScale));
    SendMessageW(child, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(child, WM_LBUTTONUP, 0, at);
  }
  void popOut() { click(564, 263); }
  void bringBack() { click(430, 406); }
  // Mean brightness of the stage card: the figure on its backdrop is bright, the placeholder dark.
  double stageBrightness(const char* screenshot = nullptr) {
    pumpMessages(150);
    const std::vector<uint32_t> px = capture(child, screenshot);
    const int width = 989;  // 860 layout units at 1.15
    double sum = 0;
    int n = 0;
    for (int y = static_cast<int>(250 * kScale); y < static_cast<int>(520 * kScale); y += 3)
      for (int x = static_cast<int>(285 * kScale); x < static_cast<int>(575 * kScale); x += 3, ++n)
        for (int shift : {0, 8, 16})
          sum += (px[static_cast<size_t>(y) * width + x] >> shift) & 0xFF;
    return sum / n;
  }

  zv::test::RecordingFrame recording;
  HWND parent = nullptr, child = nullptr;
};

bool classRegistered(HINSTANCE module) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  return GetClassInfoExW(module, kDancerClass, &wc) != 0;
}

class DancerWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The pointer away from every window, so the chrome does not fade in by accident.
    SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1);
    host.open(0);
    module = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(host.child, GWLP_HINSTANCE));
    pumpMessages(300);  // the first full frame
    figure = host.stageBrightness();
  }
  // The one dancer window after the pop-out was pressed `presses` times before the editor
  // redrew; the threads that came with it.
  HWND popOut(int presses = 1) {
    const std::set<DWORD> before = threadIds();
    for (int i = 0; i < presses; ++i) host.popOut();
    pumpMessages(200);
    dancerThreads.clear();
    for (DWORD id : threadIds())
      if (!before.count(id)) dancerThreads.insert(id);
    const auto windows = dancerWindows();
    return windows.size() == 1 ? windows[0] : nullptr;
  }
  // A window destroyed from outside leaves its class for the next one to reuse.
  void expectClosedAndTheFigureBack(const char* how, bool classGone = true) {
    SCOPED_TRACE(how);
    pumpMessages(200);
    EXPECT_TRUE(dancerWindows().empty());
    EXPECT_NE(classRegistered(module), classGone);
    EXPECT_LT(alive(dancerThreads), dancerThreads.size()) << "the dancer thread still runs";
    EXPECT_GT(host.stageBrightness(), 0.8 * figure);
  }

  zv::test::TempAppData appData;
  Hosted host;
  HINSTANCE module = nullptr;
  double figure = 0;
  std::set<DWORD> dancerThreads;
};

const LPARAM kCloseButton = MAKELPARAM(442 - 10 - 13, 10 + 13);
const LPARAM kPinButton = MAKELPARAM(442 - 10 - 26 - 8 - 13, 10 + 13);

// Each way of closing, the first a host tearing down every window it finds, and the next pop-out
// opens a fresh window.
TEST_F(DancerWindowTest, PopOutOpensACentredAnimatedPopupAndEachCloseLeavesNothing) {
  const char* const hows[] = {"DestroyWindow", "its button", "WM_CLOSE", "bring back"};
  for (int how = 0; how < 4; ++how) {
    HWND dancer = popOut();
    ASSERT_NE(dancer, nullptr) << hows[how];
    EXPECT_GE(dancerThreads.size(), 1u);
    const LONG style = GetWindowLongW(dancer, GWL_STYLE);
    EXPECT_TRUE(style & WS_POPUP);
    EXPECT_FALSE(style & WS_CAPTION);
    EXPECT_TRUE(IsWindowVisible(dancer));
    EXPECT_TRUE(classRegistered(module));
    RECT r{}, work{};  // one screen here: the work area the window opens on
    GetWindowRect(dancer, &r);
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_EQ(r.right - r.left, 442);
    EXPECT_EQ(r.bottom - r.top, 406);
    EXPECT_NEAR((r.left + r.right) / 2.0, (work.left + work.right) / 2.0, 1.0);
    EXPECT_NEAR((r.top + r.bottom) / 2.0, (work.top + work.bottom) / 2.0, 1.0);
    if (how == 1) capture(dancer, "dancer_default");
    EXPECT_TRUE(animates(dancer)) << "the mascot stands still";
    EXPECT_LT(host.stageBrightness(how == 1 ? "editor_placeholder" : nullptr), 0.6 * figure);
    if (how == 0) DestroyWindow(dancer);
    if (how == 1) SendMessageW(dancer, WM_LBUTTONUP, 0, kCloseButton);
    if (how == 2) SendMessageW(dancer, WM_CLOSE, 0, 0);
    if (how == 3) host.bringBack();
    expectClosedAndTheFigureBack(hows[how], how != 0);
  }
  host.stageBrightness("editor_brought_back");
}

TEST_F(DancerWindowTest, OpeningTwiceRaisesTheOneWindowAndPinTogglesTopmost) {
  HWND dancer = popOut(2);
  ASSERT_NE(dancer, nullptr);
  SendMessageW(dancer, WM_LBUTTONUP, 0, kPinButton);
  EXPECT_TRUE(GetWindowLongW(dancer, GWL_EXSTYLE) & WS_EX_TOPMOST);
  pumpMessages(300);
  capture(dancer, "dancer_pinned");
  SendMessageW(dancer, WM_LBUTTONUP, 0, kPinButton);
  EXPECT_FALSE(GetWindowLongW(dancer, GWL_EXSTYLE) & WS_EX_TOPMOST);
  // A wide window shows more backdrop beside the figure.
  SetWindowPos(dancer, nullptr, 200, 300, 900, 406, SWP_NOZORDER | SWP_NOACTIVATE);
  pumpMessages(300);
  capture(dancer, "dancer_wide");
  SendMessageW(dancer, WM_CLOSE, 0, 0);
  expectClosedAndTheFigureBack("WM_CLOSE");
}

TEST_F(DancerWindowTest, OutlivesTheEditorAndEndsWithTheController) {
  HWND dancer = popOut();
  ASSERT_NE(dancer, nullptr);
  host.closeView();
  pumpMessages(200);
  EXPECT_TRUE(IsWindow(dancer));
  EXPECT_TRUE(animates(dancer));
  host.controller()->terminate();
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
  EXPECT_TRUE(animates(other));
  SendMessageW(other, WM_CLOSE, 0, 0);
  EXPECT_TRUE(dancerWindows().empty());
}

}  // namespace
