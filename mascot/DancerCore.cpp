#include "DancerCore.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>

#include "Palette.h"
#include "ParamDefs.h"

namespace zv {

namespace {

using palette::kHotPink;
using palette::kPink;
using palette::kViolet;
using palette::kWhite;

const RGB kDancerBackground = RGB::fromBytes(18, 8, 28);
const RGB kGlowViolet = RGB::fromBytes(106, 27, 176);
const RGB kGlowPink = RGB::fromBytes(255, 45, 180);
const RGB kButtonBase = RGB::fromBytes(11, 6, 18);
const RGB kIconPink = RGB::fromBytes(255, 138, 230);
const RGB kLogoSecond = RGB::fromBytes(255, 230, 250);
const RGB kPinnedIcon = RGB::fromBytes(26, 16, 48);

// The editor's mascot card is 316 x 290 units; the window opens 1.4 times that.
constexpr float kOpeningFactor = 1.4f;
constexpr float kCardWidth = 316.0f;

int pixels(float units, float dpiScale) {
  return static_cast<int>(units * dpiScale);
}

bool inside(const DancerRect& r, int x, int y) {
  return x >= r.x && x < r.x + r.width && y >= r.y && y < r.y + r.height;
}

}  // namespace

float dancerDpiScale(int dotsPerInch) {
  if (dotsPerInch <= 0) return 1.0f;
  return std::clamp(static_cast<float>(dotsPerInch) / 96.0f, 1.0f, 3.0f);
}

DancerRect dancerInitialRect(float dpiScale, const DancerRect& workArea) {
  DancerRect r;
  r.width = pixels(kOpeningFactor * kCardWidth, dpiScale);
  r.height = pixels(kOpeningFactor * kDancerLogicalHeight, dpiScale);
  r.x = workArea.x + (workArea.width - r.width) / 2;
  r.y = workArea.y + (workArea.height - r.height) / 2;
  return r;
}

DancerChrome dancerChrome(int width, int /*height*/, float dpiScale) {
  DancerChrome c;
  c.button = pixels(26, dpiScale);
  c.margin = pixels(10, dpiScale);
  c.gap = pixels(8, dpiScale);
  c.grip = pixels(22, dpiScale);
  c.border = pixels(8, dpiScale);
  c.close = {width - c.margin - c.button, c.margin, c.button, c.button};
  c.pin = {c.close.x - c.gap - c.button, c.margin, c.button, c.button};
  return c;
}

int dancerButtonAt(const DancerChrome& chrome, int clientX, int clientY) {
  if (inside(chrome.close, clientX, clientY)) return kDancerClose;
  if (inside(chrome.pin, clientX, clientY)) return kDancerPin;
  return kDancerNoButton;
}

DancerHit dancerHitTest(const DancerRect& window, float dpiScale, int screenX, int screenY) {
  // The whole window is client area, so client coordinates are the offset from its corner.
  const int x = screenX - window.x, y = screenY - window.y;
  const int w = window.width, h = window.height;
  const DancerChrome chrome = dancerChrome(w, h, dpiScale);
  if (x >= w - chrome.grip && y >= h - chrome.grip) return DancerHit::BottomRight;
  const int e = chrome.border;
  const bool left = x < e, right = x >= w - e, top = y < e, bottom = y >= h - e;
  if (top && left) return DancerHit::TopLeft;
  if (top && right) return DancerHit::TopRight;
  if (bottom && left) return DancerHit::BottomLeft;
  if (bottom && right) return DancerHit::BottomRight;
  if (left) return DancerHit::Left;
  if (right) return DancerHit::Right;
  if (top) return DancerHit::Top;
  if (bottom) return DancerHit::Bottom;
  if (dancerButtonAt(chrome, x, y) != kDancerNoButton) return DancerHit::Client;
  return DancerHit::Caption;
}

DancerRect dancerWheelResize(const DancerRect& window, const DancerRect& workArea, int wheelDelta) {
  const double w = window.width, h = window.height;
  if (!(w > 0 && h > 0)) return window;
  double factor = wheelDelta > 0 ? 1.1 : 1.0 / 1.1;
  factor = std::max(factor, kDancerMinimumSide / std::min(w, h));
  factor = std::min(factor, std::min(workArea.width / w, workArea.height / h));
  DancerRect r;
  r.width = static_cast<int>(std::lround(w * factor));
  r.height = static_cast<int>(std::lround(h * factor));
  // Centre kept: the new corner is the old centre less half the new size.
  r.x = static_cast<int>(std::lround(window.x + w / 2 - r.width / 2.0));
  r.y = static_cast<int>(std::lround(window.y + h / 2 - r.height / 2.0));
  return r;
}

namespace {

void paintLogo(Canvas& c) {
  constexpr float kSize = 15, kSpacing = -0.3f, kX = 12, kBaseline = 26;
  c.text("Zoqua", kX, kBaseline, kSize, kWhite, 0, true, kSpacing, 0.92f);
  const float x = kX + c.textWidth("Zoqua", kSize, true, kSpacing) + 1;
  // Twelve faint copies around the word make its glow.
  for (int i = 0; i < 12; ++i) {
    const float a = static_cast<float>(i) * 3.14159f / 6.0f;
    c.text("Voce", x + 1.4f * std::cos(a), kBaseline + 1.4f * std::sin(a), kSize, kHotPink, 0, true,
           kSpacing, 0.05f);
  }
  c.text("Voce", x, kBaseline, kSize, kLogoSecond, 0, true, kSpacing, 1.0f);
}

// Chrome geometry is in pixels; the canvas takes units of 1 / scale pixels.
void paintChrome(Canvas& c, const DancerChromeState& state) {
  const float k = c.scale, dpi = state.dpiScale;
  const DancerChrome g = dancerChrome(c.width, c.height, dpi);
  const float stroke = 1.76f * dpi / k;
  const float fade = state.fade;

  if (fade > 0.02f) {
    const float inset = 5 * dpi, cx = (c.width - inset) / k, cy = (c.height - inset) / k;
    for (int i = 1; i <= 3; ++i) {
      const float len = 0.8f * g.grip * static_cast<float>(i) / 3.0f / k;
      c.capsule(cx - len, cy, cx, cy - len, 1.5f * dpi / k, kIconPink, 0.8f * fade);
    }
  }

  auto square = [&](const DancerRect& r, float& x, float& y, float& side) {
    x = r.x / k;
    y = r.y / k;
    side = r.width / k;
  };
  float x, y, side;
  if (fade >= 0.02f) {
    const bool hot = state.hovered == kDancerClose;
    square(g.close, x, y, side);
    c.rrect(x, y, side, side, side / 2, kButtonBase, 0.75f * fade);
    c.rrect(x, y, side, side, side / 2, kHotPink, (hot ? 0.35f : 0.18f) * fade);
    const float cx = x + side / 2, cy = y + side / 2, d = 0.2f * side;
    const RGB& ink = hot ? kWhite : kIconPink;
    c.capsule(cx - d, cy - d, cx + d, cy + d, stroke, ink, fade);
    c.capsule(cx - d, cy + d, cx + d, cy - d, stroke, ink, fade);
  }

  // A pinned window keeps its pin in sight, so the user can find the way back.
  const float pinFade = state.pinned ? std::max(fade, 0.45f) : fade;
  if (pinFade >= 0.02f) {
    const bool hot = state.hovered == kDancerPin;
    square(g.pin, x, y, side);
    RGB ink = hot ? kWhite : kIconPink;
    if (state.pinned) {
      c.rrectGrad(x, y, side, side, side / 2, kViolet, kPink, pinFade);
      ink = kPinnedIcon;
    } else {
      c.rrect(x, y, side, side, side / 2, kButtonBase, 0.75f * pinFade);
      c.rrect(x, y, side, side, side / 2, kHotPink, (hot ? 0.35f : 0.18f) * pinFade);
    }
    const float cx = x + side / 2, cy = y + side / 2, u = 0.2f * side;
    c.circle(cx, cy - 0.45f * u, 0.62f * u, ink, pinFade);
    c.capsule(cx, cy - 0.2f * u, cx, cy + 1.25f * u, stroke, ink, pinFade);
    c.capsule(cx - 0.9f * u, cy + 0.15f * u, cx + 0.9f * u, cy + 0.15f * u, stroke, ink, pinFade);
  }
}

}  // namespace

void paintDancerBackdrop(Canvas& c) {
  const float logicalWidth = c.width / c.scale;
  c.clear(kDancerBackground);
  c.glow(0.15f * logicalWidth, 29, 232, kGlowViolet, 0.35f);
  c.glow(0.9f * logicalWidth, 58, 203, kGlowPink, 0.22f);
}

void paintDancer(Canvas& c, MascotRig& rig, const DancerChromeState& chrome) {
  paintDancerBackdrop(c);
  paintDancerFigure(c, rig, chrome);
}

void paintDancerFigure(Canvas& c, MascotRig& rig, const DancerChromeState& chrome) {
  const float logicalWidth = c.width / c.scale;
  rig.x = 0;
  rig.y = 0;
  rig.width = logicalWidth;
  rig.height = kDancerLogicalHeight;
  rig.draw(c);
  paintLogo(c);
  paintChrome(c, chrome);
}

DancerCore::DancerCore(ParamReader readParam)
    : readParam_(std::move(readParam)), editor_(std::make_unique<Editor>()) {
  // Only the mascot and the mood of this editor are used: its face canvases go.
  editor_->resize(0, 0, 1.0f);
  canvas_.loadFonts();
}

bool DancerCore::tick(double nowSeconds, DancerSurface& surface) {
  const double dt = nowSeconds - lastFrame_;
  if (dt < kDancerFrameSeconds) return false;
  lastFrame_ = nowSeconds;
  const int width = clientWidth_.load(), height = clientHeight_.load();
  if (width < kDancerSmallestClient || height < kDancerSmallestClient) return false;
  drawFrame(dt, surface.pointer(), width, height);
  surface.frameReady();
  return true;
}

void DancerCore::run(const std::atomic<bool>& running, DancerSurface& surface) {
  using Clock = std::chrono::steady_clock;
  auto seconds = [] {
    return std::chrono::duration<double>(Clock::now().time_since_epoch()).count();
  };
  restartClock(seconds());
  while (running.load()) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    tick(seconds(), surface);
  }
}

