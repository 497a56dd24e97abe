// An offline machine: a registry held in a registry text file and drives
// mapped to host directories, with the environment of its Windows. This is
// what the CLI and the job tests run the core on.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/memory/mapped_drive.h"
#include "platform/memory/memory_registry.h"
#include "platform/memory/memory_services.h"
#include "platform/memory/reg_text.h"
#include "platform/platform.h"

namespace plat::memory {

struct ImageSpec {
  std::string registryFile;                              // a registry text file
  std::vector<std::pair<char, std::string>> drives;      // 'C' -> host directory
  std::vector<std::pair<std::string, std::string>> env;  // overrides of the XP defaults
};

// The layout of an image directory: registry.reg and drive_c/.
ImageSpec ImageDirectory(const std::string& directory);

class MachineImage {
 public:
  MachineImage();
  // Loads the registry file and maps the drives; on failure `error` says why
  // and the image is left empty.
  bool Load(const ImageSpec& spec, std::string& error);
  // Writes the registry back to its file atomically, in the file's encoding
  // (or through the store set below).
  bool SaveRegistry(std::string& error);
  // Saves the registry some other way (hive files) from now on.
  void UseRegistryStore(std::function<bool(std::string& error)> save) { store_ = std::move(save); }

  MemoryRegistry& registry() { return registry_; }
  MappedDrive& drive() { return drive_; }
  MemoryEnvironment& environment() { return environment_; }
  MemoryAtoms& atoms() { return atoms_; }
  RecordedMessageBoxes& messages() { return messages_; }
  MemoryClock& clock() { return clock_; }
  const Platform& platform() const { return platform_; }

 private:
  MemoryRegistry registry_;
  MappedDrive drive_;
  MemoryEnvironment environment_;
  MemoryAtoms atoms_;
  RecordedMessageBoxes messages_;
  MemoryClock clock_;
  Platform platform_;
  std::string registryFile_;
  RegTextEncoding encoding_ = RegTextEncoding::kAnsi;
  std::function<bool(std::string& error)> store_;
};

}  // namespace plat::memory
