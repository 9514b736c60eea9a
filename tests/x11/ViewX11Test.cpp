// The editor view in a real X11 window: a small host opens the module through its entry points,
// makes a top-level window, attaches the view as "X11EmbedWindowID" with a run loop built on
// poll(), and talks to it with XTest input on the X server (Xvfb in the test run).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>

#include "Editor.h"
#include "EditorLayout.h"
#include "SceneRegistry.h"
#include "ViewScenarios.h"
#include "X11TestHost.h"

// Xlib last: its macros (None, Bool, Status) must not meet GoogleTest or the SDK.
// clang-format off
#include <X11/Xlib.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/XRes.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
// clang-format on

using namespace Steinberg;
using namespace Steinberg::Vst;
using zv::test::kScale;
using zv::test::Pointer;
using zv::test::PollRunLoop;
using zv::test::Px;

namespace {

class ViewX11 : public ::testing::TestWithParam<zv::test::ViewScenario>,
                public zv::test::ViewWindowHost {
 protected:
  void SetUp() override {
    display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr) << "no X server (run under xvfb-run)";
    int ev = 0, err = 0, major = 0, minor = 0;
    ASSERT_TRUE(XTestQueryExtension(display, &ev, &err, &major, &minor));
    ASSERT_EQ(open(ZV_MODULE_FILE, &runLoopFrame), "");
    parent = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 2200, 1800, 0, 0, 0);
    XSelectInput(display, parent, KeyPressMask | KeyReleaseMask | SubstructureNotifyMask);
    XMapWindow(display, parent);
    XSync(display, False);
    clientsBefore = census()["clients"];
  }
  void TearDown() override {
    closeView();
    if (display) {
      if (parent) XDestroyWindow(display, parent);
      XCloseDisplay(display);
    }
  }

  const char* platformType() const override { return kPlatformTypeX11EmbedWindowID; }
  void attach() override {
    ASSERT_EQ(view->attached(reinterpret_cast<void*>(parent), platformType()), kResultOk);
    attachedNow = true;
    child = onlyChild();
    ASSERT_NE(child, 0u);
  }
  // Serves the view's run loop for a while, as the host's UI thread does between its own work.
  void pump(int ms) override {
    XSync(display, False);  // the server has turned our fake input into events for the view
    const auto end = PollRunLoop::now() + ms;
    do runLoopFrame.runLoop.runOnce(5);
    while (PollRunLoop::now() < end);
  }
  // Real input through the server, in the child window's pixels. Both clicks of a double click
  // are queued at once, so the server stamps them a few milliseconds apart however busy this
  // machine is.
  void pointer(Pointer what, Px p) override {
    const bool down = what != Pointer::Move && what != Pointer::Up;
    const bool up = what != Pointer::Move && what != Pointer::Down;
    press(p, what == Pointer::RightClick ? 3 : 1, what == Pointer::DoubleClick ? 2 : 1, down, up);
    pump(what == Pointer::DoubleClick ? 60 : 15);
  }
  void press(Px p, unsigned button, int clicks = 1, bool down = true, bool up = true) {
    XTestFakeMotionEvent(display, DefaultScreen(display), static_cast<int>(std::lround(p.x)),
                         static_cast<int>(std::lround(p.y)), 0);
    for (int i = 0; i < clicks; ++i) {
      if (down) XTestFakeButtonEvent(display, button, True, 0);
      if (up) XTestFakeButtonEvent(display, button, False, 0);
    }
  }
  void click(Px p, unsigned button) {
    press(p, button);
    pump(15);
  }
  void key(KeySym sym) {
    const KeyCode code = XKeysymToKeycode(display, sym);
    XTestFakeKeyEvent(display, code, True, 0);
    XTestFakeKeyEvent(display, code, False, 0);
    pump(20);
  }
  void typeKeys(const std::string& keys) override {
    for (char c : keys)
      key(c == '-' ? XK_minus : c == '\r' ? XK_Return : static_cast<KeySym>(XK_0 + (c - '0')));
  }
  std::pair<int, int> windowSize() override {
    XSync(display, False);
    XWindowAttributes a{};
    XGetWindowAttributes(display, child, &a);
    return {a.width, a.height};
  }
  std::uint32_t pixel(int x, int y) override { return grab(x, y, 1, 1).pixels[0]; }
  bool windowGone() override { return onlyChild() == 0; }
  int threadCount() override {
    namespace fs = std::filesystem;
    return static_cast<int>(std::distance(fs::directory_iterator("/proc/self/task"), {}));
  }
  void screenshot(const char* name) override { writePng(name, grab()); }
  // The view's own X connection holds one window and its GC, no pixmap, and one descriptor and
  // timer on the host's run loop; afterwards nothing, not even the connection.
  void expectSystemResourcesHeld() override {
    auto held = census(child);
    EXPECT_EQ(held.at("WINDOW"), 1);
    EXPECT_LE(held.at("GC"), 2);  // ours and the one Xlib makes for the screen
    EXPECT_EQ(held.count("PIXMAP"), 0u);
    EXPECT_EQ(runLoopFrame.runLoop.handlers.size(), 1u);
    EXPECT_EQ(runLoopFrame.runLoop.timers.size(), 1u);
  }
  void expectSystemResourcesFreed() override {
    EXPECT_EQ(census()["clients"], clientsBefore);
    EXPECT_TRUE(runLoopFrame.runLoop.handlers.empty());
    EXPECT_TRUE(runLoopFrame.runLoop.timers.empty());
  }

  Window onlyChild() {
    XSync(display, False);
    Window root = 0, up = 0, *kids = nullptr;
    unsigned count = 0;
    XQueryTree(display, parent, &root, &up, &kids, &count);
    const Window found = count == 1 ? kids[0] : 0;
    if (kids) XFree(kids);
    return count > 1 ? ~0ul : found;
  }

  // The window's pixels as the server holds them (0x00RRGGBB; 0 outside it), by default all.
  zv::Canvas grab(int x = 0, int y = 0, int w = 0, int h = 0) {
    const auto [width, height] = windowSize();
    if (w == 0) w = width, h = height;
    zv::Canvas c(w, h, 1.0f);
    XImage* image = x < 0 || y < 0 || x + w > width || y + h > height
                        ? nullptr
                        : XGetImage(display, child, x, y, static_cast<unsigned>(w),
                                    static_cast<unsigned>(h), AllPlanes, ZPixmap);
    if (!image) return c;
    for (int i = 0; i < w * h; ++i)
      c.pixels[i] = static_cast<uint32_t>(XGetPixel(image, i % w, i / w)) & 0xFFFFFF;
    XDestroyImage(image);
    return c;
  }
  static void writePng(const std::string& name, const zv::Canvas& c) {
    const char* dir = std::getenv("ZV_SCREENSHOT_DIR");
    zv::snapshot::writePng(std::string(dir ? dir : ".") + "/x11_" + name + ".png", c);
  }

  // The X server's clients ("clients": how many, the server's own left out), and the resources
  // of the one that owns `window`, by type.
  std::map<std::string, int> census(Window window = 0) {
    std::map<std::string, int> out;
    int n = 0;
    XResClient* clients = nullptr;
    XResQueryClients(display, &n, &clients);
    out["clients"] = n;
    for (int i = 0; i < n; ++i) {
      if (!window || (window & ~clients[i].resource_mask) != clients[i].resource_base) continue;
      int types = 0;
      XResType* list = nullptr;
      XResQueryClientResources(display, clients[i].resource_base, &types, &list);
      for (int t = 0; t < types; ++t) {
        char* name = XGetAtomName(display, list[t].resource_type);
        out[name ? name : "?"] = static_cast<int>(list[t].count);
        if (name) XFree(name);
      }
      if (list) XFree(list);
    }
    if (clients) XFree(clients);
    return out;
  }

  Display* display = nullptr;
  zv::test::Frame runLoopFrame;
  Window parent = 0;
  Window child = 0;
  int clientsBefore = 0;
};

