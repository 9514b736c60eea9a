#include "ZVView.h"

#include <windowsx.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "EditorViewFactory.h"
#include "SettingsFile.h"
#include "UserPresets.h"
#include "ZVController.h"
#include "pluginterfaces/vst/ivstcontextmenu.h"

using namespace Steinberg;

namespace {

const wchar_t kWindowClass[] = L"ZoquaVoceEditorWnd";

// The host's virtual key codes we translate (VirtualKeyCodes; our SDK copy lacks keycodes.h).
enum HostKey : int16 { kKeyBack = 1, kKeyReturn = 4, kKeyEscape = 6, kKeyEnter = 19 };
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
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  if (auto* view = reinterpret_cast<ZVView*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA)))
    return view->handleMessage(hwnd, message, wParam, lParam);
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

HINSTANCE moduleInstance() {
  HMODULE module = nullptr;
  GetModuleHandleExW(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCWSTR>(&editorWindowProc), &module);
  return module;
}

float screenContentScale() {
  HDC dc = GetDC(nullptr);
  if (!dc) return 1.0f;
  const int dpi = GetDeviceCaps(dc, LOGPIXELSX);
  ReleaseDC(nullptr, dc);
  return std::clamp(static_cast<float>(dpi) / 96.0f, 1.0f, 3.0f);
}

}  // namespace

namespace zv {
IPlugView* createEditorView(ZVController* controller) {
  return new ZVView(controller);
}
}  // namespace zv

ZVView::ZVView(ZVController* controller) : CPluginView(nullptr), controller_(controller) {
  controller_->addRef();
  core_ = std::make_unique<zv::ViewCore>(*this);
  zv::Editor& editor = core_->editor();

  contentScale_ = screenContentScale();
  sizeFactor_ = zv::readSizeFactor();
  editor.sizeChoice = sizeFactor_;
  editor.onSizeChange = [this](float factor) { pendingSize_ = factor; };
  core_->resizeForScale(sizeFactor_ * contentScale_);
  rect = ViewRect(0, 0, core_->widthPx(), core_->heightPx());

  editor.loadPresets = [](std::vector<zv::UserPreset>& list) { zv::loadUserPresets(list); };
  editor.savePreset = [](const zv::UserPreset& preset) { return zv::saveUserPreset(preset); };
  editor.deletePreset = [](const std::string& name) { return zv::deleteUserPreset(name); };
  // The dancer window is not part of this view yet: the stage keeps the mascot at home.
  editor.onPopOut = [this](bool) { core_->markFullRedraw(); };
  editor.poppedOut = dancerOpen();

  editor.userPresets.clear();
  editor.loadPresets(editor.userPresets);
  zv::sortUserPresets(editor.userPresets);
  core_->pullAllParams();
}

ZVView::~ZVView() {
  removedFromParent();
  core_.reset();
  controller_->release();
}

tresult PLUGIN_API ZVView::queryInterface(const TUID iid, void** obj) {
  QUERY_INTERFACE(iid, obj, IPlugViewContentScaleSupport::iid, IPlugViewContentScaleSupport)
  return CPluginView::queryInterface(iid, obj);
}

tresult PLUGIN_API ZVView::isPlatformTypeSupported(FIDString type) {
  return type && std::strcmp(type, kPlatformTypeHWND) == 0 ? kResultOk : kResultFalse;
}

