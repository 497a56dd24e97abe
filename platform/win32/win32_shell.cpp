#include "platform/win32/win32_shell.h"

#include <shellapi.h>

namespace plat::win32 {

int Win32Shell::Execute(const std::string& program, const std::string& parameters,
                        const std::string& workingDirectory, int show, bool wait, unsigned* exitCode) {
  SHELLEXECUTEINFOA info{};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
  info.hwnd = owner_;
  info.lpFile = program.c_str();
  info.lpParameters = parameters.c_str();
  info.lpDirectory = workingDirectory.empty() ? nullptr : workingDirectory.c_str();
  info.nShow = show;
  if (!::ShellExecuteExA(&info)) return static_cast<int>(reinterpret_cast<INT_PTR>(info.hInstApp));
  if (info.hProcess) {
    if (wait) {
      ::WaitForSingleObject(info.hProcess, 5 * 60 * 1000);
      DWORD code = 1;
      ::GetExitCodeProcess(info.hProcess, &code);
      if (exitCode) *exitCode = code;
    }
    ::CloseHandle(info.hProcess);
  }
  const int result = static_cast<int>(reinterpret_cast<INT_PTR>(info.hInstApp));
  return result > 32 ? result : 42;
}

}  // namespace plat::win32
