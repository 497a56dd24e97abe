#include "cli/session.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdio>
#include <future>
#include <iostream>
#include <set>
#include <sstream>

#include "engine/install_directory.h"
#include "engine/problem_list_display.h"
#include "records/problem_files.h"
#include "refcheck/registry_util.h"
#include "scanners/user_determined_scanner.h"

namespace cli {

void Answering::AddTo(CLI::App& app) {
  app.add_flag("--yes", yes, "answer the program's questions yes (without it they are asked on the terminal, "
                             "and refused when there is none)");
}

Session::~Session() {
  if (lock_ >= 0) ::close(lock_);
}

void Session::ReleaseMessages(bool print) {
  holding_ = false;
  if (print)
    for (const auto& text : held_) std::fprintf(stderr, "Tidemarrow: %s\n", text.c_str());
  held_.clear();
}

int Session::Answer(const std::string& text, unsigned style, int answer) {
  const unsigned buttons = style & 0xF;
  const bool question = buttons == plat::mb::kYesNo || buttons == plat::mb::kOkCancel;
  if (holding_ && !question) {
    held_.push_back(text);
    return answer;
  }
  std::fprintf(stderr, "Tidemarrow: %s\n", text.c_str());
  if (!question) return answer;
  const int yes = buttons == plat::mb::kYesNo ? plat::mb::kIdYes : plat::mb::kIdOk;
  const int no = buttons == plat::mb::kYesNo ? plat::mb::kIdNo : plat::mb::kIdCancel;
  if (yes_) return yes;
  if (!isatty(fileno(stdin))) {
    std::fprintf(stderr, "tidemarrow-cli: not answered without a terminal; give --yes to answer yes\n");
    refused_ = true;
    return no;
  }
  std::fprintf(stderr, "[y/N] ");
  std::string reply;
  std::getline(std::cin, reply);
  return !reply.empty() && (reply[0] == 'y' || reply[0] == 'Y') ? yes : no;
}

bool Session::Open(const ImageOptions& options, const Answering& answering, int& exitCode) {
  std::string error;
  yes_ = answering.yes;
  if (!loaded_.Load(options, error)) {
    std::fprintf(stderr, "tidemarrow-cli: %s\n", error.c_str());
    exitCode = 2;
    return false;
  }
  image().messages().SetObserver(
      [this](const std::string& text, unsigned style, int answer) { return Answer(text, style, answer); });
  jobs_ = std::make_unique<CJobControl>(image().platform(), list_, view_);
  if (!jobs_->CheckOperatingSystem() || !jobs_->CheckInstallDirectory()) {
    std::fprintf(stderr, "tidemarrow-cli: the image's Windows or installation directory is not usable\n");
    exitCode = 3;
    return false;
  }
  // One job at a time per image: a second would interleave its backup with
  // this one's and save the registry over it.
  std::string host;
  if (image().drive().ResolveExisting(InstallDirectory(), host)) {
    lock_ = ::open(host.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (lock_ >= 0 && ::flock(lock_, LOCK_EX | LOCK_NB) != 0) {
      std::fprintf(stderr, "tidemarrow-cli: another tidemarrow-cli is working on this image (%s); try again when it "
                           "has finished\n", InstallDirectory().c_str());
      exitCode = 6;
      return false;
    }
  }
  image().drive().SetWorkingDirectory(InstallDirectory());
  jobs_->SetFilePaths();
  InsertListColumns(list_);
  return true;
}

bool Session::RunJob(const std::function<bool(std::function<void()>)>& start) {
  auto done = std::make_shared<std::promise<void>>();
  auto finished = done->get_future();
  if (!start([done] { done->set_value(); })) return false;
  finished.wait();
  return true;
}

bool Session::FixTicked() {
  return RunJob([this](auto done) {
    // Rows of a review were not found to be problems: the dialog's warning
    // comes first, as after the review itself.
    if (reviewRows_ && !jobs_->ConfirmFixingReviewRows()) return false;
    return jobs_->FixSelected(done);
  });
}

bool Session::LoadLastScan(std::string& error) {
  std::vector<std::string> lines;
  if (!ReadTextLines(image().platform().files, jobs_->ProblemsFile(), lines)) {
    error = jobs_->ProblemsFile() + " cannot be read; run a scan first";
    return false;
  }
  if (lines.size() % kRecordLines != 0) {
    error = jobs_->ProblemsFile() + " is cut short: " + std::to_string(lines.size()) + " lines, not whole records of 8";
    return false;
  }
  ShowProblemList(image().platform(), list_, jobs_->ProblemsFile());
  reviewRows_ = false;
  for (int row = 0; row < list_.GetItemCount() && !reviewRows_; ++row) reviewRows_ = IsReviewGroup(list_.GetCell(row, 1));
  return true;
}

bool Session::ScanOrLoadLastScan(bool useLastScan) {
  if (!useLastScan) {
    reviewRows_ = false;
    RunJob([this](auto done) { return jobs_->FindProblems(done); });
    return true;
  }
  std::string error;
  if (LoadLastScan(error)) return true;
  std::fprintf(stderr, "tidemarrow-cli: %s\n", error.c_str());
  return false;
}

bool Session::TickRows(const std::string& spec, std::string& error) {
  const int count = list_.GetItemCount();
  std::stringstream ss(spec);
  std::string part;
  std::set<int> rows;
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
  for (int r : rows) list_.SetChecked(r, true);
  return true;
}

}  // namespace cli
