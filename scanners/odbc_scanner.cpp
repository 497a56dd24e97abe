#include "scanners/odbc_scanner.h"

void CODBCScanner::ScanSection(const std::vector<std::string>& exclusions, const std::string& problemsFile) {
  problemsFound_ = 0;
  // Without the machine's driver list the user's data sources are not looked at.
  if (!Pass(plat::kLocalMachine, "L (K)", "Software\\ODBC\\ODBCINST.INI", exclusions, problemsFile)) return;
  Pass(plat::kCurrentUser, "U (K)", "Software\\ODBC\\ODBC.INI", exclusions, problemsFile);
}

bool CODBCScanner::Pass(plat::HKey hive, const char* marker, const char* path,
                        const std::vector<std::string>& exclusions, const std::string& problemsFile) {
  entryList_.ClearEntry(entry_);
  entry_.section = "ODBC";
  entry_.marker = marker;
  rootKeyPath_ = path;
  if (!util_.OpenAndListSubkeys(hive, rootKeyPath_)) return false;
  for (const std::string& name : util_.SubkeyNames()) {
    entry_.fullKey = rootKeyPath_ + "\\" + name;
    entry_.mainKey = name;
    if (!util_.Open(hive, entry_.fullKey)) continue;
    std::string data;
    util_.ReadValue("Driver", data);
    if (!IsAbsent(data)) {
      entry_.valueName = "Driver";
      entry_.valueData = data;
      CheckEntry(exclusions, problemsFile);
      continue;
    }
    util_.ReadValue("Setup", data);
    if (!IsAbsent(data)) {
      entry_.valueName = "Setup";
      entry_.valueData = data;
      CheckEntry(exclusions, problemsFile);
    }
  }
  return true;
}

void CODBCScanner::CheckEntry(const std::vector<std::string>& exclusions, const std::string& problemsFile) {
  if (IsExcluded(exclusions)) return;
  if (!util_.FileReferenceExists(entry_.valueData)) File("ODBC File does not exist.", problemsFile);
}
