// The editor view in a real X11 window: a small host opens the module through its entry points,
// makes a top-level window, attaches the view as "X11EmbedWindowID" with a run loop built on
// poll(), and talks to it with XTest input on the X server (Xvfb in the test run).
#include <dirent.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <thread>

#include "Editor.h"
#include "EditorLayout.h"
#include "SceneRegistry.h"
#include "TempAppData.h"
#include "X11TestHost.h"
#include "pluginterfaces/gui/iplugview.h"
#include "pluginterfaces/gui/iplugviewcontentscalesupport.h"

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
using zv::test::Frame;
using zv::test::Handler;
using zv::test::PollRunLoop;

namespace {

int threadCount() {
  int n = 0;
  if (DIR* dir = opendir("/proc/self/task")) {
    while (const dirent* e = readdir(dir))
      if (e->d_name[0] != '.') ++n;
    closedir(dir);
  }
  return n;
}

constexpr double kScale = 1.15;  // the size a fresh user gets at 96 dpi

class ViewX11 : public ::testing::Test {
 protected:
  void SetUp() override {
    display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr) << "no X server (run under xvfb-run)";
    int ev = 0, err = 0, major = 0, minor = 0;
    ASSERT_TRUE(XTestQueryExtension(display, &ev, &err, &major, &minor));
    ASSERT_EQ(plugin.open(ZV_MODULE_FILE, &handler), "");
    parent = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 2200, 1800, 0, 0, 0);
    XSelectInput(display, parent, KeyPressMask | KeyReleaseMask | SubstructureNotifyMask);
    XMapWindow(display, parent);
    XSync(display, False);
    createView();
  }

  void TearDown() override {
    if (view) {
      if (attachedNow) view->removed();
      view->setFrame(nullptr);
      view->release();
    }
    if (display) {
      if (parent) XDestroyWindow(display, parent);
      XCloseDisplay(display);
    }
  }

  void createView() {
    view = plugin.controller()->createView("editor");
    ASSERT_NE(view, nullptr);
    view->setFrame(&frame);
  }

  void recreateView() {
    view->setFrame(nullptr);
    view->release();
    createView();
  }

  void attach() {
    ASSERT_EQ(view->attached(reinterpret_cast<void*>(parent), kPlatformTypeX11EmbedWindowID),
              kResultOk);
    attachedNow = true;
    child = onlyChild();
    ASSERT_NE(child, 0u);
  }

  void detach() {
    view->removed();
    attachedNow = false;
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

  std::pair<int, int> childSize() {
    XSync(display, False);
    XWindowAttributes a{};
    XGetWindowAttributes(display, child, &a);
    return {a.width, a.height};
  }

  // Serves the view's run loop for a while, as the host's UI thread does between its own work.
  void pump(int ms) {
    XSync(display, False);  // the server has turned our fake input into events for the view
    const auto end = PollRunLoop::now() + ms;
    do frame.runLoop.runOnce(5);
    while (PollRunLoop::now() < end);
  }

  // Real input through the server, in the child window's pixels.
  void moveTo(double x, double y) {
    XTestFakeMotionEvent(display, DefaultScreen(display), static_cast<int>(std::lround(x)),
                         static_cast<int>(std::lround(y)), 0);
    pump(15);
  }
  void button(unsigned b, bool down) {
    XTestFakeButtonEvent(display, b, down, 0);
    pump(15);
  }
  void click(double x, double y, unsigned b = 1) {
    moveTo(x, y);
    button(b, true);
    button(b, false);
  }
  // Two clicks queued at once, so the server stamps them a few milliseconds apart however
  // busy this machine is.
  void twoClicks(double x0, double y0, double x1, double y1) {
    for (const auto& [x, y] : {std::make_pair(x0, y0), std::make_pair(x1, y1)}) {
      XTestFakeMotionEvent(display, DefaultScreen(display), static_cast<int>(std::lround(x)),
                           static_cast<int>(std::lround(y)), 0);
      XTestFakeButtonEvent(display, 1, True, 0);
      XTestFakeButtonEvent(display, 1, False, 0);
    }
    pump(60);
  }
  void key(KeySym sym, bool shift = false) {
    const KeyCode shiftCode = XKeysymToKeycode(display, XK_Shift_L);
    const KeyCode code = XKeysymToKeycode(display, sym);
    if (shift) XTestFakeKeyEvent(display, shiftCode, True, 0);
    XTestFakeKeyEvent(display, code, True, 0);
    XTestFakeKeyEvent(display, code, False, 0);
    if (shift) XTestFakeKeyEvent(display, shiftCode, False, 0);
    pump(20);
  }

  // The window's pixels as the server holds them, 0x00RRGGBB.
  zv::Canvas grab() {
    const auto [w, h] = childSize();
    zv::Canvas c(w, h, 1.0f);
    XImage* image = XGetImage(display, child, 0, 0, static_cast<unsigned>(w),
                              static_cast<unsigned>(h), AllPlanes, ZPixmap);
    if (!image) return c;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        c.pixels[static_cast<size_t>(y) * w + x] =
            static_cast<uint32_t>(XGetPixel(image, x, y)) & 0xFFFFFF;
    XDestroyImage(image);
    return c;
  }

  // X clients other than this test's and the server's own, and the resources of the one that
  // owns `window`.
  int clientCount() {
    int n = 0;
    XResClient* clients = nullptr;
    XResQueryClients(display, &n, &clients);
    if (clients) XFree(clients);
    return n;
  }
  std::map<std::string, int> resourcesOfOwner(Window window) {
    std::map<std::string, int> out;
    int n = 0;
    XResClient* clients = nullptr;
    XResQueryClients(display, &n, &clients);
    for (int i = 0; i < n; ++i) {
      if ((window & ~clients[i].resource_mask) != clients[i].resource_base) continue;
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

  zv::test::TempAppData config;  // XDG_CONFIG_HOME for the settings and preset files
  Display* display = nullptr;
  Handler handler;
  Frame frame;
  zv::test::HostedPlugin plugin;  // declared after the handler, so the plug-in goes first
  Window parent = 0;
  Window child = 0;
  IPlugView* view = nullptr;
  bool attachedNow = false;
};

// The face the snapshot tool draws for an editor state, at the window's scale, without the
// pop-out icon the Linux view leaves out.
zv::Canvas snapshotFace(float scale, const std::function<void(zv::Editor&)>& setUp) {
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
    setUp(e);
    e.paint(true);
    c.pixels = e.canvas().pixels;
  };
  return zv::snapshot::render(scene);
}

}  // namespace

