// Starting the system's programs ("reg.exe", "notepad.exe"), as ShellExecute
// does: a result above 32 means the program was started.
#pragma once

#include <string>

namespace plat {

inline constexpr int kShowHidden = 0;
inline constexpr int kShowMaximized = 3;

class IShell {
 public:
  virtual ~IShell() = default;
  // When wait is set, returns after the program has ended, with its exit
  // code in *exitCode.
  virtual int Execute(const std::string& program, const std::string& parameters, const std::string& workingDirectory,
                      int show, bool wait, unsigned* exitCode) = 0;
};

}  // namespace plat
