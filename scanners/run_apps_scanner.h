// Section 12, " Run Apps": every value of the five start-up keys, in the
// user's hive and the machine's, whose data is missing or names a program
// that does not exist.
#pragma once

#include "scanners/scanner_base.h"

class CRunAppsScanner final : public CScannerBase {
 public:
  explicit CRunAppsScanner(const plat::Platform& platform) : CScannerBase(platform) {}

 private:
  void ScanSection(const std::vector<std::string>& exclusions, const std::string& problemsFile) override;
  void WalkKey(plat::HKey hive, const char* marker, const std::string& section, const std::string& keyPath,
               const std::string& mainKey, const std::vector<std::string>& exclusions,
               const std::string& problemsFile);
  void CheckEntry(const std::vector<std::string>& exclusions, const std::string& problemsFile);
};
