// Class-id references: whether a class id is registered, and whether some
// registered class carries a given name.
#include "refcheck/registry_util.h"

#include <algorithm>

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

bool CRegistryUtil::WalkClassNames(const std::string& text) {
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

std::unique_ptr<CRegistryUtil::ClassNameIndex> CRegistryUtil::BuildClassNameIndex() {
  // The walk made once, counting as the util would: one open and a call per
  // listed id for the listing, then an open and a read per id. A class whose
  // name is too long to read would show its message on every walk, so then
  // there is no index and every call walks. The ids are enumerated as the
  // walk goes rather than listed first: 90,000 of them held at once were
  // the largest thing a scan held only in passing (the image cannot change
  // while the walk opens keys).
  auto index = std::make_unique<ClassNameIndex>();
  plat::IRegistry& registry = platform_.registry;
  plat::HKey classes = 0;
  index->listCost = 1;
  if (registry.OpenKeyEx(plat::kClassesRoot, "CLSID", 0, plat::kKeyAllAccess, &classes) != plat::err::kSuccess)
    return index;
  CRegistryKey probe(platform_);
  bool tooLong = false;
  const std::string root = "Software\\Classes\\CLSID\\";
  std::string path, name;  // their room reused for each of the ids
  index->listCost += static_cast<int>(EnumerateSubkeys(classes, [&](std::string_view id) {
    path.assign(root).append(id);
    if (probe.Open(plat::kLocalMachine, path)) {
      probe.ReadValueUnlessTooLong("", name, tooLong);
      if (tooLong) return false;
      index->byName.push_back({static_cast<std::uint32_t>(index->names.size()),
                               static_cast<std::uint32_t>(name.size()), index->costThrough.size()});
      index->names += name;
    }
    index->costThrough.push_back(probe.GetOperationCount());
    return true;
  }));
  registry.CloseKey(classes);
  if (tooLong) return nullptr;
  index->listed = !index->costThrough.empty();
  index->Sort();
  return index;
}

void CRegistryUtil::ClassNameIndex::Sort() {
  // Stable, and made in the order of the classes: of equal names the first
  // class's comes first, and it is the one kept.
  std::stable_sort(byName.begin(), byName.end(),
                   [this](const Named& a, const Named& b) { return NameOf(a) < NameOf(b); });
  byName.erase(std::unique(byName.begin(), byName.end(),
                           [this](const Named& a, const Named& b) { return NameOf(a) == NameOf(b); }),
               byName.end());
  byName.shrink_to_fit();
  names.shrink_to_fit();
}

const CRegistryUtil::ClassNameIndex::Named* CRegistryUtil::ClassNameIndex::Find(std::string_view name) const {
  const auto it = std::lower_bound(byName.begin(), byName.end(), name,
                                   [this](const Named& n, std::string_view text) { return NameOf(n) < text; });
  return it != byName.end() && NameOf(*it) == name ? &*it : nullptr;
}

void CRegistryUtil::ForgetClassNames() {
  // The class ids it left as this util's listing go too: a scan that is
  // done reads no listing it did not make.
  if (classNames_ && Listings() == classNames_->listingsWhenSet) DropSubkeyNames();
  classNames_.reset();
}

bool CRegistryUtil::ClassNameRegistered(const std::string& text) {
  // The walk opens every registered class for each call: on a registry
  // that changes while the scan runs it is made each time, as specified; on
  // an offline image it is made once and its result and count replayed.
  if (!platform_.registry.ChangesOnlyThroughThisProcess()) return WalkClassNames(text);
  if (!classNames_) classNames_ = BuildClassNameIndex();
  if (!classNames_) return WalkClassNames(text);
  const ClassNameIndex& index = *classNames_;
  AddOperations(index.listCost);
  if (!index.listed) return false;
  // The walk leaves the class ids as the util's subkey list: listed again,
  // uncounted, should anything read it before the util lists again (the
  // registry changes only through this process, and a find job changes
  // nothing).
  if (Listings() != classNames_->listingsWhenSet) {
    DeferSubkeyNames([this] {
      CRegistryKey lister(platform_);
      lister.OpenAndListClassesRoot("CLSID");
      return lister.TakeSubkeyNames();
    });
    classNames_->listingsWhenSet = Listings();
  }
  const ClassNameIndex::Named* found = index.Find(text);
  if (!found) {
    AddOperations(index.costThrough.empty() ? 0 : index.costThrough.back());
    return false;
  }
  AddOperations(index.costThrough[found->firstClass]);
  return true;
}
