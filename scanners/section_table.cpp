#include "scanners/section_table.h"

#include "scanners/app_ids_scanner.h"
#include "scanners/app_paths_scanner.h"
#include "scanners/clsid_scanner.h"
#include "scanners/com_names_scanner.h"
#include "scanners/extensions_scanner.h"
#include "scanners/file_types_scanner.h"
#include "scanners/fonts_scanner.h"
#include "scanners/help_scanner.h"
#include "scanners/interface_scanner.h"
#include "scanners/major_keys_scanner.h"
#include "scanners/odbc_scanner.h"
#include "scanners/run_apps_scanner.h"
#include "scanners/shared_tools_scanner.h"
#include "scanners/type_libs_scanner.h"
#include "scanners/uninstall_scanner.h"

namespace {

template <class Scanner>
std::unique_ptr<CSectionScanner> Make(const plat::Platform& platform) {
  return std::make_unique<Scanner>(platform);
}

}  // namespace

SectionTable BuildSectionTable() {
  return {{{" Major Keys", {"Major Keys"}, Make<CMajorKeysScanner>},
           {" CLSID", {"CLSID"}, Make<CClsidScanner>},
           {" COM Names", {"COM App", "COM Names"}, Make<CComNamesScanner>},
           {" Extensions", {"Extensions"}, Make<CExtensionsScanner>},
           {" App IDs", {"AppID"}, Make<CAppIdScanner>},
           {" Interface", {"Interface"}, Make<CInterfaceScanner>},
           {" TypeLibs", {"TypeLib"}, Make<CTypeLibsScanner>},
           {" ODBC", {"ODBC"}, Make<CODBCScanner>},
           {" Shared Tools", {"Shared Tools"}, Make<CSharedToolsScanner>},
           {" File Types", {"FileType"}, Make<CFileTypesScanner>},
           {" App Paths", {"AppPaths"}, Make<CAppPathsScanner>},
           {" Help", {"Help", "HTML Help"}, Make<CHelpScanner>},
           {" Run Apps", {"Run", "RunOnce", "RunOnceEx", "RunServices", "RunServicesOnce"}, Make<CRunAppsScanner>},
           {" Fonts", {"Fonts"}, Make<CFontsScanner>},
           {" Uninstall", {"Uninstall"}, Make<CUninstallScanner>}}};
}

std::string SectionName(const SectionRow& row) {
  return !row.displayName.empty() && row.displayName[0] == ' ' ? row.displayName.substr(1) : row.displayName;
}

std::vector<std::unique_ptr<CSectionScanner>> BuildSectionScanners(const plat::Platform& platform) {
  std::vector<std::unique_ptr<CSectionScanner>> scanners;
  scanners.reserve(kSectionCount);
  for (const SectionRow& row : BuildSectionTable()) scanners.push_back(row.makeScanner(platform));
  return scanners;
}
