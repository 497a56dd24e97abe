// The user-determined review: whole groups of ordinary entries (extensions
// with their file types, vendor keys, installed products, start-up programs,
// typed addresses) listed for the user to judge. Nothing is tested; every
// entry that is not excluded becomes a row.
#pragma once

#include <span>

#include "scanners/scanner_base.h"

// The sections of the review's rows: "File Extensions", "Companies",
// "Uninstall Products", "Run Upon Startup", "Internet Explorer History".
std::span<const char* const> ReviewGroups();
bool IsReviewGroup(const std::string& section);

class CUserDeterminedScanner final : public CScannerBase {
 public:
  explicit CUserDeterminedScanner(const plat::Platform& platform) : CScannerBase(platform) {}

 private:
  void ScanSection(const std::vector<std::string>& exclusions, const std::string& problemsFile) override;
  void FileExtensions(const std::vector<std::string>& exclusions, const std::string& problemsFile);
  void Companies(plat::HKey hive, const std::vector<std::string>& exclusions, const std::string& problemsFile);
  void UninstallProducts(const std::vector<std::string>& exclusions, const std::string& problemsFile);
  void RunUponStartup(const std::vector<std::string>& exclusions, const std::string& problemsFile);
  void TypedUrls(const std::vector<std::string>& exclusions, const std::string& problemsFile);
  void Report(const std::vector<std::string>& exclusions, const std::string& problemsFile);
  void Start(const char* marker, const char* section, const std::string& fullKey, const std::string& mainKey);
  std::string currentKeyPath_;
};
