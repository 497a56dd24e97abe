#include "scanners/shared_tools_scanner.h"

void CSharedToolsScanner::ScanSection(const std::vector<std::string>& exclusions, const std::string& problemsFile) {
  problemsFound_ = 0;
  if (!util_.OpenAndListLocalMachine(rootKeyPath_)) return;
  for (const std::string& name : util_.SubkeyNames()) {
    entryList_.ClearEntry(entry_);
    entry_.marker = "L (K)";
    entry_.section = "Shared Tools";
    entry_.fullKey = rootKeyPath_ + "\\" + name;
    entry_.mainKey = name;
    if (!util_.Open(plat::kLocalMachine, entry_.fullKey)) continue;
    util_.ReadValue("Path", entry_.valueData);
    entry_.valueName = "Path";
    if (IsExcluded(exclusions)) continue;
    if (IsAbsent(entry_.valueData)) continue;  // a component without a usable Path is never reported
    if (!util_.FileReferenceExists(entry_.valueData)) File("Shared Tools file does not exist.", problemsFile);
  }
}
