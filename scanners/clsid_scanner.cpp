#include "scanners/clsid_scanner.h"

namespace {
constexpr const char* kServerKeys[] = {"InProcServer32", "LocalServer32", "InprocHandler32"};
}

CClsidScanner::CClsidScanner(const plat::Platform& platform)
    : CScannerBase(platform), rootKeyPath_("Software\\Classes\\CLSID") {}

void CClsidScanner::ScanSection(const std::vector<std::string>& exclusions, const std::string& problemsFile) {
  problemsFound_ = 0;
  std::string idKey, key;  // built in place for each of 60,000 ids
  util_.ForEachSubkey(plat::kClassesRoot, "CLSID", [&](const std::string& id) {
    entryList_.ClearEntry(entry_);
    entry_.marker = "L (K)";
    entry_.section = "CLSID";
    idKey.assign(rootKeyPath_).append("\\").append(id);
    entry_.fullKey = idKey;
    entry_.mainKey = id;
    bool opened = false;
    std::string* data[] = {&entry_.valueData, &entry_.valueData2, &entry_.valueData3};
    for (int i = 0; i < 3; ++i) {
      key.assign(idKey).append("\\").append(kServerKeys[i]);
      if (!util_.Open(plat::kLocalMachine, key)) continue;
      if (i == 0) entry_.noValues = util_.HasNoNamedValues() ? 1 : 0;
      opened = true;
      entry_.fullKey = key;
      entry_.deleteKey = idKey;
      entry_.mainKey = kServerKeys[i];
      util_.ReadValue("", *data[i]);
      entry_.valueName = "default";
    }
    if (opened) CheckEntry(exclusions, problemsFile);
  });
}

void CClsidScanner::CheckEntry(const std::vector<std::string>& exclusions, const std::string& problemsFile) {
  if (IsExcluded(exclusions)) return;
  if (IsAbsent(entry_.valueData) && IsAbsent(entry_.valueData2) && IsAbsent(entry_.valueData3)) {
    if (entry_.noValues == 1) File("File name is missing for this key.", problemsFile);
    return;
  }
  if (util_.FileReferenceExists(entry_.valueData) || util_.FileReferenceExists(entry_.valueData2) ||
      util_.FileReferenceExists(entry_.valueData3))
    return;
  File("Class id references file that does not exist.", problemsFile);
}
