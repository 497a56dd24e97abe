#include "tests/support/registry_dump.h"

#include <functional>

namespace testing_support {

RegistryDump DumpTree(plat::IRegistry& registry, plat::HKey hive, const std::string& root) {
  RegistryDump dump;
  const std::string prefix = hive == plat::kLocalMachine ? "HKLM\\" : "HKCU\\";
  std::vector<char> name(70000);
  std::string data(200000, '\0');
  std::function<void(const std::string&)> walk = [&](const std::string& path) {
    plat::HKey key = 0;
    if (registry.OpenKeyEx(hive, path.c_str(), 0, plat::kKeyRead, &key) != plat::err::kSuccess) return;
    auto& values = dump[prefix + path];
    for (std::uint32_t i = 0;; ++i) {
      std::uint32_t length = static_cast<std::uint32_t>(name.size()), type = 0,
                    size = static_cast<std::uint32_t>(data.size());
      if (registry.EnumValue(key, i, name.data(), &length, &type, reinterpret_cast<std::uint8_t*>(data.data()),
                             &size) != plat::err::kSuccess)
        break;
      values.push_back({std::string(name.data(), length), type, data.substr(0, size)});
    }
    std::vector<std::string> children;
    for (std::uint32_t i = 0;; ++i) {
      std::uint32_t length = static_cast<std::uint32_t>(name.size());
      if (registry.EnumKeyEx(key, i, name.data(), &length) != plat::err::kSuccess) break;
      children.emplace_back(name.data(), length);
    }
    registry.CloseKey(key);
    for (const auto& child : children) walk(path + "\\" + child);
  };
  walk(root);
  return dump;
}

}  // namespace testing_support
