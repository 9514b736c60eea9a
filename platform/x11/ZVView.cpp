#include "ZVView.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "Utf8.h"

// Xlib last: its macros must not meet the SDK headers.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xresource.h>
#include <X11/Xutil.h>

using namespace Steinberg;

// Declared by the SDK's view header but defined nowhere in our SDK copy.
namespace Steinberg::Linux {
DEF_CLASS_IID(IEventHandler)
DEF_CLASS_IID(ITimerHandler)
DEF_CLASS_IID(IRunLoop)
}  // namespace Steinberg::Linux

namespace {

// The desktop toolkits' defaults for telling a double click from two clicks.
constexpr unsigned long kDoubleClickMs = 400;
constexpr int kDoubleClickDistancePx = 5;
// How often the host's run loop lets us present finished frames (the render thread draws every
// 19.5 ms at most).
constexpr Linux::TimerInterval kPresentIntervalMs = 10;

// Hosts may destroy their window (and ours with it) before calling removed(); requests on our own
// connection then fail with BadWindow, and Xlib's default handler would end the host's process.
// While we talk to the server, errors on our connections are dropped and others passed on.
std::mutex ourDisplaysLock;
std::vector<Display*> ourDisplays;
XErrorHandler previousErrorHandler = nullptr;
int errorTrapDepth = 0;  // UI thread only

int dropOurErrors(Display* display, XErrorEvent* error) {
  {
    std::lock_guard<std::mutex> lock(ourDisplaysLock);
    if (std::find(ourDisplays.begin(), ourDisplays.end(), display) != ourDisplays.end()) return 0;
  }
  return previousErrorHandler ? previousErrorHandler(display, error) : 0;
}

struct ErrorTrap {
  ErrorTrap() {
    if (errorTrapDepth++ == 0) previousErrorHandler = XSetErrorHandler(dropOurErrors);
  }
  ~ErrorTrap() {
    if (--errorTrapDepth == 0) XSetErrorHandler(previousErrorHandler);
  }
};

Display* openDisplay() {
  Display* display = XOpenDisplay(nullptr);
  if (display) {
    std::lock_guard<std::mutex> lock(ourDisplaysLock);
    ourDisplays.push_back(display);
  }
  return display;
}

void closeDisplay(Display* display) {
  XCloseDisplay(display);
  std::lock_guard<std::mutex> lock(ourDisplaysLock);
  ourDisplays.erase(std::remove(ourDisplays.begin(), ourDisplays.end(), display),
                    ourDisplays.end());
}

// The desktop's scale: the Xft.dpi resource the desktop sets for its fonts, 96 dpi without it.
float serverContentScale() {
  ErrorTrap trap;
  Display* display = openDisplay();
  if (!display) return 1.0f;
  double dpi = 96.0;
  if (const char* resources = XResourceManagerString(display)) {
    XrmInitialize();
    if (XrmDatabase db = XrmGetStringDatabase(resources)) {
      char* type = nullptr;
      XrmValue value{};
      if (XrmGetResource(db, "Xft.dpi", "Xft.Dpi", &type, &value) && value.addr) {
        const double read = std::strtod(value.addr, nullptr);
        if (std::isfinite(read) && read > 0) dpi = read;
      }
      XrmDestroyDatabase(db);
    }
  }
  closeDisplay(display);
  return std::clamp(static_cast<float>(dpi / 96.0), 1.0f, 3.0f);
}

// Channel shifts for a TrueColor visual's masks, so any such visual gets the right pixels.
struct ChannelMap {
  explicit ChannelMap(const Visual* v)
      : red(v->red_mask), green(v->green_mask), blue(v->blue_mask) {}
  static unsigned long place(uint32_t byte, unsigned long mask) {
    if (!mask) return 0;
    int low = 0;
    while (!(mask & (1ul << low))) ++low;
    int bits = 0;
    while (mask & (1ul << (low + bits))) ++bits;
    return ((static_cast<unsigned long>(byte) >> (8 - std::min(bits, 8))) << low) & mask;
  }
  unsigned long operator()(uint32_t p) const {
    return place((p >> 16) & 0xFF, red) | place((p >> 8) & 0xFF, green) | place(p & 0xFF, blue);
  }
  unsigned long red, green, blue;
};

int hostByteOrder() {
  const uint32_t probe = 1;
  unsigned char first = 0;
  std::memcpy(&first, &probe, 1);
  return first ? LSBFirst : MSBFirst;
}

}  // namespace

