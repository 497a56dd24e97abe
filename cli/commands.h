// The CLI's commands, one file each.
#pragma once

#include <CLI/CLI.hpp>

namespace cli {

// info: the section table, and the extension and App Paths lists a scanner's
// helper builds on the image.
void AddInfoCommand(CLI::App& app, int& exitCode);
// scan: the find job, printed as the list view shows it.
void AddScanCommand(CLI::App& app, int& exitCode);

}  // namespace cli
