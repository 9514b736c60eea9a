// The editor view the host shows: a child window inside the host's window, drawn by the view
// core's render thread and blitted with GDI. Windows only.
#pragma once

#include <windows.h>

#include <memory>

#include "ViewCore.h"
#include "pluginterfaces/gui/iplugviewcontentscalesupport.h"
#include "public.sdk/source/common/pluginview.h"

class ZVController;

class ZVView : public Steinberg::CPluginView,
               public Steinberg::IPlugViewContentScaleSupport,
               public zv::ViewPort {
 public:
  explicit ZVView(ZVController* controller);
  ~ZVView() override;

  void attachedToParent() override;
  void removedFromParent() override;
  Steinberg::tresult PLUGIN_API isPlatformTypeSupported(Steinberg::FIDString type) override;
  Steinberg::tresult PLUGIN_API onKeyDown(Steinberg::char16 key, Steinberg::int16 keyCode,
                                          Steinberg::int16 modifiers) override;
  Steinberg::tresult PLUGIN_API setContentScaleFactor(ScaleFactor factor) override;

  Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
  Steinberg::uint32 PLUGIN_API addRef() override { return CPluginView::addRef(); }
  Steinberg::uint32 PLUGIN_API release() override { return CPluginView::release(); }

  LRESULT handleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

  // zv::ViewPort: the controller's values and edits, and this window's invalidation.
  double getParamNormalized(int id) override;
  void beginEdit(int id) override;
  void performEdit(int id, double normalized) override;
  void endEdit(int id) override;
  void invalidateAll() override;
  void invalidateRect(int x0, int y0, int x1, int y1) override;
  bool dancerOpen() override;

 private:
  LRESULT handleMessageAlive(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  bool applyScale(float scale, bool notifyHost);  // false when the host refused the new size
  void applyPendingSize();
  void showContextMenu(int paramId, int x, int y);

  ZVController* controller_;
  std::unique_ptr<zv::ViewCore> core_;
  HWND hwnd_ = nullptr;
  bool leaveRequested_ = false;
  Steinberg::uint32 lastKeyChar_ = 0;
  DWORD lastKeyTick_ = 0;
  float contentScale_ = 1.0f;
  float sizeFactor_ = 1.0f;
  float pendingSize_ = 0.0f;  // set by the size control, applied once the input handler let go
};