// There is no dancer window on Linux yet: the stage shows no pop-out icon.
ZVView::ZVView(ZVController* controller)
    : PluginViewBase(controller, serverContentScale(), false) {}

ZVView::~ZVView() {
  removedFromParent();
}

tresult PLUGIN_API ZVView::queryInterface(const TUID iid, void** obj) {
  QUERY_INTERFACE(iid, obj, Linux::IEventHandler::iid, Linux::IEventHandler)
  QUERY_INTERFACE(iid, obj, Linux::ITimerHandler::iid, Linux::ITimerHandler)
  return PluginViewBase::queryInterface(iid, obj);
}

tresult PLUGIN_API ZVView::isPlatformTypeSupported(FIDString type) {
  return type && std::strcmp(type, kPlatformTypeX11EmbedWindowID) == 0 ? kResultOk : kResultFalse;
}

tresult PLUGIN_API ZVView::attached(void* parent, FIDString type) {
  // The SDK's base takes any type; a handle of another kind is no X window.
  if (isPlatformTypeSupported(type) != kResultOk) return kResultFalse;
  CPluginView::attached(parent, type);
  if (display_) return kResultOk;
  // Nothing could be shown: say so instead of leaving the host with an empty frame.
  systemWindow = nullptr;
  return kResultFalse;
}

void ZVView::attachedToParent() {
  removedFromParent();  // a second attach without removed() would leave the first window behind
  // Without the host's run loop no event or frame would ever reach the window: stay blank.
  if (!plugFrame ||
      plugFrame->queryInterface(Linux::IRunLoop::iid, reinterpret_cast<void**>(&runLoop_)) !=
          kResultOk ||
      !runLoop_) {
    runLoop_ = nullptr;
    return;
  }
  ErrorTrap trap;
  display_ = openDisplay();
  if (!display_) {
    runLoop_->release();
    runLoop_ = nullptr;
    return;
  }
  core_->pullAllParams();

  const int screen = DefaultScreen(display_);
  Visual* visual = DefaultVisual(display_, screen);
  visual_ = visual;
  depth_ = DefaultDepth(display_, screen);
  if (XImage* probe = XCreateImage(display_, visual, static_cast<unsigned>(depth_), ZPixmap, 0,
                                   nullptr, 1, 1, 32, 0)) {
    directPixels_ = probe->bits_per_pixel == 32 && visual->red_mask == 0xFF0000 &&
                    visual->green_mask == 0xFF00 && visual->blue_mask == 0xFF;
    XDestroyImage(probe);
  }

  XSetWindowAttributes attributes{};
  attributes.background_pixmap = None;  // never erased: every pixel comes from the canvas
  attributes.border_pixel = 0;
  attributes.colormap = DefaultColormap(display_, screen);
  attributes.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask |
                          LeaveWindowMask | KeyPressMask | KeyReleaseMask | FocusChangeMask |
                          StructureNotifyMask;
  window_ = XCreateWindow(display_, static_cast<Window>(reinterpret_cast<uintptr_t>(systemWindow)),
                          0, 0, static_cast<unsigned>(core_->widthPx()),
                          static_cast<unsigned>(core_->heightPx()), 0, depth_, InputOutput, visual,
                          CWBackPixmap | CWBorderPixel | CWColormap | CWEventMask, &attributes);
  XSync(display_, False);  // a bad parent shows up here as a dropped error
  XWindowAttributes check{};
  if (!window_ || !XGetWindowAttributes(display_, window_, &check)) {
    window_ = 0;
    closeDisplay(display_);
    display_ = nullptr;
    runLoop_->release();
    runLoop_ = nullptr;
    return;
  }
  windowAlive_ = true;
  XStoreName(display_, window_, "ZoquaVoce");
  // XEmbed-aware hosts read this to know the client is ready and mapped.
  const Atom xembedInfo = XInternAtom(display_, "_XEMBED_INFO", False);
  const long info[2] = {0, 1};  // protocol version 0, XEMBED_MAPPED
  XChangeProperty(display_, window_, xembedInfo, xembedInfo, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(info), 2);
  gc_ = XCreateGC(display_, window_, 0, nullptr);

  // Text entry goes through the input method when there is one, so composed characters arrive.
  if ((inputMethod_ = XOpenIM(display_, nullptr, nullptr, nullptr))) {
    inputContext_ = XCreateIC(inputMethod_, XNInputStyle, XIMPreeditNothing | XIMStatusNothing,
                              XNClientWindow, window_, XNFocusWindow, window_, nullptr);
    if (!inputContext_) {
      XCloseIM(inputMethod_);
      inputMethod_ = nullptr;
    }
  }
  XMapWindow(display_, window_);
  XFlush(display_);

  runLoop_->registerEventHandler(this, ConnectionNumber(display_));
  runLoop_->registerTimer(this, kPresentIntervalMs);
  core_->markFullRedraw();
  core_->startRender();
}

