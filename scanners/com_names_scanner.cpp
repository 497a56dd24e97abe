#include "scanners/com_names_scanner.h"

#include "platform/codepage.h"

namespace {
constexpr const char* kLookedFor[] = {"CLSID", "Shell\\Open\\Command", "Shell\\Edit\\Command", "Shell\\Print\\Command",
                                      "Shell\\PrintTo\\Command"};
}

void CComNamesScanner::ScanSection(const std::vector<std::string>& exclusions, const std::string& problemsFile) {
  problemsFound_ = 0;
  WalkNames(exclusions, problemsFile);
  WalkFolderVerbs(exclusions, problemsFile);
  // What the class-name check kept between calls serves this scan only: the
  // eleven sections after it do not hold it.
  util_.ForgetClassNames();
}

void CComNamesScanner::WalkNames(const std::vector<std::string>& exclusions, const std::string& problemsFile) {
  rootKeyPath_ = "Software\\Classes";
  std::string key;  // built in place for each of 30,000 names
  util_.ForEachSubkey(plat::kClassesRoot, "", [&](const std::string& name) {
    entryList_.ClearEntry(entry_);
    if (!name.empty() && (name[0] == '.' || name[0] == '*')) return;
    // Not program ids: the 32-bit view of the class registry on a 64-bit
    // system, and the store of newer systems' activatable classes. Filing
    // them would offer the whole of either for deletion.
    if (plat::NamesEqual(name, "Wow6432Node") || plat::NamesEqual(name, "ActivatableClasses")) return;
    entry_.marker = "L (K)";
    entry_.section = "COM App";
    entry_.fullKey.assign(rootKeyPath_).append("\\").append(name);
    if (!util_.Open(plat::kLocalMachine, entry_.fullKey)) return;
    util_.ReadValue("", entry_.valueData2);
    const char* found = nullptr;
    for (const char* sub : kLookedFor) {
      key.assign(entry_.fullKey).append("\\").append(sub);
      if (util_.Open(plat::kLocalMachine, key)) {
        found = sub;
        break;
      }
    }
    if (!found) return;
    entry_.deleteKey = entry_.fullKey;
    entry_.fullKey = key;
    entry_.mainKey = found;
    util_.ReadValue("", entry_.valueData);
    entry_.valueName = "default";
    CheckEntry(exclusions, problemsFile);
  });
}

void CComNamesScanner::WalkFolderVerbs(const std::vector<std::string>& exclusions, const std::string& problemsFile) {
  rootKeyPath_ = "Software\\Classes\\Folder\\Shell";
  std::vector<std::string> verbs;
  if (util_.OpenAndListClassesRoot("Folder\\Shell")) verbs = util_.TakeSubkeyNames();
  for (const std::string& verb : verbs) {
    entryList_.ClearEntry(entry_);
    const std::string command = rootKeyPath_ + "\\" + verb + "\\Command";
    if (!util_.Open(plat::kLocalMachine, command)) continue;
    entry_.marker = "L (K)";
    entry_.section = "COM Names";
    entry_.fullKey = command;
    entry_.deleteKey = rootKeyPath_ + "\\" + verb;
    entry_.mainKey = "Command";
    util_.ReadValue("", entry_.valueData);
    entry_.valueName = "default";
    CheckEntry(exclusions, problemsFile);
  }
}

void CComNamesScanner::CheckEntry(const std::vector<std::string>& exclusions, const std::string& problemsFile) {
  if (IsExcluded(exclusions)) return;
  if (entry_.mainKey == "CLSID") {
    const std::string lower = plat::LowerAscii(entry_.deleteKey);
    if (lower == "software\\classes\\cssfile" || lower.compare(0, 36, "software\\classes\\microsoft.vswizards") == 0)
      return;
    if (util_.ClassIdExists(entry_.valueData)) return;
    if (!IsAbsent(entry_.valueData2) && util_.ClassNameRegistered(entry_.valueData2)) return;
    File("COM App references class id that does not exist.", problemsFile);
    return;
  }
  if (!util_.FileReferenceExists(entry_.valueData)) File("COM App references file that does not exist.", problemsFile);
}
