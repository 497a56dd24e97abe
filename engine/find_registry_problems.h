// CFindRegistryProblems: the worker that runs one long job on its own thread.
//
// The handshake with the window: the constructor runs on the window's thread
// and reports the job started (the window disables its job buttons) before
// the thread exists, so no second job can start. The job then reports what
// happens through its view; the only signal back from the window is the
// CancelAtom, which the job polls at the
// start, before each section, before each line it displays and before each
// row it fixes. Scanners never poll it, so a running section always
// finishes. When the job ends the object deletes itself and its destructor
// removes every instance of the atom.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/job_view.h"
#include "platform/dialog_controls.h"
#include "platform/platform.h"
#include "scanners/section_scanner.h"

using ScannerFactory = std::function<std::vector<std::unique_ptr<CSectionScanner>>(const plat::Platform&)>;

class CFindRegistryProblems {
 public:
  // The pointed-to objects belong to the window, which outlives the job.
  CFindRegistryProblems(const plat::Platform& platform, std::vector<std::string>* exclusions,
                        plat::IListView* listView, std::string problemsFile, int jobMode, IJobView* view);
  virtual ~CFindRegistryProblems();
  CFindRegistryProblems(const CFindRegistryProblems&) = delete;
  CFindRegistryProblems& operator=(const CFindRegistryProblems&) = delete;

  // Runs the job on a new thread and returns at once. The job deletes itself
  // at its end, then calls onFinished (on the job's thread).
  static void Start(CFindRegistryProblems* job, std::function<void()> onFinished = {});
  // The job body; Start runs it.
  void InitInstance();
  // The scanners of a find job; by default the fifteen of the section table.
  // A null scanner leaves its section out of the run.
  void SetScannerFactory(ScannerFactory factory) { scannerFactory_ = std::move(factory); }

  const std::string& InstallationDirectory() const { return installationDirectory_; }

 private:
  void SetStatusLine(const std::string& text);
  int RunSection(CSectionScanner& scanner);
  void RunFindProblems();
  void RestoreButtons();
  bool Cancelled() const;

  const plat::Platform& platform_;
  std::vector<std::string>* exclusions_;
  int problemsFound_ = 0;
  int keysExamined_ = 0;
  std::string installationDirectory_;
  std::string problemsFile_;
  plat::IListView* listView_;
  IJobView* view_;
  int jobMode_;
  ScannerFactory scannerFactory_;
};
