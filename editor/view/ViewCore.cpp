#include "ViewCore.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>

namespace zv {

ViewCore::ViewCore(ViewPort& port) : port_(port), editor_(std::make_unique<Editor>()) {
  // The editor makes its edits under the state lock; they wait in a queue until the input call
  // that made them has let go of it.
  editor_->onBeginEdit = [this](int id) { queueEdit({HostEdit::kBegin, id, 0.0}); };
  editor_->onEndEdit = [this](int id) { queueEdit({HostEdit::kEnd, id, 0.0}); };
  editor_->onPerformEdit = [this](int id, double value) {
    queueEdit({HostEdit::kPerform, id, value});
    dirty_.store(true);
  };
  // Likewise the dancer window: opened or closed by the window once the press has returned.
  editor_->onPopOut = [this](bool open) { requestDancer(open); };
}

void ViewCore::queueEdit(HostEdit edit) {
  pendingEdits_.push_back(edit);
  if (edit.id >= 0 && edit.id < kNumParams) ++pendingPerParam_[edit.id];
}

void ViewCore::deliverHostEdits() {
  std::unique_lock<std::mutex> lock(stateLock_);
  // A host that calls back into the view from inside an edit (more input, a resize, removal)
  // reaches here again: the outer loop delivers what that queued, after what came before.
  if (delivering_) return;
  delivering_ = true;
  while (!pendingEdits_.empty()) {
    const HostEdit edit = pendingEdits_.front();
    pendingEdits_.pop_front();
    lock.unlock();
    switch (edit.kind) {
      case HostEdit::kBegin:
        port_.beginEdit(edit.id);
        break;
      case HostEdit::kPerform:
        port_.performEdit(edit.id, edit.value);
        break;
      case HostEdit::kEnd:
        port_.endEdit(edit.id);
        break;
    }
    lock.lock();
    // Counted down only now that the controller holds the value, so the render thread's poll
    // cannot fetch the old one in between and make the widget flicker back.
    if (edit.id >= 0 && edit.id < kNumParams) --pendingPerParam_[edit.id];
  }
  delivering_ = false;
}

ViewCore::~ViewCore() {
  stopRender();
}

int ViewCore::pixelsFor(int units, float scale) {
  return static_cast<int>(std::lround(static_cast<double>(units) * scale));
}

void ViewCore::resizeForScale(float scale) {
  std::lock_guard<std::mutex> lock(stateLock_);
  effectiveScale_ = scale;
  widthPx_ = pixelsFor(kBaseWidth, scale);
  heightPx_ = pixelsFor(kBaseHeight, scale);
  editor_->resize(widthPx_, heightPx_, scale);
  {
    // The old size's pixels must not be blitted into the resized window.
    std::lock_guard<std::mutex> frame(frameLock_);
    backBuffer_.clear();
    backWidth_ = backHeight_ = 0;
  }
  fullRedraw_.store(true);
}

void ViewCore::pullAllParams() {
  std::lock_guard<std::mutex> lock(stateLock_);
  const ParamSnapshot& published = port_.params();
  for (int id = 0; id < kNumParams; ++id) editor_->params[id] = published.read(id);
}

std::vector<PixelRect> ViewCore::animatedRegions() const {
  std::vector<PixelRect> out;
  const float s = effectiveScale_;
  // Pitch display, mascot stage, lower knob row, left and right knob groups; the two extra
  // pixels cover anti-aliased edges.
  for (const Rect& r : kAnimatedRegions) {
    const int x0 = static_cast<int>(r.x * s);
    const int y0 = static_cast<int>(r.y * s);
    out.push_back(
        {x0, y0, x0 + static_cast<int>(r.width * s) + 2, y0 + static_cast<int>(r.height * s) + 2});
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
  std::unique_lock<std::mutex> state(stateLock_);
  Editor& ed = *editor_;

  bool changed = false;
  const int dragged = ed.dragParam();
  const ParamSnapshot& published = port_.params();
  for (int id = 0; id < kNumWritableParams; ++id) {
    // The knob under the pointer follows the pointer, not the host, and an edit on its way to
    // the host is newer than what the controller still holds.
    if (id == dragged || pendingPerParam_[id] > 0) continue;
    const double v = published.read(id);
    if (std::fabs(v - ed.params[id]) > 1e-6) {
      ed.params[id] = v;
      changed = true;
    }
  }
  double meters[kNumMeterParams];
  for (int k = 0; k < kNumMeterParams; ++k) meters[k] = published.read(kFirstMeterParam + k);
  auto meter = [&meters](int id) { return meters[id - kFirstMeterParam]; };
  ed.updateMood(static_cast<float>(noteFromPitchMeter(meter(kPitchIn))),
                static_cast<float>(noteFromPitchMeter(meter(kPitchOut))),
                static_cast<float>(meter(kLevel)),
                static_cast<float>(std::min(elapsedSeconds, 0.1)),
                static_cast<float>(bpmFromTempoMeter(meter(kTempo))),
                static_cast<float>(meter(kBeat)), meter(kPlaying) > 0.5);

  const bool open = dancerOpen_.load();
  if (open != ed.poppedOut) {
    ed.poppedOut = open;
    ed.rebuildHitRegions();  // the pop-out icon becomes the bring-back button and back
    fullRedraw_.store(true);
  }
  idle_ = ed.silentSeconds() > 1.5f && meter(kPlaying) < 0.5;

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
      std::memcpy(&backBuffer_[row + static_cast<size_t>(r.x0)],
                  &c.pixels[row + static_cast<size_t>(r.x0)],
                  sizeof(uint32_t) * static_cast<size_t>(r.x1 - r.x0));
    }
    copied.push_back(r);
  }
}

