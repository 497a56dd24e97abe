#include "scanners/scanner_base.h"

CScannerBase::CScannerBase(const plat::Platform& platform) : util_(platform) {
  entryList_.ClearEntry(entry_);
  util_.LoadAppPaths();
}

void CScannerBase::Scan(const std::vector<std::string>& exclusions, const std::string& problemsFile) {
  ScanSection(exclusions, problemsFile);
  WriteRecords();
}

void CScannerBase::File(const std::string& problem, const std::string& problemsFile) {
  entry_.problem = problem;
  Record(problemsFile);
}

void CScannerBase::Record(const std::string& problemsFile) {
  if (problemsFile != recordsFile_) {
    WriteRecords();
    recordsFile_ = problemsFile;
  }
  records_.push_back(JoinedRecord(entry_));
  constexpr std::size_t kBatchRecords = 256;  // about 64 KB
  if (records_.size() >= kBatchRecords) WriteRecords();
  ++problemsFound_;
}

void CScannerBase::WriteRecords() {
  if (records_.empty()) return;
  util_.WriteLines(records_, recordsFile_, true, false);
  records_.clear();
}

bool CScannerBase::IsExcluded(const std::vector<std::string>& exclusions) {
  if (indexed_ != &exclusions || indexedSize_ != exclusions.size()) {
    exclusionIndex_ = ExclusionIndex(exclusions);
    indexed_ = &exclusions;
    indexedSize_ = exclusions.size();
  }
  return exclusionIndex_.Holds(entry_);
}
