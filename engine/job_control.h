// CJobControl: the jobs of one window or one CLI session. It holds the files
// the jobs work on, the exclusions the scanners compare with (reloaded
// before each find and review) and the one job that may run at a time, and
// carries out the start-up checks. Whoever shows the jobs passes its view;
// the main dialog adds its captions around these calls (app/), the CLI
// calls them directly.
#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "engine/find_registry_problems.h"
#include "engine/job_view.h"
#include "platform/dialog_controls.h"
#include "platform/platform.h"

class CJobControl {
 public:
  CJobControl(const plat::Platform& platform, plat::IListView& list, IJobView& view);

  // False, after its message, when "OS" does not name an NT system.
  bool CheckOperatingSystem();
  // Sets InstallDirectory; false, after its message,
  // when the directory cannot be read.
  bool CheckInstallDirectory();
  // The file paths from InstallDirectory (Problems.txt, Exclusions.txt).
  void SetFilePaths();

  // Each clears the list and starts its job; false when a job is running
  // (or, for the exclusions, when there is no file: the status line says
  // so). onFinished runs on the job's thread once the job has ended.
  bool FindProblems(std::function<void()> onFinished);
  bool UserDetermines(std::function<void()> onFinished);
  bool DisplayExclusions(std::function<void()> onFinished);
  // Fixes the ticked rows.
  bool FixSelected(std::function<void()> onFinished);
  // The warning before rows of a review are fixed; true when answered yes.
  bool ConfirmFixingReviewRows();
  // Raises the cancel signal that the running job polls.
  void RequestCancel();
  void TickAll(bool ticked);

  bool JobRunning() const { return jobRunning_; }
  void SetScannerFactory(ScannerFactory factory) { scannerFactory_ = std::move(factory); }
  const std::string& ProblemsFile() const { return problemsFile_; }
  const std::string& ExclusionsFile() const { return exclusionsFile_; }
  const std::vector<std::string>& Exclusions() const { return exclusions_; }

 private:
  void ReloadExclusions();
  void ClearList();
  // A find or a review: the list cleared, the exclusions reloaded, the job started.
  bool StartScan(int mode, std::function<void()> onFinished);
  bool Start(int mode, std::function<void()> onFinished);

  const plat::Platform& platform_;
  plat::IListView& list_;
  IJobView& view_;
  std::string problemsFile_;
  std::string exclusionsFile_;
  std::vector<std::string> exclusions_;
  ScannerFactory scannerFactory_;
  std::atomic<bool> jobRunning_{false};
};
