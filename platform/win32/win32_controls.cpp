#include "platform/win32/win32_controls.h"

#include <commctrl.h>

#include <vector>

namespace plat::win32 {

void Win32DialogControls::SetText(int id, const std::string& text) { ::SetDlgItemTextA(dialog_, id, text.c_str()); }

std::string Win32DialogControls::GetText(int id) {
  HWND control = ::GetDlgItem(dialog_, id);
  if (!control) return "";
  const int length = ::GetWindowTextLengthA(control);
  std::vector<char> buffer(static_cast<std::size_t>(length) + 1);
  const int got = ::GetWindowTextA(control, buffer.data(), length + 1);
  return std::string(buffer.data(), got > 0 ? got : 0);
}

void Win32DialogControls::Enable(int id, bool enabled) { ::EnableWindow(::GetDlgItem(dialog_, id), enabled); }

bool Win32DialogControls::IsEnabled(int id) { return ::IsWindowEnabled(::GetDlgItem(dialog_, id)) != FALSE; }

void Win32DialogControls::Repaint(int id, bool eraseBackground) {
  ::RedrawWindow(::GetDlgItem(dialog_, id), nullptr, nullptr,
                 RDW_INVALIDATE | RDW_UPDATENOW | (eraseBackground ? RDW_ERASE : 0));
}

void Win32ListView::InsertColumn(int index, const std::string& header, int width) {
  LVCOLUMNA column{};
  column.mask = LVCF_FMT | LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
  column.fmt = LVCFMT_LEFT;
  column.cx = width;
  column.pszText = const_cast<char*>(header.c_str());
  column.iSubItem = index;
  ::SendMessageA(list_, LVM_INSERTCOLUMNA, index, reinterpret_cast<LPARAM>(&column));
}

int Win32ListView::GetItemCount() { return static_cast<int>(::SendMessageA(list_, LVM_GETITEMCOUNT, 0, 0)); }

int Win32ListView::InsertRow(int position, const std::string& text) {
  LVITEMA item{};
  item.mask = LVIF_TEXT;
  item.iItem = position;
  item.pszText = const_cast<char*>(text.c_str());
  return static_cast<int>(::SendMessageA(list_, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
}

void Win32ListView::SetCell(int row, int column, const std::string& text) {
  LVITEMA item{};
  item.iSubItem = column;
  item.pszText = const_cast<char*>(text.c_str());
  ::SendMessageA(list_, LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
}

std::string Win32ListView::GetCell(int row, int column) {
  // A cell holds at most one registry text of 4096 bytes.
  std::vector<char> buffer(4097);
  LVITEMA item{};
  item.iSubItem = column;
  item.pszText = buffer.data();
  item.cchTextMax = static_cast<int>(buffer.size());
  const auto length = ::SendMessageA(list_, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
  return std::string(buffer.data(), length > 0 ? static_cast<std::size_t>(length) : 0);
}

bool Win32ListView::IsChecked(int row) {
  const auto state = ::SendMessageA(list_, LVM_GETITEMSTATE, row, LVIS_STATEIMAGEMASK);
  return ((state & LVIS_STATEIMAGEMASK) >> 12) == 2;
}

void Win32ListView::SetChecked(int row, bool checked) {
  LVITEMA item{};
  item.stateMask = LVIS_STATEIMAGEMASK;
  item.state = INDEXTOSTATEIMAGEMASK(checked ? 2 : 1);
  ::SendMessageA(list_, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
}

void Win32ListView::DeleteRow(int row) { ::SendMessageA(list_, LVM_DELETEITEM, row, 0); }

void Win32ListView::DeleteAll() { ::SendMessageA(list_, LVM_DELETEALLITEMS, 0, 0); }

void Win32ListView::Repaint() { ::RedrawWindow(list_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW); }

void Win32ListView::Scroll(int dx, int dy) { ::SendMessageA(list_, LVM_SCROLL, dx, dy); }

}  // namespace plat::win32
