#include "scanners/uninstall_scanner.h"

#include "platform/codepage.h"

namespace {
constexpr const char* kInstallerNames[] = {".isu",        "spuninst.exe", "uninstal.exe", "uninstall.exe", "setup.exe",
                                           "install.log", "install.exe",  ".ctoa",        "acme.exe",      "unins000.exe"};
}

void CUninstallScanner::ScanSection(const std::vector<std::string>& exclusions, const std::string& problemsFile) {
  problemsFound_ = 0;
  if (!util_.OpenAndListLocalMachine(rootKeyPath_)) return;
  // The util's own list: HasValueNamed lists values, never subkeys.
  for (const std::string& name : util_.SubkeyNames()) {
    entryList_.ClearEntry(entry_);
    entry_.marker = "L (K)";
    entry_.section = "Uninstall";
    entry_.fullKey = rootKeyPath_ + "\\" + name;
    entry_.mainKey = name;
    if (!util_.Open(plat::kLocalMachine, entry_.fullKey)) continue;
    util_.ReadValue("", entry_.valueData);
    entry_.valueName = "default";
    if (HasValueNamed("UninstallString")) util_.ReadValue("UninstallString", entry_.valueData3);
    else entry_.valueData3 = "none";
    entry_.noValues = util_.HasNoNamedValues() ? 1 : 0;
    CheckEntry(exclusions, problemsFile);
  }
}

bool CUninstallScanner::HasValueNamed(const std::string& name) {
  util_.ListValues();
  const std::string wanted = plat::LowerAscii(name);
  for (const std::string& value : util_.ValueNames())
    if (plat::LowerAscii(value) == wanted) return true;
  return false;
}

bool CUninstallScanner::UninstallFileExists(std::string command) {
  command = plat::LowerAscii(command);
  std::size_t at = std::string::npos;
  const char* found = nullptr;
  for (const char* name : kInstallerNames) {
    at = command.find(name);
    if (at != std::string::npos) {
      found = name;
      break;
    }
  }
  if (!found) return true;
  std::string path = command.substr(0, at) + found;
  const std::size_t colon = path.rfind(':');
  if (colon == std::string::npos) return true;
  // From the drive letter before the colon; a colon that opens the text has
  // none, and the path is kept whole.
  path = path.substr(colon == 0 ? 0 : colon - 1);
  return util_.FileReferenceExists(path);
}

void CUninstallScanner::CheckEntry(const std::vector<std::string>& exclusions, const std::string& problemsFile) {
  if (IsExcluded(exclusions)) return;
  if (IsAbsent(entry_.valueData) && entry_.noValues == 1) {
    File("No values for this key.", problemsFile);
    return;
  }
  if (entry_.valueData3 == "none" || entry_.valueData3.empty()) return;
  if (UninstallFileExists(entry_.valueData3)) return;
  entry_.valueName = "UninstallString";
  entry_.valueData = entry_.valueData3;
  entry_.problem = "Uninstall file does not exist on computer.";
  if (IsExcluded(exclusions)) return;
  File("Uninstall file does not exist on computer.", problemsFile);
}
