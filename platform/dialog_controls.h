// What the jobs and dialogs do to a dialog's controls, by control id. The
// worker thread calls these while the window's thread runs its message loop,
// so an implementation must be safe to call from another thread (Win32
// carries the calls out through window messages).
#pragma once

#include <array>
#include <string>

namespace plat {

class IDialogControls {
 public:
  virtual ~IDialogControls() = default;
  virtual void SetText(int id, const std::string& text) = 0;
  virtual std::string GetText(int id) = 0;
  virtual void Enable(int id, bool enabled) = 0;
  virtual bool IsEnabled(int id) = 0;
  // Redraws the control at once; eraseBackground as RedrawWindow's RDW_ERASE.
  virtual void Repaint(int id, bool eraseBackground) = 0;
};

// A report-view list with a check box on every row.
class IListView {
 public:
  virtual ~IListView() = default;
  virtual void InsertColumn(int index, const std::string& header, int width) = 0;
  // LVM_GETITEMCOUNT.
  virtual int GetItemCount() = 0;
  // Inserts a row at position with text in column 0, unticked; returns its
  // index, or -1.
  virtual int InsertRow(int position, const std::string& text) = 0;
  virtual void SetCell(int row, int column, const std::string& text) = 0;
  virtual std::string GetCell(int row, int column) = 0;
  virtual bool IsChecked(int row) = 0;
  virtual void SetChecked(int row, bool checked) = 0;
  virtual void DeleteRow(int row) = 0;
  virtual void DeleteAll() = 0;
  virtual void Repaint() = 0;
  // LVM_SCROLL by pixels.
  virtual void Scroll(int dx, int dy) = 0;
  // Appends a row with its eight cells, has the list repainted and scrolls
  // it down by 30 pixels so the newest rows stay in view. A backend whose
  // controls live on another thread does this in one call to that thread.
  // Taken by value: a caller done with its cells moves them in.
  virtual void AddRow(std::array<std::string, 8> cells) {
    const int at = InsertRow(GetItemCount(), cells[0]);
    for (int column = 1; column < 8; ++column) SetCell(at, column, cells[column]);
    Repaint();
    Scroll(0, 30);
  }
};

}  // namespace plat
