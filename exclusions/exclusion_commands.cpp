#include "exclusions/exclusion_commands.h"

#include <algorithm>

#include "engine/problem_list_display.h"
#include "refcheck/registry_util.h"
#include "resources/resource_ids.h"

ProblemEntry EntryFromRow(plat::IListView& list, int row) {
  ProblemEntry e;
  e.marker = list.GetCell(row, 0);
  e.section = list.GetCell(row, 1);
  e.fullKey = list.GetCell(row, 2);
  e.mainKey = list.GetCell(row, 3);
  e.valueName = list.GetCell(row, 4);
  e.valueData = list.GetCell(row, 5);
  e.deleteKey = list.GetCell(row, 7);
  return e;
}

bool IsAlreadyExcluded(const ProblemEntry& entry, const std::vector<std::string>& lines) {
  const ProblemRecord r = RecordOf(entry);
  for (std::size_t i = 0; i + kRecordLines <= lines.size(); i += kRecordLines) {
    bool same = true;
    for (std::size_t k : {0u, 1u, 2u, 3u, 4u, 5u, 7u}) same = same && lines[i + k] == r[k];
    if (same) return true;
  }
  return false;
}

void AddExclusions(const plat::Platform& platform, plat::IListView& list, plat::IDialogControls& dialog,
                   const std::string& exclusionsFile) {
  bool anyTicked = false;
  for (int row = 0; row < list.GetItemCount() && !anyTicked; ++row) anyTicked = list.IsChecked(row);
  if (!anyTicked) return;
  dialog.SetText(IDC_STATUS, "Adding exclusions...");
  CRegistryUtil util(platform);
  std::vector<std::string> lines;
  if (util.FileExists(exclusionsFile)) util.ReadLines(lines, exclusionsFile);
  int added = 0;
  for (int row = 0; row < list.GetItemCount(); ++row) {
    if (!list.IsChecked(row)) continue;
    const ProblemEntry entry = EntryFromRow(list, row);
    if (!IsAlreadyExcluded(entry, lines)) {
      util.AddProblem(entry, exclusionsFile, true, false);
      ++added;
    }
    list.SetChecked(row, false);
  }
  dialog.SetText(IDC_STATUS, "Completed adding exclusions.");
  platform.messages.Show(std::string("Exclusion") + (added > 1 ? "s" : "") + " successfully added.", plat::mb::kOk);
}

void DisplayExclusions(const plat::Platform& platform, plat::IListView& list,
                       const std::string& installationDirectory) {
  std::vector<std::string> lines;
  {
    CRegistryUtil util(platform);
    util.ReadLines(lines, installationDirectory + "Exclusions.txt");
  }
  std::array<std::string, 8> row;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (CancelRequested(platform)) return;
    row[i % 8] = lines[i];
    if (i % 8 == 7) {
      AddListRow(list, row);
      row = {};
    }
  }
}

bool DeleteSelectedExclusions(const plat::Platform& platform, plat::IListView& list, plat::IDialogControls& dialog,
                              const std::string& exclusionsFile) {
  dialog.SetText(IDC_STATUS, "Deleting exclusions...");
  CRegistryUtil util(platform);
  std::vector<std::string> lines;
  util.ReadLines(lines, exclusionsFile);
  std::vector<ProblemRecord> records = RecordsOf(lines);
  std::vector<int> ticked;
  for (int row = list.GetItemCount() - 1; row >= 0; --row) {
    if (!list.IsChecked(row)) continue;
    ticked.push_back(row);
    // The record the row shows goes; one record for each ticked row.
    ProblemRecord shown;
    for (int c = 0; c < 8; ++c) shown[c] = list.GetCell(row, c);
    auto it = std::find(records.begin(), records.end(), shown);
    if (it != records.end()) records.erase(it);
  }
  std::vector<std::string> kept;
  for (const auto& r : records) kept.insert(kept.end(), r.begin(), r.end());
  const bool written = kept.empty() ? (!util.FileExists(exclusionsFile) || platform.files.Remove(exclusionsFile))
                                    : platform.files.ReplaceFileContents(exclusionsFile, TextModeBytes(kept));
  if (!written) {
    platform.messages.Show("Error: Unable to update " + exclusionsFile, plat::mb::kOk);
    return false;
  }
  for (int row : ticked) {
    list.DeleteRow(row);
    list.Repaint();
  }
  dialog.SetText(IDC_STATUS, "Completed deleting exclusions.");
  return true;
}
