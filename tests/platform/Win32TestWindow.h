// What the programs that drive real Win32 windows share: the host's window, running the thread's
// messages for a while, the process's threads, and the pixels a window shows. Include in one
// source file per program: it holds the PNG writer's code.
#pragma once

#include <windows.h>
// tlhelp32.h needs the types windows.h declares.
#include <tlhelp32.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include "stb_image_write.h"

namespace zv::test {

// The keys and characters that reached a host window.
inline std::vector<WPARAM> hostKeys;

// A visible top-level window of the host's, at (x, 0).
inline HWND hostWindow(int x, int width, int height) {
  static const ATOM registered = [] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = [](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
      if (message == WM_KEYDOWN || message == WM_CHAR) hostKeys.push_back(wParam);
      return DefWindowProcW(hwnd, message, wParam, lParam);
    };
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"ZVTestHostWindow";
    return RegisterClassExW(&wc);
  }();
  (void)registered;
  return CreateWindowExW(0, L"ZVTestHostWindow", L"host", WS_POPUP | WS_VISIBLE, x, 0, width,
                         height, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
}

// Dispatches this thread's messages for `milliseconds`.
inline void pumpMessages(int milliseconds) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  while (std::chrono::steady_clock::now() < end) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    Sleep(5);
  }
}

inline std::set<DWORD> threadIds() {
  HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  THREADENTRY32 entry{};
  entry.dwSize = sizeof(entry);
  std::set<DWORD> ids;
  for (BOOL more = Thread32First(snap, &entry); more; more = Thread32Next(snap, &entry))
    if (entry.th32OwnerProcessID == GetCurrentProcessId()) ids.insert(entry.th32ThreadID);
  CloseHandle(snap);
  return ids;
}

// The client area's pixels as 0x00RRGGBB, rows top to bottom; also written to
// ZV_SCREENSHOT_DIR/<name>.png when a name is given, so a run leaves something to look at.
inline std::vector<std::uint32_t> capture(HWND hwnd, const char* name = nullptr) {
  RECT r{};
  GetClientRect(hwnd, &r);
  const int w = r.right - r.left, h = r.bottom - r.top;
  HDC windowDc = GetDC(hwnd);
  HDC memDc = CreateCompatibleDC(windowDc);
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(windowDc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memDc, bitmap);
  BitBlt(memDc, 0, 0, w, h, windowDc, 0, 0, SRCCOPY);
  const auto* px = static_cast<const std::uint32_t*>(bits);
  std::vector<std::uint32_t> out(px, px + static_cast<size_t>(w) * h);
  SelectObject(memDc, old);
  DeleteObject(bitmap);
  DeleteDC(memDc);
  ReleaseDC(hwnd, windowDc);
  for (auto& p : out) p &= 0xFFFFFF;
  if (!name) return out;
  std::vector<unsigned char> rgb(out.size() * 3);
  for (size_t i = 0; i < out.size(); ++i)
    for (int k = 0; k < 3; ++k) rgb[i * 3 + k] = (out[i] >> (16 - 8 * k)) & 0xFF;
  const char* dir = std::getenv("ZV_SCREENSHOT_DIR");
  const std::string path = std::string(dir ? dir : ".") + "\\" + name + ".png";
  stbi_write_png(path.c_str(), w, h, 3, rgb.data(), w * 3);
  return out;
}

}  // namespace zv::test
