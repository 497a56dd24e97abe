// CMainDialog: the program's main window (template 102). Its state and
// commands are CMainCommands, shared with the CLI; this class is the window:
// initialisation, layout, the system menu, painting and message routing.
#pragma once

#include <memory>

#include "app/main_commands.h"
#include "platform/win32/win32_controls.h"
#include "platform/shell.h"
#include "platform/win32/win32_dialog.h"

class CMainDialog final : public plat::win32::Win32Dialog {
 public:
  CMainDialog(const plat::Platform& platform, plat::IShell& shell);
  ~CMainDialog() override;

  CMainCommands* Commands() { return commands_.get(); }
  // Posted by a job's thread when the job has ended.
  static constexpr UINT kJobEnded = WM_APP + 1;

 protected:
  bool OnInitDialog() override;
  void OnCommand(int id, int code) override;
  void OnSize(UINT type, int cx, int cy) override;
  bool OnSysCommand(WPARAM id, LPARAM lParam) override;
  bool OnPaint() override;
  INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;

 private:
  void OnCancel();
  void Layout(int cx, int cy);
  std::function<void()> JobEndNotice();

  const plat::Platform& platform_;
  plat::IShell& shell_;
  std::unique_ptr<plat::win32::Win32DialogControls> controls_;
  std::unique_ptr<plat::win32::Win32ListView> list_;
  std::unique_ptr<CMainCommands> commands_;
  HICON icon_ = nullptr;
  bool closeWhenJobEnds_ = false;
};
