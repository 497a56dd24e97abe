// CScanApp: start-up. Reads the installation directory, applies the colours
// of "color.txt", runs the main dialog, and ends.
#pragma once

#include "platform/platform.h"
#include "platform/shell.h"

class CScanApp {
 public:
  CScanApp(const plat::Platform& platform, plat::IShell& shell) : platform_(platform), shell_(shell) {}
  // Always false: the application ends when it returns, after the dialog.
  bool InitInstance();
  // Whether the last InitInstance showed the main dialog.
  bool ShowedDialog() const { return showedDialog_; }

 private:
  const plat::Platform& platform_;
  plat::IShell& shell_;
  bool showedDialog_ = false;
};
