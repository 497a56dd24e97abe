// CRecordedJobView: a view that keeps what a job told it: the status line's
// last text and the counters as numbers; each section's start can be
// passed on (the CLI prints it as its progress line). The CLI's view, and
// the benchmarks'.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "engine/job_view.h"

class CRecordedJobView final : public IJobView {
 public:
  void JobStarted(int mode) override;
  void JobEnded(int, int) override {}
  void StatusText(const std::string& text) override { status_ = text; }
  void ShowSection(std::size_t index, SectionState state) override;
  void Counters(int examined, std::optional<int> found) override;
  void FixingStarted() override {}
  void ProblemsFixed(int count) override { fixed_ = count; }

  // Called on the job's thread as each section begins.
  void OnSectionStarted(std::function<void(std::size_t)> callback) { onSection_ = std::move(callback); }

  // Read once the job has ended.
  const std::string& Status() const { return status_; }
  int Examined() const { return examined_; }
  std::optional<int> Found() const { return found_; }
  int Fixed() const { return fixed_; }

 private:
  std::string status_;
  int examined_ = 0;
  std::optional<int> found_;
  int fixed_ = 0;
  std::function<void(std::size_t)> onSection_;
};
