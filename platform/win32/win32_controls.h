// The dialog controls interface over real controls. Calls from the worker
// thread become messages that the window's thread carries out, so they are
// safe as long as that thread keeps its message loop running.
#pragma once

#include <windows.h>

#include <functional>
#include <mutex>
#include <vector>

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

// Runs calls on the thread that created it, through a message-only window:
// the worker hands the window's thread a whole piece of work in one message
// instead of one message per control call.
class UiThreadCalls {
 public:
  UiThreadCalls();
  ~UiThreadCalls();
  UiThreadCalls(const UiThreadCalls&) = delete;
  UiThreadCalls& operator=(const UiThreadCalls&) = delete;
  void Run(const std::function<void()>& work);
  // Runs `work` on this thread after `milliseconds`, unless called again
  // before then (which starts the wait anew). Call it on this thread.
  void WhenQuiet(unsigned milliseconds, std::function<void()> work);
  // Has `OnPosted`'s work run on this thread once the calls sent before it
  // are done, without waiting for it. At once when called on this thread;
  // false when the message could not be posted.
  bool Post();
  void OnPosted(std::function<void()> work) { posted_ = std::move(work); }

 private:
  friend LRESULT CALLBACK CallsProc(HWND, UINT, WPARAM, LPARAM);
  // On the window's own thread, or without a window, calls are made here.
  bool RunsHere() const;
  HWND window_ = nullptr;
  std::function<void()> quiet_;
  std::function<void()> posted_;
};

class Win32ListView final : public IListView {
 public:
  // Made on the list's own thread.
  explicit Win32ListView(HWND list);
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
  // Queues the row for the list's thread and returns without waiting for
  // it: the worker reads the next lines while the list inserts. Every other
  // call first has the queued rows inserted, so what a caller reads back
  // is the list with all its rows. The list is shown once a second while
  // rows keep coming and once more when they stop.
  void AddRow(std::array<std::string, 8> cells) override;

 private:
  using Row = std::array<std::string, 8>;
  void Flush();
  void Drain();
  void InsertQueued(const std::vector<Row>& rows);
  void ShowBatch();
  int InsertRowNow(int position, const std::string& text);
  void SetCellNow(int row, int column, const std::string& text);
  HWND list_;
  UiThreadCalls calls_;
  DWORD lastPaint_ = 0;
  bool batching_ = false;
  long pendingScroll_ = 0;
  std::mutex pendingMutex_;
  std::vector<Row> pending_;
  bool drainPosted_ = false;
};

}  // namespace plat::win32
