// Section 13, " Fonts": installed fonts without data or whose file is gone.
#pragma once

#include "scanners/scanner_base.h"

class CFontsScanner final : public CScannerBase {
 public:
  explicit CFontsScanner(const plat::Platform& platform);

 private:
  void ScanSection(const std::vector<std::string>& exclusions, const std::string& problemsFile) override;
  void CheckEntry(const std::vector<std::string>& exclusions, const std::string& problemsFile);
  const plat::Platform& platform_;
  std::string rootKeyPath_;
};
