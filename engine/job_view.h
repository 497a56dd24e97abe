// IJobView: what a job tells whoever shows it. The worker reports what
// happens (the job's start and end, the status line, each section's state,
// the counters, the fix count); the rows themselves go to the list view.
// The main dialog turns these into its controls (app/), the CLI into
// numbers and lines of its own. Called on the job's thread.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

enum JobMode : int { kJobFindProblems = 1, kJobUserDetermines = 2, kJobFixSelected = 3, kJobDisplayExclusions = 4 };

enum class SectionState { kBlank, kProcessing, kDone };

class IJobView {
 public:
  virtual ~IJobView() = default;
  // The job exists: no other job can be started, it can be cancelled.
  virtual void JobStarted(int mode) = 0;
  // The job has ended with `rows` rows in the list.
  virtual void JobEnded(int mode, int rows) = 0;
  virtual void StatusText(const std::string& text) = 0;
  // Section `index` of the section table.
  virtual void ShowSection(std::size_t index, SectionState state) = 0;
  // Keys/Values Examined, and Problems Found when the job counts problems.
  virtual void Counters(int examined, std::optional<int> found) = 0;
  // The fix job is about to fix its first row.
  virtual void FixingStarted() = 0;
  virtual void ProblemsFixed(int count) = 0;
};
