#include "scanners/scanners.h"

#include "scanners/app_ids_scanner.h"
#include "scanners/app_paths_scanner.h"
#include "scanners/clsid_scanner.h"
#include "scanners/com_names_scanner.h"
#include "scanners/extensions_scanner.h"
#include "scanners/file_types_scanner.h"
#include "scanners/interface_scanner.h"
#include "scanners/fonts_scanner.h"
#include "scanners/help_scanner.h"
#include "scanners/major_keys_scanner.h"
#include "scanners/odbc_scanner.h"
#include "scanners/shared_tools_scanner.h"
#include "scanners/uninstall_scanner.h"
#include "scanners/type_libs_scanner.h"
#include "scanners/run_apps_scanner.h"
#include "scanners/section_table.h"

std::vector<std::unique_ptr<CSectionScanner>> BuildSectionScanners(const plat::Platform& platform) {
  std::vector<std::unique_ptr<CSectionScanner>> scanners;
  scanners.reserve(kSectionCount);
  for (std::size_t row = 0; row < kSectionCount; ++row) {
    switch (row) {
      case 0: scanners.push_back(std::make_unique<CMajorKeysScanner>(platform)); break;
      case 1: scanners.push_back(std::make_unique<CClsidScanner>(platform)); break;
      case 2: scanners.push_back(std::make_unique<CComNamesScanner>(platform)); break;
      case 3: scanners.push_back(std::make_unique<CExtensionsScanner>(platform)); break;
      case 4: scanners.push_back(std::make_unique<CAppIdScanner>(platform)); break;
      case 5: scanners.push_back(std::make_unique<CInterfaceScanner>(platform)); break;
      case 6: scanners.push_back(std::make_unique<CTypeLibsScanner>(platform)); break;
      case 7: scanners.push_back(std::make_unique<CODBCScanner>(platform)); break;
      case 8: scanners.push_back(std::make_unique<CSharedToolsScanner>(platform)); break;
      case 9: scanners.push_back(std::make_unique<CFileTypesScanner>(platform)); break;
      case 10: scanners.push_back(std::make_unique<CAppPathsScanner>(platform)); break;
      case 11: scanners.push_back(std::make_unique<CHelpScanner>(platform)); break;
      case 12: scanners.push_back(std::make_unique<CRunAppsScanner>(platform)); break;
      case 13: scanners.push_back(std::make_unique<CFontsScanner>(platform)); break;
      case 14: scanners.push_back(std::make_unique<CUninstallScanner>(platform)); break;
      default: break;
    }
  }
  return scanners;
}
