#include "engine/find_registry_problems.h"

#include <new>
#include <thread>

#include "engine/fix_selected_problems.h"
#include "engine/install_directory.h"
#include "engine/problem_list_display.h"
#include "records/problem_files.h"
#include "refcheck/registry_util.h"
#include "scanners/section_table.h"
#include "scanners/user_determined_scanner.h"

CFindRegistryProblems::CFindRegistryProblems(const plat::Platform& platform, std::vector<std::string>* exclusions,
                                             plat::IListView* listView, std::string problemsFile, int jobMode,
                                             IJobView* view)
    : platform_(platform),
      exclusions_(exclusions),
      problemsFile_(std::move(problemsFile)),
      listView_(listView),
      view_(view),
      jobMode_(jobMode),
      scannerFactory_(BuildSectionScanners) {
  view_->JobStarted(jobMode_);
  std::vector<std::string> values;
  ReadInstallDirectoryWith(platform_, values, "Tidemarrow");
  installationDirectory_ = values.empty() ? "" : values[0];
  // The product key may be gone by now (a review can offer the vendor key for
  // deletion); backups must then still go to the directory the program knows.
  if (installationDirectory_.empty() || installationDirectory_ == "null") installationDirectory_ = InstallDirectory();
}

CFindRegistryProblems::~CFindRegistryProblems() {
  for (plat::Atom atom; (atom = platform_.atoms.Find(kCancelAtomName)) != 0;)
    if (platform_.atoms.Delete(atom) != 0) break;
}

void CFindRegistryProblems::Start(CFindRegistryProblems* job, std::function<void()> onFinished) {
  std::thread([job, onFinished = std::move(onFinished)] {
    // Nothing thrown may leave the thread; the only thing the job can throw
    // is running out of memory, which ends it like a cancel.
    try {
      job->InitInstance();
    } catch (const std::bad_alloc&) {
      job->platform_.messages.Show("Out of memory: the job was stopped.", plat::mb::kOk);
      job->RestoreButtons();
    }
    delete job;
    if (onFinished) onFinished();
  }).detach();
}

bool CFindRegistryProblems::Cancelled() const { return CancelRequested(platform_); }

void CFindRegistryProblems::InitInstance() {
  // A cancel raised before the job began ends it at once, but like any other
  // end: the buttons come back and the thread ends.
  if (Cancelled()) {
    RestoreButtons();
    return;
  }
  for (std::size_t index = 0; index < kSectionCount; ++index) view_->ShowSection(index, SectionState::kBlank);
  if (jobMode_ == kJobFindProblems) view_->ShowSection(0, SectionState::kProcessing);
  if (!WriteTextLines(platform_.files, {}, problemsFile_, false, true) && jobMode_ != kJobDisplayExclusions) {
    // Without its file a scan could show none of what it finds.
    platform_.messages.Show("Error: Unable to write " + problemsFile_, plat::mb::kOk);
    RestoreButtons();
    return;
  }
  if (jobMode_ == kJobFindProblems || jobMode_ == kJobUserDetermines) {
    problemsFound_ = 0;
    keysExamined_ = 0;
    view_->Counters(0, jobMode_ == kJobFindProblems ? std::optional<int>(0) : std::nullopt);
  }
  switch (jobMode_) {
    case kJobUserDetermines: {
      SetStatusLine("User Determines Problems => In progress...");
      CUserDeterminedScanner scanner(platform_);
      scanner.Scan(*exclusions_, problemsFile_);
      view_->Counters(scanner.GetKeysExamined(), std::nullopt);
      SetStatusLine("User Determines Problems => Displaying problems...");
      ShowProblemList(platform_, *listView_, problemsFile_);
      SetStatusLine("User Determines Problems => Completed.");
      break;
    }
    case kJobFindProblems:
      RunFindProblems();
      break;
    case kJobFixSelected:
      SetStatusLine("Fixing Selected Problems => In progress...");
      FixSelectedProblems(platform_, *listView_, *view_, installationDirectory_);
      SetStatusLine("Fixing Selected Problems => Completed.");
      break;
    case kJobDisplayExclusions:
      SetStatusLine("Display exclusions => In progress...");
      ShowExclusionList(platform_, *listView_, installationDirectory_ + "Exclusions.txt");
      SetStatusLine("Display exclusions => Completed.");
      break;
    default:
      break;
  }
  RestoreButtons();
}

void CFindRegistryProblems::RunFindProblems() {
  SetStatusLine("Tidemarrow Finds Problems => In progress...");
  std::vector<std::unique_ptr<CSectionScanner>> scanners = scannerFactory_(platform_);
  for (std::size_t index = 0; index < scanners.size() && index < kSectionCount; ++index) {
    if (Cancelled()) break;
    if (!scanners[index]) {  // a section left out of this run keeps its cell empty
      view_->ShowSection(index, SectionState::kBlank);
      continue;
    }
    view_->ShowSection(index, SectionState::kProcessing);
    problemsFound_ += RunSection(*scanners[index]);
    view_->Counters(keysExamined_, problemsFound_);
    view_->ShowSection(index, SectionState::kDone);
  }
  SetStatusLine("Tidemarrow Finds Problems => Displaying problems...");
  ShowProblemList(platform_, *listView_, problemsFile_);
  if (!Cancelled() && listView_->GetItemCount() < problemsFound_)
    platform_.messages.Show("Error: Unable to write " + problemsFile_ + "\n\nOnly " +
                                std::to_string(listView_->GetItemCount()) + " of the " +
                                std::to_string(problemsFound_) + " problems found could be listed.",
                            plat::mb::kOk);
  SetStatusLine("Tidemarrow Finds Problems => Completed.");
  while (!scanners.empty()) scanners.pop_back();  // the last built first
}

int CFindRegistryProblems::RunSection(CSectionScanner& scanner) {
  scanner.Scan(*exclusions_, problemsFile_);
  keysExamined_ += scanner.GetKeysExamined();
  return scanner.GetProblemsFound();
}

void CFindRegistryProblems::RestoreButtons() { view_->JobEnded(jobMode_, listView_->GetItemCount()); }

void CFindRegistryProblems::SetStatusLine(const std::string& text) { view_->StatusText(text); }
