#include "scanners/app_paths_scanner.h"

void CAppPathsScanner::ScanSection(const std::vector<std::string>& exclusions, const std::string& problemsFile) {
  problemsFound_ = 0;
  if (!util_.OpenAndListLocalMachine(rootKeyPath_)) return;
  // The util's own list: the checks touch only files.
  for (const std::string& name : util_.SubkeyNames()) {
    entryList_.ClearEntry(entry_);
    entry_.marker = "L (K)";
    entry_.section = "AppPaths";
    entry_.fullKey = rootKeyPath_ + "\\" + name;
    entry_.mainKey = name;
    if (!util_.Open(plat::kLocalMachine, rootKeyPath_ + "\\" + name)) continue;
    util_.ReadValue("", entry_.valueData);
    entry_.valueName = "default";
    entry_.noValues = util_.HasNoNamedValues() ? 1 : 0;
    CheckEntry(exclusions, problemsFile);
  }
}

void CAppPathsScanner::CheckEntry(const std::vector<std::string>& exclusions, const std::string& problemsFile) {
  if (IsExcluded(exclusions)) return;
  if (IsAbsent(entry_.valueData)) {
    if (entry_.noValues == 1) File("No values for this key.", problemsFile);
    return;
  }
  if (!util_.FileReferenceExists(entry_.valueData)) File("File does not exist.", problemsFile);
}