void DancerCore::drawFrame(double dtSeconds, const DancerSurface::Pointer& pointer, int width,
                           int height) {
  const float k = static_cast<float>(height) / kDancerLogicalHeight;
  if (canvas_.width != width || canvas_.height != height) {
    canvas_.resize(width, height);
    canvas_.scale = k;
    // The backdrop only changes with the size: painted once, copied under every frame.
    backdrop_.resize(width, height);
    backdrop_.scale = k;
    paintDancerBackdrop(backdrop_);
  }

  Editor& ed = *editor_;
  ed.params[kKey] = readParam_(kKey);
  ed.params[kScale] = readParam_(kScale);
  double meters[kNumMeterParams];
  for (int i = 0; i < kNumMeterParams; ++i) meters[i] = readParam_(kFirstMeterParam + i);
  auto meter = [&meters](int id) { return meters[id - kFirstMeterParam]; };
  const float dt = static_cast<float>(std::min(dtSeconds, 0.1));
  ed.updateMood(static_cast<float>(noteFromPitchMeter(meter(kPitchIn))),
                static_cast<float>(noteFromPitchMeter(meter(kPitchOut))),
                static_cast<float>(meter(kLevel)), dt,
                static_cast<float>(bpmFromTempoMeter(meter(kTempo))),
                static_cast<float>(meter(kBeat)), meter(kPlaying) > 0.5);

  DancerChromeState chrome;
  chrome.dpiScale = dpiScale_;
  chrome.pinned = pinned_.load();
  const float ease = std::min(1.0f, 10.0f * dt);
  if (pointer.inside) {
    fade_ += (1 - fade_) * ease;
    chrome.hovered = dancerButtonAt(dancerChrome(width, height, dpiScale_), pointer.x, pointer.y);
  } else {
    fade_ -= fade_ * ease;
  }
  chrome.fade = fade_;
  canvas_.pixels = backdrop_.pixels;
  paintDancerFigure(canvas_, ed.mascot, chrome);

  {
    // Swapped rather than copied: the next frame starts from a copy of the backdrop anyway.
    std::lock_guard<std::mutex> lock(frameLock_);
    front_.swap(canvas_.pixels);
    frontWidth_ = width;
    frontHeight_ = height;
  }
  framesDrawn_.fetch_add(1);
}

std::size_t DancerCore::bytesHeld() const {
  std::size_t bytes = canvas_.pixels.capacity() * sizeof(std::uint32_t);
  bytes += backdrop_.pixels.capacity() * sizeof(std::uint32_t);
  bytes += front_.capacity() * sizeof(std::uint32_t);
  for (const FontFace& face : canvas_.fonts.faces)
    for (const auto& entry : face.cache) bytes += sizeof(entry) + entry.second.bitmap.capacity();
  return bytes;
}

}  // namespace zv
