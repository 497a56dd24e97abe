// Section 7, " ODBC": installed drivers and the user's data sources whose
// driver or setup library is missing.
#pragma once

#include "scanners/scanner_base.h"

class CODBCScanner final : public CScannerBase {
 public:
  explicit CODBCScanner(const plat::Platform& platform) : CScannerBase(platform) {}

 private:
  void ScanSection(const std::vector<std::string>& exclusions, const std::string& problemsFile) override;
  bool Pass(plat::HKey hive, const char* marker, const char* path, const std::vector<std::string>& exclusions,
            const std::string& problemsFile);
  void CheckEntry(const std::vector<std::string>& exclusions, const std::string& problemsFile);
  std::string rootKeyPath_;
};
