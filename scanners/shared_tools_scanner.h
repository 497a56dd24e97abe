// Section 8, " Shared Tools": shared components whose "Path" file is missing.
#pragma once

#include "scanners/scanner_base.h"

class CSharedToolsScanner final : public CScannerBase {
 public:
  explicit CSharedToolsScanner(const plat::Platform& platform)
      : CScannerBase(platform), rootKeyPath_("Software\\Microsoft\\Shared Tools") {}

 private:
  void ScanSection(const std::vector<std::string>& exclusions, const std::string& problemsFile) override;
  std::string rootKeyPath_;
};
