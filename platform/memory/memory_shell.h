// The two programs the restore dialog starts, carried out on the image:
// "reg.exe Import FILE" imports the file into the image's registry as
// reg.exe would (exit code 0, or 1 when the file cannot be read or is
// malformed, changing nothing); "notepad.exe FILE" hands the file to a
// viewer. Any other program is not found.
#pragma once

#include <functional>

#include "platform/files.h"
#include "platform/registry.h"
#include "platform/shell.h"

namespace plat::memory {

class MemoryShell final : public IShell {
 public:
  using Viewer = std::function<void(const std::string& path, const std::string& contents)>;
  MemoryShell(IRegistry& registry, IFileSystem& files) : registry_(registry), files_(files) {}
  void SetViewer(Viewer viewer) { viewer_ = std::move(viewer); }
  int Execute(const std::string& program, const std::string& parameters, const std::string& workingDirectory,
              int show, bool wait, unsigned* exitCode) override;

 private:
  IRegistry& registry_;
  IFileSystem& files_;
  Viewer viewer_;
};

}  // namespace plat::memory
