// The CLI's commands, one file each.
#pragma once

#include <CLI/CLI.hpp>

namespace cli {

// info: the section table, and the extension and App Paths lists a scanner's
// helper builds on the image.
void AddInfoCommand(CLI::App& app, int& exitCode);
// scan: the find job, printed as the list view shows it.
void AddScanCommand(CLI::App& app, int& exitCode);
// fix: tick rows and run the fix job with its backup.
void AddFixCommand(CLI::App& app, int& exitCode);
// review, exclude and exclusions: the user-determined review and the
// exclusion commands.
void AddReviewCommands(CLI::App& app, int& exitCode);
// restore: list, restore, delete and view backups.
void AddRestoreCommand(CLI::App& app, int& exitCode);
// tweaks: the eleven settings of the tweaks dialog.
void AddTweaksCommand(CLI::App& app, int& exitCode);
// recover: replay the transaction logs of a Windows partition's dirty hives.
void AddRecoverCommand(CLI::App& app, int& exitCode);
// import and demo: registry files into an image; the demo image to a directory.
void AddImportCommand(CLI::App& app, int& exitCode);

}  // namespace cli
