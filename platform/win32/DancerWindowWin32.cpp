// The dancer window on Windows: a frameless top-level window whose messages arrive on the thread
// that opened it, and a thread of its own that draws the frames the window blits.
#include <windows.h>
#include <windowsx.h>

#include <atomic>
#include <thread>

#include "DancerCore.h"
#include "DancerWindow.h"
#include "Win32Window.h"

namespace {

const wchar_t kDancerClass[] = L"ZoquaVoceDancerWnd";

LRESULT CALLBACK dancerClassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

HINSTANCE thisModule() {
  return zv::win32::moduleHolding(&dancerClassProc);
}

zv::DancerRect toRect(const RECT& r) {
  return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

// The work area of the monitor nearest the point, or `fallback` when it cannot be read.
zv::DancerRect workAreaNear(POINT pt, zv::DancerRect fallback) {
  MONITORINFO info{};
  info.cbSize = sizeof(info);
  HMONITOR monitor = MonitorFromPoint(pt, MONITOR_DEFAULTTONEAREST);
  if (!monitor || !GetMonitorInfoW(monitor, &info)) return fallback;
  return toRect(info.rcWork);
}

float screenDpiScale() {
  HDC dc = GetDC(nullptr);
  if (!dc) return 1.0f;
  const int dpi = GetDeviceCaps(dc, LOGPIXELSY);
  ReleaseDC(nullptr, dc);
  return zv::dancerDpiScale(dpi);
}

void roundCorners(HWND hwnd) {
  HMODULE dwm = LoadLibraryW(L"dwmapi.dll");
  if (!dwm) return;
  using SetAttribute = HRESULT(WINAPI*)(HWND, DWORD, LPCVOID, DWORD);
  if (auto set = reinterpret_cast<SetAttribute>(
          reinterpret_cast<void*>(GetProcAddress(dwm, "DwmSetWindowAttribute")))) {
    const DWORD kCornerPreference = 33, kRound = 2;
    set(hwnd, kCornerPreference, &kRound, sizeof(kRound));
  }
  FreeLibrary(dwm);
}

LRESULT hitCode(zv::DancerHit hit) {
  switch (hit) {
    case zv::DancerHit::Client:
      return HTCLIENT;
    case zv::DancerHit::Left:
      return HTLEFT;
    case zv::DancerHit::Right:
      return HTRIGHT;
    case zv::DancerHit::Top:
      return HTTOP;
    case zv::DancerHit::Bottom:
      return HTBOTTOM;
    case zv::DancerHit::TopLeft:
      return HTTOPLEFT;
    case zv::DancerHit::TopRight:
      return HTTOPRIGHT;
    case zv::DancerHit::BottomLeft:
      return HTBOTTOMLEFT;
    case zv::DancerHit::BottomRight:
      return HTBOTTOMRIGHT;
    case zv::DancerHit::Caption:
      break;
  }
  return HTCAPTION;
}

}  // namespace

struct DancerWindow::Impl : zv::DancerSurface {
  explicit Impl(DancerWindow& owner) : self(owner) {}

  // zv::DancerSurface, on the dancer thread: only calls that never wait for the window's thread.
  Pointer pointer() override {
    Pointer p;
    POINT cursor;
    RECT r;
    if (!GetCursorPos(&cursor) || !GetWindowRect(hwnd, &r) || !PtInRect(&r, cursor)) return p;
    ScreenToClient(hwnd, &cursor);
    p.inside = true;
    p.x = cursor.x;
    p.y = cursor.y;
    return p;
  }
  void frameReady() override { InvalidateRect(hwnd, nullptr, FALSE); }

  void open(HINSTANCE instance);
  void close();
  // The window went without close() (a host tearing down its windows): the thread goes too.
  void destroyedFromOutside();
  void stopThread() {
    running.store(false);
    if (thread.joinable()) thread.join();
  }
  LRESULT windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void paint(HWND window);
  void wheelResize(HWND window, int delta);

