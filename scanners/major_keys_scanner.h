// Section 0, " Major Keys": the children of seventeen well-known keys that are
// completely empty (no default value, no named value, no subkey).
#pragma once

#include <span>

#include "scanners/scanner_base.h"

// The seventeen keys whose children the section examines.
struct MajorKeyRoot {
  plat::HKey hive;
  const char* path;
};
std::span<const MajorKeyRoot> MajorKeyRoots();

class CMajorKeysScanner final : public CScannerBase {
 public:
  explicit CMajorKeysScanner(const plat::Platform& platform) : CScannerBase(platform) {}

 private:
  void ScanSection(const std::vector<std::string>& exclusions, const std::string& problemsFile) override;
  void WalkRoot(plat::HKey hive, const std::vector<std::string>& exclusions, const std::string& problemsFile);
  void CheckEntry(const std::vector<std::string>& exclusions, const std::string& problemsFile);

  std::string rootKeyPath_;
};
