#include "scanners/scanner_base.h"

CScannerBase::CScannerBase(const plat::Platform& platform) : util_(platform) {
  entryList_.ClearEntry(entry_);
  util_.LoadAppPaths();
}

void CScannerBase::File(const std::string& problem, const std::string& problemsFile) {
  entry_.problem = problem;
  util_.AddProblem(entry_, problemsFile, true, false);
  ++problemsFound_;
}

bool CScannerBase::IsExcluded(const std::vector<std::string>& exclusions) {
  if (indexed_ != &exclusions || indexedSize_ != exclusions.size()) {
    exclusionIndex_ = ExclusionIndex(exclusions);
    indexed_ = &exclusions;
    indexedSize_ = exclusions.size();
  }
  return exclusionIndex_.Holds(entry_);
}
