// Generates an XP-like machine of a chosen size with a fixed seed: class
// registrations, program ids, extensions, interfaces, type libraries and
// uninstall entries, a share of them broken, with the files the healthy
// ones need on a drive directory.
#pragma once

#include <string>

#include "platform/memory/mapped_drive.h"
#include "platform/memory/memory_registry.h"

namespace bench {

struct ImageSize {
  int classes = 20000;
  int extensions = 5000;
  int uninstall = 2000;
  int interfaces = 2000;
  int typeLibs = 500;
  // Keys of application settings (vendor, program, a few levels of options
  // with their values), which no section checks: most keys of a large
  // machine are these, and a key can hold only so many subkeys.
  int settings = 0;
  double brokenShare = 0.05;
};

// Fills the registry and creates the drive's files below driveDirectory.
void GenerateImage(const ImageSize& size, plat::memory::MemoryRegistry& registry, const std::string& driveDirectory);

}  // namespace bench
