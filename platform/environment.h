// Environment variables and the Windows directory, with KERNEL32's results.
#pragma once

#include <cstdint>

namespace plat {

class IEnvironment {
 public:
  virtual ~IEnvironment() = default;
  // GetEnvironmentVariableA: 0 when the variable is not set; the length
  // without terminator when it fits in size bytes; otherwise the size needed
  // (terminator included), and the buffer is left unchanged.
  virtual std::uint32_t GetVariable(const char* name, char* buffer, std::uint32_t size) = 0;
  // GetWindowsDirectoryA: same results as GetVariable.
  virtual std::uint32_t QueryWindowsDirectory(char* buffer, std::uint32_t size) = 0;
};

}  // namespace plat
