#include "app/main_commands.h"

#include <cctype>

#include "engine/install_directory.h"
#include "exclusions/exclusion_commands.h"
#include "engine/problem_list_display.h"
#include "records/problem_files.h"
#include "refcheck/registry_util.h"
#include "resources/resource_ids.h"
#include "scanners/scanners.h"

CMainCommands::CMainCommands(const plat::Platform& platform, plat::IDialogControls& dialog, plat::IListView& list)
    : platform_(platform), dialog_(dialog), list_(list), sectionTable_(BuildSectionTable()),
      scannerFactory_(BuildSectionScanners) {}

bool CMainCommands::CheckOperatingSystem() {
  char buffer[260] = {};
  const std::uint32_t length = platform_.environment.GetVariable("OS", buffer, sizeof buffer);
  std::string os = length > 0 && length < sizeof buffer ? std::string(buffer, length) : "";
  for (auto& c : os) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (os.find("NT") != std::string::npos) return true;
  platform_.messages.Show("Tidemarrow will only operate on Windows 2000 and XP operating systems.", plat::mb::kOk);
  return false;
}

bool CMainCommands::CheckInstallDirectory() {
  std::vector<std::string> values;
  if (!ReadInstallDirectoryWith(platform_, values, "Tidemarrow")) {
    platform_.messages.Show("Problem obtaining install directory in registry.\nContact support.", plat::mb::kOk);
    return false;
  }
  SetInstallDirectory(values[0]);
  if (values[0] == "null") {
    platform_.messages.Show("Install directory not found in registry.\nContact support.", plat::mb::kOk);
    return false;
  }
  return true;
}

void CMainCommands::Initialise() {
  problemsFile_ = InstallDirectory() + "Problems.txt";
  exclusionsFile_ = InstallDirectory() + "Exclusions.txt";
  for (int id : {IDC_STATUS, IDC_SELECT_ALL, IDC_UNSELECT_ALL, IDC_FIX, IDC_FIXED_LABEL, IDC_FOUND_LABEL,
                 IDC_FIXED_COUNT, IDC_FOUND_COUNT})
    dialog_.SetText(id, "");
  for (int id : {IDC_FIX, IDC_UNSELECT_ALL, IDC_SELECT_ALL, IDC_DELETE_EXCLUSIONS, IDC_ADD_EXCLUSIONS,
                 IDC_CANCEL_ACTIONS})
    dialog_.Enable(id, false);
  sectionTable_ = BuildSectionTable();
  for (int i = 0; i < 8; ++i) list_.InsertColumn(i, kListColumns[i].header, kListColumns[i].width);
}

void CMainCommands::ReloadExclusions() {
  exclusions_.clear();
  std::vector<std::string> lines;
  if (platform_.files.CanOpenForRead(exclusionsFile_)) ReadTextLines(platform_.files, exclusionsFile_, lines);
  // The list the scanners compare with holds whole records only, eight lines
  // each: a torn record must not shift the ones after it.
  std::vector<std::string> faults;
  for (const auto& record : RecordsByMarker(lines, &faults)) exclusions_.insert(exclusions_.end(), record.begin(), record.end());
  if (faults.empty()) return;
  std::string text = exclusionsFile_ + " is damaged; what is named here is not used as an exclusion:\n";
  for (std::size_t i = 0; i < faults.size() && i < 5; ++i) text += "\n" + faults[i];
  if (faults.size() > 5) text += "\n... and " + std::to_string(faults.size() - 5) + " more";
  platform_.messages.Show(text, plat::mb::kOk);
}

void CMainCommands::PrepareList(const char* selectAll, const char* unselectAll, const char* fix) {
  dialog_.SetText(IDC_SELECT_ALL, selectAll);
  dialog_.SetText(IDC_UNSELECT_ALL, unselectAll);
  dialog_.SetText(IDC_FIX, fix);
}

void CMainCommands::OnFindProblems(std::function<void()> onFinished) {
  if (jobRunning_) return;
  PrepareList("Select &All Problems", "U&nSelect All Problems", "&Fix Selected Problems");
  dialog_.SetText(IDC_FIXED_LABEL, "");
  dialog_.SetText(IDC_FIXED_COUNT, "");
  dialog_.SetText(IDC_FOUND_LABEL, "Problems Found:");
  list_.DeleteAll();
  list_.Repaint();
  ReloadExclusions();
  StartJob(kJobFindProblems, std::move(onFinished));
}

