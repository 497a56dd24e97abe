#include <unistd.h>

#include <cstdio>
#include <memory>
#include <nlohmann/json.hpp>

#include "cli/commands.h"
#include "cli/list_printer.h"
#include "cli/session.h"
#include "platform/codepage.h"
#include "records/problem_entry.h"
#include "scanners/section_table.h"

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
  session.jobs().SetScannerFactory([chosen](const plat::Platform& platform) {
    auto scanners = BuildSectionScanners(platform);
    for (std::size_t i = 0; i < scanners.size(); ++i)
      if (!chosen[i]) scanners[i].reset();
    return scanners;
  });
  const bool terminal = isatty(fileno(stderr));
  const SectionTable table = BuildSectionTable();
  std::string lastShown;
  session.view().OnSectionStarted([&](std::size_t index) {
    const std::string text = " Processing => " + table[index].displayName;
    if (text == lastShown) return;
    lastShown = text;
    if (terminal) std::fprintf(stderr, "\r\x1b[K%s", text.c_str());
    else std::fprintf(stderr, "%s\n", text.c_str());
    std::fflush(stderr);
  });
  session.RunJob([&](auto done) { return session.jobs().FindProblems(done); });
  session.view().OnSectionStarted(nullptr);
  if (terminal) std::fprintf(stderr, "\r\x1b[K");

  const auto rows = session.list().TakeRows();
  // A scan whose results could not be written has failed, whatever it found.
  const auto& view = session.view();
  const std::optional<int> found = view.Found();
  const int failed = !found || *found != static_cast<int>(rows.size()) ? 4 : 0;
  if (failed) std::fprintf(stderr, "tidemarrow-cli: the scan's results could not be written to %s\n",
                           session.jobs().ProblemsFile().c_str());
  if (o.json) {
    nlohmann::json out;
    out["Keys/Values Examined:"] = view.Examined();
    out["Problems Found:"] = found.value_or(0);
    out["status"] = view.Status();
    out["problemsFile"] = session.jobs().ProblemsFile();
    out["rows"] = nlohmann::json::array();
    for (const auto& row : rows) {
      nlohmann::json r;
      for (int c = 0; c < 8; ++c) r[kListColumns[c].header] = Latin1ToUtf8(row.cells[c]);
      out["rows"].push_back(r);
    }
    std::printf("%s\n", out.dump(2).c_str());
    return failed;
  }
  std::printf("%s\n\n", view.Status().c_str());
  std::printf("Keys/Values Examined: %d\n", view.Examined());
  std::printf("Problems Found: %d\n\n", found.value_or(0));
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
