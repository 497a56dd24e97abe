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

Win32ListView::Win32ListView(HWND list) : list_(list) {
  calls_.OnPosted([this] { Drain(); });
}

void Win32ListView::InsertColumn(int index, const std::string& header, int width) {
  Flush();
  LVCOLUMNA column{};
  column.mask = LVCF_FMT | LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
  column.fmt = LVCFMT_LEFT;
  column.cx = width;
  column.pszText = const_cast<char*>(header.c_str());
  column.iSubItem = index;
  ::SendMessageA(list_, LVM_INSERTCOLUMNA, index, reinterpret_cast<LPARAM>(&column));
}

int Win32ListView::GetItemCount() {
  Flush();
  return static_cast<int>(::SendMessageA(list_, LVM_GETITEMCOUNT, 0, 0));
}

int Win32ListView::InsertRow(int position, const std::string& text) {
  Flush();
  return InsertRowNow(position, text);
}

int Win32ListView::InsertRowNow(int position, const std::string& text) {
  LVITEMA item{};
  item.mask = LVIF_TEXT;
  item.iItem = position;
  item.pszText = const_cast<char*>(text.c_str());
  return static_cast<int>(::SendMessageA(list_, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
}

void Win32ListView::SetCell(int row, int column, const std::string& text) {
  Flush();
  SetCellNow(row, column, text);
}

void Win32ListView::SetCellNow(int row, int column, const std::string& text) {
  LVITEMA item{};
  item.iSubItem = column;
  item.pszText = const_cast<char*>(text.c_str());
  ::SendMessageA(list_, LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
}

std::string Win32ListView::GetCell(int row, int column) {
  Flush();
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
  Flush();
  const auto state = ::SendMessageA(list_, LVM_GETITEMSTATE, row, LVIS_STATEIMAGEMASK);
  return ((state & LVIS_STATEIMAGEMASK) >> 12) == 2;
}

void Win32ListView::SetChecked(int row, bool checked) {
  Flush();
  LVITEMA item{};
  item.stateMask = LVIS_STATEIMAGEMASK;
  item.state = INDEXTOSTATEIMAGEMASK(checked ? 2 : 1);
  ::SendMessageA(list_, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
}

void Win32ListView::DeleteRow(int row) {
  Flush();
  ::SendMessageA(list_, LVM_DELETEITEM, row, 0);
}

void Win32ListView::DeleteAll() {
  Flush();
  ::SendMessageA(list_, LVM_DELETEALLITEMS, 0, 0);
}

// The background too: rows taken out of the list leave their check boxes
// behind otherwise.
void Win32ListView::Repaint() {
  Flush();
  ::RedrawWindow(list_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

void Win32ListView::Scroll(int dx, int dy) {
  Flush();
  ::SendMessageA(list_, LVM_SCROLL, dx, dy);
}

// A worker far ahead of the list waits for it beyond this many rows, so the
// queue stays small.
constexpr std::size_t kMostQueuedRows = 4096;

void Win32ListView::AddRow(std::array<std::string, 8> cells) {
  bool post = false;
  bool wait = false;
  {
    std::lock_guard<std::mutex> lock(pendingMutex_);
    pending_.push_back(std::move(cells));
    post = !drainPosted_;
    drainPosted_ = true;
    wait = pending_.size() >= kMostQueuedRows;
  }
  // A full message queue refuses the post: the rows then go in now.
  if (wait || (post && !calls_.Post())) Flush();
}

void Win32ListView::Flush() {
  bool queued = false;
  {
    std::lock_guard<std::mutex> lock(pendingMutex_);
    queued = !pending_.empty();
  }
  if (queued) calls_.Run([this] { Drain(); });
}

void Win32ListView::Drain() {
  // Rows queued while these go in are taken by the next turn of the loop,
  // without another message; the worker posts again only once the queue
  // has been found empty.
  for (;;) {
    std::vector<Row> rows;
    {
      std::lock_guard<std::mutex> lock(pendingMutex_);
      rows.swap(pending_);
      if (rows.empty()) {
        drainPosted_ = false;
        return;
      }
    }
    InsertQueued(rows);
  }
}

void Win32ListView::InsertQueued(const std::vector<Row>& rows) {
  // While rows keep coming the list does not redraw (nor recompute its
  // scroll bars) for each one: under Wine a repaint costs tens of
  // milliseconds and turning redrawing on again lays out every row.
  if (!batching_) {
    ::SendMessageA(list_, WM_SETREDRAW, FALSE, 0);
    batching_ = true;
  }
  // Each batch puts the showing off by another 50 ms (a timer can only be
  // set by the thread that owns its window, so here, not in the worker).
  calls_.WhenQuiet(50, [this] { ShowBatch(); });
  for (const Row& cells : rows) {
    const int at = InsertRowNow(static_cast<int>(::SendMessageA(list_, LVM_GETITEMCOUNT, 0, 0)), cells[0]);
    for (int column = 1; column < 8; ++column) SetCellNow(at, column, cells[column]);
  }
  // Each row scrolls the list down by 30 pixels so the newest rows stay in
  // view; a list that does not redraw does not scroll either, so the
  // scrolling is done when the list is shown.
  pendingScroll_ += 30 * static_cast<long>(rows.size());
  if (::GetTickCount() - lastPaint_ >= 1000) {
    ShowBatch();
    ::SendMessageA(list_, WM_SETREDRAW, FALSE, 0);
    batching_ = true;
  }
}

void Win32ListView::ShowBatch() {
  ::SendMessageA(list_, WM_SETREDRAW, TRUE, 0);
  batching_ = false;
  if (pendingScroll_ > 0) ::SendMessageA(list_, LVM_SCROLL, 0, static_cast<LPARAM>(pendingScroll_));
  pendingScroll_ = 0;
  ::RedrawWindow(list_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
  lastPaint_ = ::GetTickCount();
}

namespace {

constexpr UINT kRunCall = WM_APP + 0x100;
constexpr UINT kPostedCall = WM_APP + 0x101;
constexpr const char* kCallsClass = "TidemarrowUiThreadCalls";

constexpr UINT_PTR kQuietTimer = 1;

}  // namespace

LRESULT CALLBACK CallsProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kRunCall) {
    (*reinterpret_cast<const std::function<void()>*>(lParam))();
    return 0;
  }
  auto* calls = reinterpret_cast<UiThreadCalls*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
  if (message == WM_TIMER && wParam == kQuietTimer) {
    ::KillTimer(window, kQuietTimer);
    if (calls && calls->quiet_) calls->quiet_();
    return 0;
  }
  if (message == kPostedCall) {
    if (calls && calls->posted_) calls->posted_();
    return 0;
  }
  return ::DefWindowProcA(window, message, wParam, lParam);
}

UiThreadCalls::UiThreadCalls() {
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = CallsProc;
  windowClass.hInstance = ::GetModuleHandleA(nullptr);
  windowClass.lpszClassName = kCallsClass;
  ::RegisterClassA(&windowClass);  // fails harmlessly when already registered
  window_ = ::CreateWindowExA(0, kCallsClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, windowClass.hInstance, nullptr);
  if (window_) ::SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

UiThreadCalls::~UiThreadCalls() {
  if (window_) ::DestroyWindow(window_);
}

void UiThreadCalls::WhenQuiet(unsigned milliseconds, std::function<void()> work) {
  quiet_ = std::move(work);
  ::SetTimer(window_, kQuietTimer, milliseconds, nullptr);
}

bool UiThreadCalls::RunsHere() const {
  return !window_ || ::GetWindowThreadProcessId(window_, nullptr) == ::GetCurrentThreadId();
}

bool UiThreadCalls::Post() {
  if (RunsHere()) {
    if (posted_) posted_();
    return true;
  }
  return ::PostMessageA(window_, kPostedCall, 0, 0) != FALSE;
}

void UiThreadCalls::Run(const std::function<void()>& work) {
  if (RunsHere()) {
    work();
    return;
  }
  ::SendMessageA(window_, kRunCall, 0, reinterpret_cast<LPARAM>(&work));
}

}  // namespace plat::win32