TEST_F(ViewX11, AcceptsOnlyX11AndSizesLikeWindows) {
  for (const char* type : {"HWND", "NSView", "UIView", "X11EmbedWindowID"})
    EXPECT_EQ(view->isPlatformTypeSupported(type),
              std::string(type) == "X11EmbedWindowID" ? kResultOk : kResultFalse)
        << type;
  ViewRect r{};
  ASSERT_EQ(view->getSize(&r), kResultOk);
  EXPECT_EQ(r.getWidth(), 989);
  EXPECT_EQ(r.getHeight(), 828);
  EXPECT_EQ(view->attached(reinterpret_cast<void*>(parent), "HWND"), kResultFalse);
  attach();
  EXPECT_EQ(childSize(), std::make_pair(989, 828));

  IPlugViewContentScaleSupport* scaling = nullptr;
  ASSERT_EQ(
      view->queryInterface(IPlugViewContentScaleSupport::iid, reinterpret_cast<void**>(&scaling)),
      kResultOk);
  EXPECT_EQ(scaling->setContentScaleFactor(0.5f), kResultFalse);
  EXPECT_TRUE(frame.resizes.empty());
  EXPECT_EQ(scaling->setContentScaleFactor(2.0f), kResultOk);
  EXPECT_EQ(scaling->setContentScaleFactor(2.005f), kResultOk);
  ASSERT_EQ(frame.resizes.size(), 1u);
  EXPECT_EQ(frame.resizes[0].getWidth(), 1978);
  EXPECT_EQ(frame.resizes[0].getHeight(), 1656);
  EXPECT_EQ(childSize(), std::make_pair(1978, 1656));
  scaling->release();
}

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
    recreateView();
    ViewRect r{};
    view->getSize(&r);
    EXPECT_EQ(r.getWidth(), c.width) << c.resources;
    EXPECT_EQ(r.getHeight(), c.height) << c.resources;
  }
  XDeleteProperty(display, DefaultRootWindow(display), manager);
  XSync(display, False);
}

TEST_F(ViewX11, SpeedDragSendsOneGestureAndIgnoresTheHostMeanwhile) {
  attach();
  pump(60);
  const double cx = 87.14 * kScale, cy = 604 * kScale;  // the Speed knob
  moveTo(cx, cy);
  button(1, true);
  moveTo(cx, cy - 55 * kScale);
  plugin.controller()->setParamNormalized(2, 0.9);  // the host moves it while the user holds it
  pump(120);
  moveTo(cx + 300, cy - 110 * kScale);  // far outside the knob: still the same drag
  button(1, false);
  const auto edits = handler.editsFor(2);
  ASSERT_GE(edits.size(), 3u);
  EXPECT_EQ(edits.front().kind, 'b');
  EXPECT_EQ(edits.back().kind, 'e');
  for (size_t i = 1; i + 1 < edits.size(); ++i) EXPECT_EQ(edits[i].kind, 'p');
  EXPECT_NEAR(edits[edits.size() - 2].value, 0.5, 0.03);  // 110 of 220 units from 0
  EXPECT_NEAR(plugin.controller()->getParamNormalized(2), edits[edits.size() - 2].value, 1e-12);
}

