// Class-id references: whether a class id is registered, and whether some
// registered class carries a given name.
#include "refcheck/registry_util.h"

bool CRegistryUtil::ClassIdExists(const std::string& id) { return Open(plat::kClassesRoot, "CLSID\\" + id); }

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