// The face the snapshot tool draws at the window's scale, without the pop-out icon the Linux view
// leaves out; with the scale list opened and "Dorian" hovered when asked.
const Px kScaleBox{700, 50}, kDorian{700, 84 + 26 * 4 + 10};
zv::Canvas snapshotFace(float scale, bool scaleList) {
  zv::snapshot::Scene scene;
  scene.width = static_cast<int>(std::lround(zv::kLayoutWidth * scale));
  scene.height = static_cast<int>(std::lround(zv::kLayoutHeight * scale));
  scene.scale = scale;
  scene.draw = [&](zv::Canvas& c) {
    zv::Editor e;
    e.resize(c.width, c.height, c.scale);
    e.popOutAvailable = false;
    e.sizeChoice = scale;
    e.rebuildHitRegions();
    if (scaleList) {
      e.onMouseDown(kScaleBox.x, kScaleBox.y, false, false);
      e.onMouseMove(kDorian.x, kDorian.y, false);
    }
    e.paint(true);
    c.pixels = e.canvas().pixels;
  };
  return zv::snapshot::render(scene);
}

}  // namespace

TEST_P(ViewX11, Scenario) {
  zv::test::run(*this, GetParam());
}
INSTANTIATE_TEST_SUITE_P(Shared, ViewX11, ::testing::ValuesIn(zv::test::kViewScenarios),
                         zv::test::scenarioName);

