// Section 3, " Extensions": persistent handlers of file extensions, the open
// commands and shell extensions of system file associations, and the two
// Windows "Extensions" lists.
#pragma once

#include "scanners/scanner_base.h"

class CExtensionsScanner final : public CScannerBase {
 public:
  explicit CExtensionsScanner(const plat::Platform& platform) : CScannerBase(platform) {}

 private:
  void ScanSection(const std::vector<std::string>& exclusions, const std::string& problemsFile) override;
  void WalkPersistentHandlers(const std::vector<std::string>& exclusions, const std::string& problemsFile);
  void WalkAssociations(const std::vector<std::string>& exclusions, const std::string& problemsFile);
  void WalkExtensionsList(plat::HKey hive, const std::vector<std::string>& exclusions,
                          const std::string& problemsFile);
  // Fills the key-row fields, reads the opened key's default value and checks.
  void CheckKey(const std::string& fullKey, const std::string& mainKey, const std::string& deleteKey,
                const char* tag, const std::vector<std::string>& exclusions, const std::string& problemsFile);
  void CheckEntry(const std::vector<std::string>& exclusions, const std::string& problemsFile);
  std::string rootKeyPath_;
};
