#include "scanners/fonts_scanner.h"

#include <cstring>

CFontsScanner::CFontsScanner(const plat::Platform& platform)
    : CScannerBase(platform), platform_(platform),
      rootKeyPath_("Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts") {}

void CFontsScanner::ScanSection(const std::vector<std::string>& exclusions, const std::string& problemsFile) {
  problemsFound_ = 0;
  if (!util_.Open(plat::kLocalMachine, rootKeyPath_)) return;
  util_.ListValues();
  const std::vector<std::string> names = util_.ValueNames();
  for (const std::string& name : names) {
    entryList_.ClearEntry(entry_);
    entry_.marker = "L (V)";
    entry_.section = "Fonts";
    entry_.fullKey = rootKeyPath_;
    entry_.mainKey = "Fonts";
    entry_.valueName = name;
    util_.ReadValue(name, entry_.valueData);
    CheckEntry(exclusions, problemsFile);
  }
}

void CFontsScanner::CheckEntry(const std::vector<std::string>& exclusions, const std::string& problemsFile) {
  if (IsExcluded(exclusions)) return;
  if (IsAbsent(entry_.valueData)) {
    File("No data for this value.", problemsFile);
    return;
  }
  std::string path = entry_.valueData;
  if (path.find('\\') == std::string::npos) {
    char windows[kDirectoryBufferSize] = {};
    const std::uint32_t length = platform_.environment.QueryWindowsDirectory(windows, sizeof windows);
    const std::string directory = length > 0 && length < sizeof windows ? std::string(windows, length) : "";
    path = directory + "\\Fonts\\" + path;
  }
  // A path longer than MAX_PATH names no file that can be opened.
  if (path.size() >= kDirectoryBufferSize || !util_.FileReferenceExists(path)) File("Font does not exist.", problemsFile);
}