void ZVView::attachedToParent() {
  HINSTANCE instance = moduleInstance();
  if (!windowClassRegistered) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = editorWindowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.lpszClassName = kWindowClass;
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

void ZVView::removedFromParent() {
  core_->stopRender();
  if (!hwnd_) return;
  // A drag cut short by closing the editor still ends its gesture, so the host never waits
  // for an endEdit that will not come.
  core_->captureLost();
  SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
  DestroyWindow(hwnd_);
  hwnd_ = nullptr;
  leaveRequested_ = false;
}

tresult PLUGIN_API ZVView::onKeyDown(char16 key, int16 keyCode, int16 modifiers) {
  // No state lock held here: a typed value that commits reaches the host from inside character().
  if (!core_->textOrListActive()) return kResultFalse;
  uint32 ch = 0;
  switch (keyCode) {
    case kKeyBack:
      ch = 8;
      break;
    case kKeyReturn:
    case kKeyEnter:
      ch = 13;
      break;
    case kKeyEscape:
      ch = 27;
      break;
    default:
      ch = static_cast<uint32>(key);
  }
  if (ch == 0) return kResultFalse;
  lastKeyChar_ = ch;
  lastKeyTick_ = GetTickCount();
  addRef();  // the host may release the view from inside the edit a committed value sends
  core_->character(ch);
  release();
  return kResultOk;
}

tresult PLUGIN_API ZVView::setContentScaleFactor(ScaleFactor factor) {
  if (!(factor >= 0.75f && factor <= 4.0f)) return kResultFalse;
  const float scale = factor * sizeFactor_;
  if (std::fabs(scale - core_->effectiveScale()) >= 0.01f && !applyScale(scale, true))
    return kResultFalse;
  contentScale_ = factor;
  return kResultOk;
}

bool ZVView::applyScale(float scale, bool notifyHost) {
  const int width = zv::ViewCore::pixelsFor(zv::ViewCore::kBaseWidth, scale);
  const int height = zv::ViewCore::pixelsFor(zv::ViewCore::kBaseHeight, scale);
  ViewRect newRect(0, 0, width, height);
  // The host is asked before anything changes: a host that refuses keeps the window, the
  // canvases and the scale exactly as they were.
  if (notifyHost && plugFrame && plugFrame->resizeView(this, &newRect) != kResultOk) return false;
  core_->resizeForScale(scale);
  rect = newRect;
  if (hwnd_)
    SetWindowPos(hwnd_, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  return true;
}

void ZVView::applyPendingSize() {
  if (pendingSize_ <= 0.0f) return;
  const float factor = pendingSize_;
  pendingSize_ = 0.0f;
  if (!applyScale(contentScale_ * factor, true)) {
    // Refused: the pill goes back to the size the window still has, the settings stay.
    std::lock_guard<std::recursive_mutex> lock(core_->stateLock());
    core_->editor().sizeChoice = sizeFactor_;
    core_->markDirty();
    return;
  }
  sizeFactor_ = factor;
  zv::writeSizeFactor(sizeFactor_);
}

void ZVView::showContextMenu(int paramId, int x, int y) {
  Vst::IComponentHandler* handler = controller_->getComponentHandler();
  if (!handler) return;
  Vst::IComponentHandler3* handler3 = nullptr;
  if (handler->queryInterface(Vst::IComponentHandler3::iid, reinterpret_cast<void**>(&handler3)) !=
          kResultOk ||
      !handler3)
    return;
  const Vst::ParamID id = static_cast<Vst::ParamID>(paramId);
  // The state lock is not held here, so the editor keeps animating while the menu is open.
  if (Vst::IContextMenu* menu = handler3->createContextMenu(this, &id)) {
    menu->popup(x, y);
    menu->release();
  }
  handler3->release();
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
            BITMAPINFO info{};
            info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
            info.bmiHeader.biWidth = width;
            info.bmiHeader.biHeight = -height;  // rows top to bottom
            info.bmiHeader.biPlanes = 1;
            info.bmiHeader.biBitCount = 32;
            info.bmiHeader.biCompression = BI_RGB;
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
      return 0;
    case WM_CAPTURECHANGED:
      core_->captureLost();
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
      // A host that forwards the key through onKeyDown and still lets the window see WM_CHAR
      // would otherwise type every character twice.
      if (ch == lastKeyChar_ && GetTickCount() - lastKeyTick_ <= 59) return 0;
      core_->character(ch);
      return 0;
    }
    default:
      break;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

double ZVView::getParamNormalized(int id) {
  return controller_->getParamNormalized(static_cast<Vst::ParamID>(id));
}

void ZVView::beginEdit(int id) {
  controller_->beginEdit(static_cast<Vst::ParamID>(id));
}

void ZVView::performEdit(int id, double normalized) {
  controller_->setParamNormalized(static_cast<Vst::ParamID>(id), normalized);
  controller_->performEdit(static_cast<Vst::ParamID>(id), normalized);
}

void ZVView::endEdit(int id) {
  controller_->endEdit(static_cast<Vst::ParamID>(id));
}

void ZVView::invalidateAll() {
  if (HWND hwnd = hwnd_) InvalidateRect(hwnd, nullptr, FALSE);
}

void ZVView::invalidateRect(int x0, int y0, int x1, int y1) {
  RECT r{x0, y0, x1, y1};
  if (HWND hwnd = hwnd_) InvalidateRect(hwnd, &r, FALSE);
}

bool ZVView::dancerOpen() {
  return controller_->dancerWindow().isOpen();
}
