#include "exclusions/exclusion_commands.h"

#include <algorithm>

#include "records/problem_files.h"

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
  for (const auto& record : RecordsByMarker(lines, nullptr)) {
    bool same = true;
    for (std::size_t k : {0u, 1u, 2u, 3u, 4u, 5u, 7u}) same = same && record[k] == r[k];
    if (same) return true;
  }
  return false;
}

void AddExclusions(const plat::Platform& platform, plat::IListView& list, IJobView& view,
                   const std::string& exclusionsFile) {
  bool anyTicked = false;
  for (int row = 0; row < list.GetItemCount() && !anyTicked; ++row) anyTicked = list.IsChecked(row);
  if (!anyTicked) return;
  view.StatusText("Adding exclusions...");
  std::string existing;
  const bool exists = platform.files.CanOpenForRead(exclusionsFile);
  if (exists && !platform.files.ReadFile(exclusionsFile, existing)) {
    platform.messages.Show("Error: Unable to update " + exclusionsFile, plat::mb::kOk);
    return;
  }
  std::vector<std::string> lines = TextModeLines(existing);
  std::vector<int> ticked;
  std::vector<std::string> added;
  for (int row = 0; row < list.GetItemCount(); ++row) {
    if (!list.IsChecked(row)) continue;
    ticked.push_back(row);
    const ProblemEntry entry = EntryFromRow(list, row);
    if (IsAlreadyExcluded(entry, lines)) continue;
    const ProblemRecord record = RecordOf(entry);
    lines.insert(lines.end(), record.begin(), record.end());
    added.insert(added.end(), record.begin(), record.end());
  }
  // A file whose last line has no line end (edited by hand) gets one first,
  // or the first new line would be glued to it.
  std::string bytes = TextModeBytes(added);
  if (!existing.empty() && existing.back() != '\n') bytes = "\r\n" + bytes;
  // All records in one durable append: a failure leaves the file as it was.
  if (!added.empty() && !platform.files.AppendFileDurably(exclusionsFile, bytes)) {
    view.StatusText("Adding exclusions failed.");
    platform.messages.Show("Error: Unable to update " + exclusionsFile + "\n\nNo exclusion was added.",
                           plat::mb::kOk);
    return;
  }
  for (int row : ticked) list.SetChecked(row, false);
  view.StatusText("Completed adding exclusions.");
  const std::size_t count = added.size() / kRecordLines;
  platform.messages.Show(std::string("Exclusion") + (count > 1 ? "s" : "") + " successfully added.", plat::mb::kOk);
}

bool DeleteSelectedExclusions(const plat::Platform& platform, plat::IListView& list, IJobView& view,
                              const std::string& exclusionsFile) {
  view.StatusText("Deleting exclusions...");
  std::vector<std::string> lines;
  ReadTextLines(platform.files, exclusionsFile, lines);
  std::vector<ProblemRecord> records = RecordsByMarker(lines, nullptr);
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
  const bool written = kept.empty() ? (!platform.files.CanOpenForRead(exclusionsFile) || platform.files.Remove(exclusionsFile))
                                    : platform.files.ReplaceFileContents(exclusionsFile, TextModeBytes(kept));
  if (!written) {
    platform.messages.Show("Error: Unable to update " + exclusionsFile, plat::mb::kOk);
    return false;
  }
  for (int row : ticked) {
    list.DeleteRow(row);
    list.Repaint();
  }
  view.StatusText("Completed deleting exclusions.");
  return true;
}
