// What the editor view is to the host on every platform: the SDK's view around the view core, the
// size and content scale the host is asked about first, the keys the host forwards and the edits
// the core hands the controller. A platform's ZVView adds the native window and its events.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>

#include "ViewCore.h"
#include "pluginterfaces/gui/iplugviewcontentscalesupport.h"
#include "public.sdk/source/common/pluginview.h"

class ZVController;

class PluginViewBase : public Steinberg::CPluginView,
                       public Steinberg::IPlugViewContentScaleSupport,
                       public zv::ViewPort {
 public:
  void removedFromParent() override;
  Steinberg::tresult PLUGIN_API onKeyDown(Steinberg::char16 key, Steinberg::int16 keyCode,
                                          Steinberg::int16 modifiers) override;
  Steinberg::tresult PLUGIN_API setContentScaleFactor(ScaleFactor factor) override;

  Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
  Steinberg::uint32 PLUGIN_API addRef() override { return CPluginView::addRef(); }
  Steinberg::uint32 PLUGIN_API release() override { return CPluginView::release(); }

  // zv::ViewPort: the values the controller published and its edits. Invalidation belongs to the
  // window.
  const zv::ParamSnapshot& params() const override;
  void beginEdit(int id) override;
  void performEdit(int id, double normalized) override;
  void endEdit(int id) override;

 protected:
  // `contentScale` is the desktop's scale as the platform reads it; without a dancer window
  // (`popOutAvailable` false) the stage shows no pop-out icon.
  PluginViewBase(ZVController* controller, float contentScale, bool popOutAvailable);
  // A platform view's destructor calls removedFromParent() while its window hooks still exist.
  ~PluginViewBase() override;

  // The native window: whether one is open, closing it, and giving it (when there is one) the
  // size the host accepted.
  virtual bool windowOpen() const = 0;
  virtual void closeWindow() = 0;
  virtual void resizeWindow(int width, int height) = 0;

  // Applies the size the size control chose; call once the input handler let go of the state.
  void applyPendingSize();
  // Opens or closes the dancer window as the pop-out control asked; same rule as the size.
  void applyPendingDancer();
  void showContextMenu(int paramId, int x, int y);
  // True when `ch` came through onKeyDown a moment ago: a host that forwards a key there and still
  // lets the window see it would otherwise type every character twice.
  bool typedThroughHost(uint32_t ch) const;

  ZVController* controller_;
  std::unique_ptr<zv::ViewCore> core_;

 private:
  bool applyScale(float scale);  // false when the host refused the new size

  uint32_t lastKeyChar_ = 0;
  std::chrono::steady_clock::time_point lastKeyTime_{};
  float contentScale_ = 1.0f;
  float sizeFactor_ = 1.0f;
  float pendingSize_ = 0.0f;  // set by the size control, applied once the input handler let go
  int dancerListener_ = 0;
};
