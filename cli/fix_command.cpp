#include <algorithm>
#include <cstdio>
#include <memory>
#include <set>

#include "cli/commands.h"
#include "cli/list_printer.h"
#include "cli/session.h"
#include "engine/install_directory.h"
#include "platform/codepage.h"
#include "scanners/section_table.h"

namespace cli {
namespace {

struct FixOptions {
  ImageOptions image;
  Answering answering;
  bool all = false;
  std::string rows;
  std::vector<std::string> sections;
  bool useLastScan = false;
  bool dryRun = false;
};

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
  Session session;
  int exitCode = 0;
  if (!session.Open(o.image, o.answering, exitCode)) return exitCode;
  auto& list = session.list();
  std::string error;
  if (!session.ScanOrLoadLastScan(o.useLastScan)) return 2;
  const int count = list.GetItemCount();
  if (o.all)
    for (int r = 0; r < count; ++r) list.SetChecked(r, true);
  if (!o.rows.empty() && !session.TickRows(o.rows, error)) {
    std::fprintf(stderr, "tidemarrow-cli: %s\n", error.c_str());
    return 2;
  }
  const SectionTable table = BuildSectionTable();
  for (const auto& section : o.sections) {
    // A section code ("Run") or a section's name ("Run Apps") with every code it files.
    std::vector<std::string> codes{section};
    for (const SectionRow& row : table)
      if (plat::NamesEqual(SectionName(row), section)) codes.insert(codes.end(), row.codes.begin(), row.codes.end());
    for (int r = 0; r < count; ++r)
      for (const auto& code : codes)
        if (plat::NamesEqual(list.GetCell(r, 1), code)) list.SetChecked(r, true);
  }
  const auto before = list.Rows();
  std::vector<int> chosen;
  for (int r = 0; r < count; ++r)
    if (before[r].checked) chosen.push_back(r);
  if (chosen.empty()) {
    std::printf("No rows selected; nothing to fix.\n");
    return 0;
  }
  // A row in a hive that is never written is refused before anything
  // starts: no row is claimed fixed and no backup is made.
  if (const auto* hives = session.hives()) {
    std::set<std::string> reasons;
    for (int r : chosen) {
      const auto& row = before[r];
      const plat::HKey hive = row.cells[0].rfind("L", 0) == 0 ? plat::kLocalMachine : plat::kCurrentUser;
      const std::string reason = hives->ReadOnlyReason(hive, row.cells[7].empty() ? row.cells[2] : row.cells[7]);
      if (!reason.empty()) reasons.insert(reason);
    }
    if (!reasons.empty()) {
      for (const auto& reason : reasons) std::fprintf(stderr, "tidemarrow-cli: %s\n", reason.c_str());
      std::fprintf(stderr, "tidemarrow-cli: nothing was fixed; leave out the rows of that hive%s\n",
                   reasons.begin()->find("sequence numbers") != std::string::npos
                       ? ", or apply its log first with tidemarrow-cli recover"
                       : "");
      return 4;
    }
  }
  if (o.dryRun) {
    for (int r : chosen) std::printf("would delete %s\n", Latin1ToUtf8(Target(before[r])).c_str());
    std::printf("%zu rows; nothing was changed.\n", chosen.size());
    return 0;
  }
  const auto backupsBefore = BackupFiles(session.image().drive());
  session.HoldMessages();
  const bool started = session.FixTicked();
  if (!started) {
    session.ReleaseMessages(true);
    std::fprintf(stderr, "tidemarrow-cli: nothing was fixed\n");
    return session.Refused() ? 5 : 1;
  }
  // A row is fixed when the job took it out of the list; rows with the same
  // texts are told apart by their identity.
  std::set<std::uint64_t> left;
  for (const auto& row : list.Rows()) left.insert(row.id);
  int fixedCount = 0, failed = 0;
  std::vector<std::string> lines;
  for (int r : chosen) {
    const bool kept = left.count(before[r].id) != 0;
    lines.push_back(std::string(kept ? "not fixed" : "fixed") + " row " + std::to_string(r + 1) + ": " +
                    Latin1ToUtf8(Target(before[r])));
    (kept ? failed : fixedCount)++;
  }
  // What the job did is told only once the registry is saved: a fix whose
  // registry could not be saved deleted nothing.
  const bool saved = session.image().SaveRegistry(error);
  session.ReleaseMessages(saved);
  if (!saved) {
    std::fprintf(stderr, "tidemarrow-cli: %s\ntidemarrow-cli: the registry was left as it was; nothing was fixed\n",
                 error.c_str());
    return 4;
  }
  for (const auto& line : lines) std::printf("%s\n", line.c_str());
  for (const auto& name : BackupFiles(session.image().drive()))
    if (std::find(backupsBefore.begin(), backupsBefore.end(), name) == backupsBefore.end())
      std::printf("backup file: %s%s\n", InstallDirectory().c_str(), name.c_str());
  std::printf("Problems Fixed: %d\n", fixedCount);
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
  o->answering.AddTo(*fix);
  fix->add_flag("--all", o->all, "tick every row");
  fix->add_option("--rows", o->rows, "tick rows by number as the list shows them, e.g. 1,4-7");
  fix->add_option("--section", o->sections, "tick the rows of a section code (\"Run\") or of a section by its name (\"Run Apps\"); repeatable");
  fix->add_flag("--use-last-scan", o->useLastScan, "take the rows from the image's Problems.txt instead of scanning");
  fix->add_flag("--dry-run", o->dryRun, "show what would be deleted; the registry and backups are not touched");
  fix->callback([o, &exitCode] { exitCode = RunFix(*o); });
}

}  // namespace cli
