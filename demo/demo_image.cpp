#include "demo/demo_image.h"

#include <filesystem>
#include <fstream>
#include <vector>

#include "platform/memory/host_files.h"

namespace demo {

extern const char kRegistryBytes[];
extern const std::size_t kRegistrySize;
extern const std::vector<std::string> kDriveFiles;

bool WriteDemoImage(const std::string& directory, std::string& error) {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::create_directories(directory + "/drive_c", ec);
  if (ec) {
    error = directory + ": cannot be created: " + ec.message();
    return false;
  }
  if (!plat::memory::WriteHostFileAtomically(directory + "/registry.reg",
                                             std::string(kRegistryBytes, kRegistrySize), error))
    return false;
  for (const auto& file : kDriveFiles) {
    const fs::path path = fs::path(directory) / "drive_c" / file;
    fs::create_directories(path.parent_path(), ec);
    std::ofstream out(path, std::ios::binary);
    if (!out) {
      error = path.string() + ": cannot be created";
      return false;
    }
  }
  return true;
}

}  // namespace demo
