// The dialog controls interface over real controls. Calls from the worker
// thread become messages that the window's thread carries out, so they are
// safe as long as that thread keeps its message loop running.
#pragma once

#include <windows.h>

#include "platform/dialog_controls.h"

namespace plat::win32 {

class Win32DialogControls final : public IDialogControls {
 public:
  explicit Win32DialogControls(HWND dialog) : dialog_(dialog) {}
  void SetText(int id, const std::string& text) override;
  std::string GetText(int id) override;
  void Enable(int id, bool enabled) override;
  bool IsEnabled(int id) override;
  void Repaint(int id, bool eraseBackground) override;

 private:
  HWND dialog_;
};

class Win32ListView final : public IListView {
 public:
  explicit Win32ListView(HWND list) : list_(list) {}
  void InsertColumn(int index, const std::string& header, int width) override;
  int GetItemCount() override;
  int InsertRow(int position, const std::string& text) override;
  void SetCell(int row, int column, const std::string& text) override;
  std::string GetCell(int row, int column) override;
  bool IsChecked(int row) override;
  void SetChecked(int row, bool checked) override;
  void DeleteRow(int row) override;
  void DeleteAll() override;
  void Repaint() override;
  void Scroll(int dx, int dy) override;

 private:
  HWND list_;
};

}  // namespace plat::win32
