// What the Windows GUI tests do to a window as a user would: pump its
// messages, press its buttons, read its controls, look at its pixels and
// take screenshots of it.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/win32/win32_controls.h"
#include "tests/win32/png_writer.h"

namespace testing_support::gui {

// Runs the window's messages until the condition holds (or 120 s pass).
inline bool PumpUntil(const std::function<bool()>& done) {
  const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(120);
  while (std::chrono::steady_clock::now() < limit) {
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageA(&msg);
    }
    if (done()) return true;
    // Wakes at once for a message another thread sends, as a message
    // loop blocked in GetMessage does.
    ::MsgWaitForMultipleObjectsEx(0, nullptr, 5, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  }
  return false;
}
inline void Click(HWND dialog, int id) {
  ::SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(dialog, id)));
}
inline std::string Text(HWND dialog, int id) {
  char text[512] = {};
  ::GetDlgItemTextA(dialog, id, text, sizeof text);
  return text;
}
inline int FindRow(HWND list, const std::string& fullKey, const std::string& valueName) {
  plat::win32::Win32ListView view(list);
  for (int r = 0; r < view.GetItemCount(); ++r)
    if (view.GetCell(r, 2) == fullKey && view.GetCell(r, 4) == valueName) return r;
  return -1;
}
// Lets the display server catch up with a resize (Wine's X11 driver
// configures its windows asynchronously).
inline void Settle() {
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(400);
  PumpUntil([&] { return std::chrono::steady_clock::now() >= until; });
}
// A pixel of the window's client area as the screen shows it.
inline COLORREF PixelAt(HWND window, int x, int y) {
  ::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_ERASE);
  Settle();
  POINT p{x, y};
  ::ClientToScreen(window, &p);
  HDC screen = ::GetDC(nullptr);
  const COLORREF c = ::GetPixel(screen, p.x, p.y);
  ::ReleaseDC(nullptr, screen);
  return c;
}
inline RECT ChildRect(HWND dialog, int id) {
  RECT r;
  ::GetWindowRect(::GetDlgItem(dialog, id), &r);
  ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
  return r;
}
// Whether text, in the control's font, fits inside the control.
inline bool TextFits(HWND control, const std::string& text) {
  HDC dc = ::GetDC(control);
  HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageA(control, WM_GETFONT, 0, 0)));
  SIZE size{};
  ::GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
  ::SelectObject(dc, old);
  ::ReleaseDC(control, dc);
  RECT inside;
  ::GetClientRect(control, &inside);
  return size.cx + 4 <= inside.right && size.cy <= inside.bottom + 2;
}
// The window's client area as it is on the screen.
inline void Screenshot(HWND window, const char* path) {
  RECT r;
  ::GetClientRect(window, &r);
  ::MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&r), 2);
  const int w = r.right - r.left, h = r.bottom - r.top;
  HDC screen = ::GetDC(nullptr);
  HDC memory = ::CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP bitmap = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = ::SelectObject(memory, bitmap);
  ::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
  Settle();
  ::BitBlt(memory, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
  ::GdiFlush();
  const int stride = (w * 3 + 3) & ~3;
  std::vector<std::uint8_t> rgb;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const auto* p = static_cast<std::uint8_t*>(bits) + y * stride + x * 3;
      rgb.insert(rgb.end(), {p[2], p[1], p[0]});
    }
  testing_support::WritePng(path, w, h, rgb);
  ::SelectObject(memory, old);
  ::DeleteObject(bitmap);
  ::DeleteDC(memory);
  ::ReleaseDC(nullptr, screen);
}

}  // namespace testing_support::gui
