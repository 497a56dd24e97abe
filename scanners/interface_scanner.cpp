#include "scanners/interface_scanner.h"

void CInterfaceScanner::ScanSection(const std::vector<std::string>& exclusions, const std::string& problemsFile) {
  problemsFound_ = 0;
  std::vector<std::string> names;
  // A copy: the check opens class ids through the same util.
  if (util_.OpenAndListClassesRoot("Interface")) names = util_.TakeSubkeyNames();
  for (const std::string& name : names) {
    entryList_.ClearEntry(entry_);
    entry_.marker = "L (K)";
    entry_.section = "Interface";
    const std::string proxy = rootKeyPath_ + "\\" + name + "\\ProxyStubClsid32";
    if (!util_.Open(plat::kLocalMachine, proxy)) continue;
    entry_.fullKey = proxy;
    entry_.deleteKey = rootKeyPath_ + "\\" + name;
    entry_.mainKey = "ProxyStubClsid32";
    entry_.valueName = "default";
    util_.ReadValue("", entry_.valueData);
    if (IsExcluded(exclusions)) continue;
    if (!util_.ClassIdExists(entry_.valueData)) File("Interface references class id that does not exist.", problemsFile);
  }
}