  DancerWindow& self;
  std::atomic<bool> isOpen{false};
  HWND hwnd = nullptr;
  std::thread thread;
  std::atomic<bool> running{false};
  std::unique_ptr<zv::DancerCore> core;  // from the first open, so the mascot's mood carries over
};

namespace {

LRESULT CALLBACK dancerClassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (auto* impl = static_cast<DancerWindow::Impl*>(zv::win32::windowOwner(hwnd, message, lParam)))
    return impl->windowProc(hwnd, message, wParam, lParam);
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace

void DancerWindow::Impl::open(HINSTANCE instance) {
  if (hwnd && !IsWindow(hwnd)) destroyedFromOutside();  // its destruction went unseen
  if (hwnd) {
    ShowWindow(hwnd, SW_SHOWNORMAL);
    SetForegroundWindow(hwnd);
    return;
  }
  WNDCLASSEXW existing{};
  existing.cbSize = sizeof(existing);
  if (!GetClassInfoExW(instance, kDancerClass, &existing)) {
    const WNDCLASSEXW wc =
        zv::win32::windowClass(instance, kDancerClass, dancerClassProc, CS_DROPSHADOW);
    if (!RegisterClassExW(&wc)) return;
  }
  if (!core) {
    auto read = self.readParam;
    core = std::make_unique<zv::DancerCore>([read](int id) { return read ? read(id) : 0.0; });
  }
  const float dpi = screenDpiScale();
  core->setDpiScale(dpi);
  POINT cursor{0, 0};
  GetCursorPos(&cursor);
  const zv::DancerRect r = zv::dancerInitialRect(dpi, workAreaNear(cursor, {0, 0, 1920, 1080}));
  hwnd = CreateWindowExW(WS_EX_APPWINDOW, kDancerClass, L"ZoquaVoce",
                         WS_POPUP | WS_THICKFRAME | WS_SYSMENU | WS_MINIMIZEBOX, r.x, r.y, r.width,
                         r.height, nullptr, nullptr, instance, this);
  if (!hwnd) return;
  // The frame the styles ask for goes once the frame is recalculated: the window is all client.
  SetWindowPos(hwnd, nullptr, r.x, r.y, r.width, r.height,
               SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  roundCorners(hwnd);
  RECT client{};
  GetClientRect(hwnd, &client);
  core->setClientSize(client.right - client.left, client.bottom - client.top);
  ShowWindow(hwnd, SW_SHOWNORMAL);
  UpdateWindow(hwnd);
  isOpen.store(true);
  running.store(true);
  thread = std::thread([this] { core->run(running, *this); });
  self.announce(true);
}

void DancerWindow::Impl::close() {
  stopThread();
  const bool wasOpen = isOpen.load();
  if (HWND window = hwnd) {
    hwnd = nullptr;
    // Later messages (the destruction's own) go to the default procedure.
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(window, GWLP_HINSTANCE));
    DestroyWindow(window);
    UnregisterClassW(kDancerClass, instance);
  } else {
    // A window destroyed from outside left its class behind.
    UnregisterClassW(kDancerClass, thisModule());
  }
  isOpen.store(false);
  if (wasOpen) self.announce(false);
}

void DancerWindow::Impl::destroyedFromOutside() {
  stopThread();
  if (hwnd) SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
  hwnd = nullptr;
  // The class stays registered while the window is still being destroyed; the next open reuses
  // it and the next close unregisters it.
  const bool wasOpen = isOpen.exchange(false);
  if (wasOpen) self.announce(false);
}

void DancerWindow::Impl::paint(HWND window) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(window, &ps);
  if (core) {
    core->withFrontBuffer([dc](const std::uint32_t* pixels, int width, int height) {
      const BITMAPINFO info = zv::win32::topDownBitmap(width, height);
      SetDIBitsToDevice(dc, 0, 0, static_cast<DWORD>(width), static_cast<DWORD>(height), 0, 0, 0,
                        static_cast<UINT>(height), pixels, &info, DIB_RGB_COLORS);
    });
  }
  EndPaint(window, &ps);
}

void DancerWindow::Impl::wheelResize(HWND window, int delta) {
  RECT r{};
  GetWindowRect(window, &r);
  const zv::DancerRect now = toRect(r);
  const POINT centre{now.x + now.width / 2, now.y + now.height / 2};
  const zv::DancerRect next =
      zv::dancerWheelResize(now, workAreaNear(centre, {0, 0, 3840, 2160}), delta);
  SetWindowPos(window, nullptr, next.x, next.y, next.width, next.height,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT DancerWindow::Impl::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_NCCALCSIZE:
      if (wParam) return 0;  // the whole window is client area
      break;
    case WM_SIZE:
      if (core) core->setClientSize(LOWORD(lParam), HIWORD(lParam));
      return 0;
    case WM_PAINT:
      paint(window);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_CLOSE:
      self.close();
      return 0;
    case WM_GETMINMAXINFO: {
      auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
      info->ptMinTrackSize = {zv::kDancerMinimumSide, zv::kDancerMinimumSide};
      return 0;
    }
    case WM_NCHITTEST: {
      RECT r{};
      GetWindowRect(window, &r);
      const float dpi = core ? core->dpiScale() : 1.0f;
      return hitCode(zv::dancerHitTest(toRect(r), dpi, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)));
    }
    case WM_NCRBUTTONUP:
    case WM_RBUTTONUP:
      return 0;
    case WM_LBUTTONUP: {
      if (!core) return 0;
      RECT client{};
      GetClientRect(window, &client);
      const zv::DancerChrome chrome =
          zv::dancerChrome(client.right, client.bottom, core->dpiScale());
      const int button = zv::dancerButtonAt(chrome, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      if (button == zv::kDancerClose) {
        self.close();
      } else if (button == zv::kDancerPin) {
        const bool pinned = core->togglePinned();
        SetWindowPos(window, pinned ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                     SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
      }
      return 0;
    }
    case WM_MOUSEWHEEL:
      wheelResize(window, GET_WHEEL_DELTA_WPARAM(wParam));
      return 0;
    case WM_NCDESTROY:
      destroyedFromOutside();
      break;
    default:
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

DancerWindow::DancerWindow() : impl_(std::make_unique<Impl>(*this)) {}

DancerWindow::~DancerWindow() {
  close();
}

void DancerWindow::open(void* moduleInstance) {
  impl_->open(moduleInstance ? static_cast<HINSTANCE>(moduleInstance) : thisModule());
}

void DancerWindow::close() {
  impl_->close();
}

bool DancerWindow::isOpen() const {
  return impl_->isOpen.load();
}
