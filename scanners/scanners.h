// Every section scanner, by file, in section-table order.
//   major_keys_scanner.*   CMajorKeysScanner    " Major Keys"   (row 0)
//   run_apps_scanner.*     CRunAppsScanner      " Run Apps"     (row 12)
// Rows whose scanner is not built yet run a CPendingScanner (scanner_base.h).
#pragma once

#include <memory>
#include <vector>

#include "platform/platform.h"
#include "scanners/section_scanner.h"

// The fifteen scanners in section-table order, each built with its util.
std::vector<std::unique_ptr<CSectionScanner>> BuildSectionScanners(const plat::Platform& platform);
