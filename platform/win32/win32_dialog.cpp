#include "platform/win32/win32_dialog.h"

namespace plat::win32 {
namespace {

struct Colors {
  bool set = false;
  COLORREF background = 0;
  COLORREF text = 0;
  HBRUSH brush = nullptr;
};

Colors& DialogColorState() {
  static Colors colors;
  return colors;
}

}  // namespace

void SetDialogColors(COLORREF background, COLORREF text) {
  Colors& c = DialogColorState();
  if (c.brush) ::DeleteObject(c.brush);
  c.set = true;
  c.background = background;
  c.text = text;
  c.brush = ::CreateSolidBrush(background);
}

void ResetDialogColors() {
  Colors& c = DialogColorState();
  if (c.brush) ::DeleteObject(c.brush);
  c = Colors{};
}

Win32Dialog::~Win32Dialog() {
  if (hwnd_ && !modal_) ::DestroyWindow(hwnd_);
}

INT_PTR Win32Dialog::DoModal(HWND parent) {
  modal_ = true;
  return ::DialogBoxParamA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(templateId_), parent, DialogProc,
                           reinterpret_cast<LPARAM>(this));
}

bool Win32Dialog::Create(HWND parent) {
  modal_ = false;
  return ::CreateDialogParamA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(templateId_), parent, DialogProc,
                              reinterpret_cast<LPARAM>(this)) != nullptr;
}

void Win32Dialog::End(INT_PTR result) {
  if (!hwnd_) return;
  if (modal_) {
    ::EndDialog(hwnd_, result);
  } else {
    HWND h = hwnd_;
    ::DestroyWindow(h);
  }
}

void Win32Dialog::OnCommand(int id, int) {
  if (id == IDOK || id == IDCANCEL) End(id);
}

INT_PTR CALLBACK Win32Dialog::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  Win32Dialog* self = nullptr;
  if (message == WM_INITDIALOG) {
    self = reinterpret_cast<Win32Dialog*>(lParam);
    self->hwnd_ = hwnd;
    ::SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
  } else {
    self = reinterpret_cast<Win32Dialog*>(::GetWindowLongPtrA(hwnd, DWLP_USER));
  }
  if (!self) return FALSE;
  bool handled = false;
  INT_PTR result = FALSE;
  try {
    result = self->Dispatch(message, wParam, lParam, handled);
  } catch (...) {
    // A handler's failure must not unwind through USER32.
    handled = true;
    result = FALSE;
  }
  if (message == WM_NCDESTROY) self->hwnd_ = nullptr;
  if (!handled) return FALSE;
  if (message == WM_NOTIFY) ::SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, result);
  // These few messages take the dialog procedure's own return value (a brush
  // for the colour messages); every other one a TRUE that says "handled".
  switch (message) {
    case WM_NOTIFY:
    case WM_INITDIALOG:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_QUERYDRAGICON:
      return result;
    default:
      return TRUE;
  }
}

INT_PTR Win32Dialog::Dispatch(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
  const Colors& colors = DialogColorState();
  switch (message) {
    case WM_INITDIALOG:
      handled = true;
      return OnInitDialog() ? TRUE : FALSE;
    case WM_COMMAND:
      handled = true;
      OnCommand(LOWORD(wParam), HIWORD(wParam));
      return 0;
    case WM_NOTIFY:
      handled = true;
      return OnNotify(reinterpret_cast<NMHDR*>(lParam));
    case WM_SIZE:
      OnSize(static_cast<UINT>(wParam), LOWORD(lParam), HIWORD(lParam));
      return 0;
    case WM_SYSCOMMAND:
      handled = OnSysCommand(wParam, lParam);
      return 0;
    case WM_PAINT:
      handled = OnPaint();
      return 0;
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      if (!colors.set) break;
      ::SetTextColor(reinterpret_cast<HDC>(wParam), colors.text);
      ::SetBkColor(reinterpret_cast<HDC>(wParam), colors.background);
      handled = true;
      return reinterpret_cast<INT_PTR>(colors.brush);
    default:
      break;
  }
  if (message == WM_CTLCOLORDLG || message == WM_CTLCOLORSTATIC || message == WM_CTLCOLORBTN) {
    handled = false;
    return 0;
  }
  return OnMessage(message, wParam, lParam, handled);
}

}  // namespace plat::win32
