// The editor view in a real window: a small host creates a top-level window, opens the view
// through the module's factory, attaches it as "HWND" and talks to it with window messages.
#include "Win32TestWindow.h"
// The SDK and GoogleTest after windows.h, as the platform code includes them.
#include <gtest/gtest.h>

#include <cmath>

#include "ViewScenarios.h"

using namespace Steinberg;
using namespace Steinberg::Vst;
using zv::test::hostKeys;
using zv::test::Pointer;
using zv::test::Px;

namespace {

LPARAM at(Px p) {
  return MAKELPARAM(static_cast<int>(std::lround(p.x)), static_cast<int>(std::lround(p.y)));
}

class ViewWindow : public ::testing::TestWithParam<zv::test::ViewScenario>,
                   public zv::test::ViewWindowHost {
 protected:
  void SetUp() override {
    ASSERT_EQ(open(ZV_MODULE_FILE, &windowFrame), "");
    parent = zv::test::hostWindow(0, 1100, 1000);
    ASSERT_NE(parent, nullptr);
  }
  void TearDown() override {
    closeView();
    if (parent) DestroyWindow(parent);
  }

  const char* platformType() const override { return kPlatformTypeHWND; }
  void attach() override {
    ASSERT_EQ(view->attached(parent, kPlatformTypeHWND), kResultOk);
    attachedNow = true;
    child = FindWindowExW(parent, nullptr, L"ZoquaVoceEditorWnd", nullptr);
    ASSERT_NE(child, nullptr);
  }
  void pump(int milliseconds) override { zv::test::pumpMessages(milliseconds); }
  void pointer(Pointer what, Px p) override {
    auto send = [&](UINT m) {
      SendMessageW(child, m, m == WM_LBUTTONUP || m == WM_RBUTTONUP ? 0 : MK_LBUTTON, at(p));
    };
    switch (what) {
      case Pointer::Down:
        return send(WM_LBUTTONDOWN);
      case Pointer::Move:
        return send(WM_MOUSEMOVE);
      case Pointer::Up:
        return send(WM_LBUTTONUP);
      case Pointer::RightClick:
        return send(WM_RBUTTONUP);
      case Pointer::DoubleClick:  // what Windows delivers for one
        for (UINT m : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP}) send(m);
    }
  }
  void typeKeys(const std::string& keys) override {
    for (char c : keys) {
      SendMessageW(child, WM_KEYDOWN, c == '-' ? VK_OEM_MINUS : static_cast<WPARAM>(c), 0);
      SendMessageW(child, WM_CHAR, static_cast<WPARAM>(c), 0);
    }
  }
  std::pair<int, int> windowSize() override {
    RECT r{};
    GetClientRect(child, &r);
    return {r.right - r.left, r.bottom - r.top};
  }
  std::uint32_t pixel(int x, int y) override {
    HDC dc = GetDC(child);
    const COLORREF c = GetPixel(dc, x, y);
    ReleaseDC(child, dc);
    return c == CLR_INVALID ? 0 : (GetRValue(c) << 16 | GetGValue(c) << 8 | GetBValue(c));
  }
  bool windowGone() override { return !IsWindow(child); }
  int threadCount() override { return static_cast<int>(zv::test::threadIds().size()); }
  void screenshot(const char* name) override { zv::test::capture(child, name); }

  zv::test::RecordingFrame windowFrame;
  HWND parent = nullptr;
  HWND child = nullptr;
};

}  // namespace

TEST_P(ViewWindow, Scenario) {
  zv::test::run(*this, GetParam());
}
INSTANTIATE_TEST_SUITE_P(Shared, ViewWindow, ::testing::ValuesIn(zv::test::kViewScenarios),
                         zv::test::scenarioName);

// Keys the editor does not use reach the host's window; while a value is typed they are the
// editor's.
TEST_F(ViewWindow, KeysGoToValueEntryAndOtherwiseToTheHost) {
  attach();
  pump(60);
  pointer(Pointer::Down, {5, 5});  // a click takes the focus
  pointer(Pointer::Up, {5, 5});
  hostKeys.clear();
  SendMessageW(child, WM_KEYDOWN, VK_SPACE, 0x00390001);
  SendMessageW(child, WM_CHAR, ' ', 0x00390001);
  EXPECT_EQ(hostKeys, (std::vector<WPARAM>{VK_SPACE, ' '}));
  pointer(Pointer::DoubleClick, zv::test::kFormantKnob);
  hostKeys.clear();
  typeKeys("3\r");
  EXPECT_TRUE(hostKeys.empty());
}
