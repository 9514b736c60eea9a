// Everything the editor view does that is not the window itself: the locks, the back buffer,
// the render thread and its frame policy, routing input into the editor face, and the scale.
// The Windows view wraps it around a child window; tests wrap it around a stand-in window.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "Editor.h"
#include "ParamSnapshot.h"

namespace zv {

// What the view needs from the window and the host, on either side of the platform line.
class ViewPort {
 public:
  virtual ~ViewPort() = default;
  // The values as the user-interface thread last published them: the one thing the render thread
  // reads from outside the view.
  virtual const ParamSnapshot& params() const = 0;
  virtual void beginEdit(int id) = 0;
  virtual void performEdit(int id,
                           double normalized) = 0;  // stores in the controller, then tells the host
  virtual void endEdit(int id) = 0;
  // Called by the render thread after it released both locks.
  virtual void invalidateAll() = 0;
  virtual void invalidateRect(int x0, int y0, int x1, int y1) = 0;
};

struct PixelRect {
  int x0, y0, x1, y1;
};

class ViewCore {
 public:
  static constexpr int kBaseWidth = 860;
  static constexpr int kBaseHeight = 720;

  explicit ViewCore(ViewPort& port);
  ~ViewCore();  // joins the render thread

  Editor& editor() { return *editor_; }
  // Guards the editor and the canvases. Never held across a call out of the view, and never taken
  // twice: the input calls below take it themselves, so do not hold it around them.
  std::mutex& stateLock() { return stateLock_; }

  // Window size in pixels for a scale: 860 x 720 layout units, ties away from zero.
  static int pixelsFor(int units, float scale);
  int widthPx() const { return widthPx_; }
  int heightPx() const { return heightPx_; }
  float effectiveScale() const { return effectiveScale_; }

  // Resizes both canvases for a new effective scale and asks for a full frame (under the state
  // lock).
  void resizeForScale(float scale);
  // Copies every published parameter value into the editor's copy.
  void pullAllParams();

  void startRender();
  void stopRender();  // returns once the thread has ended
  bool rendering() const { return running_.load(); }

  // One frame as the render thread draws it; `elapsedSeconds` since the previous one.
  // Public so tests can step frames deterministically.
  void renderFrame(double elapsedSeconds);
  bool idle() const { return idle_; }
  uint64_t framesDrawn() const { return framesDrawn_.load(); }

  void markDirty() { dirty_.store(true); }
  void markFullRedraw() { fullRedraw_.store(true); }

  // The dancer window. A press on the pop-out control only records what it asked for: the
  // window opens or closes once the input handler returned and the state lock is free. The
  // user-interface thread publishes whether it is open; the render thread shows the figure or
  // the placeholder from that alone.
  void requestDancer(bool open) { dancerRequest_.store(open ? kDancerOpen : kDancerClose); }
  // kDancerOpen, kDancerClose or 0 for nothing asked; clears the request.
  int takeDancerRequest() { return dancerRequest_.exchange(0); }
  void publishDancerOpen(bool open) {
    dancerOpen_.store(open);
    fullRedraw_.store(true);
  }
  static constexpr int kDancerOpen = 1, kDancerClose = 2;

  // Input in window pixels, each under the state lock; true when something changed. The host
  // hears of the edits made (begin, perform, end) after the lock is released, in order, so a
  // host that calls back into the view from inside them (resizes it, removes it) finds the lock
  // free and the render thread never waits for the host.
  bool mouseDown(int px, int py, bool ctrl, bool doubleClick);
  bool mouseMove(int px, int py, bool shift);
  bool mouseUp();
  bool captureLost();
  bool mouseLeave();
  bool wheel(int clientPx, int clientPy, int wheelDelta, bool shift);
  // A typed character (Backspace 8, Enter 13, Escape 27) for the text field or the open list.
  // False, with nothing done, while neither takes keys: the host or the parent window keeps it.
  bool character(uint32_t ch);
  bool textOrListActive();
  // The parameter a right click at this pixel would offer a host menu for, or -1.
  int contextParamAt(int px, int py);

  // Hands the part of the back buffer inside `rect` to `blit` under the frame lock only, so a
  // paint never waits for drawing. blit(pixels, bufferWidth, bufferHeight, clippedRect).
  // Returns the part handed over (empty when nothing was): a resize drops the buffer until the
  // first frame of the new size, so the window never shows the old size's pixels.
  template <typename Blit>
  PixelRect withBackBuffer(PixelRect rect, Blit&& blit) {
    std::lock_guard<std::mutex> lock(frameLock_);
    if (backWidth_ <= 0 || backHeight_ <= 0 ||
        backBuffer_.size() != static_cast<size_t>(backWidth_) * static_cast<size_t>(backHeight_))
      return PixelRect{0, 0, 0, 0};
    PixelRect clipped{rect.x0 < 0 ? 0 : rect.x0, rect.y0 < 0 ? 0 : rect.y0,
                      rect.x1 > backWidth_ ? backWidth_ : rect.x1,
                      rect.y1 > backHeight_ ? backHeight_ : rect.y1};
    if (clipped.x1 <= clipped.x0 || clipped.y1 <= clipped.y0) return PixelRect{0, 0, 0, 0};
    blit(backBuffer_.data(), backWidth_, backHeight_, clipped);
    return clipped;
  }

  // The five regions that animate, in pixels for the current scale.
  std::vector<PixelRect> animatedRegions() const;

 private:
  struct HostEdit {
    enum Kind { kBegin, kPerform, kEnd } kind;
    int id;
    double value;
  };
  void queueEdit(HostEdit edit);  // under the state lock: the editor edits only while it is held
  void deliverHostEdits();        // call without holding the state lock
  void renderLoop();
  void copyWhole();
  void copyRegions(int count, std::vector<PixelRect>& copied);

  ViewPort& port_;
  std::unique_ptr<Editor> editor_;
  std::mutex stateLock_;
  std::mutex frameLock_;
  std::vector<uint32_t> backBuffer_;
  int backWidth_ = 0;
  int backHeight_ = 0;
  std::thread thread_;
  std::atomic<bool> running_{false};
  std::atomic<bool> dirty_{false};
  std::atomic<bool> fullRedraw_{true};
  std::atomic<bool> dancerOpen_{false};
  std::atomic<uint64_t> framesDrawn_{0};
  std::atomic<int> dancerRequest_{0};
  bool idle_ = false;
  // Edits made under the state lock, waiting to reach the host; guarded by the state lock.
  std::deque<HostEdit> pendingEdits_;
  int pendingPerParam_[kNumParams] = {};  // the poll leaves these to the editor's copy meanwhile
  bool delivering_ = false;
  float effectiveScale_ = 1.0f;
  int widthPx_ = 0;
  int heightPx_ = 0;
};

}  // namespace zv
