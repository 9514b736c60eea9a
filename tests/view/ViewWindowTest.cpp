// The editor view in a real window: a small host creates a top-level window, opens the view
// through the module's factory, attaches it as "HWND" and talks to it with window messages.
#include <windows.h>
// tlhelp32.h needs the types windows.h declares.
#include <gtest/gtest.h>
#include <tlhelp32.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <thread>

#include "TempAppData.h"
#include "ViewTestHost.h"
#include "pluginterfaces/gui/iplugview.h"
#include "pluginterfaces/gui/iplugviewcontentscalesupport.h"
#include "pluginterfaces/vst/ivstcontextmenu.h"

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include "stb_image_write.h"

using namespace Steinberg;
using namespace Steinberg::Vst;
using zv::test::Handler;
using Frame = zv::test::RecordingFrame;

namespace {

// The host's window: it records the keys that reach it.
std::vector<WPARAM> hostKeys;
LRESULT CALLBACK hostWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_KEYDOWN || message == WM_CHAR) hostKeys.push_back(wParam);
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

void pump(int milliseconds) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  while (std::chrono::steady_clock::now() < end) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    Sleep(5);
  }
}

int threadCount() {
  HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  THREADENTRY32 entry{};
  entry.dwSize = sizeof(entry);
  int n = 0;
  if (Thread32First(snap, &entry)) {
    do {
      if (entry.th32OwnerProcessID == GetCurrentProcessId()) ++n;
    } while (Thread32Next(snap, &entry));
  }
  CloseHandle(snap);
  return n;
}

LPARAM at(double x, double y) {
  return MAKELPARAM(static_cast<int>(std::lround(x)), static_cast<int>(std::lround(y)));
}

class ViewWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string error = plugin.open(ZV_MODULE_FILE, &handler);
    ASSERT_TRUE(error.empty()) << error;

    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = hostWindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"ZVTestHostWindow";
    RegisterClassExW(&wc);
    parent = CreateWindowExW(0, L"ZVTestHostWindow", L"host", WS_POPUP | WS_VISIBLE, 0, 0, 1100,
                             1000, nullptr, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(parent, nullptr);
    view = plugin.controller()->createView("editor");
    ASSERT_NE(view, nullptr);
    view->setFrame(&frame);
  }

  void TearDown() override {
    if (view) {
      if (attachedNow) view->removed();
      view->setFrame(nullptr);
      view->release();
    }
    if (parent) DestroyWindow(parent);
  }

  void attach() {
    ASSERT_EQ(view->attached(parent, kPlatformTypeHWND), kResultOk);
    attachedNow = true;
    child = FindWindowExW(parent, nullptr, L"ZoquaVoceEditorWnd", nullptr);
    ASSERT_NE(child, nullptr);
  }

  void detach() {
    view->removed();
    attachedNow = false;
  }

  SIZE clientSize() const {
    RECT r{};
    GetClientRect(child, &r);
    return {r.right - r.left, r.bottom - r.top};
  }

  std::string settingsFile() const {
    return zv::test::readBytes(appData.product() / "settings.txt");
  }

  void click(LPARAM where) {
    SendMessageW(child, WM_LBUTTONDOWN, MK_LBUTTON, where);
    SendMessageW(child, WM_LBUTTONUP, 0, where);
  }
  // What Windows delivers for a double click.
  void doubleClick(LPARAM where) {
    click(where);
    SendMessageW(child, WM_LBUTTONDBLCLK, MK_LBUTTON, where);
    SendMessageW(child, WM_LBUTTONUP, 0, where);
  }

  std::vector<Handler::Edit> editsFor(int id) const { return handler.editsFor(id); }

  // Writes what the window shows to a PNG, so a failing run leaves something to look at.
  void screenshot(const char* name) {
    const SIZE size = clientSize();
    HDC windowDc = GetDC(child);
    HDC memDc = CreateCompatibleDC(windowDc);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), size.cx, -size.cy, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(windowDc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memDc, bitmap);
    BitBlt(memDc, 0, 0, size.cx, size.cy, windowDc, 0, 0, SRCCOPY);
    std::vector<unsigned char> rgb(static_cast<size_t>(size.cx) * size.cy * 3);
    const auto* px = static_cast<const uint32_t*>(bits);
    for (size_t i = 0; i < static_cast<size_t>(size.cx) * size.cy; ++i) {
      rgb[i * 3] = (px[i] >> 16) & 0xFF;
      rgb[i * 3 + 1] = (px[i] >> 8) & 0xFF;
      rgb[i * 3 + 2] = px[i] & 0xFF;
    }
    const char* dir = std::getenv("ZV_SCREENSHOT_DIR");
    std::string path = std::string(dir ? dir : ".") + "\\" + name;
    stbi_write_png(path.c_str(), size.cx, size.cy, 3, rgb.data(), size.cx * 3);
    SelectObject(memDc, old);
    DeleteObject(bitmap);
    DeleteDC(memDc);
    ReleaseDC(child, windowDc);
  }

  zv::test::TempAppData appData;
  Handler handler;
  Frame frame;
  zv::test::HostedPlugin plugin;  // declared after the handler, so the plug-in goes first
  HWND parent = nullptr;
  HWND child = nullptr;
  IPlugView* view = nullptr;
  bool attachedNow = false;
};