bool ViewCore::mouseDown(int px, int py, bool ctrl, bool doubleClick) {
  bool changed;
  {
    std::lock_guard<std::mutex> lock(stateLock_);
    changed = editor_->onMouseDown(px / effectiveScale_, py / effectiveScale_, ctrl, doubleClick);
    dirty_.store(true);  // any handled press repaints
  }
  deliverHostEdits();
  return changed;
}

bool ViewCore::mouseMove(int px, int py, bool shift) {
  bool changed;
  {
    std::lock_guard<std::mutex> lock(stateLock_);
    changed = editor_->onMouseMove(px / effectiveScale_, py / effectiveScale_, shift);
    if (changed) dirty_.store(true);
  }
  deliverHostEdits();
  return changed;
}

bool ViewCore::mouseUp() {
  bool changed;
  {
    std::lock_guard<std::mutex> lock(stateLock_);
    changed = editor_->onMouseUp();
    if (changed) dirty_.store(true);
  }
  deliverHostEdits();
  return changed;
}

bool ViewCore::captureLost() {
  return mouseUp();
}

bool ViewCore::mouseLeave() {
  std::lock_guard<std::mutex> lock(stateLock_);
  const bool changed = editor_->onMouseLeave();
  if (changed) dirty_.store(true);
  return changed;
}

bool ViewCore::wheel(int clientPx, int clientPy, int wheelDelta, bool shift) {
  bool changed;
  {
    std::lock_guard<std::mutex> lock(stateLock_);
    changed = editor_->onWheel(clientPx / effectiveScale_, clientPy / effectiveScale_,
                               static_cast<float>(wheelDelta) / 120.0f, shift);
    if (changed) dirty_.store(true);
  }
  deliverHostEdits();
  return changed;
}

bool ViewCore::character(uint32_t ch) {
  {
    // Asked and typed under one hold of the lock, so the answer holds for the key it was about.
    std::lock_guard<std::mutex> lock(stateLock_);
    if (!editor_->textEntryActive() && editor_->openList() < 0) return false;
    editor_->onChar(ch);
    dirty_.store(true);
  }
  deliverHostEdits();
  return true;
}

bool ViewCore::textOrListActive() {
  std::lock_guard<std::mutex> lock(stateLock_);
  return editor_->textEntryActive() || editor_->openList() >= 0;
}

int ViewCore::contextParamAt(int px, int py) {
  std::lock_guard<std::mutex> lock(stateLock_);
  return editor_->contextMenuParamAt(px / effectiveScale_, py / effectiveScale_);
}

}  // namespace zv
