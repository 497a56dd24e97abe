// Every section scanner, by file, in section-table order.
//   major_keys_scanner.*   CMajorKeysScanner    " Major Keys"   (row 0)
//   clsid_scanner.*        CClsidScanner        " CLSID"        (row 1)
//   com_names_scanner.*    CComNamesScanner     " COM Names"    (row 2)
//   extensions_scanner.*   CExtensionsScanner   " Extensions"   (row 3)
//   app_ids_scanner.*      CAppIdScanner        " App IDs"      (row 4)
//   interface_scanner.*    CInterfaceScanner    " Interface"    (row 5)
//   type_libs_scanner.*    CTypeLibsScanner     " TypeLibs"     (row 6)
//   odbc_scanner.*         CODBCScanner         " ODBC"         (row 7)
//   shared_tools_scanner.* CSharedToolsScanner  " Shared Tools" (row 8)
//   file_types_scanner.*   CFileTypesScanner    " File Types"   (row 9)
//   app_paths_scanner.*    CAppPathsScanner     " App Paths"    (row 10)
//   help_scanner.*         CHelpScanner         " Help"         (row 11)
//   run_apps_scanner.*     CRunAppsScanner      " Run Apps"     (row 12)
//   fonts_scanner.*        CFontsScanner        " Fonts"        (row 13)
//   uninstall_scanner.*    CUninstallScanner    " Uninstall"    (row 14)
#pragma once

#include <memory>
#include <vector>

#include "platform/platform.h"
#include "scanners/section_scanner.h"

// The fifteen scanners in section-table order, each built with its util.
std::vector<std::unique_ptr<CSectionScanner>> BuildSectionScanners(const plat::Platform& platform);
