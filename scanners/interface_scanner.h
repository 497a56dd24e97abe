// Section 5, " Interface": interfaces whose proxy/stub class is not registered.
#pragma once

#include "scanners/scanner_base.h"

class CInterfaceScanner final : public CScannerBase {
 public:
  explicit CInterfaceScanner(const plat::Platform& platform)
      : CScannerBase(platform), rootKeyPath_("Software\\Classes\\Interface") {}

 private:
  void ScanSection(const std::vector<std::string>& exclusions, const std::string& problemsFile) override;
  std::string rootKeyPath_;
};