TEST_F(ViewX11, SizePillRewritesTheSettingsFileAndResizesTheWindow) {
  attach();
  pump(60);
  click(91 * kScale, 77 * kScale);
  std::stringstream content;
  content << std::ifstream(config.product() / "settings.txt", std::ios::binary).rdbuf();
  EXPECT_EQ(content.str(), "size=1.30\n");
  ASSERT_EQ(frame.resizes.size(), 1u);
  EXPECT_EQ(frame.resizes[0].getWidth(), 1118);
  EXPECT_EQ(frame.resizes[0].getHeight(), 936);
  EXPECT_EQ(childSize(), std::make_pair(1118, 936));
}

TEST_F(ViewX11, RightClickAsksTheHostForItsMenuAndWheelSteps) {
  attach();
  pump(60);
  click(658.57 * kScale, 604 * kScale, 3);  // Mix
  ASSERT_EQ(handler.menuParams, std::vector<int>{6});
  ASSERT_EQ(handler.menu.popups.size(), 1u);
  EXPECT_EQ(handler.menu.popups[0].first, static_cast<int>(std::lround(658.57 * kScale)));
  click(5, 5, 3);  // nothing there
  EXPECT_EQ(handler.menuParams.size(), 1u);
  // Wheel up and down on Mix (buttons 4 and 5) edit it; sideways (6 and 7) leaves it alone.
  for (unsigned b : {6u, 7u}) click(658.57 * kScale, 604 * kScale, b);
  EXPECT_TRUE(handler.editsFor(6).empty());
  click(658.57 * kScale, 604 * kScale, 5);
  ASSERT_FALSE(handler.editsFor(6).empty());
  EXPECT_LT(plugin.controller()->getParamNormalized(6), 1.0);  // from its default of 100 %
  click(658.57 * kScale, 604 * kScale, 4);
  EXPECT_NEAR(plugin.controller()->getParamNormalized(6), 1.0, 1e-9);
}

TEST_F(ViewX11, DetachJoinsTheThreadAndLeavesNoXResourcesAndCanAttachAgain) {
  const int threadsBefore = threadCount();
  const int clientsBefore = clientCount();
  for (int round = 0; round < 2; ++round) {
    attach();
    pump(100);
    EXPECT_EQ(threadCount(), threadsBefore + 1);  // the render thread
    const auto held = resourcesOfOwner(child);
    EXPECT_EQ(held.at("WINDOW"), 1);
    EXPECT_LE(held.at("GC"), 2);  // ours and the one Xlib makes for the screen
    EXPECT_EQ(held.count("PIXMAP"), 0u);
    EXPECT_EQ(frame.runLoop.handlers.size(), 1u);
    EXPECT_EQ(frame.runLoop.timers.size(), 1u);
    detach();
    EXPECT_EQ(threadCount(), threadsBefore);  // joined by the time removed() returns
    EXPECT_EQ(onlyChild(), 0u);
    EXPECT_EQ(clientCount(), clientsBefore);
    EXPECT_TRUE(frame.runLoop.handlers.empty());
    EXPECT_TRUE(frame.runLoop.timers.empty());
  }
}

TEST_F(ViewX11, ClosingDuringADragStillEndsTheGesture) {
  attach();
  pump(60);
  const double cx = 315.71 * kScale, cy = 604 * kScale;  // Formant
  moveTo(cx, cy);
  button(1, true);
  moveTo(cx, cy - 30);
  detach();
  button(1, false);
  const auto edits = handler.editsFor(4);
  ASSERT_GE(edits.size(), 2u);
  EXPECT_EQ(edits.front().kind, 'b');
  EXPECT_EQ(edits.back().kind, 'e');
}

TEST_F(ViewX11, HostWindowGoneBeforeRemovedIsSurvived) {
  const int threadsBefore = threadCount();
  attach();
  pump(60);
  XDestroyWindow(display, parent);
  XSync(display, False);
  parent = 0;
  pump(60);  // presents into a window that no longer exists
  detach();
  EXPECT_EQ(threadCount(), threadsBefore);
}