void ZVView::closeWindow() {
  if (runLoop_) {
    runLoop_->unregisterEventHandler(this);
    runLoop_->unregisterTimer(this);
    runLoop_->release();
    runLoop_ = nullptr;
  }
  ErrorTrap trap;
  if (inputContext_) XDestroyIC(inputContext_);
  if (inputMethod_) XCloseIM(inputMethod_);
  inputContext_ = nullptr;
  inputMethod_ = nullptr;
  if (gc_) XFreeGC(display_, gc_);
  gc_ = nullptr;
  if (windowAlive_) XDestroyWindow(display_, window_);
  window_ = 0;
  windowAlive_ = false;
  XSync(display_, False);
  closeDisplay(display_);  // frees whatever the server still holds for this connection
  display_ = nullptr;
  std::lock_guard<std::mutex> lock(damageLock_);
  damage_.clear();
  damageAll_ = false;
}

void ZVView::resizeWindow(int width, int height) {
  if (!display_ || !windowAlive_) return;
  ErrorTrap trap;
  XResizeWindow(display_, window_, static_cast<unsigned>(width), static_cast<unsigned>(height));
  XFlush(display_);
}

void PLUGIN_API ZVView::onFDIsSet(Linux::FileDescriptor) {
  processEvents();
}

void PLUGIN_API ZVView::onTimer() {
  // Xlib may already hold events it read while waiting for a reply; the descriptor would not
  // announce those. The host may let go of the view while an event is handled.
  addRef();
  processEvents();
  present();
  release();
}

void ZVView::processEvents() {
  if (!display_) return;
  // A host's modal menu may run its loop inside ours and close the view meanwhile.
  addRef();
  ErrorTrap trap;
  while (display_ && XPending(display_) > 0) {
    XEvent event;
    XNextEvent(display_, &event);
    if (inputContext_ && XFilterEvent(&event, None)) continue;
    handleEvent(event);
  }
  if (display_) XFlush(display_);
  release();
}

