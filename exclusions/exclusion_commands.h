// The exclusion commands: add ticked rows to the ExclusionsFile, show its
// records (the mode-4 job) and delete the ticked ones.
#pragma once

#include <string>
#include <vector>

#include "records/problem_entry.h"
#include "platform/dialog_controls.h"
#include "platform/platform.h"

// An entry made from a list row: columns 0 to 5 and 7; the Problem stays empty.
ProblemEntry EntryFromRow(plat::IListView& list, int row);
// Lines 1 to 6 and 8 of some record equal the entry's texts.
bool IsAlreadyExcluded(const ProblemEntry& entry, const std::vector<std::string>& lines);

// "Add Ex&clusions": appends every ticked row not already in the file and
// unticks it. Nothing happens when no row is ticked.
void AddExclusions(const plat::Platform& platform, plat::IListView& list, plat::IDialogControls& dialog,
                   const std::string& exclusionsFile);
// The display job: one row per complete record; stops when cancelled.
void DisplayExclusions(const plat::Platform& platform, plat::IListView& list, const std::string& installationDirectory);
// "&Delete Selected Exclusions": the file's own records, less those of the
// ticked rows, replace the file in one step (no file at all when none is
// left); the ticked rows leave the list. On a write failure the file and the
// list stay as they were and false is returned after a message.
bool DeleteSelectedExclusions(const plat::Platform& platform, plat::IListView& list, plat::IDialogControls& dialog,
                              const std::string& exclusionsFile);
