// The editor view on Linux hosts: a child window inside the host's X11 window, drawn by the view
// core's render thread. Events and presenting run through the host's run loop on its UI thread;
// the render thread never calls Xlib.
#pragma once

#include <mutex>
#include <vector>

#include "PluginViewBase.h"
#include "pluginterfaces/gui/iplugview.h"

// Xlib stays out of this header: its macros (None, Bool, Status, ...) would leak into every
// includer.
struct _XDisplay;
struct _XGC;
struct _XIM;
struct _XIC;
union _XEvent;

class ZVView : public PluginViewBase,
               public Steinberg::Linux::IEventHandler,
               public Steinberg::Linux::ITimerHandler {
 public:
  explicit ZVView(ZVController* controller);
  ~ZVView() override;

  Steinberg::tresult PLUGIN_API attached(void* parent, Steinberg::FIDString type) override;
  void attachedToParent() override;
  Steinberg::tresult PLUGIN_API isPlatformTypeSupported(Steinberg::FIDString type) override;

  // Linux::IEventHandler: the X connection has data. Linux::ITimerHandler: present finished frames.
  void PLUGIN_API onFDIsSet(Steinberg::Linux::FileDescriptor fd) override;
  void PLUGIN_API onTimer() override;

  Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
  Steinberg::uint32 PLUGIN_API addRef() override { return PluginViewBase::addRef(); }
  Steinberg::uint32 PLUGIN_API release() override { return PluginViewBase::release(); }

  // zv::ViewPort. The invalidations come from the render thread: they only note the damage.
  void invalidateAll() override;
  void invalidateRect(int x0, int y0, int x1, int y1) override;

 private:
  bool windowOpen() const override { return display_ != nullptr; }
  void closeWindow() override;
  void resizeWindow(int width, int height) override;
  void processEvents();
  void handleEvent(_XEvent& event);
  void handleKey(_XEvent& event);
  void forwardToParent(_XEvent& event);
  void present();
  void blit(zv::PixelRect rect);
  void fillOutside(zv::PixelRect area, zv::PixelRect drawn);

  Steinberg::Linux::IRunLoop* runLoop_ = nullptr;
  _XDisplay* display_ = nullptr;
  unsigned long window_ = 0;
  bool windowAlive_ = false;  // cleared when the host destroyed its window (and ours) first
  _XGC* gc_ = nullptr;
  _XIM* inputMethod_ = nullptr;
  _XIC* inputContext_ = nullptr;
  void* visual_ = nullptr;  // Visual*
  int depth_ = 0;
  bool directPixels_ = false;  // the server takes the canvas's 0x00RRGGBB words as they are

  // Damage noted by the render thread, presented by the timer.
  std::mutex damageLock_;
  std::vector<zv::PixelRect> damage_;
  bool damageAll_ = false;

  // X reports presses only; a second one close in time and place is a double click.
  unsigned long lastPressTime_ = 0;  // server milliseconds
  int lastPressX_ = 0;
  int lastPressY_ = 0;
  bool lastPressWasDouble_ = true;  // so the very first press is a single one
};
