// Section 14, " Uninstall": installed-program entries that hold nothing, or
// whose uninstall command names an installer file that is gone.
#pragma once

#include "scanners/scanner_base.h"

class CUninstallScanner final : public CScannerBase {
 public:
  explicit CUninstallScanner(const plat::Platform& platform)
      : CScannerBase(platform), rootKeyPath_("Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall") {}
  // True when the command is accepted: it names no known installer file, has
  // no drive before it, or the file exists.
  bool UninstallFileExists(std::string command);

 private:
  void ScanSection(const std::vector<std::string>& exclusions, const std::string& problemsFile) override;
  bool HasValueNamed(const std::string& name);
  void CheckEntry(const std::vector<std::string>& exclusions, const std::string& problemsFile);
  std::string rootKeyPath_;
};
