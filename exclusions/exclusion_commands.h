// The exclusion commands: add ticked rows to the ExclusionsFile and delete
// the ticked ones. (Showing its records is a job: engine/problem_list_display.)
#pragma once

#include <string>
#include <vector>

#include "engine/job_view.h"
#include "records/problem_entry.h"
#include "platform/dialog_controls.h"
#include "platform/platform.h"

// An entry made from a list row: columns 0 to 5 and 7; the Problem stays empty.
ProblemEntry EntryFromRow(plat::IListView& list, int row);
// Lines 1 to 6 and 8 of some record equal the entry's texts.
bool IsAlreadyExcluded(const ProblemEntry& entry, const std::vector<std::string>& lines);

// "Add Ex&clusions": appends every ticked row not already in the file and
// unticks it. Nothing happens when no row is ticked.
void AddExclusions(const plat::Platform& platform, plat::IListView& list, IJobView& view,
                   const std::string& exclusionsFile);
// "&Delete Selected Exclusions": the file's own records, less those of the
// ticked rows, replace the file in one step (no file at all when none is
// left); the ticked rows leave the list. On a write failure the file and the
// list stay as they were and false is returned after a message.
bool DeleteSelectedExclusions(const plat::Platform& platform, plat::IListView& list, IJobView& view,
                              const std::string& exclusionsFile);
