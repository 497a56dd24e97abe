#include "engine/find_registry_problems.h"

#include <new>
#include <thread>

#include "engine/fix_selected_problems.h"
#include "exclusions/exclusion_commands.h"
#include "engine/install_directory.h"
#include "engine/problem_list_display.h"
#include "records/problem_files.h"
#include "refcheck/registry_util.h"
#include "resources/resource_ids.h"
#include "scanners/scanners.h"
#include "scanners/user_determined_scanner.h"

namespace {

constexpr int kJobButtons[] = {IDC_FIND, IDC_USER_DETERMINES, IDC_RESTORE, IDC_DISPLAY_EXCLUSIONS, IDC_EXIT};
constexpr int kListButtons[] = {IDC_ADD_EXCLUSIONS, IDC_SELECT_ALL, IDC_UNSELECT_ALL, IDC_FIX, IDC_DELETE_EXCLUSIONS};

}  // namespace

CFindRegistryProblems::CFindRegistryProblems(const plat::Platform& platform, std::vector<std::string>* exclusions,
                                             const SectionTable* sectionTable, plat::IListView* listView,
                                             std::string problemsFile, int jobMode, plat::IDialogControls* dialog,
                                             void* dialogWindow)
    : platform_(platform),
      exclusions_(exclusions),
      problemsFile_(std::move(problemsFile)),
      listView_(listView),
      dialog_(dialog),
      dialogWindow_(dialogWindow),
      jobMode_(jobMode),
      sectionTable_(sectionTable),
      scannerFactory_(BuildSectionScanners) {
  for (int id : kJobButtons) dialog_->Enable(id, false);
  dialog_->Enable(IDC_CANCEL_ACTIONS, true);
  for (int id : kListButtons) dialog_->Enable(id, false);
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
  ShowSectionState(-2);
  if (jobMode_ == kJobFindProblems) ShowSectionState(0);
  if (!WriteTextLines(platform_.files, {}, problemsFile_, false, true) && jobMode_ != kJobDisplayExclusions) {
    // Without its file a scan could show none of what it finds.
    platform_.messages.Show("Error: Unable to write " + problemsFile_, plat::mb::kOk);
    RestoreButtons();
    return;
  }
  if (jobMode_ == kJobFindProblems || jobMode_ == kJobUserDetermines) {
    problemsFound_ = 0;
    keysExamined_ = 0;
    ShowCounters(0, 0, IDC_EXAMINED_COUNT, jobMode_ == kJobFindProblems ? IDC_FOUND_COUNT : 0);
  }
  switch (jobMode_) {
    case kJobUserDetermines: {
      SetStatusLine("User Determines Problems => In progress...");
      CUserDeterminedScanner scanner(platform_);
      scanner.Scan(*exclusions_, problemsFile_);
      ShowCounters(scanner.GetKeysExamined(), 0, IDC_EXAMINED_COUNT, 0);
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
      FixSelectedProblems(platform_, *listView_, *dialog_, installationDirectory_);
      SetStatusLine("Fixing Selected Problems => Completed.");
      break;
    case kJobDisplayExclusions:
      SetStatusLine("Display exclusions => In progress...");
      DisplayExclusions(platform_, *listView_, installationDirectory_);
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
      dialog_->SetText((*sectionTable_)[index].cellId, "");
      continue;
    }
    ShowSectionState(static_cast<int>(index));
    problemsFound_ += RunSection(*scanners[index]);
    ShowCounters(keysExamined_, problemsFound_, IDC_EXAMINED_COUNT, IDC_FOUND_COUNT);
    ShowSectionState(static_cast<int>(index) + 15);
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

void CFindRegistryProblems::RestoreButtons() {
  for (int id : kJobButtons) dialog_->Enable(id, true);
  dialog_->Enable(IDC_CANCEL_ACTIONS, false);
  const int rows = listView_->GetItemCount();
  if (rows > 0 && jobMode_ < kJobDisplayExclusions) {
    for (int id : {IDC_ADD_EXCLUSIONS, IDC_SELECT_ALL, IDC_UNSELECT_ALL, IDC_FIX}) dialog_->Enable(id, true);
  } else if (rows > 0) {
    for (int id : {IDC_SELECT_ALL, IDC_UNSELECT_ALL, IDC_DELETE_EXCLUSIONS}) dialog_->Enable(id, true);
  }
}

void CFindRegistryProblems::SetStatusLine(const std::string& text) { dialog_->SetText(IDC_STATUS, text); }

void CFindRegistryProblems::ShowSectionState(int index) {
  const SectionTable& table = *sectionTable_;
  if (index == -2) {
    for (const SectionRow& row : table) dialog_->SetText(row.cellId, "");
  } else if (index >= 0 && index < 15) {
    dialog_->SetText(table[index].cellId, " Processing => " + table[index].displayName);
  } else if (index >= 15 && index < 30) {
    dialog_->SetText(table[index - 15].cellId, " Done => " + table[index - 15].displayName);
  }
}

void CFindRegistryProblems::ShowCounters(int examined, int problems, int examinedLabel, int problemsLabel) {
  dialog_->SetText(examinedLabel, std::to_string(examined));
  dialog_->Repaint(examinedLabel, true);
  if (problemsLabel != 0) {
    dialog_->SetText(problemsLabel, std::to_string(problems));
    dialog_->Repaint(problemsLabel, true);
  }
}
