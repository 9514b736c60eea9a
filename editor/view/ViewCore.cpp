#include "ViewCore.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>

namespace zv {

namespace {

float meterNote(double v) {
  return v < 0.01 ? -1.0f : static_cast<float>((v - 0.02) / 0.98 * 84.0 + 24.0);
}

}  // namespace

ViewCore::ViewCore(ViewPort& port) : port_(port), editor_(std::make_unique<Editor>()) {
  // The editor's edits run on the window's thread under the state lock; every performed edit
  // asks for a repaint.
  editor_->onBeginEdit = [this](int id) { port_.beginEdit(id); };
  editor_->onEndEdit = [this](int id) { port_.endEdit(id); };
  editor_->onPerformEdit = [this](int id, double value) {
    port_.performEdit(id, value);
    dirty_.store(true);
  };
}

ViewCore::~ViewCore() { stopRender(); }

int ViewCore::pixelsFor(int units, float scale) {
  return static_cast<int>(std::lround(static_cast<double>(units) * scale));
}

void ViewCore::resizeForScale(float scale) {
  std::lock_guard<std::recursive_mutex> lock(stateLock_);
  effectiveScale_ = scale;
  widthPx_ = pixelsFor(kBaseWidth, scale);
  heightPx_ = pixelsFor(kBaseHeight, scale);
  editor_->resize(widthPx_, heightPx_, scale);
  fullRedraw_.store(true);
}

void ViewCore::pullAllParams() {
  std::lock_guard<std::recursive_mutex> lock(stateLock_);
  for (int id = 0; id < 22; ++id) editor_->params[id] = port_.getParamNormalized(id);
}

std::vector<PixelRect> ViewCore::animatedRegions() const {
  std::vector<PixelRect> out;
  const float s = effectiveScale_;
  // Pitch display, mascot stage, lower knob row, left and right knob groups; the two extra
  // pixels cover anti-aliased edges.
  for (const Rect& r : kAnimatedRegions) {
    const int x0 = static_cast<int>(r.x * s);
    const int y0 = static_cast<int>(r.y * s);
    out.push_back({x0, y0, x0 + static_cast<int>(r.width * s) + 2, y0 + static_cast<int>(r.height * s) + 2});
  }
  return out;
}

void ViewCore::startRender() {
  if (running_.exchange(true)) return;
  thread_ = std::thread([this] { renderLoop(); });
}

void ViewCore::stopRender() {
  running_.store(false);
  if (thread_.joinable()) thread_.join();
}

void ViewCore::renderLoop() {
  using Clock = std::chrono::steady_clock;
  auto last = Clock::now();
  while (running_.load()) {
    std::this_thread::sleep_for(std::chrono::milliseconds(4));
    const auto now = Clock::now();
    const double elapsed = std::chrono::duration<double>(now - last).count();
    const bool slow = idle_ && !dirty_.load() && !fullRedraw_.load();
    if (elapsed < (slow ? 0.039 : 0.0195)) continue;
    renderFrame(elapsed);
    last = now;
  }
}

void ViewCore::renderFrame(double elapsedSeconds) {
  std::unique_lock<std::recursive_mutex> state(stateLock_);
  Editor& ed = *editor_;

  bool changed = false;
  const int dragged = ed.dragParam();
  for (int id = 0; id < 16; ++id) {
    if (id == dragged) continue;  // the knob under the pointer follows the pointer, not the host
    const double v = port_.getParamNormalized(id);
    if (std::fabs(v - ed.params[id]) > 1e-6) {
      ed.params[id] = v;
      changed = true;
    }
  }
  double meters[6];
  for (int k = 0; k < 6; ++k) meters[k] = port_.getParamNormalized(16 + k);
  ed.updateMood(meterNote(meters[0]), meterNote(meters[1]), static_cast<float>(meters[2]),
                static_cast<float>(std::min(elapsedSeconds, 0.1)), static_cast<float>(20.0 + meters[3] * 380.0),
                static_cast<float>(meters[4]), meters[5] > 0.5);

  const bool open = port_.dancerOpen();
  if (open != ed.poppedOut) {
    ed.poppedOut = open;
    fullRedraw_.store(true);
  }
  idle_ = ed.silentSeconds() > 1.5f && meters[5] < 0.5;

  bool whole = false;
  int regionCount = 2;
  const bool full = fullRedraw_.exchange(false);
  if (changed || full) {
    dirty_.store(false);
    ed.paint(true);
    whole = true;
  } else if (dirty_.exchange(false)) {
    ed.paint(false);
    if (ed.openList() < 0) {
      ed.paintPitchDisplay();
      ed.paintStage();
    }
    whole = true;
  } else if (ed.openList() < 0) {
    ed.paintPitchDisplay();
    ed.paintStage();
    if (ed.pulseWanted()) {
      ed.drawPulse();
      regionCount = 5;
    }
  }

  std::vector<PixelRect> copied;
  {
    std::lock_guard<std::mutex> frame(frameLock_);
    const Canvas& c = ed.canvas();
    if (!whole && (backWidth_ != c.width || backHeight_ != c.height)) whole = true;
    if (whole)
      copyWhole();
    else
      copyRegions(regionCount, copied);
  }
  framesDrawn_.fetch_add(1);
  state.unlock();

  if (whole) {
    port_.invalidateAll();
  } else {
    for (const auto& r : copied) port_.invalidateRect(r.x0, r.y0, r.x1, r.y1);
  }
}

void ViewCore::copyWhole() {
  const Canvas& c = editor_->canvas();
  backBuffer_ = c.pixels;
  backWidth_ = c.width;
  backHeight_ = c.height;
}

void ViewCore::copyRegions(int count, std::vector<PixelRect>& copied) {
  const Canvas& c = editor_->canvas();
  const std::vector<PixelRect> regions = animatedRegions();
  for (int k = 0; k < count && k < static_cast<int>(regions.size()); ++k) {
    PixelRect r = regions[static_cast<size_t>(k)];
    r.x0 = std::max(r.x0, 0);
    r.y0 = std::max(r.y0, 0);
    r.x1 = std::min(r.x1, backWidth_);
    r.y1 = std::min(r.y1, backHeight_);
    if (r.x1 <= r.x0 || r.y1 <= r.y0) continue;
    for (int y = r.y0; y < r.y1; ++y) {
      const size_t row = static_cast<size_t>(y) * static_cast<size_t>(backWidth_);
      std::memcpy(&backBuffer_[row + static_cast<size_t>(r.x0)], &c.pixels[row + static_cast<size_t>(r.x0)],
                  sizeof(uint32_t) * static_cast<size_t>(r.x1 - r.x0));
    }
    copied.push_back(r);
  }
}

bool ViewCore::mouseDown(int px, int py, bool ctrl, bool doubleClick) {
  std::lock_guard<std::recursive_mutex> lock(stateLock_);
  const bool changed = editor_->onMouseDown(px / effectiveScale_, py / effectiveScale_, ctrl, doubleClick);
  dirty_.store(true);  // any handled press repaints
  return changed;
}

bool ViewCore::mouseMove(int px, int py, bool shift) {
  std::lock_guard<std::recursive_mutex> lock(stateLock_);
  const bool changed = editor_->onMouseMove(px / effectiveScale_, py / effectiveScale_, shift);
  if (changed) dirty_.store(true);
  return changed;
}

bool ViewCore::mouseUp() {
  std::lock_guard<std::recursive_mutex> lock(stateLock_);
  const bool changed = editor_->onMouseUp();
  if (changed) dirty_.store(true);
  return changed;
}

bool ViewCore::captureLost() { return mouseUp(); }

bool ViewCore::mouseLeave() {
  std::lock_guard<std::recursive_mutex> lock(stateLock_);
  const bool changed = editor_->onMouseLeave();
  if (changed) dirty_.store(true);
  return changed;
}

bool ViewCore::wheel(int clientPx, int clientPy, int wheelDelta, bool shift) {
  std::lock_guard<std::recursive_mutex> lock(stateLock_);
  const bool changed = editor_->onWheel(clientPx / effectiveScale_, clientPy / effectiveScale_,
                                        static_cast<float>(wheelDelta) / 120.0f, shift);
  if (changed) dirty_.store(true);
  return changed;
}

bool ViewCore::character(uint32_t ch) {
  std::lock_guard<std::recursive_mutex> lock(stateLock_);
  const bool changed = editor_->onChar(ch);
  dirty_.store(true);
  return changed;
}

bool ViewCore::textOrListActive() {
  std::lock_guard<std::recursive_mutex> lock(stateLock_);
  return editor_->textEntryActive() || editor_->openList() >= 0;
}

int ViewCore::contextParamAt(int px, int py) {
  std::lock_guard<std::recursive_mutex> lock(stateLock_);
  return editor_->contextMenuParamAt(px / effectiveScale_, py / effectiveScale_);
}

}  // namespace zv
