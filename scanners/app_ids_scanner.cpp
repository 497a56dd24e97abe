#include "scanners/app_ids_scanner.h"

void CAppIdScanner::ScanSection(const std::vector<std::string>& exclusions, const std::string& problemsFile) {
  problemsFound_ = 0;
  if (!util_.OpenAndListClassesRoot("AppID")) return;
  const std::vector<std::string> names = util_.TakeSubkeyNames();
  for (const std::string& name : names) {
    entryList_.ClearEntry(entry_);
    if (!name.empty() && name[0] == '{') continue;
    entry_.marker = "L (K)";
    entry_.section = "AppID";
    entry_.fullKey = rootKeyPath_ + "\\" + name;
    entry_.mainKey = name;
    entry_.noSubkeys = 0;
    if (!util_.Open(plat::kLocalMachine, rootKeyPath_ + "\\" + name)) continue;
    util_.ReadValue("AppID", entry_.valueData);
    entry_.valueName = "AppID";
    CheckEntry(exclusions, problemsFile);
  }
}

void CAppIdScanner::CheckEntry(const std::vector<std::string>& exclusions, const std::string& problemsFile) {
  if (IsExcluded(exclusions)) return;
  if (IsAbsent(entry_.valueData)) {
    File("App id is missing for this key.", problemsFile);
    return;
  }
  if (util_.Open(plat::kLocalMachine, rootKeyPath_ + "\\" + entry_.valueData)) return;
  if (util_.ClassIdExists(entry_.valueData)) return;
  File("AppID references id that does not exist.", problemsFile);
}
