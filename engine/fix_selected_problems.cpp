#include "engine/fix_selected_problems.h"

#include "engine/problem_list_display.h"

bool FixOne(const ProblemEntry& entry, CRegistryKey& key, LineEndNames& lineEnds) {
  const std::string& m = entry.marker;
  if (!(m == "L (K)" || m == "U (K)" || m == "L (V)" || m == "U (V)") || entry.fullKey.empty()) return false;
  const plat::HKey hive = m[0] == 'L' ? plat::kLocalMachine : plat::kCurrentUser;
  if (m[3] == 'K' && IsProtectedKey(hive, entry.fullKey)) return false;
  if (lineEnds.MayNameAnother(hive, entry.fullKey, entry.valueName, m[3] == 'V')) return false;
  if (!key.Open(hive, entry.fullKey)) return false;
  if (m[3] == 'K') {
    key.DeleteKeyWithBackup(hive, entry.fullKey);
    return !key.Open(hive, entry.fullKey);
  }
  std::string data;
  if (!key.ReadValue(entry.valueName, data) && !key.ValueExists(entry.valueName)) return true;
  key.DeleteValueWithBackup(hive, entry.fullKey, entry.valueName);
  return !key.Open(hive, entry.fullKey) || !key.ValueExists(entry.valueName);
}

void FixSelectedProblems(const plat::Platform& platform, plat::IListView& list, IJobView& view,
                         const std::string& installationDirectory) {
  ProblemEntry entry;
  ProblemEntryList entryList;
  CRegistryKey util(platform);
  LineEndNames lineEnds(platform);
  long nextNumber = 1;
  bool backupOpened = false;
  for (int row = list.GetItemCount() - 1; row >= 0; --row) {
    if (CancelRequested(platform)) break;
    if (!list.IsChecked(row)) continue;
    if (!backupOpened) {
      view.FixingStarted();
      backupOpened = true;
      if (!util.BeginBackup(installationDirectory)) break;
    }
    entryList.ClearEntry(entry);
    entry.marker = list.GetCell(row, 0);
    entry.fullKey = list.GetCell(row, 2);
    entry.valueName = list.GetCell(row, 4);
    entry.deleteKey = list.GetCell(row, 7);
    if (!entry.deleteKey.empty()) entry.fullKey = entry.deleteKey;
    if (FixOne(entry, util, lineEnds)) {
      list.DeleteRow(row);
      view.ProblemsFixed(static_cast<int>(nextNumber++));
      list.Repaint();
    } else if (!util.BackupFailed()) {
      platform.messages.Show("Could not fix...\n\nKey: " + entry.fullKey + "\nValue Name: " + entry.valueName +
                                 "\n\nYou should add this entry as an exclusion.",
                             plat::mb::kOk);
    }
    if (util.BackupFailed()) break;
  }
  if (!backupOpened) return;
  if (util.BackupFailed()) {
    util.EndBackup(installationDirectory);
    platform.messages.Show(util.BackupError() + "\n\nNothing more was deleted; the rows that are left were not fixed.",
                           plat::mb::kOk);
    return;
  }
  if (!util.EndBackup(installationDirectory))
    platform.messages.Show("The backup file could not be given its dated name; it was kept as " +
                               util.BackupFileName() + ".",
                           plat::mb::kOk);
}
