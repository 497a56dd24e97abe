// The main dialog's command handlers: the captions and buttons each command
// sets around the jobs of CJobControl. Written against the dialog controls
// interface, so the Win32 dialog and the headless tests run the same code.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/dialog_job_view.h"
#include "engine/job_control.h"
#include "platform/dialog_controls.h"
#include "platform/platform.h"

class CMainCommands {
 public:
  CMainCommands(const plat::Platform& platform, plat::IDialogControls& dialog, plat::IListView& list);

  // The start-up checks (see CJobControl).
  bool CheckOperatingSystem() { return jobs_.CheckOperatingSystem(); }
  bool CheckInstallDirectory() { return jobs_.CheckInstallDirectory(); }
  // The rest of the initialisation: file paths, blank captions, disabled
  // buttons and list columns.
  void Initialise();

  // Find problems (button 1000): prepares the window, reloads the
  // exclusions and starts a find job. Returns at once; onFinished runs on
  // the job's thread when the job has ended.
  void OnFindProblems(std::function<void()> onFinished = {});
  // User determines problems (button 1003): the review's captions, then a
  // mode-2 job.
  void OnUserDetermines(std::function<void()> onFinished = {});
  // Display exclusions (button 1007): a mode-4 job, when there is a file.
  void OnDisplayExclusions(std::function<void()> onFinished = {});
  void OnAddExclusions();
  void OnDeleteExclusions();
  // The same, with its result: false when the file could not be rewritten.
  bool DeleteExclusionsNow();
  // Fix selected (button 1004): after a review, asks first; a declined
  // question leaves everything as it was and returns false.
  bool OnFixSelected(std::function<void()> onFinished = {});
  void OnSelectAll() { jobs_.TickAll(true); }
  void OnUnselectAll() { jobs_.TickAll(false); }
  void OnCancelActions();

  // True from a job's start to its end. A second job is never started while
  // one runs, whatever asks for it.
  bool JobRunning() const { return jobs_.JobRunning(); }

  void SetScannerFactory(ScannerFactory factory) { jobs_.SetScannerFactory(std::move(factory)); }
  const std::string& ProblemsFile() const { return jobs_.ProblemsFile(); }
  const std::string& ExclusionsFile() const { return jobs_.ExclusionsFile(); }
  const std::vector<std::string>& Exclusions() const { return jobs_.Exclusions(); }

 private:
  void PrepareList(const char* selectAll, const char* unselectAll, const char* fix);

  const plat::Platform& platform_;
  plat::IDialogControls& dialog_;
  plat::IListView& list_;
  CDialogJobView view_;
  CJobControl jobs_;
};