TEST_F(ViewX11, TakesTheDesktopScaleFromXftDpi) {
  const Atom manager = XInternAtom(display, "RESOURCE_MANAGER", False);
  struct Case {
    const char* resources;
    int width, height;
  } cases[] = {
      {"Xft.dpi:\t192\n", 1978, 1656},                     // 2.0 x 1.15
      {"Xft.antialias:\t1\nXft.dpi:\t120\n", 1236, 1035},  // 1.25 x 1.15
      {"Xft.dpi:\t48\n", 989, 828},                        // below 96: never smaller than 1.0
      {"Xft.dpi:\tnonsense\n", 989, 828},
      {"", 989, 828},
  };
  for (const Case& c : cases) {
    XChangeProperty(display, DefaultRootWindow(display), manager, XA_STRING, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(c.resources),
                    static_cast<int>(std::strlen(c.resources)));
    XSync(display, False);
    closeView();
    createView();
    ViewRect r{};
    view->getSize(&r);
    EXPECT_EQ(zv::test::sizeOf(r), std::make_pair(c.width, c.height)) << c.resources;
  }
  XDeleteProperty(display, DefaultRootWindow(display), manager);
  XSync(display, False);
}

// Wheel up and down (buttons 4 and 5) edit the knob under the pointer; sideways (6 and 7) not.
TEST_F(ViewX11, WheelButtonsStepTheKnobUnderThePointer) {
  attach();
  pump(60);
  const Px mix = zv::test::kMixKnob;
  for (unsigned b : {6u, 7u}) click(mix, b);
  EXPECT_TRUE(handler.editsFor(zv::test::kMixId).empty());
  click(mix, 5);
  ASSERT_FALSE(handler.editsFor(zv::test::kMixId).empty());
  EXPECT_LT(controller()->getParamNormalized(zv::test::kMixId), 1.0);  // from 100 %
  click(mix, 4);
  EXPECT_NEAR(controller()->getParamNormalized(zv::test::kMixId), 1.0, 1e-9);
}