constexpr double kScale = 1.15;  // the size a fresh user gets at 96 dpi

}  // namespace

TEST_F(ViewWindow, AcceptsOnlyHwndOpensAtTheDefaultSizeAndDrawsTheWholeWindow) {
  EXPECT_EQ(view->isPlatformTypeSupported("HWND"), kResultOk);
  EXPECT_EQ(view->isPlatformTypeSupported("NSView"), kResultFalse);
  EXPECT_EQ(view->isPlatformTypeSupported("X11EmbedWindowID"), kResultFalse);
  ViewRect r{};
  ASSERT_EQ(view->getSize(&r), kResultOk);
  EXPECT_EQ(r.getWidth(), 989);
  EXPECT_EQ(r.getHeight(), 828);
  attach();
  EXPECT_EQ(clientSize().cx, 989);
  EXPECT_EQ(clientSize().cy, 828);
  pump(400);
  HDC dc = GetDC(child);
  // The background is never black: ink with coloured glows, and the cards over it.
  const COLORREF corner = GetPixel(dc, 5, 5);
  const COLORREF card =
      GetPixel(dc, static_cast<int>(100 * kScale), static_cast<int>(160 * kScale));
  const COLORREF bottom =
      GetPixel(dc, static_cast<int>(100 * kScale), static_cast<int>(690 * kScale));
  ReleaseDC(child, dc);
  EXPECT_NE(corner, CLR_INVALID);
  EXPECT_NE(corner, RGB(0, 0, 0));
  EXPECT_NE(card, corner);
  EXPECT_NE(bottom, CLR_INVALID);  // the whole window is drawn, down to the knob card
  EXPECT_NE(bottom, RGB(0, 0, 0));
  screenshot("view_frame.png");
}

TEST_F(ViewWindow, ContentScaleRulesResizeThroughTheHost) {
  // A user who chose the 100 % size.
  view->release();
  std::filesystem::create_directories(appData.product());
  zv::test::writeBytes(appData.product() / "settings.txt", "size=1.00\n");
  view = plugin.controller()->createView("editor");
  view->setFrame(&frame);
  IPlugViewContentScaleSupport* scaling = nullptr;
  ASSERT_EQ(
      view->queryInterface(IPlugViewContentScaleSupport::iid, reinterpret_cast<void**>(&scaling)),
      kResultOk);
  attach();
  EXPECT_EQ(scaling->setContentScaleFactor(0.5f), kResultFalse);
  EXPECT_TRUE(frame.resizes.empty());
  EXPECT_EQ(clientSize().cx, 860);
  EXPECT_EQ(scaling->setContentScaleFactor(2.0f), kResultOk);
  ASSERT_EQ(frame.resizes.size(), 1u);
  EXPECT_EQ(frame.resizes[0].getWidth(), 1720);
  EXPECT_EQ(frame.resizes[0].getHeight(), 1440);
  EXPECT_EQ(scaling->setContentScaleFactor(2.005f), kResultOk);
  EXPECT_EQ(frame.resizes.size(), 1u);
  EXPECT_EQ(clientSize().cx, 1720);
  EXPECT_EQ(clientSize().cy, 1440);
  scaling->release();
}

