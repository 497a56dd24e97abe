#include "scanners/help_scanner.h"

void CHelpScanner::ScanSection(const std::vector<std::string>& exclusions, const std::string& problemsFile) {
  problemsFound_ = 0;
  // When the Help key is missing the HTML Help key is not looked at either.
  if (!WalkKey("Software\\Microsoft\\Windows\\Help", "Help", exclusions, problemsFile)) return;
  WalkKey("Software\\Microsoft\\Windows\\HTML Help", "HTML Help", exclusions, problemsFile);
}

bool CHelpScanner::WalkKey(const char* path, const char* section, const std::vector<std::string>& exclusions,
                           const std::string& problemsFile) {
  rootKeyPath_ = path;
  if (!util_.Open(plat::kLocalMachine, rootKeyPath_)) return false;
  util_.ListValues();
  const std::vector<std::string> names = util_.ValueNames();
  for (const std::string& name : names) {
    entryList_.ClearEntry(entry_);
    entry_.marker = "L (V)";
    entry_.section = section;
    entry_.mainKey = section;
    entry_.fullKey = rootKeyPath_;
    entry_.valueName = name;
    util_.ReadValue(name, entry_.valueData);
    CheckEntry(exclusions, problemsFile);
  }
  return true;
}

void CHelpScanner::CheckEntry(const std::vector<std::string>& exclusions, const std::string& problemsFile) {
  if (IsExcluded(exclusions)) return;
  if (IsAbsent(entry_.valueData)) {
    File("No data for this value.", problemsFile);
    return;
  }
  const std::string path = EnsureTrailingBackslash(entry_.valueData) + entry_.valueName;
  if (!util_.FileReferenceExists(path)) File("Help file does not exist.", problemsFile);
}
