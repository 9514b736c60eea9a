// The editor view in a real window: a small host creates a top-level window, opens the view
// through the module's factory, attaches it as "HWND" and talks to it with window messages.
#include <windows.h>
// tlhelp32.h needs the types windows.h declares.
#include <gtest/gtest.h>
#include <tlhelp32.h>

#include <chrono>
#include <cmath>
#include <cstdio>

#include "ViewScenarios.h"
#include "Win32TestWindow.h"

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include "stb_image_write.h"

using namespace Steinberg;
using namespace Steinberg::Vst;
using zv::test::Pointer;
using zv::test::Px;

namespace {

// The host's window: it records the keys that reach it.
std::vector<WPARAM> hostKeys;
LRESULT CALLBACK hostWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_KEYDOWN || message == WM_CHAR) hostKeys.push_back(wParam);
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

LPARAM at(Px p) {
  return MAKELPARAM(static_cast<int>(std::lround(p.x)), static_cast<int>(std::lround(p.y)));
}

class ViewWindow : public ::testing::TestWithParam<zv::test::ViewScenario>,
                   public zv::test::ViewWindowHost {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(openView(windowFrame));
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = hostWindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"ZVTestHostWindow";
    RegisterClassExW(&wc);
    parent = CreateWindowExW(0, L"ZVTestHostWindow", L"host", WS_POPUP | WS_VISIBLE, 0, 0, 1100,
                             1000, nullptr, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(parent, nullptr);
  }
  void TearDown() override {
    closeView();
    if (parent) DestroyWindow(parent);
  }

  const char* platformType() const override { return kPlatformTypeHWND; }
  void* parentWindow() override { return parent; }
  void attach() override {
    ASSERT_EQ(view->attached(parent, kPlatformTypeHWND), kResultOk);
    attachedNow = true;
    child = FindWindowExW(parent, nullptr, L"ZoquaVoceEditorWnd", nullptr);
    ASSERT_NE(child, nullptr);
  }
  void pump(int milliseconds) override { zv::test::pumpMessages(milliseconds); }
  void pointer(Pointer what, Px p) override {
    switch (what) {
      case Pointer::Down:
        SendMessageW(child, WM_LBUTTONDOWN, MK_LBUTTON, at(p));
        break;
      case Pointer::Move:
        SendMessageW(child, WM_MOUSEMOVE, MK_LBUTTON, at(p));
        break;
      case Pointer::Up:
        SendMessageW(child, WM_LBUTTONUP, 0, at(p));
        break;
      case Pointer::RightClick:
        SendMessageW(child, WM_RBUTTONUP, 0, at(p));
        break;
      case Pointer::DoubleClick:  // what Windows delivers for one
        for (UINT down : {WM_LBUTTONDOWN, WM_LBUTTONDBLCLK}) {
          SendMessageW(child, down, MK_LBUTTON, at(p));
          SendMessageW(child, WM_LBUTTONUP, 0, at(p));
        }
        break;
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

  // Writes what the window shows to a PNG, so a failing run leaves something to look at.
  void screenshot(const char* name) override {
    const auto [w, h] = windowSize();
    const std::vector<uint32_t> px = zv::test::clientPixels(child);
    std::vector<unsigned char> rgb(static_cast<size_t>(w) * h * 3);
    for (size_t i = 0; i < static_cast<size_t>(w) * h; ++i)
      for (int k = 0; k < 3; ++k) rgb[i * 3 + k] = (px[i] >> (16 - 8 * k)) & 0xFF;
    const char* dir = std::getenv("ZV_SCREENSHOT_DIR");
    const std::string path = std::string(dir ? dir : ".") + "\\" + name + ".png";
    stbi_write_png(path.c_str(), w, h, 3, rgb.data(), w * 3);
  }

  zv::test::RecordingFrame windowFrame;
  HWND parent = nullptr;
  HWND child = nullptr;
};

}  // namespace

TEST_P(ViewWindow, Scenario) {
  GetParam().run(*this);
}
INSTANTIATE_TEST_SUITE_P(Shared, ViewWindow, ::testing::ValuesIn(zv::test::kViewScenarios),
                         zv::test::scenarioName);

// Keys the editor does not use reach the host's window; while a value is typed they are the
// editor's, and a key the host forwards through onKeyDown as well as the window's WM_CHAR counts
// once.
TEST_F(ViewWindow, KeysGoToValueEntryOnceAndOtherwiseToTheHost) {
  attach();
  pump(60);
  pointer(Pointer::Down, {5, 5});  // a click takes the focus
  pointer(Pointer::Up, {5, 5});
  hostKeys.clear();
  SendMessageW(child, WM_KEYDOWN, VK_SPACE, 0x00390001);
  SendMessageW(child, WM_CHAR, ' ', 0x00390001);
  EXPECT_EQ(hostKeys, (std::vector<WPARAM>{VK_SPACE, ' '}));
  EXPECT_EQ(view->onKeyDown(u' ', 0, 0), kResultFalse);

  pointer(Pointer::DoubleClick, zv::test::kFormantKnob);
  handler.edits.clear();
  hostKeys.clear();
  EXPECT_EQ(view->onKeyDown(u'3', 0, 0), kResultOk);
  typeKeys("3\r");
  EXPECT_TRUE(hostKeys.empty());
  const auto edits = handler.editsFor(zv::test::kFormantId);
  ASSERT_EQ(edits.size(), 3u);
  EXPECT_NEAR(edits[1].value, (3.0 + 12.0) / 24.0, 1e-9);  // "3", not "33"
}
