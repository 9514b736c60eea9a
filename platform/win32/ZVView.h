// The editor view the host shows: a child window inside the host's window, drawn by the view
// core's render thread and blitted with GDI. Windows only.
#pragma once

#include <windows.h>

#include "PluginViewBase.h"

class ZVView : public PluginViewBase {
 public:
  explicit ZVView(ZVController* controller);
  ~ZVView() override;

  void attachedToParent() override;
  Steinberg::tresult PLUGIN_API isPlatformTypeSupported(Steinberg::FIDString type) override;

  LRESULT handleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

  // zv::ViewPort: this window's invalidation.
  void invalidateAll() override;
  void invalidateRect(int x0, int y0, int x1, int y1) override;

 private:
  bool windowOpen() const override { return hwnd_ != nullptr; }
  void closeWindow() override;
  void resizeWindow(int width, int height) override;
  LRESULT handleMessageAlive(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

  HWND hwnd_ = nullptr;
  bool leaveRequested_ = false;
};
