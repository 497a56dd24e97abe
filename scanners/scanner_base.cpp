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