TEST_F(ViewX11, RefusesToAttachWhereNoWindowCouldWork) {
  const int threadsBefore = threadCount();
  struct Case {
    const char* what;
    bool runLoop;
    Window parentWindow;
  } cases[] = {
      {"no run loop from the frame", false, parent},
      {"a parent that is no window", true, 0x7FFFFFF},
  };
  for (const Case& c : cases) {
    frame.offerRunLoop = c.runLoop;
    EXPECT_EQ(
        view->attached(reinterpret_cast<void*>(c.parentWindow), kPlatformTypeX11EmbedWindowID),
        kResultFalse)
        << c.what;
    EXPECT_EQ(onlyChild(), 0u) << c.what;
    EXPECT_EQ(threadCount(), threadsBefore) << c.what;
    EXPECT_TRUE(frame.runLoop.handlers.empty()) << c.what;
    view->removed();
  }
  frame.offerRunLoop = true;
  attach();  // the same view attaches once the host can carry it
}

TEST_F(ViewX11, KeysTypeIntoValueEntryAndUnusedKeysReachTheHost) {
  attach();
  pump(60);
  click(20, 700 * kScale);  // an empty spot: the editor takes the keyboard focus
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

  // Two quick presses in one place make a double click, which starts value entry on Formant.
  const double cx = 315.71 * kScale, cy = 604 * kScale;
  twoClicks(cx, cy, cx + 2, cy + 1);
  handler.edits.clear();
  key(XK_minus);
  key(XK_3);
  key(XK_Return);
  const auto edits = handler.editsFor(4);
  ASSERT_EQ(edits.size(), 3u);
  EXPECT_NEAR(edits[1].value, (-3.0 + 12.0) / 24.0, 1e-9);
  // Two clicks too far apart in place are two single clicks: no value entry.
  twoClicks(cx, cy, cx + 12, cy);
  handler.edits.clear();
  key(XK_5);
  EXPECT_TRUE(handler.editsFor(4).empty());
  EXPECT_EQ(view->onKeyDown(u'x', 0, 0), kResultFalse);  // no entry active: the host keeps it
}

TEST_F(ViewX11, WindowShowsTheSnapshotFace) {
  struct Case {
    const char* name;
    float size;
    std::function<void()> act;
    std::function<void(zv::Editor&)> setUp;
  } cases[] = {
      {"default", 1.15f, [] {}, [](zv::Editor&) {}},
      {"scale-list", 1.0f,
       [this] {
         click(700, 50);
         moveTo(700, 84 + 26 * 4 + 10);  // hovering "Dorian"
       },
       [](zv::Editor& e) {
         e.onMouseDown(700, 50, false, false);
         e.onMouseMove(700, 84 + 26 * 4 + 10, false);
       }},
  };
  for (const Case& c : cases) {
    char line[32];
    std::snprintf(line, sizeof line, "size=%.2f\n", c.size);
    std::filesystem::create_directories(config.product());
    std::ofstream(config.product() / "settings.txt", std::ios::binary) << line;
    recreateView();
    moveTo(1900, 1700);  // the pointer away from the editor: nothing hovered
    attach();
    pump(100);
    c.act();
    const zv::Canvas face = snapshotFace(c.size, c.setUp);
    // The mascot's stage animates with time; everything else is the same drawing, pixel for
    // pixel (the pitch display with no voice is still).
    const zv::Rect stage = zv::kAnimatedRegions[1];
    auto inside = [&](const zv::Rect& r, int x, int y) {
      return x >= r.x * c.size && x < (r.x + r.width) * c.size + 2 && y >= r.y * c.size &&
             y < (r.y + r.height) * c.size + 2;
    };
    zv::Canvas shown;
    int differing = -1;
    // Slow builds (ThreadSanitizer) take a while for the first frame: wait for it, not a time.
    for (const auto end = PollRunLoop::now() + 30000; differing != 0 && PollRunLoop::now() < end;) {
      pump(50);
      shown = grab();
      ASSERT_EQ(shown.width, face.width);
      ASSERT_EQ(shown.height, face.height);
      differing = 0;
      for (int y = 0; y < face.height; ++y)
        for (int x = 0; x < face.width; ++x)
          if ((shown.pixels[static_cast<size_t>(y) * face.width + x] & 0xFFFFFF) !=
                  (face.pixels[static_cast<size_t>(y) * face.width + x] & 0xFFFFFF) &&
              !inside(stage, x, y))
            ++differing;
    }
    EXPECT_EQ(differing, 0) << c.name;
    const char* dir = std::getenv("ZV_SCREENSHOT_DIR");
    const std::string base = std::string(dir ? dir : ".") + "/x11_view_" + c.name;
    zv::snapshot::writePng(base + ".png", shown);
    if (differing) zv::snapshot::writePng(base + "_expected.png", face);
    detach();
  }
}
