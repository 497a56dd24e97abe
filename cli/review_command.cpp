#include <cstdio>
#include <memory>

#include "cli/commands.h"
#include "cli/list_printer.h"
#include "cli/session.h"
#include "exclusions/exclusion_commands.h"
#include "platform/codepage.h"
#include "scanners/user_determined_scanner.h"

namespace cli {
namespace {

struct ReviewOptions {
  ImageOptions image;
  std::vector<std::string> groups;
};

struct ExcludeOptions {
  ImageOptions image;
  std::string rows;
  bool useLastScan = false;
};

struct ExclusionsOptions {
  ImageOptions image;
  std::string deleteRows;
};

int RunReview(const ReviewOptions& o) {
  for (const auto& g : o.groups) {
    bool known = false;
    for (const char* name : ReviewGroups()) known = known || plat::NamesEqual(g, name);
    if (!known) {
      std::string names;
      for (const char* name : ReviewGroups()) names += std::string(" \"") + name + "\"";
      std::fprintf(stderr, "tidemarrow-cli: --group %s: the groups are%s\n", g.c_str(), names.c_str());
      return 2;
    }
  }
  Session session;
  int exitCode = 0;
  if (!session.Open(o.image, Answering{}, exitCode)) return exitCode;
  session.RunJob([&](auto done) { return session.jobs().UserDetermines(done); });
  std::vector<plat::memory::HeadlessListView::Row> rows;
  for (const auto& row : session.list().Rows()) {
    bool shown = o.groups.empty();
    for (const auto& g : o.groups) shown = shown || plat::NamesEqual(row.cells[1], g);
    if (shown) rows.push_back(row);
  }
  std::printf("%s\n\nKeys/Values Examined: %d\n\n", session.view().Status().c_str(), session.view().Examined());
  PrintListRows(rows);
  return 0;
}

int RunExclude(const ExcludeOptions& o) {
  Session session;
  int exitCode = 0;
  if (!session.Open(o.image, Answering{}, exitCode)) return exitCode;
  std::string error;
  if (!session.ScanOrLoadLastScan(o.useLastScan)) return 2;
  if (!session.TickRows(o.rows, error)) {
    std::fprintf(stderr, "tidemarrow-cli: %s\n", error.c_str());
    return 2;
  }
  AddExclusions(session.image().platform(), session.list(), session.view(), session.jobs().ExclusionsFile());
  std::printf("%s\n", session.view().Status().c_str());
  return 0;
}

int RunExclusions(const ExclusionsOptions& o) {
  Session session;
  int exitCode = 0;
  if (!session.Open(o.image, Answering{}, exitCode)) return exitCode;
  session.RunJob([&](auto done) { return session.jobs().DisplayExclusions(done); });
  std::string error;
  if (!o.deleteRows.empty()) {
    if (!session.TickRows(o.deleteRows, error)) {
      std::fprintf(stderr, "tidemarrow-cli: %s\n", error.c_str());
      return 2;
    }
    if (!DeleteSelectedExclusions(session.image().platform(), session.list(), session.view(),
                                  session.jobs().ExclusionsFile()))
      return 4;
  }
  std::printf("%s\n\n", session.view().Status().c_str());
  PrintListRows(session.list().Rows());
  return 0;
}

}  // namespace

void AddReviewCommands(CLI::App& app, int& exitCode) {
  auto review = std::make_shared<ReviewOptions>();
  CLI::App* r = app.add_subcommand(
      "review", "user-determined review: list whole groups of ordinary entries (file extensions, vendor keys, "
                "installed products, start-up programs, typed addresses) as \"User Determines Problems\" does");
  review->image.AddTo(*r);
  r->add_option("--group", review->groups,
                "show only this group: \"File Extensions\", \"Companies\", \"Uninstall Products\", "
                "\"Run Upon Startup\", \"Internet Explorer History\" (repeatable)");
  r->callback([review, &exitCode] { exitCode = RunReview(*review); });

  auto exclude = std::make_shared<ExcludeOptions>();
  CLI::App* e = app.add_subcommand(
      "exclude", "add rows of a scan to the exclusions (Exclusions.txt); excluded entries are never reported again");
  exclude->image.AddTo(*e);
  e->add_option("--rows", exclude->rows, "the rows to exclude, by number as the scan lists them, e.g. 1,4-7")
      ->required();
  e->add_flag("--use-last-scan", exclude->useLastScan, "take the rows from the image's Problems.txt");
  e->callback([exclude, &exitCode] { exitCode = RunExclude(*exclude); });

  auto exclusions = std::make_shared<ExclusionsOptions>();
  CLI::App* x = app.add_subcommand("exclusions", "list the exclusions; with --delete, remove some of them");
  exclusions->image.AddTo(*x);
  x->add_option("--delete", exclusions->deleteRows, "the exclusions to delete, by number as listed, e.g. 2,5-6");
  x->callback([exclusions, &exitCode] { exitCode = RunExclusions(*exclusions); });
}

}  // namespace cli
