// ShellExecuteEx, waiting for the program when asked.
#pragma once

#include <windows.h>

#include "platform/shell.h"

namespace plat::win32 {

class Win32Shell final : public IShell {
 public:
  void SetOwner(HWND owner) { owner_ = owner; }
  int Execute(const std::string& program, const std::string& parameters, const std::string& workingDirectory,
              int show, bool wait, unsigned* exitCode) override;

 private:
  HWND owner_ = nullptr;
};

}  // namespace plat::win32
