// A thin dialog framework over USER32: modal or modeless dialogs from
// templates, one static dialog procedure that finds the object and calls its
// member handlers, the process-wide dialog colours, and nothing thrown ever
// crossing into Windows.
#pragma once

#include <windows.h>

namespace plat::win32 {

// The colours every dialog of the program is drawn with (SetDialogBkColor).
void SetDialogColors(COLORREF background, COLORREF text);
// Back to the system's colours.
void ResetDialogColors();

class Win32Dialog {
 public:
  explicit Win32Dialog(int templateId) : templateId_(templateId) {}
  virtual ~Win32Dialog();
  Win32Dialog(const Win32Dialog&) = delete;
  Win32Dialog& operator=(const Win32Dialog&) = delete;

  // Runs the dialog modally; returns the value it was ended with, or -1.
  INT_PTR DoModal(HWND parent = nullptr);
  // Creates it modeless (for tests that drive it); false when it could not be.
  bool Create(HWND parent = nullptr);
  HWND hwnd() const { return hwnd_; }
  // Ends a modal dialog or destroys a modeless one.
  void End(INT_PTR result);

 protected:
  virtual bool OnInitDialog() { return true; }
  // Commands by control id and notification code; IDOK and IDCANCEL come
  // here too and end the dialog unless overridden.
  virtual void OnCommand(int id, int code);
  virtual LRESULT OnNotify(NMHDR*) { return 0; }
  virtual void OnSize(UINT, int, int) {}
  // Return true when handled.
  virtual bool OnSysCommand(WPARAM, LPARAM) { return false; }
  virtual bool OnPaint() { return false; }
  // Every other message; set handled to keep Windows' default away.
  virtual INT_PTR OnMessage(UINT, WPARAM, LPARAM, bool& handled) {
    handled = false;
    return 0;
  }

 private:
  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);

  int templateId_;
  HWND hwnd_ = nullptr;
  bool modal_ = false;
};

}  // namespace plat::win32
