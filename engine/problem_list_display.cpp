#include "engine/problem_list_display.h"

#include <utility>
#include <vector>

#include "records/problem_files.h"

bool CancelRequested(const plat::Platform& platform) { return platform.atoms.Find(kCancelAtomName) != 0; }

void InsertListColumns(plat::IListView& list) {
  for (int i = 0; i < static_cast<int>(kRecordLines); ++i) list.InsertColumn(i, kListColumns[i].header, kListColumns[i].width);
}

void AddListRow(plat::IListView& list, std::array<std::string, 8> row) { list.AddRow(std::move(row)); }

void ShowProblemList(const plat::Platform& platform, plat::IListView& list, const std::string& problemsFile) {
  std::vector<std::string> lines;
  if (!ReadTextLines(platform.files, problemsFile, lines)) lines.clear();
  std::array<std::string, 8> row;
  std::size_t filled = 0;
  // Each line moves into its row, so that a scan's thousands of rows are not
  // held twice over (as lines read and as the list's rows) at its end.
  for (std::size_t i = 0; i < lines.size(); ++i) {
    row[filled++] = std::move(lines[i]);
    if (CancelRequested(platform)) return;
    if ((i + 1) % 8 == 0) {
      AddListRow(list, std::move(row));
      row = {};
      filled = 0;
    }
  }
}

void ShowExclusionList(const plat::Platform& platform, plat::IListView& list, const std::string& exclusionsFile) {
  std::vector<std::string> lines;
  ReadTextLines(platform.files, exclusionsFile, lines);
  // The cancel poll comes before each line of the file, eight to a row.
  for (const auto& record : RecordsByMarker(lines, nullptr)) {
    for (std::size_t line = 0; line < kRecordLines; ++line)
      if (CancelRequested(platform)) return;
    AddListRow(list, record);
  }
}
