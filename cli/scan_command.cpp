#include <unistd.h>

#include <cstdio>
#include <memory>
#include <nlohmann/json.hpp>

#include "cli/commands.h"
#include "cli/list_printer.h"
#include "cli/session.h"
#include "platform/codepage.h"
#include "resources/resource_ids.h"
#include "scanners/scanners.h"

namespace cli {
namespace {

struct ScanOptions {
  ImageOptions image;
  bool json = false;
  std::vector<std::string> sections;
};

// The rows of the section table named (without case) by --section; false,
// with the valid names, for a name that is none of them.
bool ChooseSections(const std::vector<std::string>& names, std::vector<bool>& chosen, std::string& error) {
  const SectionTable table = BuildSectionTable();
  chosen.assign(table.size(), names.empty());
  for (const auto& name : names) {
    bool found = false;
    for (std::size_t i = 0; i < table.size(); ++i)
      if (plat::NamesEqual(SectionName(table[i]), name)) chosen[i] = found = true;
    if (!found) {
      error = "--section " + name + ": the sections are";
      for (const auto& row : table) error += " \"" + SectionName(row) + "\"";
      return false;
    }
  }
  return true;
}

bool IsSectionCell(const SectionTable& table, int id) {
  for (const auto& row : table)
    if (row.cellId == id) return true;
  return false;
}

int RunScan(const ScanOptions& o) {
  std::vector<bool> chosen;
  std::string error;
  if (!ChooseSections(o.sections, chosen, error)) {
    std::fprintf(stderr, "tidemarrow-cli: %s\n", error.c_str());
    return 2;
  }
  Session session;
  int exitCode = 0;
  if (!session.Open(o.image, Answering{}, exitCode)) return exitCode;
  auto& dialog = session.dialog();
  session.commands().SetScannerFactory([chosen](const plat::Platform& platform) {
    auto scanners = BuildSectionScanners(platform);
    for (std::size_t i = 0; i < scanners.size(); ++i)
      if (!chosen[i]) scanners[i].reset();
    return scanners;
  });
  const bool terminal = isatty(fileno(stderr));
  const SectionTable table = session.commands().Sections();
  std::string lastShown;
  dialog.OnTextChanged([&](int id, const std::string& text) {
    if (!IsSectionCell(table, id) || text.rfind(" Processing => ", 0) != 0 || text == lastShown) return;
    lastShown = text;
    if (terminal) std::fprintf(stderr, "\r\x1b[K%s", text.c_str());
    else std::fprintf(stderr, "%s\n", text.c_str());
    std::fflush(stderr);
  });
  session.RunJob([&](auto done) { session.commands().OnFindProblems(done); });
  dialog.OnTextChanged(nullptr);
  if (terminal) std::fprintf(stderr, "\r\x1b[K");

  const auto rows = session.list().Rows();
  // A scan whose results could not be written has failed, whatever it found.
  const std::string found = dialog.GetText(IDC_FOUND_COUNT);
  const int failed = found.empty() || std::stoi(found) != static_cast<int>(rows.size()) ? 4 : 0;
  if (failed) std::fprintf(stderr, "tidemarrow-cli: the scan's results could not be written to %s\n",
                           session.commands().ProblemsFile().c_str());
  if (o.json) {
    nlohmann::json out;
    out["Keys/Values Examined:"] = std::stoi(dialog.GetText(IDC_EXAMINED_COUNT));
    out["Problems Found:"] = std::stoi(dialog.GetText(IDC_FOUND_COUNT));
    out["status"] = dialog.GetText(IDC_STATUS);
    out["problemsFile"] = session.commands().ProblemsFile();
    out["rows"] = nlohmann::json::array();
    for (const auto& row : rows) {
      nlohmann::json r;
      for (int c = 0; c < 8; ++c) r[kListColumns[c].header] = Latin1ToUtf8(row.cells[c]);
      out["rows"].push_back(r);
    }
    std::printf("%s\n", out.dump(2).c_str());
    return failed;
  }
  std::printf("%s\n\n", dialog.GetText(IDC_STATUS).c_str());
  std::printf("Keys/Values Examined: %s\n", dialog.GetText(IDC_EXAMINED_COUNT).c_str());
  std::printf("%s %s\n\n", dialog.GetText(IDC_FOUND_LABEL).c_str(), dialog.GetText(IDC_FOUND_COUNT).c_str());
  PrintListRows(rows);
  return failed;
}

}  // namespace

void AddScanCommand(CLI::App& app, int& exitCode) {
  auto options = std::make_shared<ScanOptions>();
  CLI::App* scan = app.add_subcommand(
      "scan",
      "find problems: run the find job on the image as the \"Tidemarrow Finds Problems\" button does, show the "
      "section being processed on stderr, then print the counters and the list view's rows; Problems.txt is "
      "left in the image's installation directory. Exit code 0 after a completed scan, whatever it found.");
  options->image.AddTo(*scan);
  scan->add_flag("--json", options->json, "print the counters and rows as JSON");
  scan->add_option("--section", options->sections,
                   "run only this section, by its display name (\"Major Keys\", \"CLSID\", \"App Paths\", ...); "
                   "repeatable; the other sections keep their cells and rows empty");
  scan->callback([options, &exitCode] { exitCode = RunScan(*options); });
}

}  // namespace cli
