#include "scanners/run_apps_scanner.h"

namespace {

constexpr const char* kRunKeys[] = {"Run", "RunOnce", "RunOnceEx", "RunServices", "RunServicesOnce"};

}  // namespace

void CRunAppsScanner::ScanSection(const std::vector<std::string>& exclusions, const std::string& problemsFile) {
  problemsFound_ = 0;
  for (const char* name : kRunKeys) {
    const std::string path = std::string("Software\\Microsoft\\Windows\\CurrentVersion\\") + name;
    WalkKey(plat::kCurrentUser, "U (V)", name, path, name, exclusions, problemsFile);
    WalkKey(plat::kLocalMachine, "L (V)", name, path, name, exclusions, problemsFile);
  }
}

void CRunAppsScanner::WalkKey(plat::HKey hive, const char* marker, const std::string& section,
                              const std::string& keyPath, const std::string& mainKey,
                              const std::vector<std::string>& exclusions, const std::string& problemsFile) {
  if (!util_.Open(hive, keyPath)) return;
  util_.ListValues();
  const std::vector<std::string> names = util_.ValueNames();
  for (const std::string& name : names) {
    entryList_.ClearEntry(entry_);
    entry_.marker = marker;
    entry_.section = section;
    entry_.fullKey = keyPath;
    entry_.mainKey = mainKey;
    entry_.valueName = name;
    std::string data;
    util_.ReadValue(name, data);
    entry_.valueData = data;
    CheckEntry(exclusions, problemsFile);
  }
}

void CRunAppsScanner::CheckEntry(const std::vector<std::string>& exclusions, const std::string& problemsFile) {
  if (IsExcluded(exclusions)) return;
  if (IsAbsent(entry_.valueData)) {
    File("No data for this value.", problemsFile);
    return;
  }
  const std::string& command = entry_.valueData;
  const bool exists = command.find('\\') != std::string::npos ? util_.FileReferenceExists(command)
                                                               : util_.FindOnSearchPath(command);
  if (!exists) File("Run file does not exist.", problemsFile);
}
