#include "scanners/major_keys_scanner.h"

namespace {

constexpr MajorKeyRoot kRoots[] = {
    {plat::kLocalMachine, ""},
    {plat::kLocalMachine, "Hardware"},
    {plat::kLocalMachine, "System"},
    {plat::kLocalMachine, "Software"},
    {plat::kLocalMachine, "Software\\Classes"},
    {plat::kLocalMachine, "Software\\Microsoft"},
    {plat::kLocalMachine, "Software\\Microsoft\\Internet Explorer"},
    {plat::kLocalMachine, "Software\\Microsoft\\MediaPlayer"},
    {plat::kLocalMachine, "Software\\Microsoft\\Shared Tools"},
    {plat::kLocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion"},
    {plat::kLocalMachine, "Software\\Microsoft\\Windows NT\\CurrentVersion"},
    {plat::kCurrentUser, ""},
    {plat::kCurrentUser, "Software"},
    {plat::kCurrentUser, "Software\\Microsoft"},
    {plat::kCurrentUser, "Software\\Microsoft\\Internet Explorer"},
    {plat::kCurrentUser, "Software\\Microsoft\\Windows\\CurrentVersion"},
    {plat::kCurrentUser, "Software\\Microsoft\\Windows NT\\CurrentVersion"},
};

// Children that other sections own or that are empty by design; compared
// case-sensitively.
bool NeverExamined(const std::string& name) {
  return name == "Classes" || name == "MSVSDG" || name == "Run" || name == "RunOnce" || name == "RunOnceEx";
}

}  // namespace

std::span<const MajorKeyRoot> MajorKeyRoots() { return kRoots; }

void CMajorKeysScanner::ScanSection(const std::vector<std::string>& exclusions, const std::string& problemsFile) {
  problemsFound_ = 0;
  for (const MajorKeyRoot& root : kRoots) {
    rootKeyPath_ = root.path;
    WalkRoot(root.hive, exclusions, problemsFile);
  }
}

void CMajorKeysScanner::WalkRoot(plat::HKey hive, const std::vector<std::string>& exclusions,
                                 const std::string& problemsFile) {
  const char* marker = hive == plat::kLocalMachine ? "L (K)" : "U (K)";
  if (!util_.OpenAndListSubkeys(hive, rootKeyPath_)) return;
  if (!rootKeyPath_.empty()) rootKeyPath_ += "\\";
  // The util's own list: nothing below lists again through it.
  for (const std::string& name : util_.SubkeyNames()) {
    entryList_.ClearEntry(entry_);
    entry_.marker = marker;
    entry_.section = "Major Keys";
    entry_.fullKey.assign(rootKeyPath_).append(name);
    entry_.mainKey = name;
    if (NeverExamined(name)) continue;
    if (!util_.Open(hive, entry_.fullKey)) continue;
    util_.ReadValue("", entry_.valueData);
    entry_.valueName = "default";
    entry_.noSubkeys = util_.HasNoSubkeys() ? 1 : 0;
    entry_.noValues = util_.HasNoNamedValues() ? 1 : 0;
    CheckEntry(exclusions, problemsFile);
  }
}

void CMajorKeysScanner::CheckEntry(const std::vector<std::string>& exclusions, const std::string& problemsFile) {
  if (IsExcluded(exclusions)) return;
  if (!IsAbsent(entry_.valueData)) return;
  if (entry_.noValues == 1 && entry_.noSubkeys == 1) File("No values or subkeys for this key.", problemsFile);
}
