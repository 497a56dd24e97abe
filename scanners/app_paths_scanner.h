// Section 10, " App Paths": registered programs whose file is missing, and
// registrations that hold no data at all.
#pragma once

#include "scanners/scanner_base.h"

class CAppPathsScanner final : public CScannerBase {
 public:
  explicit CAppPathsScanner(const plat::Platform& platform) : CScannerBase(platform), rootKeyPath_(kAppPathsKey) {}

 private:
  void ScanSection(const std::vector<std::string>& exclusions, const std::string& problemsFile) override;
  void CheckEntry(const std::vector<std::string>& exclusions, const std::string& problemsFile);
  std::string rootKeyPath_;
};