// Where no window could work the view refuses to attach, and the same view attaches once the host
// can carry it; a host window destroyed before removed() is survived. No thread is left behind.
TEST_F(ViewX11, SurvivesHostsThatGetTheWindowWrong) {
  const int threadsBefore = threadCount();
  struct Case {
    const char* what;
    bool runLoop;
    Window parentWindow;
    const char* type;
  } cases[] = {
      {"no run loop from the frame", false, parent, kPlatformTypeX11EmbedWindowID},
      {"a parent that is no window", true, 0x7FFFFFF, kPlatformTypeX11EmbedWindowID},
      {"another platform's type", true, parent, kPlatformTypeHWND},
  };
  for (const Case& c : cases) {
    runLoopFrame.offerRunLoop = c.runLoop;
    EXPECT_EQ(view->attached(reinterpret_cast<void*>(c.parentWindow), c.type), kResultFalse)
        << c.what;
    EXPECT_EQ(onlyChild(), 0u) << c.what;
    EXPECT_EQ(threadCount(), threadsBefore) << c.what;
    EXPECT_TRUE(runLoopFrame.runLoop.handlers.empty()) << c.what;
    view->removed();
  }
  runLoopFrame.offerRunLoop = true;
  attach();
  pump(60);
  XDestroyWindow(display, parent);
  XSync(display, False);
  parent = 0;
  pump(60);  // presents into a window that no longer exists
  detach();
  EXPECT_EQ(threadCount(), threadsBefore);
}

// A key the editor does not use goes on to the host's window; two clicks too far apart are two
// single clicks, not a double click.
TEST_F(ViewX11, UnusedKeysReachTheHostAndDistantClicksAreNoDoubleClick) {
  attach();
  pump(60);
  click({20, 700 * kScale}, 1);  // an empty spot: the editor takes the keyboard focus
  key(XK_a);
  int forwarded = 0;
  for (const auto end = PollRunLoop::now() + 5000; !forwarded && PollRunLoop::now() < end;) {
    pump(10);
    while (XPending(display)) {
      XEvent e;
      XNextEvent(display, &e);
      if (e.type == KeyPress && e.xkey.window == parent && e.xany.send_event) ++forwarded;
    }
  }
  EXPECT_EQ(forwarded, 1);

  const Px k = zv::test::kFormantKnob;
  for (double x : {k.x, k.x + 12}) press({x, k.y}, 1);
  pump(60);
  key(XK_5);
  key(XK_Return);
  EXPECT_TRUE(handler.editsFor(zv::test::kFormantId).empty());
}

TEST_F(ViewX11, WindowShowsTheSnapshotFace) {
  const struct {
    const char* name;
    float size;
    bool scaleList;  // at 100 %, where window pixels are layout units
  } cases[] = {{"default", 1.15f, false}, {"scale-list", 1.0f, true}};
  for (const auto& c : cases) {
    std::filesystem::create_directories(appData.product());
    zv::test::writeBytes(appData.product() / "settings.txt", "size=" + std::to_string(c.size));
    closeView();
    createView();
    pointer(Pointer::Move, {1900, 1700});  // the pointer away from the editor: nothing hovered
    attach();
    pump(100);
    if (c.scaleList) {
      click(kScaleBox, 1);
      pointer(Pointer::Move, kDorian);
    }
    const zv::Canvas face = snapshotFace(c.size, c.scaleList);
    // The mascot's stage animates with time; everything else is the same drawing, pixel for
    // pixel (the pitch display with no voice is still).
    const zv::Rect stage = zv::kAnimatedRegions[1];
    auto onStage = [&](size_t i) {
      const int x = static_cast<int>(i % face.width), y = static_cast<int>(i / face.width);
      return x >= stage.x * c.size && x < (stage.x + stage.width) * c.size + 2 &&
             y >= stage.y * c.size && y < (stage.y + stage.height) * c.size + 2;
    };
    zv::Canvas shown;
    int differing = -1;
    // Slow builds (ThreadSanitizer) take a while for the first frame: wait for it, not a time.
    for (const auto end = PollRunLoop::now() + 30000; differing != 0 && PollRunLoop::now() < end;) {
      pump(50);
      shown = grab();
      ASSERT_EQ(std::make_pair(shown.width, shown.height), std::make_pair(face.width, face.height));
      differing = 0;
      for (size_t i = 0; i < face.pixels.size(); ++i)
        differing += shown.pixels[i] != (face.pixels[i] & 0xFFFFFF) && !onStage(i);
    }
    EXPECT_EQ(differing, 0) << c.name;
    writePng(std::string("view_") + c.name, shown);
    if (differing) writePng(std::string("view_") + c.name + "_expected", face);
    detach();
  }
}
