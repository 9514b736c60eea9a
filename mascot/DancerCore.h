// The dancer window without the window: its geometry (size, centring, buttons, hit test, wheel
// resize), its frame pacing and the frame itself (mood step, mascot, logo, chrome) drawn into its
// own canvas and handed over through a locked front buffer. The platform window supplies the
// pointer, the client size and the clock, and blits what the core hands over.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "Canvas.h"
#include "Editor.h"

namespace zv {

constexpr float kDancerLogicalHeight = 290.0f;  // the canvas always shows this many units
constexpr double kDancerFrameSeconds = 0.0195;
constexpr int kDancerSmallestClient = 16;  // a thinner client skips its frames
constexpr int kDancerMinimumSide = 220;    // pixels, the shorter side never goes below

// A rectangle in signed pixels (screen or client).
struct DancerRect {
  int x = 0, y = 0, width = 0, height = 0;
  bool operator==(const DancerRect& o) const {
    return x == o.x && y == o.y && width == o.width && height == o.height;
  }
};

// The screen's dots per inch over 96, limited to 1..3 (1 when unreadable).
float dancerDpiScale(int dotsPerInch);
// The window's first rectangle: 1.4 times the editor's mascot card at this DPI scale, centred in
// the work area.
DancerRect dancerInitialRect(float dpiScale, const DancerRect& workArea);

// The chrome in client pixels for a window of this size.
struct DancerChrome {
  int button = 0, margin = 0, gap = 0, grip = 0, border = 0;
  DancerRect close, pin;  // right and bottom edges exclusive
};
DancerChrome dancerChrome(int width, int height, float dpiScale);
enum DancerButton { kDancerNoButton = -1, kDancerClose = 0, kDancerPin = 1 };
int dancerButtonAt(const DancerChrome& chrome, int clientX, int clientY);

// What a point on the window is for the window manager; the whole window is client area, so a
// free point drags it and the edges resize it.
enum class DancerHit {
  Client,
  Caption,
  Left,
  Right,
  Top,
  Bottom,
  TopLeft,
  TopRight,
  BottomLeft,
  BottomRight
};
// screenX/screenY are signed: monitors left of or above the primary have negative coordinates.
DancerHit dancerHitTest(const DancerRect& window, float dpiScale, int screenX, int screenY);

// The window after one wheel notch: 1.1 times larger (or smaller), the shorter side never below
// kDancerMinimumSide, never larger than the work area, centred where it was.
DancerRect dancerWheelResize(const DancerRect& window, const DancerRect& workArea, int wheelDelta);

// What the frame draws over the mascot: the chrome's fade, the hovered button and the pin.
struct DancerChromeState {
  float dpiScale = 1.0f;
  float fade = 0.0f;
  int hovered = kDancerNoButton;
  bool pinned = false;
};
// Everything but the mood step, into a canvas whose scale is its height over 290: the backdrop,
// then the figure (the editor's mascot across the whole canvas, the logo and the chrome).
void paintDancer(Canvas& canvas, MascotRig& rig, const DancerChromeState& chrome);
void paintDancerBackdrop(Canvas& canvas);
void paintDancerFigure(Canvas& canvas, MascotRig& rig, const DancerChromeState& chrome);

// The platform side of the frame loop, called on the dancer thread.
class DancerSurface {
 public:
  virtual ~DancerSurface() = default;
  struct Pointer {
    bool inside = false;
    int x = 0, y = 0;  // client pixels
  };
  virtual Pointer pointer() = 0;
  virtual void frameReady() = 0;  // the front buffer holds a new frame
};

class DancerCore {
 public:
  using ParamReader = std::function<double(int)>;

  // Loads the mascot's images and the fonts: call once, off the hot path.
  explicit DancerCore(ParamReader readParam);

  // --- Set by the window's thread.
  void setDpiScale(float scale) { dpiScale_ = scale; }
  float dpiScale() const { return dpiScale_; }
  void setClientSize(int width, int height) {
    clientWidth_.store(width);
    clientHeight_.store(height);
  }
  bool pinned() const { return pinned_.load(); }
  bool togglePinned() {
    bool was = pinned_.load();
    while (!pinned_.compare_exchange_weak(was, !was)) {
    }
    return !was;
  }

  // --- The dancer thread.
  // Draws a frame when one is due at `nowSeconds` (monotonic) and the client is large enough;
  // true when it did.
  bool tick(double nowSeconds, DancerSurface& surface);
  // Ticks every 5 ms until `running` turns false.
  void run(const std::atomic<bool>& running, DancerSurface& surface);
  // The pacing restarts from here (the loop's start).
  void restartClock(double nowSeconds) { lastFrame_ = nowSeconds; }
  Editor& editor() { return *editor_; }
  float hoverFade() const { return fade_; }
  std::uint64_t framesDrawn() const { return framesDrawn_.load(); }

  // --- Any thread: hands the newest frame to blit(pixels, width, height) under the frame lock;
  // false (nothing handed) while there is none of a consistent size.
  template <typename Blit>
  bool withFrontBuffer(Blit&& blit) {
    std::lock_guard<std::mutex> lock(frameLock_);
    if (frontWidth_ <= 0 || frontHeight_ <= 0 ||
        front_.size() != static_cast<std::size_t>(frontWidth_) * frontHeight_)
      return false;
    blit(front_.data(), frontWidth_, frontHeight_);
    return true;
  }
  // Bytes the frame holds on to: canvas, front buffer and glyph caches.
  std::size_t bytesHeld() const;

 private:
  void drawFrame(double dtSeconds, const DancerSurface::Pointer& pointer, int width, int height);

  ParamReader readParam_;
  std::unique_ptr<Editor> editor_;
  Canvas canvas_;
  Canvas backdrop_;  // no fonts: never draws text
  float dpiScale_ = 1.0f;
  std::atomic<int> clientWidth_{0}, clientHeight_{0};
  std::atomic<bool> pinned_{false};
  std::atomic<std::uint64_t> framesDrawn_{0};
  float fade_ = 0.0f;
  double lastFrame_ = 0.0;
  std::mutex frameLock_;
  std::vector<std::uint32_t> front_;
  int frontWidth_ = 0, frontHeight_ = 0;
};

}  // namespace zv
