#include "platform/registry_tree.h"

#include <vector>

namespace plat {

RegStatus DeleteTree(IRegistry& registry, HKey hive, const std::string& path) {
  HKey key = 0;
  RegStatus status = registry.OpenKeyEx(hive, path.c_str(), 0, kKeyAllAccess, &key);
  if (status != err::kSuccess) return status;
  std::vector<std::string> children;
  char name[4096];
  for (std::uint32_t i = 0;; ++i) {
    std::uint32_t length = sizeof name;
    if (registry.EnumKeyEx(key, i, name, &length) != err::kSuccess) break;
    children.emplace_back(name, length);
  }
  registry.CloseKey(key);
  for (const auto& child : children) DeleteTree(registry, hive, path + "\\" + child);
  return registry.DeleteKey(hive, path.c_str());
}

}  // namespace plat