void ZVView::handleEvent(XEvent& event) {
  switch (event.type) {
    case Expose: {
      const XExposeEvent& e = event.xexpose;
      blit({e.x, e.y, e.x + e.width, e.y + e.height});
      break;
    }
    case DestroyNotify:
      if (event.xdestroywindow.window == window_) windowAlive_ = false;
      break;
    case MotionNotify: {
      // Only the newest of consecutive positions matters; a slow frame must not leave a queue of
      // stale ones. Motion queued behind a release stays behind it.
      XEvent next;
      while (XEventsQueued(display_, QueuedAlready) > 0 && XPeekEvent(display_, &next) &&
             next.type == MotionNotify && next.xmotion.window == window_)
        XNextEvent(display_, &event);
      const XMotionEvent& m = event.xmotion;
      core_->mouseMove(m.x, m.y, (m.state & ShiftMask) != 0);
      break;
    }
    case ButtonPress: {
      const XButtonEvent& b = event.xbutton;
      if (b.button == Button1) {
        XSetInputFocus(display_, window_, RevertToParent, b.time);
        // The pointer stays ours until release without an explicit grab: X grabs it on a press.
        const bool doubleClick = !lastPressWasDouble_ &&
                                 b.time - lastPressTime_ <= kDoubleClickMs &&
                                 std::abs(b.x - lastPressX_) <= kDoubleClickDistancePx &&
                                 std::abs(b.y - lastPressY_) <= kDoubleClickDistancePx;
        lastPressWasDouble_ = doubleClick;
        lastPressTime_ = b.time;
        lastPressX_ = b.x;
        lastPressY_ = b.y;
        core_->mouseDown(b.x, b.y, (b.state & ControlMask) != 0, doubleClick);
        applyPendingSize();
      } else if (b.button == Button4 || b.button == Button5) {
        core_->wheel(b.x, b.y, b.button == Button4 ? 120 : -120, (b.state & ShiftMask) != 0);
      }
      // Buttons 6 and 7 (sideways scrolling) do nothing, as the sideways wheel on Windows.
      break;
    }
    case ButtonRelease: {
      const XButtonEvent& b = event.xbutton;
      if (b.button == Button1) {
        core_->mouseUp();
        if (b.x < 0 || b.y < 0 || b.x >= core_->widthPx() || b.y >= core_->heightPx())
          core_->mouseLeave();
      } else if (b.button == Button3) {
        const int id = core_->contextParamAt(b.x, b.y);
        if (id >= 0) showContextMenu(id, b.x, b.y);
      }
      break;
    }
    case LeaveNotify: {
      const XCrossingEvent& c = event.xcrossing;
      if (c.mode == NotifyGrab) {
        // Another client took the pointer (a host menu, the window manager): the drag is over.
        core_->captureLost();
        core_->mouseLeave();
      } else if (!(c.state & Button1Mask)) {
        core_->mouseLeave();  // while dragging the pointer is still ours outside the window
      }
      break;
    }
    case KeyPress:
    case KeyRelease:
      handleKey(event);
      break;
    case FocusIn:
      if (inputContext_) XSetICFocus(inputContext_);
      break;
    case FocusOut:
      if (inputContext_) XUnsetICFocus(inputContext_);
      break;
    default:
      break;
  }
}

void ZVView::handleKey(XEvent& event) {
  if (!core_->textOrListActive()) {
    forwardToParent(event);  // the host's shortcuts keep working while the editor has focus
    return;
  }
  if (event.type != KeyPress) return;
  char text[64] = {};
  KeySym sym = 0;
  int length = 0;
  bool utf8 = false;
  if (inputContext_) {
    Status status = 0;
    length = Xutf8LookupString(inputContext_, &event.xkey, text, sizeof text - 1, &sym, &status);
    if (status != XLookupChars && status != XLookupBoth) length = 0;
    utf8 = true;
  } else {
    length = XLookupString(&event.xkey, text, sizeof text - 1, &sym, nullptr);  // Latin-1
  }
  length = std::clamp(length, 0, static_cast<int>(sizeof text) - 1);
  const std::string_view typed(text, static_cast<size_t>(length));
  for (size_t pos = 0; pos < typed.size();) {
    const uint32_t ch =
        utf8 ? zv::nextCodePoint(typed, pos) : static_cast<unsigned char>(typed[pos++]);
    if (ch == 0 || ch == 127) continue;  // Delete types nothing, as on Windows
    if (!typedThroughHost(ch)) core_->character(ch);
  }
}

void ZVView::forwardToParent(XEvent& event) {
  XEvent copy = event;
  const Window parent = static_cast<Window>(reinterpret_cast<uintptr_t>(systemWindow));
  copy.xkey.window = parent;
  copy.xkey.subwindow = window_;
  XSendEvent(display_, parent, True, event.type == KeyPress ? KeyPressMask : KeyReleaseMask, &copy);
}

void ZVView::present() {
  std::vector<zv::PixelRect> rects;
  bool all = false;
  {
    std::lock_guard<std::mutex> lock(damageLock_);
    rects.swap(damage_);
    all = damageAll_;
    damageAll_ = false;
  }
  if (!display_ || !windowAlive_) return;
  ErrorTrap trap;
  if (all) {
    blit({0, 0, INT_MAX, INT_MAX});
  } else {
    for (const zv::PixelRect& r : rects) blit(r);
  }
  if (all || !rects.empty()) XFlush(display_);
}

