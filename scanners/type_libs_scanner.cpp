#include "scanners/type_libs_scanner.h"

#include "platform/codepage.h"

std::vector<std::string> CTypeLibsScanner::ListBelowTypeLib(const std::string& path) {
  if (!util_.OpenAndListClassesRoot(path.empty() ? "TypeLib" : "TypeLib\\" + path)) return {};
  return util_.TakeSubkeyNames();
}

void CTypeLibsScanner::ScanSection(const std::vector<std::string>& exclusions, const std::string& problemsFile) {
  problemsFound_ = 0;
  WalkLibraries(ListBelowTypeLib(""), exclusions, problemsFile);
}

void CTypeLibsScanner::WalkLibraries(const std::vector<std::string>& ids, const std::vector<std::string>& exclusions,
                                     const std::string& problemsFile) {
  for (const std::string& id : ids) {
    entryList_.ClearEntry(entry_);
    entry_.marker = "L (K)";
    entry_.section = "TypeLib";
    entry_.fullKey = rootKeyPath_ + "\\" + id;
    entry_.mainKey = id;
    if (!util_.Open(plat::kLocalMachine, entry_.fullKey)) continue;
    if (util_.HasNoSubkeys()) {
      entry_.noSubkeys = 1;
      CheckEntry(exclusions, problemsFile);
      continue;
    }
    entry_.noSubkeys = 0;
    WalkVersions(id, ListBelowTypeLib(id), exclusions, problemsFile);
  }
}

void CTypeLibsScanner::WalkVersions(const std::string& id, const std::vector<std::string>& versions,
                                    const std::vector<std::string>& exclusions, const std::string& problemsFile) {
  for (const std::string& version : versions) {
    if (version.find('.') == std::string::npos) continue;
    entry_.fullKey = rootKeyPath_ + "\\" + id + "\\" + version;
    entry_.mainKey = version;
    entry_.valueName.clear();
    entry_.valueData.clear();
    entry_.valueData2.clear();
    if (!util_.Open(plat::kLocalMachine, entry_.fullKey)) continue;
    if (util_.HasNoSubkeys()) {
      entry_.noSubkeys = 1;
      CheckEntry(exclusions, problemsFile);
      continue;
    }
    entry_.noSubkeys = 0;
    WalkLocales(id, version, ListBelowTypeLib(id + "\\" + version), exclusions, problemsFile);
  }
}

void CTypeLibsScanner::WalkLocales(const std::string& id, const std::string& version,
                                   const std::vector<std::string>& locales,
                                   const std::vector<std::string>& exclusions, const std::string& problemsFile) {
  for (const std::string& name : locales) {
    const std::string locale = plat::LowerAscii(name);
    if (locale == "flags" || locale == "helpdir") continue;
    WalkPlatforms(id, version, locale, exclusions, problemsFile);
  }
}

void CTypeLibsScanner::WalkPlatforms(const std::string& id, const std::string& version, const std::string& locale,
                                     const std::vector<std::string>& exclusions, const std::string& problemsFile) {
  const std::string versionKey = rootKeyPath_ + "\\" + id + "\\" + version;
  const std::string localeKey = versionKey + "\\" + locale;
  const std::vector<std::string> platforms = ListBelowTypeLib(id + "\\" + version + "\\" + locale);
  for (const std::string& name : platforms) {
    if (plat::LowerAscii(name) != "win32") continue;
    entry_.fullKey = localeKey + "\\win32";
    entry_.mainKey = "win32";
    if (!util_.Open(plat::kLocalMachine, entry_.fullKey)) continue;
    util_.ReadValue("", entry_.valueData);
    entry_.valueName = "default";
    entry_.valueData2 = entry_.valueData;
    entry_.deleteKey = versionKey;
    CheckEntry(exclusions, problemsFile);
    entry_.deleteKey.clear();
  }
}

void CTypeLibsScanner::CheckEntry(const std::vector<std::string>& exclusions, const std::string& problemsFile) {
  if (IsExcluded(exclusions)) return;
  if (entry_.noSubkeys == 1) {
    File("No subkeys for this key.", problemsFile);
  } else if (entry_.mainKey == "win32") {
    if (entry_.valueData2.empty()) File("TypeLib file is blank.", problemsFile);
    else if (!util_.FileReferenceExists(entry_.valueData2)) File("TypeLib file does not exist.", problemsFile);
  }
}
