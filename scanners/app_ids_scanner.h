// Section 4, " App IDs": program entries below AppID whose "AppID" value is
// missing or names an id registered neither as an application nor a class.
#pragma once

#include "scanners/scanner_base.h"

class CAppIdScanner final : public CScannerBase {
 public:
  explicit CAppIdScanner(const plat::Platform& platform)
      : CScannerBase(platform), rootKeyPath_("Software\\Classes\\AppID") {}

 private:
  void ScanSection(const std::vector<std::string>& exclusions, const std::string& problemsFile) override;
  void CheckEntry(const std::vector<std::string>& exclusions, const std::string& problemsFile);
  std::string rootKeyPath_;
};
