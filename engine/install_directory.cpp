#include "engine/install_directory.h"

#include <mutex>

namespace {
std::mutex& Mutex() {
  static std::mutex m;
  return m;
}
std::string& Value() {
  static std::string v;
  return v;
}
}  // namespace

std::string InstallDirectory() {
  std::lock_guard lock(Mutex());
  return Value();
}

void SetInstallDirectory(const std::string& directory) {
  std::lock_guard lock(Mutex());
  Value() = directory;
}
