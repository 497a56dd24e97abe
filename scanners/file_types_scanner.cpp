#include "scanners/file_types_scanner.h"

void CFileTypesScanner::ScanSection(const std::vector<std::string>& exclusions, const std::string& problemsFile) {
  problemsFound_ = 0;
  std::vector<std::string> names;
  if (util_.OpenAndListClassesRoot("FileType")) names = util_.TakeSubkeyNames();
  for (const std::string& name : names) {
    entryList_.ClearEntry(entry_);
    entry_.marker = "L (K)";
    entry_.section = "FileType";
    entry_.fullKey = rootKeyPath_ + "\\" + name;
    entry_.mainKey = name;
    if (IsExcluded(exclusions)) continue;
    if (!util_.ClassIdExists(entry_.mainKey)) File("FileType references class id that does not exist.", problemsFile);
  }
}
