#include "engine/fix_guard.h"

#include <array>
#include <vector>

#include "records/problem_entry.h"
#include "platform/codepage.h"
#include "scanners/major_keys_scanner.h"

namespace {

constexpr std::array<const char*, 5> kClassStores = {"Software\\Classes", "Software\\Classes\\CLSID",
                                                     "Software\\Classes\\Interface", "Software\\Classes\\TypeLib",
                                                     "Software\\Classes\\AppID"};

// path names `key` itself or one of its ancestors.
bool IsSameOrAncestor(const std::string& path, const std::string& key) {
  const std::string p = plat::LowerAscii(path), k = plat::LowerAscii(key);
  return p.empty() || p == k || (k.size() > p.size() && k.compare(0, p.size(), p) == 0 && k[p.size()] == '\\');
}

}  // namespace

bool IsProtectedKey(plat::HKey hive, const std::string& path) {
  for (const auto& root : MajorKeyRoots())
    if (root.hive == hive && IsSameOrAncestor(path, root.path)) return true;
  for (const char* store : kClassStores)
    if (IsSameOrAncestor(path, store)) return true;
  return false;
}

const std::set<std::string>& LineEndNames::Blanked(plat::HKey hive, const std::string& parent, bool values) {
  const auto id = std::make_tuple(hive, plat::LowerAscii(parent), values);
  auto it = cache_.find(id);
  if (it != cache_.end()) return it->second;
  std::set<std::string> names;
  plat::HKey key = 0;
  if (platform_.registry.OpenKeyEx(hive, parent.c_str(), 0, plat::kKeyRead, &key) == plat::err::kSuccess) {
    std::vector<char> name(32768);
    for (std::uint32_t i = 0;; ++i) {
      std::uint32_t length = static_cast<std::uint32_t>(name.size());
      const plat::RegStatus status =
          values ? platform_.registry.EnumValue(key, i, name.data(), &length, nullptr, nullptr, nullptr)
                 : platform_.registry.EnumKeyEx(key, i, name.data(), &length);
      if (status != plat::err::kSuccess) break;
      const std::string n(name.data(), std::min<std::size_t>(length, name.size()));
      if (n.find_first_of("\r\n") != std::string::npos) names.insert(plat::LowerAscii(RecordField(n)));
    }
    platform_.registry.CloseKey(key);
  }
  return cache_.emplace(id, std::move(names)).first->second;
}

bool LineEndNames::MayNameAnother(plat::HKey hive, const std::string& path, const std::string& valueName,
                                  bool isValue) {
  std::size_t start = 0;
  while (start <= path.size()) {
    const std::size_t end = std::min(path.find('\\', start), path.size());
    const std::string component = path.substr(start, end - start);
    if (component.find(' ') != std::string::npos) {
      const std::string parent = start == 0 ? "" : path.substr(0, start - 1);
      if (Blanked(hive, parent, false).count(plat::LowerAscii(component))) return true;
    }
    start = end + 1;
  }
  return isValue && valueName.find(' ') != std::string::npos &&
         Blanked(hive, path, true).count(plat::LowerAscii(valueName));
}
