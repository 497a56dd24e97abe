// Filling the list view from the ProblemsFile or the ExclusionsFile, one row
// per record.
#pragma once

#include <array>
#include <string>

#include "platform/dialog_controls.h"
#include "platform/platform.h"

inline constexpr const char* kCancelAtomName = "Tidemarrow 3.0x";

// True while the cancel signal is raised.
bool CancelRequested(const plat::Platform& platform);

// Inserts the list's eight columns (kListColumns).
void InsertListColumns(plat::IListView& list);

// Appends a row of eight texts at the end of the list, unticked, then
// repaints and scrolls down so the newest rows stay in view.
void AddListRow(plat::IListView& list, std::array<std::string, 8> row);

// Reads the ProblemsFile and adds a row per complete record; stops when the
// cancel signal is raised. A missing file shows nothing.
void ShowProblemList(const plat::Platform& platform, plat::IListView& list, const std::string& problemsFile);

// The display-exclusions job: a row per record of the ExclusionsFile, found
// by its marker line (a torn record is passed over); stops when cancelled.
void ShowExclusionList(const plat::Platform& platform, plat::IListView& list, const std::string& exclusionsFile);
