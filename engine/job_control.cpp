#include "engine/job_control.h"

#include <cctype>

#include "engine/install_directory.h"
#include "engine/problem_list_display.h"
#include "records/problem_files.h"
#include "refcheck/registry_util.h"
#include "scanners/section_table.h"

CJobControl::CJobControl(const plat::Platform& platform, plat::IListView& list, IJobView& view)
    : platform_(platform), list_(list), view_(view), scannerFactory_(BuildSectionScanners) {}

bool CJobControl::CheckOperatingSystem() {
  char buffer[260] = {};
  const std::uint32_t length = platform_.environment.GetVariable("OS", buffer, sizeof buffer);
  std::string os = length > 0 && length < sizeof buffer ? std::string(buffer, length) : "";
  for (auto& c : os) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (os.find("NT") != std::string::npos) return true;
  platform_.messages.Show("Tidemarrow will only operate on Windows 2000 and XP operating systems.", plat::mb::kOk);
  return false;
}

bool CJobControl::CheckInstallDirectory() {
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

void CJobControl::SetFilePaths() {
  problemsFile_ = InstallDirectory() + "Problems.txt";
  exclusionsFile_ = InstallDirectory() + "Exclusions.txt";
}

void CJobControl::ReloadExclusions() {
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

void CJobControl::ClearList() {
  list_.DeleteAll();
  list_.Repaint();
}

bool CJobControl::StartScan(int mode, std::function<void()> onFinished) {
  if (jobRunning_) return false;
  ClearList();
  ReloadExclusions();
  return Start(mode, std::move(onFinished));
}

bool CJobControl::FindProblems(std::function<void()> onFinished) {
  return StartScan(kJobFindProblems, std::move(onFinished));
}

bool CJobControl::UserDetermines(std::function<void()> onFinished) {
  return StartScan(kJobUserDetermines, std::move(onFinished));
}

bool CJobControl::DisplayExclusions(std::function<void()> onFinished) {
  if (jobRunning_) return false;
  ClearList();
  if (!platform_.files.CanOpenForRead(exclusionsFile_)) {
    view_.StatusText("No exclusions to display.");
    return false;
  }
  return Start(kJobDisplayExclusions, std::move(onFinished));
}

bool CJobControl::FixSelected(std::function<void()> onFinished) {
  return Start(kJobFixSelected, std::move(onFinished));
}

bool CJobControl::ConfirmFixingReviewRows() {
  const int answer = platform_.messages.Show(
      "You have determined that the registry entries in the list can be removed from the registry.\t\t\t\n\n"
      "It is very important for you to know that Tidemarrow did not determine that any of the registry "
      "entries\t\t\tlisted here are problems.  Most, if not all of the entries should NOT be fixed.\t\t\t\n\n"
      "If you are not an advanced computer user, I suggest you click No.\t\t\t\n\n"
      "If you are sure that you want Tidemarrow to fix the entries, click Yes, otherwise select No.",
      plat::mb::kYesNo | plat::mb::kIconQuestion);
  return answer == plat::mb::kIdYes;
}

void CJobControl::RequestCancel() { platform_.atoms.Add(kCancelAtomName); }

void CJobControl::TickAll(bool ticked) {
  for (int row = 0; row < list_.GetItemCount(); ++row) list_.SetChecked(row, ticked);
}

bool CJobControl::Start(int mode, std::function<void()> onFinished) {
  if (jobRunning_.exchange(true)) return false;
  auto* job = new CFindRegistryProblems(platform_, &exclusions_, &list_, problemsFile_, mode, &view_);
  job->SetScannerFactory(scannerFactory_);
  CFindRegistryProblems::Start(job, [this, onFinished = std::move(onFinished)] {
    jobRunning_ = false;
    if (onFinished) onFinished();
  });
  return true;
}
