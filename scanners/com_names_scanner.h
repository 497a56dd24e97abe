// Section 2, " COM Names": program ids and file-type names whose class id is
// not registered or whose shell command names a missing program, and folder
// verbs whose command does.
#pragma once

#include "scanners/scanner_base.h"

class CComNamesScanner final : public CScannerBase {
 public:
  explicit CComNamesScanner(const plat::Platform& platform) : CScannerBase(platform) {}

 private:
  void ScanSection(const std::vector<std::string>& exclusions, const std::string& problemsFile) override;
  void WalkNames(const std::vector<std::string>& exclusions, const std::string& problemsFile);
  void WalkFolderVerbs(const std::vector<std::string>& exclusions, const std::string& problemsFile);
  void CheckEntry(const std::vector<std::string>& exclusions, const std::string& problemsFile);
  std::string rootKeyPath_;
};