void CMainCommands::OnUserDetermines(std::function<void()> onFinished) {
  if (jobRunning_) return;
  PrepareList("Select &All Entries", "U&nSelect All Entries", "&Fix Selected Entries");
  for (int id : {IDC_FIXED_LABEL, IDC_FOUND_LABEL, IDC_FIXED_COUNT, IDC_FOUND_COUNT}) dialog_.SetText(id, "");
  dialog_.Repaint(IDC_FOUND_COUNT, true);
  list_.DeleteAll();
  list_.Repaint();
  ReloadExclusions();
  StartJob(kJobUserDetermines, std::move(onFinished));
}

void CMainCommands::OnDisplayExclusions(std::function<void()> onFinished) {
  if (jobRunning_) return;
  PrepareList("Select &All Exclusions", "U&nSelect All Exclusions", "");
  for (int id : {IDC_FIXED_LABEL, IDC_FOUND_LABEL, IDC_FIXED_COUNT, IDC_FOUND_COUNT, IDC_EXAMINED_COUNT})
    dialog_.SetText(id, "");
  for (int id : {IDC_UNSELECT_ALL, IDC_SELECT_ALL, IDC_FIX, IDC_DELETE_EXCLUSIONS}) dialog_.Enable(id, false);
  list_.DeleteAll();
  list_.Repaint();
  if (!platform_.files.CanOpenForRead(exclusionsFile_)) {
    dialog_.SetText(IDC_STATUS, "No exclusions to display.");
    return;
  }
  StartJob(kJobDisplayExclusions, std::move(onFinished));
}

void CMainCommands::OnAddExclusions() {
  if (jobRunning_) return;
  AddExclusions(platform_, list_, dialog_, exclusionsFile_);
}

void CMainCommands::OnDeleteExclusions() { DeleteExclusionsNow(); }

bool CMainCommands::DeleteExclusionsNow() {
  if (jobRunning_) return false;
  return DeleteSelectedExclusions(platform_, list_, dialog_, exclusionsFile_);
}

bool CMainCommands::OnFixSelected(std::function<void()> onFinished) {
  if (jobRunning_) return false;
  if (dialog_.GetText(IDC_FIX) == "&Fix Selected Entries") {
    const int answer = platform_.messages.Show(
        "You have determined that the registry entries in the list can be removed from the registry.\t\t\t\n\n"
        "It is very important for you to know that Tidemarrow did not determine that any of the registry "
        "entries\t\t\tlisted here are problems.  Most, if not all of the entries should NOT be fixed.\t\t\t\n\n"
        "If you are not an advanced computer user, I suggest you click No.\t\t\t\n\n"
        "If you are sure that you want Tidemarrow to fix the entries, click Yes, otherwise select No.",
        plat::mb::kYesNo | plat::mb::kIconQuestion);
    if (answer != plat::mb::kIdYes) return false;
  }
  dialog_.SetText(IDC_FIXED_COUNT, "");
  return StartJob(kJobFixSelected, std::move(onFinished));
}

void CMainCommands::OnSelectAll() {
  for (int row = 0; row < list_.GetItemCount(); ++row) list_.SetChecked(row, true);
}

void CMainCommands::OnUnselectAll() {
  for (int row = 0; row < list_.GetItemCount(); ++row) list_.SetChecked(row, false);
}

void CMainCommands::OnCancelActions() {
  dialog_.SetText(IDC_STATUS, "Canceling previous action...");
  platform_.atoms.Add(kCancelAtomName);
}

bool CMainCommands::StartJob(int mode, std::function<void()> onFinished) {
  if (jobRunning_.exchange(true)) return false;
  auto* job = new CFindRegistryProblems(platform_, &exclusions_, &sectionTable_, &list_, problemsFile_, mode,
                                        &dialog_, nullptr);
  job->SetScannerFactory(scannerFactory_);
  CFindRegistryProblems::Start(job, [this, onFinished = std::move(onFinished)] {
    jobRunning_ = false;
    if (onFinished) onFinished();
  });
  return true;
}
