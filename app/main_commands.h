// The main dialog's state and command handlers, written against the dialog
// controls interface so that the Win32 dialog and the headless CLI run the
// same code.
#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "engine/find_registry_problems.h"
#include "platform/dialog_controls.h"
#include "platform/platform.h"
#include "scanners/section_table.h"

class CMainCommands {
 public:
  CMainCommands(const plat::Platform& platform, plat::IDialogControls& dialog, plat::IListView& list);

  // The operating-system check: false, after its message, when "OS" does not
  // name an NT system.
  bool CheckOperatingSystem();
  // The installation-directory check: sets InstallDirectory; false, after
  // its message, when it cannot be read.
  bool CheckInstallDirectory();
  // The rest of the initialisation: file paths, blank captions, disabled
  // buttons, section table and list columns.
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
  void OnSelectAll();
  void OnUnselectAll();
  void OnCancelActions();

  // True from a job's start to its end. A second job is never started while
  // one runs, whatever asks for it.
  bool JobRunning() const { return jobRunning_; }

  void SetScannerFactory(ScannerFactory factory) { scannerFactory_ = std::move(factory); }
  const std::string& ProblemsFile() const { return problemsFile_; }
  const std::string& ExclusionsFile() const { return exclusionsFile_; }
  const std::vector<std::string>& Exclusions() const { return exclusions_; }
  const SectionTable& Sections() const { return sectionTable_; }

 private:
  void ReloadExclusions();
  bool StartJob(int mode, std::function<void()> onFinished);
  void PrepareList(const char* selectAll, const char* unselectAll, const char* fix);

  const plat::Platform& platform_;
  plat::IDialogControls& dialog_;
  plat::IListView& list_;
  std::string problemsFile_;
  std::string exclusionsFile_;
  std::vector<std::string> exclusions_;
  SectionTable sectionTable_;
  ScannerFactory scannerFactory_;
  std::atomic<bool> jobRunning_{false};
};

// The list view's columns: header and width in pixels.
struct ListColumn {
  const char* header;
  int width;
};
inline constexpr ListColumn kListColumns[8] = {{"Select", 50},     {"Section", 70},     {"Full Key", 50},
                                               {"Main Key", 100},  {"Value Name", 100}, {"Value Data", 200},
                                               {"Problem", 500},   {"Delete Key", 0}};
