// Section 6, " TypeLibs": type libraries walked four levels deep (class id,
// version, locale, platform): empty library or version keys, and 32-bit
// library files that are blank or missing.
#pragma once

#include "scanners/scanner_base.h"

class CTypeLibsScanner final : public CScannerBase {
 public:
  explicit CTypeLibsScanner(const plat::Platform& platform)
      : CScannerBase(platform), rootKeyPath_("Software\\Classes\\TypeLib") {}

 private:
  void ScanSection(const std::vector<std::string>& exclusions, const std::string& problemsFile) override;
  void WalkLibraries(const std::vector<std::string>& ids, const std::vector<std::string>& exclusions,
                     const std::string& problemsFile);
  void WalkVersions(const std::string& id, const std::vector<std::string>& versions,
                    const std::vector<std::string>& exclusions, const std::string& problemsFile);
  void WalkLocales(const std::string& id, const std::string& version, const std::vector<std::string>& locales,
                   const std::vector<std::string>& exclusions, const std::string& problemsFile);
  void WalkPlatforms(const std::string& id, const std::string& version, const std::string& locale,
                     const std::vector<std::string>& exclusions, const std::string& problemsFile);
  void CheckEntry(const std::vector<std::string>& exclusions, const std::string& problemsFile);
  std::vector<std::string> ListBelowTypeLib(const std::string& path);
  std::string rootKeyPath_;
};
