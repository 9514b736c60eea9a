// What the tests that drive real Win32 windows share: running the thread's messages for a while,
// the process's threads, and the pixels a window shows.
#pragma once

#include <windows.h>
// tlhelp32.h needs the types windows.h declares.
#include <tlhelp32.h>

#include <chrono>
#include <cstdint>
#include <set>
#include <vector>

namespace zv::test {

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

// The client area's pixels as 0x00RRGGBB, rows top to bottom.
inline std::vector<std::uint32_t> clientPixels(HWND hwnd) {
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
  return out;
}

}  // namespace zv::test