TEST_F(ViewWindow, KnobDragSendsOneGestureAndIgnoresTheHostMeanwhile) {
  attach();
  pump(60);
  const double cx = 87.14 * kScale, cy = 604 * kScale;  // the Speed knob
  SendMessageW(child, WM_LBUTTONDOWN, MK_LBUTTON, at(cx, cy));
  SendMessageW(child, WM_MOUSEMOVE, MK_LBUTTON, at(cx, cy - 55 * kScale));
  // The host moves the same parameter while the user holds the knob.
  plugin.controller()->setParamNormalized(2, 0.9);
  pump(120);
  SendMessageW(child, WM_MOUSEMOVE, MK_LBUTTON, at(cx, cy - 110 * kScale));
  SendMessageW(child, WM_LBUTTONUP, 0, at(cx, cy - 110 * kScale));
  const auto edits = editsFor(2);
  ASSERT_GE(edits.size(), 3u);
  EXPECT_EQ(edits.front().kind, 'b');
  EXPECT_EQ(edits.back().kind, 'e');
  for (size_t i = 1; i + 1 < edits.size(); ++i) EXPECT_EQ(edits[i].kind, 'p');
  // 110 units of 220 is half the travel from 0, whatever the host said in between.
  EXPECT_NEAR(edits[edits.size() - 2].value, 0.5, 0.03);
  EXPECT_NEAR(plugin.controller()->getParamNormalized(2), edits[edits.size() - 2].value, 1e-12);
}

TEST_F(ViewWindow, RightClickAsksTheHostForItsMenuOnTheParameter) {
  attach();
  pump(60);
  const LPARAM mix = at(658.57 * kScale, 604 * kScale);
  SendMessageW(child, WM_RBUTTONUP, 0, mix);
  ASSERT_EQ(handler.menuParams, std::vector<int>{6});
  ASSERT_EQ(handler.menu.popups.size(), 1u);
  EXPECT_EQ(handler.menu.popups[0].first, static_cast<int>(std::lround(658.57 * kScale)));
  SendMessageW(child, WM_RBUTTONUP, 0, at(5, 5));  // nothing there
  EXPECT_EQ(handler.menuParams.size(), 1u);
}

TEST_F(ViewWindow, DetachJoinsTheRenderThreadAndCanAttachAgain) {
  const int before = threadCount();
  attach();
  pump(100);
  const int attached = threadCount();
  EXPECT_GE(attached, before + 1);  // the render thread (Wine may add helpers of its own)
  HWND first = child;
  detach();
  EXPECT_FALSE(IsWindow(first));
  EXPECT_LE(threadCount(), attached - 1);  // joined by the time removed() returns
  attach();
  pump(100);
  EXPECT_TRUE(IsWindow(child));
  EXPECT_GE(threadCount(), before + 1);
}

TEST_F(ViewWindow, ClosingDuringADragStillEndsTheGesture) {
  attach();
  pump(60);
  const double cx = 315.71 * kScale, cy = 604 * kScale;  // Formant
  SendMessageW(child, WM_LBUTTONDOWN, MK_LBUTTON, at(cx, cy));
  SendMessageW(child, WM_MOUSEMOVE, MK_LBUTTON, at(cx, cy - 30));
  detach();
  const auto edits = editsFor(4);
  ASSERT_GE(edits.size(), 2u);
  EXPECT_EQ(edits.front().kind, 'b');
  EXPECT_EQ(edits.back().kind, 'e');
}

