// Section 1, " CLSID": class registrations none of whose server files exist,
// or whose in-process server names no file at all.
#pragma once

#include "scanners/scanner_base.h"

class CClsidScanner final : public CScannerBase {
 public:
  explicit CClsidScanner(const plat::Platform& platform);

 private:
  void ScanSection(const std::vector<std::string>& exclusions, const std::string& problemsFile) override;
  void CheckEntry(const std::vector<std::string>& exclusions, const std::string& problemsFile);
  std::string rootKeyPath_;
};
