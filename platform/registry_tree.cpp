#include "platform/registry_tree.h"

#include <vector>

namespace plat {

RegStatus DeleteTree(IRegistry& registry, HKey hive, const std::string& path) {
  // A name the registry calls cannot pass whole (a NUL inside, or an empty
  // child name) would open a key above this one and recurse without end.
  if (path.find('\0') != std::string::npos) return err::kInvalidParameter;
  HKey key = 0;
  RegStatus status = registry.OpenKeyEx(hive, path.c_str(), 0, kKeyAllAccess, &key);
  if (status != err::kSuccess) return status;
  std::vector<std::string> children;
  char name[4096];
  for (std::uint32_t i = 0;; ++i) {
    std::uint32_t length = sizeof name;
    if (registry.EnumKeyEx(key, i, name, &length) != err::kSuccess) break;
    if (length == 0) {
      registry.CloseKey(key);
      return err::kInvalidParameter;
    }
    children.emplace_back(name, length);
  }
  registry.CloseKey(key);
  for (const auto& child : children) {
    const RegStatus childStatus = DeleteTree(registry, hive, path + "\\" + child);
    if (childStatus == err::kInvalidParameter) return childStatus;
  }
  return registry.DeleteKey(hive, path.c_str());
}

}  // namespace plat
