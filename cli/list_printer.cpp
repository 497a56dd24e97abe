#include "cli/list_printer.h"

#include <algorithm>
#include <cstdio>
#include <string_view>

#include "records/problem_entry.h"
#include "platform/codepage.h"

namespace cli {

std::string Latin1ToUtf8(const std::string& text) { return plat::Utf8FromUtf16(plat::Utf16FromCp1252(text)); }

void PrintListRows(const std::vector<plat::memory::HeadlessListView::Row>& rows) {
  // Column 0 shows the row's check box before the marker, as the list does.
  auto cellSize = [](const plat::memory::HeadlessListView::Row& row, int c) {
    return row.cells[c].size() + (c == 0 ? 4 : 0);
  };
  std::size_t width[8];
  for (int c = 0; c < 8; ++c) {
    width[c] = std::string_view(kListColumns[c].header).size();
    for (const auto& row : rows) width[c] = std::max(width[c], cellSize(row, c));
    width[c] = std::min<std::size_t>(width[c], 60);
  }
  // Each row is made in one string and written at once (a scan shows
  // thousands); a cell shows as far as its first NUL, as a C string would.
  std::string line, text;
  auto print = [&](auto cell) {
    line.clear();
    for (int c = 0; c < 8; ++c) {
      cell(c, text);
      if (text.size() > width[c] && c < 7) {
        text.resize(width[c] - 3);
        text += "...";
      }
      line.append(plat::IsAscii(text) ? text.c_str() : Latin1ToUtf8(text).c_str());
      if (c < 7)
        line.append(width[c] - text.size() + 2, ' ');
      else
        line += '\n';
    }
    std::fwrite(line.data(), 1, line.size(), stdout);
  };
  print([](int c, std::string& text) { text = kListColumns[c].header; });
  print([&](int c, std::string& text) { text.assign(width[c], '-'); });
  for (const auto& row : rows)
    print([&](int c, std::string& text) {
      if (c == 0)
        text.assign(row.checked ? "[x] " : "[ ] ").append(row.cells[0]);
      else
        text = row.cells[c];
    });
  std::printf("\n%zu rows\n", rows.size());
}

}  // namespace cli
