#include "ZVView.h"

#include <windowsx.h>

#include <algorithm>
#include <cstring>

#include "Win32Window.h"

using namespace Steinberg;

namespace {

const wchar_t kWindowClass[] = L"ZoquaVoceEditorWnd";

bool windowClassRegistered = false;

// Fills the parts of `want` outside `drawn` (an empty rectangle when nothing was drawn) with ink.
void fillOutside(HDC dc, const RECT& want, const zv::PixelRect& drawn) {
  if (drawn.x0 <= want.left && drawn.y0 <= want.top && drawn.x1 >= want.right &&
      drawn.y1 >= want.bottom)
    return;  // the usual case: the frame covered everything asked for
  HBRUSH ink = CreateSolidBrush(RGB(11, 6, 18));
  if (drawn.x1 <= drawn.x0 || drawn.y1 <= drawn.y0) {
    FillRect(dc, &want, ink);
  } else {
    const RECT strips[4] = {{want.left, want.top, want.right, drawn.y0},
                            {want.left, drawn.y1, want.right, want.bottom},
                            {want.left, drawn.y0, drawn.x0, drawn.y1},
                            {drawn.x1, drawn.y0, want.right, drawn.y1}};
    for (const RECT& r : strips)
      if (r.right > r.left && r.bottom > r.top) FillRect(dc, &r, ink);
  }
  DeleteObject(ink);
}

LRESULT CALLBACK editorWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (auto* view = static_cast<ZVView*>(zv::win32::windowOwner(hwnd, message, lParam)))
    return view->handleMessage(hwnd, message, wParam, lParam);
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

HINSTANCE moduleInstance() {
  return zv::win32::moduleHolding(&editorWindowProc);
}

float screenContentScale() {
  HDC dc = GetDC(nullptr);
  if (!dc) return 1.0f;
  const int dpi = GetDeviceCaps(dc, LOGPIXELSX);
  ReleaseDC(nullptr, dc);
  return std::clamp(static_cast<float>(dpi) / 96.0f, 1.0f, 3.0f);
}

}  // namespace

ZVView::ZVView(ZVController* controller) : PluginViewBase(controller, screenContentScale(), true) {}

ZVView::~ZVView() {
  removedFromParent();
}

tresult PLUGIN_API ZVView::isPlatformTypeSupported(FIDString type) {
  return type && std::strcmp(type, kPlatformTypeHWND) == 0 ? kResultOk : kResultFalse;
}

void ZVView::attachedToParent() {
  HINSTANCE instance = moduleInstance();
  if (!windowClassRegistered) {
    const WNDCLASSEXW wc =
        zv::win32::windowClass(instance, kWindowClass, editorWindowProc, CS_DBLCLKS);
    windowClassRegistered =
        RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
  }
  core_->pullAllParams();
  hwnd_ = CreateWindowExW(0, kWindowClass, L"ZoquaVoce", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0,
                          0, core_->widthPx(), core_->heightPx(), static_cast<HWND>(systemWindow),
                          nullptr, instance, this);
  core_->markFullRedraw();
  if (hwnd_) core_->startRender();
}

void ZVView::closeWindow() {
  SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
  DestroyWindow(hwnd_);
  hwnd_ = nullptr;
  leaveRequested_ = false;
}

void ZVView::resizeWindow(int width, int height) {
  if (hwnd_)
    SetWindowPos(hwnd_, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT ZVView::handleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  // A host may remove and release the view from inside an edit this message sends; the view
  // stays alive until the message is handled.
  addRef();
  const LRESULT result = handleMessageAlive(hwnd, message, wParam, lParam);
  release();
  return result;
}

LRESULT ZVView::handleMessageAlive(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  const int x = GET_X_LPARAM(lParam);
  const int y = GET_Y_LPARAM(lParam);
  switch (message) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      const RECT& want = ps.rcPaint;
      const zv::PixelRect drawn = core_->withBackBuffer(
          {want.left, want.top, want.right, want.bottom},
          [&](const uint32_t* pixels, int width, int height, zv::PixelRect r) {
            const BITMAPINFO info = zv::win32::topDownBitmap(width, height);
            SetDIBitsToDevice(dc, r.x0, r.y0, r.x1 - r.x0, r.y1 - r.y0, r.x0, height - r.y1, 0,
                              height, pixels, &info, DIB_RGB_COLORS);
          });
      // Whatever the back buffer does not cover (no frame of this size yet) gets the face's
      // base colour rather than whatever the window held before.
      fillOutside(dc, want, drawn);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_GETDLGCODE:
      return DLGC_WANTALLKEYS;
    case WM_MOUSEMOVE:
      if (!leaveRequested_) {
        TRACKMOUSEEVENT track{sizeof(TRACKMOUSEEVENT), TME_LEAVE, hwnd, 0};
        leaveRequested_ = TrackMouseEvent(&track) != 0;
      }
      core_->mouseMove(x, y, (wParam & MK_SHIFT) != 0);
      return 0;
    case WM_MOUSELEAVE:
      leaveRequested_ = false;
      core_->mouseLeave();
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      SetFocus(hwnd);
      SetCapture(hwnd);
      core_->mouseDown(x, y, (wParam & MK_CONTROL) != 0, message == WM_LBUTTONDBLCLK);
      applyPendingSize();
      return 0;
    case WM_LBUTTONUP:
      ReleaseCapture();
      core_->mouseUp();
      applyPendingDancer();  // with the capture released, so the new window may take the focus
      return 0;
    case WM_CAPTURECHANGED:
      core_->captureLost();
      applyPendingDancer();
      return 0;
    case WM_RBUTTONUP: {
      const int id = core_->contextParamAt(x, y);
      if (id >= 0) showContextMenu(id, x, y);
      return 0;
    }
    case WM_MOUSEWHEEL: {
      POINT pt{x, y};
      ScreenToClient(hwnd, &pt);
      core_->wheel(pt.x, pt.y, GET_WHEEL_DELTA_WPARAM(wParam),
                   (GET_KEYSTATE_WPARAM(wParam) & MK_SHIFT) != 0);
      return 0;
    }
    case WM_KEYDOWN:
    case WM_KEYUP:
      if (core_->textOrListActive()) return 0;
      // The editor has no use for the key: the host's window gets it, so its shortcuts (the
      // space bar for the transport) work after a click in the editor took the focus.
      if (HWND parent = GetParent(hwnd)) return SendMessageW(parent, message, wParam, lParam);
      break;
    case WM_CHAR: {
      if (!core_->textOrListActive()) {
        if (HWND parent = GetParent(hwnd)) return SendMessageW(parent, message, wParam, lParam);
        break;
      }
      const uint32 ch = static_cast<uint32>(wParam);
      if (!typedThroughHost(ch)) core_->character(ch);
      return 0;
    }
    default:
      break;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

void ZVView::invalidateAll() {
  if (HWND hwnd = hwnd_) InvalidateRect(hwnd, nullptr, FALSE);
}

void ZVView::invalidateRect(int x0, int y0, int x1, int y1) {
  RECT r{x0, y0, x1, y1};
  if (HWND hwnd = hwnd_) InvalidateRect(hwnd, &r, FALSE);
}
