// The fix job (mode 3): every ticked row, from the bottom up, has its key or
// value deleted after it has been written to the job's one backup file.
#pragma once

#include <string>

#include "engine/fix_guard.h"
#include "engine/job_view.h"
#include "records/problem_entry.h"
#include "platform/dialog_controls.h"
#include "platform/platform.h"
#include "registry/registry_key.h"

// Fixes one row's entry: true when the key or value it names is gone (a
// value that had gone before counts as fixed). Only the four markers and a
// Full Key that names a key below the hive are accepted; a key that is
// protected, or a row that may name another key than the one found (see
// fix_guard.h), is refused.
bool FixOne(const ProblemEntry& entry, CRegistryKey& key, LineEndNames& lineEnds);

void FixSelectedProblems(const plat::Platform& platform, plat::IListView& list, IJobView& view,
                         const std::string& installationDirectory);
