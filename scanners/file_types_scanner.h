// Section 9, " File Types": subkeys of FileType whose class id is not
// registered.
#pragma once

#include "scanners/scanner_base.h"

class CFileTypesScanner final : public CScannerBase {
 public:
  explicit CFileTypesScanner(const plat::Platform& platform)
      : CScannerBase(platform), rootKeyPath_("Software\\Classes\\FileType") {}

 private:
  void ScanSection(const std::vector<std::string>& exclusions, const std::string& problemsFile) override;
  std::string rootKeyPath_;
};
