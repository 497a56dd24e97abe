// Class-id references: whether a class id is registered, and whether some
// registered class carries a given name.
#include "refcheck/registry_util.h"

bool CRegistryUtil::ClassIdExists(const std::string& id) {
  if (Open(plat::kClassesRoot, "CLSID\\" + id)) return true;
  // A registry with a 64-bit view keeps the 32-bit classes apart; a class
  // registered only there is registered all the same. On a 32-bit registry
  // that key does not exist, and nothing more is opened or counted.
  return HasWow64Classes() && Open(plat::kClassesRoot, "Wow6432Node\\CLSID\\" + id);
}

bool CRegistryUtil::HasWow64Classes() {
  if (wow64Classes_ < 0) {
    plat::HKey key = 0;
    wow64Classes_ = platform_.registry.OpenKeyEx(plat::kClassesRoot, "Wow6432Node\\CLSID", 0, plat::kKeyRead,
                                                 &key) == plat::err::kSuccess;
    if (key) platform_.registry.CloseKey(key);
  }
  return wow64Classes_ == 1;
}

bool CRegistryUtil::ClassNameRegistered(const std::string& text) {
  if (!OpenAndListClassesRoot("CLSID")) return false;
  // Opening and reading leave the listed names alone, so the list is walked
  // in place.
  for (const std::string& id : SubkeyNames()) {
    if (!Open(plat::kLocalMachine, "Software\\Classes\\CLSID\\" + id)) continue;
    std::string name;
    ReadValue("", name);
    if (name == text) return true;
  }
  return false;
}
