#include "scanners/user_determined_scanner.h"

namespace {

bool LeftOutOfCompanies(const std::string& name) {
  for (const char* n : {"Classes", "Microsoft", "Clients", "ODBC", "Policies", "Program Groups"})
    if (name == n) return true;
  return false;
}

}  // namespace

namespace {
constexpr const char* kReviewGroups[] = {"File Extensions", "Companies", "Uninstall Products", "Run Upon Startup",
                                         "Internet Explorer History"};
}

std::span<const char* const> ReviewGroups() { return kReviewGroups; }

bool IsReviewGroup(const std::string& section) {
  for (const char* group : kReviewGroups)
    if (section == group) return true;
  return false;
}

void CUserDeterminedScanner::ScanSection(const std::vector<std::string>& exclusions, const std::string& problemsFile) {
  problemsFound_ = 0;
  FileExtensions(exclusions, problemsFile);
  Companies(plat::kLocalMachine, exclusions, problemsFile);
  Companies(plat::kCurrentUser, exclusions, problemsFile);
  UninstallProducts(exclusions, problemsFile);
  RunUponStartup(exclusions, problemsFile);
  TypedUrls(exclusions, problemsFile);
}

void CUserDeterminedScanner::Report(const std::vector<std::string>& exclusions, const std::string& problemsFile) {
  if (!IsExcluded(exclusions)) Record(problemsFile);
}

void CUserDeterminedScanner::Start(const char* marker, const char* section, const std::string& fullKey,
                                   const std::string& mainKey) {
  entryList_.ClearEntry(entry_);
  entry_.marker = marker;
  entry_.section = section;
  entry_.fullKey = fullKey;
  entry_.mainKey = mainKey;
}

void CUserDeterminedScanner::FileExtensions(const std::vector<std::string>& exclusions,
                                            const std::string& problemsFile) {
  std::vector<std::string> names;
  if (util_.OpenAndListClassesRoot("")) names = util_.TakeSubkeyNames();
  currentKeyPath_ = "Software\\Classes";
  for (const std::string& name : names) {
    entryList_.ClearEntry(entry_);
    if (name.empty() || name[0] != '.') continue;
    Start("L (K)", "File Extensions", currentKeyPath_ + "\\" + name, name);
    if (!util_.Open(plat::kLocalMachine, entry_.fullKey)) continue;
    util_.ReadValue("", entry_.valueData);
    entry_.valueName = "default";
    if (!util_.Open(plat::kLocalMachine, currentKeyPath_ + "\\" + entry_.valueData)) continue;
    util_.ReadValue("", entry_.valueData);
    Report(exclusions, problemsFile);
  }
}

void CUserDeterminedScanner::Companies(plat::HKey hive, const std::vector<std::string>& exclusions,
                                       const std::string& problemsFile) {
  currentKeyPath_ = "Software";
  std::vector<std::string> names;
  if (util_.OpenAndListSubkeys(hive, currentKeyPath_)) names = util_.TakeSubkeyNames();
  for (const std::string& name : names) {
    if (LeftOutOfCompanies(name)) continue;
    Start(hive == plat::kLocalMachine ? "L (K)" : "U (K)", "Companies", "Software\\" + name, name);
    Report(exclusions, problemsFile);
  }
}

void CUserDeterminedScanner::UninstallProducts(const std::vector<std::string>& exclusions,
                                               const std::string& problemsFile) {
  currentKeyPath_ = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
  std::vector<std::string> names;
  if (util_.OpenAndListLocalMachine(currentKeyPath_)) names = util_.TakeSubkeyNames();
  for (const std::string& name : names) {
    Start("L (K)", "Uninstall Products", currentKeyPath_ + "\\" + name, name);
    if (!util_.Open(plat::kLocalMachine, entry_.fullKey)) continue;
    util_.ReadValue("DisplayName", entry_.valueData);
    entry_.valueName = "DisplayName";
    Report(exclusions, problemsFile);
  }
}

void CUserDeterminedScanner::RunUponStartup(const std::vector<std::string>& exclusions,
                                            const std::string& problemsFile) {
  for (const char* key :
       {"Software\\Microsoft\\Windows\\CurrentVersion\\Run", "Software\\Microsoft\\Windows NT\\CurrentVersion\\Run"}) {
    currentKeyPath_ = key;
    if (!util_.Open(plat::kLocalMachine, currentKeyPath_)) continue;
    util_.ListValues();
    const std::vector<std::string> names = util_.ValueNames();
    for (const std::string& name : names) {
      Start("L (V)", "Run Upon Startup", currentKeyPath_, "Run");
      entry_.valueName = name;
      util_.ReadValue(name, entry_.valueData);
      Report(exclusions, problemsFile);
    }
    if (names.empty()) {
      Start("L (K)", "Run Upon Startup", currentKeyPath_, "Run");
      Report(exclusions, problemsFile);
    }
  }
}

void CUserDeterminedScanner::TypedUrls(const std::vector<std::string>& exclusions, const std::string& problemsFile) {
  currentKeyPath_ = "Software\\Microsoft\\Internet Explorer\\TypedURLs";
  if (!util_.Open(plat::kCurrentUser, currentKeyPath_)) return;
  util_.ListValues();
  const std::vector<std::string> names = util_.ValueNames();
  for (const std::string& name : names) {
    Start("U (V)", "Internet Explorer History", currentKeyPath_, "TypedURLs");
    entry_.valueName = name;
    util_.ReadValue(name, entry_.valueData);
    Report(exclusions, problemsFile);
  }
}
