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

// The background too: rows taken out of the list leave their check boxes
// behind otherwise.
void Win32ListView::Repaint() { ::RedrawWindow(list_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW); }

void Win32ListView::Scroll(int dx, int dy) { ::SendMessageA(list_, LVM_SCROLL, dx, dy); }

void Win32ListView::AddRow(const std::array<std::string, 8>& cells) {
  calls_.Run([&] {
    // While rows keep coming the list does not redraw (nor recompute its
    // scroll bars) for each one: under Wine a repaint costs tens of
    // milliseconds and turning redrawing on again lays out every row, so
    // the list is shown once a second, and once more when the rows stop.
    if (!batching_) {
      ::SendMessageA(list_, WM_SETREDRAW, FALSE, 0);
      batching_ = true;
    }
    // Each row puts the showing off by another 50 ms (a timer can only be
    // set by the thread that owns its window, so here, not in the caller).
    calls_.WhenQuiet(50, [this] { ShowBatch(); });
    const int at = InsertRow(GetItemCount(), cells[0]);
    for (int column = 1; column < 8; ++column) SetCell(at, column, cells[column]);
    Scroll(0, 30);
    const DWORD now = ::GetTickCount();
    if (now - lastPaint_ >= 1000) {
      ShowBatch();
      ::SendMessageA(list_, WM_SETREDRAW, FALSE, 0);
      batching_ = true;
    }
  });
}

void Win32ListView::ShowBatch() {
  ::SendMessageA(list_, WM_SETREDRAW, TRUE, 0);
  batching_ = false;
  ::RedrawWindow(list_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
  lastPaint_ = ::GetTickCount();
}

namespace {

constexpr UINT kRunCall = WM_APP + 0x100;
constexpr const char* kCallsClass = "TidemarrowUiThreadCalls";

constexpr UINT_PTR kQuietTimer = 1;

LRESULT CALLBACK CallsProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kRunCall) {
    (*reinterpret_cast<const std::function<void()>*>(lParam))();
    return 0;
  }
  if (message == WM_TIMER && wParam == kQuietTimer) {
    ::KillTimer(window, kQuietTimer);
    if (auto* quiet = reinterpret_cast<std::function<void()>*>(::GetWindowLongPtrA(window, GWLP_USERDATA))) (*quiet)();
    return 0;
  }
  return ::DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

UiThreadCalls::UiThreadCalls() {
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = CallsProc;
  windowClass.hInstance = ::GetModuleHandleA(nullptr);
  windowClass.lpszClassName = kCallsClass;
  ::RegisterClassA(&windowClass);  // fails harmlessly when already registered
  window_ = ::CreateWindowExA(0, kCallsClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, windowClass.hInstance, nullptr);
}

UiThreadCalls::~UiThreadCalls() {
  if (window_) ::DestroyWindow(window_);
}

void UiThreadCalls::WhenQuiet(unsigned milliseconds, std::function<void()> work) {
  quiet_ = std::move(work);
  ::SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&quiet_));
  ::SetTimer(window_, kQuietTimer, milliseconds, nullptr);
}

void UiThreadCalls::Run(const std::function<void()>& work) {
  // On the window's own thread, or without a window, the work runs here.
  if (!window_ || ::GetWindowThreadProcessId(window_, nullptr) == ::GetCurrentThreadId()) {
    work();
    return;
  }
  ::SendMessageA(window_, kRunCall, 0, reinterpret_cast<LPARAM>(&work));
}

}  // namespace plat::win32
