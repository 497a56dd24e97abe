#include <algorithm>
#include <cstdio>
#include <future>
#include <memory>
#include <set>
#include <sstream>

#include "app/main_commands.h"
#include "cli/commands.h"
#include "cli/image_options.h"
#include "cli/list_printer.h"
#include "platform/codepage.h"
#include "engine/install_directory.h"
#include "engine/problem_list_display.h"
#include "platform/memory/headless_dialog.h"
#include "refcheck/registry_util.h"
#include "resources/resource_ids.h"

namespace cli {
namespace {

struct FixOptions {
  ImageOptions image;
  bool all = false;
  std::string rows;
  std::vector<std::string> sections;
  bool useLastScan = false;
  bool dryRun = false;
};

// "1,4-7" into 0-based row indices; false with a reason for a bad list.
bool ParseRows(const std::string& spec, int count, std::set<int>& rows, std::string& error) {
  std::stringstream ss(spec);
  std::string part;
  while (std::getline(ss, part, ',')) {
    const auto dash = part.find('-');
    try {
      const int first = std::stoi(part.substr(0, dash));
      const int last = dash == std::string::npos ? first : std::stoi(part.substr(dash + 1));
      if (first < 1 || last < first || last > count) {
        error = "--rows " + part + ": the list has rows 1 to " + std::to_string(count);
        return false;
      }
      for (int r = first; r <= last; ++r) rows.insert(r - 1);
    } catch (const std::exception&) {
      error = "--rows " + part + ": expected a row number or a range such as 4-7";
      return false;
    }
  }
  return true;
}

std::string Target(const plat::memory::HeadlessListView::Row& row) {
  const std::string& marker = row.cells[0];
  const std::string hive = marker.rfind("L", 0) == 0 ? "HKEY_LOCAL_MACHINE" : "HKEY_CURRENT_USER";
  const std::string key = row.cells[7].empty() ? row.cells[2] : row.cells[7];
  if (marker.size() > 3 && marker[3] == 'V') return "value \"" + row.cells[4] + "\" of " + hive + "\\" + key;
  return "key " + hive + "\\" + key;
}

std::vector<std::string> BackupFiles(plat::IFileSystem& files) {
  std::vector<std::string> names, backups;
  files.ListFiles(InstallDirectory(), names);
  for (const auto& n : names)
    if (plat::LowerAscii(n).rfind("backup-", 0) == 0) backups.push_back(n);
  return backups;
}

int RunFix(const FixOptions& o) {
  if (!o.all && o.rows.empty() && o.sections.empty()) {
    std::fprintf(stderr, "tidemarrow-cli fix: say which rows to fix: --all, --rows or --section\n");
    return 2;
  }
  LoadedImage loaded;
  std::string error;
  if (!loaded.Load(o.image, error)) {
    std::fprintf(stderr, "tidemarrow-cli: %s\n", error.c_str());
    return 2;
  }
  auto& image = loaded.image();
  image.messages().SetObserver([](const std::string& text, unsigned, int answer) {
    std::fprintf(stderr, "Tidemarrow: %s\n", text.c_str());
    return answer;
  });
  plat::memory::HeadlessDialog dialog;
  plat::memory::HeadlessListView list;
  CMainCommands commands(image.platform(), dialog, list);
  if (!commands.CheckOperatingSystem() || !commands.CheckInstallDirectory()) return 3;
  image.drive().SetWorkingDirectory(InstallDirectory());
  commands.Initialise();

  if (o.useLastScan) {
    CRegistryUtil util(image.platform());
    std::vector<std::string> lines;
    if (!util.ReadLines(lines, commands.ProblemsFile())) {
      std::fprintf(stderr, "tidemarrow-cli: %s cannot be read; run a scan first\n", commands.ProblemsFile().c_str());
      return 2;
    }
    if (lines.size() % kRecordLines != 0) {
      std::fprintf(stderr, "tidemarrow-cli: %s is cut short: %zu lines, not whole records of 8\n",
                   commands.ProblemsFile().c_str(), lines.size());
      return 2;
    }
    dialog.SetText(IDC_FIX, "&Fix Selected Problems");
    ShowProblemList(image.platform(), list, commands.ProblemsFile());
  } else {
    std::promise<void> scanned;
    commands.OnFindProblems([&scanned] { scanned.set_value(); });
    scanned.get_future().wait();
  }

  const int count = list.GetItemCount();
  std::set<int> chosen;
  if (o.all) for (int r = 0; r < count; ++r) chosen.insert(r);
  if (!o.rows.empty() && !ParseRows(o.rows, count, chosen, error)) {
    std::fprintf(stderr, "tidemarrow-cli: %s\n", error.c_str());
    return 2;
  }
  for (const auto& section : o.sections)
    for (int r = 0; r < count; ++r)
      if (plat::NamesEqual(list.GetCell(r, 1), section)) chosen.insert(r);
  for (int r : chosen) list.SetChecked(r, true);
  const auto before = list.Rows();
  if (chosen.empty()) {
    std::printf("No rows selected; nothing to fix.\n");
    return 0;
  }
  if (o.dryRun) {
    for (int r : chosen) std::printf("would delete %s\n", Latin1ToUtf8(Target(before[r])).c_str());
    std::printf("%zu rows; nothing was changed.\n", chosen.size());
    return 0;
  }

  const auto backupsBefore = BackupFiles(image.drive());
  std::promise<void> fixed;
  commands.OnFixSelected([&fixed] { fixed.set_value(); });
  fixed.get_future().wait();
  const auto after = list.Rows();
  int fixedCount = 0, failed = 0;
  for (int r : chosen) {
    const bool kept = std::any_of(after.begin(), after.end(),
                                  [&](const auto& row) { return row.cells == before[r].cells; });
    std::printf("%s row %d: %s\n", kept ? "not fixed" : "fixed", r + 1, Latin1ToUtf8(Target(before[r])).c_str());
    (kept ? failed : fixedCount)++;
  }
  for (const auto& name : BackupFiles(image.drive()))
    if (std::find(backupsBefore.begin(), backupsBefore.end(), name) == backupsBefore.end())
      std::printf("backup file: %s%s\n", InstallDirectory().c_str(), name.c_str());
  std::printf("Problems Fixed: %d\n", fixedCount);
  if (!image.SaveRegistry(error)) {
    std::fprintf(stderr, "tidemarrow-cli: %s\n", error.c_str());
    return 4;
  }
  return failed == 0 ? 0 : 1;
}

}  // namespace

void AddFixCommand(CLI::App& app, int& exitCode) {
  auto o = std::make_shared<FixOptions>();
  CLI::App* fix = app.add_subcommand(
      "fix",
      "fix problems: scan the image (or take the rows of its last scan), tick the chosen rows and run the fix "
      "job: each key or value is written to a dated backup file in the installation directory before it is "
      "deleted. The image's registry file is saved when the job ends. Exit code 0 when every chosen row was "
      "fixed, 1 when some could not be, 2 for bad options or input, 4 when the registry could not be saved.");
  o->image.AddTo(*fix);
  fix->add_flag("--all", o->all, "tick every row");
  fix->add_option("--rows", o->rows, "tick rows by number as the list shows them, e.g. 1,4-7");
  fix->add_option("--section", o->sections, "tick the rows of a section code, e.g. \"Major Keys\" (repeatable)");
  fix->add_flag("--use-last-scan", o->useLastScan, "take the rows from the image's Problems.txt instead of scanning");
  fix->add_flag("--dry-run", o->dryRun, "show what would be deleted; the registry and backups are not touched");
  fix->callback([o, &exitCode] { exitCode = RunFix(*o); });
}

}  // namespace cli
