#include "cli/list_printer.h"

#include <algorithm>
#include <cstdio>

#include "records/problem_entry.h"
#include "platform/codepage.h"

namespace cli {

std::string Latin1ToUtf8(const std::string& text) { return plat::Utf8FromUtf16(plat::Utf16FromCp1252(text)); }

void PrintListRows(const std::vector<plat::memory::HeadlessListView::Row>& rows) {
  // Column 0 shows the row's check box before the marker, as the list does.
  auto cell = [](const plat::memory::HeadlessListView::Row& row, int c) {
    return c == 0 ? std::string(row.checked ? "[x] " : "[ ] ") + row.cells[0] : row.cells[c];
  };
  std::size_t width[8];
  for (int c = 0; c < 8; ++c) {
    width[c] = std::string(kListColumns[c].header).size();
    for (const auto& row : rows) width[c] = std::max(width[c], cell(row, c).size());
    width[c] = std::min<std::size_t>(width[c], 60);
  }
  auto print = [&](auto text) {
    for (int c = 0; c < 8; ++c) {
      std::string t = text(c);
      if (t.size() > width[c] && c < 7) t = t.substr(0, width[c] - 3) + "...";
      std::string shown = Latin1ToUtf8(t);
      std::printf("%s%s", shown.c_str(), c < 7 ? std::string(width[c] - t.size() + 2, ' ').c_str() : "\n");
    }
  };
  print([](int c) { return std::string(kListColumns[c].header); });
  print([&](int c) { return std::string(width[c], '-'); });
  for (const auto& row : rows) print([&](int c) { return cell(row, c); });
  std::printf("\n%zu rows\n", rows.size());
}

}  // namespace cli
