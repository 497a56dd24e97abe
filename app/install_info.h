// InstallInfo: reads the installation directory at start-up, before the main
// dialog exists. The same reading as CRegistryUtil::ReadInstallDirectory.
#pragma once

#include <string>
#include <vector>

#include "platform/platform.h"

class InstallInfo {
 public:
  explicit InstallInfo(const plat::Platform& platform) : platform_(platform) {}
  virtual ~InstallInfo() = default;
  bool ReadInstallDirectory(std::vector<std::string>& values, std::string productName);

 private:
  const plat::Platform& platform_;
};
