// Section 11, " Help": registered help files without a folder, or missing
// from the folder named.
#pragma once

#include "scanners/scanner_base.h"

class CHelpScanner final : public CScannerBase {
 public:
  explicit CHelpScanner(const plat::Platform& platform) : CScannerBase(platform) {}

 private:
  void ScanSection(const std::vector<std::string>& exclusions, const std::string& problemsFile) override;
  bool WalkKey(const char* path, const char* section, const std::vector<std::string>& exclusions,
               const std::string& problemsFile);
  void CheckEntry(const std::vector<std::string>& exclusions, const std::string& problemsFile);
  std::string rootKeyPath_;
};
