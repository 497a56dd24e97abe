#include "app/install_info.h"

#include "refcheck/registry_util.h"

bool InstallInfo::ReadInstallDirectory(std::vector<std::string>& values, std::string productName) {
  return ReadInstallDirectoryWith(platform_, values, productName);
}