void ZVView::blit(zv::PixelRect area) {
  if (!display_ || !windowAlive_) return;
  Visual* visual = static_cast<Visual*>(visual_);
  const zv::PixelRect drawn = core_->withBackBuffer(area, [&](const uint32_t* pixels, int width,
                                                              int height, zv::PixelRect r) {
    const int w = r.x1 - r.x0;
    const int h = r.y1 - r.y0;
    if (directPixels_) {
      // The back buffer itself: Xlib copies the rows out before XPutImage returns.
      XImage* image =
          XCreateImage(display_, visual, static_cast<unsigned>(depth_), ZPixmap, 0,
                       reinterpret_cast<char*>(const_cast<uint32_t*>(pixels)),
                       static_cast<unsigned>(width), static_cast<unsigned>(height), 32, width * 4);
      if (!image) return;
      image->byte_order = hostByteOrder();
      XPutImage(display_, window_, gc_, image, r.x0, r.y0, r.x0, r.y0, static_cast<unsigned>(w),
                static_cast<unsigned>(h));
      image->data = nullptr;  // not ours to free
      XDestroyImage(image);
      return;
    }
    XImage* image =
        XCreateImage(display_, visual, static_cast<unsigned>(depth_), ZPixmap, 0, nullptr,
                     static_cast<unsigned>(w), static_cast<unsigned>(h), 32, 0);
    if (!image) return;
    image->data = static_cast<char*>(std::malloc(static_cast<size_t>(image->bytes_per_line) * h));
    if (!image->data) {
      XDestroyImage(image);
      return;
    }
    const ChannelMap map(visual);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        XPutPixel(image, x, y, map(pixels[static_cast<size_t>(r.y0 + y) * width + (r.x0 + x)]));
    XPutImage(display_, window_, gc_, image, 0, 0, r.x0, r.y0, static_cast<unsigned>(w),
              static_cast<unsigned>(h));
    XDestroyImage(image);  // frees the converted rows
  });
  fillOutside(area, drawn);
}

// Whatever the back buffer does not cover (no frame of this size yet) gets the face's base
// colour rather than whatever the window held before.
void ZVView::fillOutside(zv::PixelRect area, zv::PixelRect drawn) {
  area.x1 = std::min(area.x1, core_->widthPx());
  area.y1 = std::min(area.y1, core_->heightPx());
  if (area.x1 <= area.x0 || area.y1 <= area.y0) return;
  XSetForeground(display_, gc_, ChannelMap(static_cast<Visual*>(visual_))(0xFF0B0612u));
  auto fill = [&](int x0, int y0, int x1, int y1) {
    if (x1 > x0 && y1 > y0)
      XFillRectangle(display_, window_, gc_, x0, y0, static_cast<unsigned>(x1 - x0),
                     static_cast<unsigned>(y1 - y0));
  };
  if (drawn.x1 <= drawn.x0 || drawn.y1 <= drawn.y0) {
    fill(area.x0, area.y0, area.x1, area.y1);
    return;
  }
  fill(area.x0, area.y0, area.x1, drawn.y0);
  fill(area.x0, drawn.y1, area.x1, area.y1);
  fill(area.x0, std::max(area.y0, drawn.y0), drawn.x0, std::min(area.y1, drawn.y1));
  fill(drawn.x1, std::max(area.y0, drawn.y0), area.x1, std::min(area.y1, drawn.y1));
}

void ZVView::invalidateAll() {
  std::lock_guard<std::mutex> lock(damageLock_);
  damageAll_ = true;
  damage_.clear();
}

void ZVView::invalidateRect(int x0, int y0, int x1, int y1) {
  std::lock_guard<std::mutex> lock(damageLock_);
  if (damageAll_) return;
  // The timer runs more often than frames are drawn; a backlog means it stalled: send it all.
  if (damage_.size() >= 32) {
    damageAll_ = true;
    damage_.clear();
    return;
  }
  damage_.push_back({x0, y0, x1, y1});
}
