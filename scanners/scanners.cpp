#include "scanners/scanners.h"

#include "scanners/major_keys_scanner.h"
#include "scanners/run_apps_scanner.h"
#include "scanners/section_table.h"

std::vector<std::unique_ptr<CSectionScanner>> BuildSectionScanners(const plat::Platform& platform) {
  std::vector<std::unique_ptr<CSectionScanner>> scanners;
  scanners.reserve(kSectionCount);
  for (std::size_t row = 0; row < kSectionCount; ++row) {
    switch (row) {
      case 0: scanners.push_back(std::make_unique<CMajorKeysScanner>(platform)); break;
      case 12: scanners.push_back(std::make_unique<CRunAppsScanner>(platform)); break;
      default: scanners.push_back(std::make_unique<CPendingScanner>()); break;
    }
  }
  return scanners;
}