// The size pill asks the host for the next size; only an accepted resize changes the window and
// the settings file, and a refused one leaves the pill where it was.
TEST_F(ViewWindow, SizePillResizesThroughTheHostAndARefusalKeepsEverything) {
  attach();
  pump(60);
  const LPARAM pill = at(91 * kScale, 77 * kScale);
  frame.refuse = true;
  click(pill);
  ASSERT_EQ(frame.resizes.size(), 1u);  // asked for 1118 x 936 ...
  EXPECT_EQ(frame.resizes[0].getWidth(), 1118);
  EXPECT_EQ(frame.resizes[0].getHeight(), 936);
  EXPECT_EQ(clientSize().cx, 989);  // ... and kept 989 x 828
  ViewRect r{};
  view->getSize(&r);
  EXPECT_EQ(r.getWidth(), 989);
  EXPECT_EQ(settingsFile(), "");  // never written

  // The pill still says 115 %: the next accepted press goes to 130 %, not 150 %.
  frame.refuse = false;
  click(pill);
  EXPECT_EQ(clientSize().cx, 1118);
  EXPECT_EQ(clientSize().cy, 936);
  EXPECT_EQ(settingsFile(), "size=1.30\n");
  pump(300);
  HDC dc = GetDC(child);
  const COLORREF corner = GetPixel(dc, 1090, 930);  // inside the host window, beyond the old size
  ReleaseDC(child, dc);
  EXPECT_NE(corner, CLR_INVALID);
  EXPECT_NE(corner, RGB(0, 0, 0));
  screenshot("view_after_resize.png");
}

// Removing the view joins its render thread; had the edit been sent under the view's state
// lock, the render thread would wait for it and the removal would never return.
TEST_F(ViewWindow, AHostMayResizeAndRemoveTheViewFromInsideAnEdit) {
  attach();
  pump(100);
  IPlugViewContentScaleSupport* scaling = nullptr;
  ASSERT_EQ(
      view->queryInterface(IPlugViewContentScaleSupport::iid, reinterpret_cast<void**>(&scaling)),
      kResultOk);
  HWND first = child;
  handler.during = [&](char kind, int) {
    if (kind != 'p' || !attachedNow) return;
    EXPECT_EQ(scaling->setContentScaleFactor(2.0f), kResultOk);
    detach();
  };
  const double cx = 87.14 * kScale, cy = 604 * kScale;  // Speed
  SendMessageW(child, WM_LBUTTONDOWN, MK_LBUTTON, at(cx, cy));
  SendMessageW(child, WM_MOUSEMOVE, MK_LBUTTON, at(cx, cy - 40));
  EXPECT_FALSE(IsWindow(first));
  ASSERT_EQ(frame.resizes.size(), 1u);
  EXPECT_EQ(frame.resizes[0].getWidth(), static_cast<int>(std::lround(860 * 2.0 * kScale)));
  std::string kinds;
  for (const auto& e : editsFor(2)) kinds += e.kind;
  EXPECT_EQ(kinds, "bpe");  // the removal ended the drag's gesture after its perform
  scaling->release();
}

// Keys the editor does not use reach the host's window; while a value is typed they are the
// editor's, and a key the host forwards through onKeyDown as well as the window's WM_CHAR counts
// once.
TEST_F(ViewWindow, KeysGoToValueEntryOnceAndOtherwiseToTheHost) {
  attach();
  pump(60);
  click(at(5, 5));  // a click takes the focus
  hostKeys.clear();
  SendMessageW(child, WM_KEYDOWN, VK_SPACE, 0x00390001);
  SendMessageW(child, WM_CHAR, ' ', 0x00390001);
  EXPECT_EQ(hostKeys, (std::vector<WPARAM>{VK_SPACE, ' '}));
  EXPECT_EQ(view->onKeyDown(u' ', 0, 0), kResultFalse);

  doubleClick(at(315.71 * kScale, 604 * kScale));  // Formant: value entry
  handler.edits.clear();
  hostKeys.clear();
  EXPECT_EQ(view->onKeyDown(u'3', 0, 0), kResultOk);
  SendMessageW(child, WM_KEYDOWN, '3', 0);
  SendMessageW(child, WM_CHAR, '3', 0);
  SendMessageW(child, WM_CHAR, 13, 0);
  EXPECT_TRUE(hostKeys.empty());
  const auto edits = editsFor(4);
  ASSERT_EQ(edits.size(), 3u);
  EXPECT_NEAR(edits[1].value, (3.0 + 12.0) / 24.0, 1e-9);  // "3", not "33"
  EXPECT_EQ(view->onKeyDown(u'x', 0, 0), kResultFalse);  // no entry active: the host keeps the key
}
