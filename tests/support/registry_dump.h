// Everything below some keys of a registry, read with buffers large enough
// for any name or data: what a property test compares before and after.
#pragma once

#include <cstdint>
#include <map>
#include <tuple>
#include <string>
#include <utility>
#include <vector>

#include "platform/registry.h"

namespace testing_support {

struct DumpedValue {
  std::string name;
  std::uint32_t type = 0;
  std::string data;
  bool operator==(const DumpedValue&) const = default;
  bool operator<(const DumpedValue& o) const { return std::tie(name, type, data) < std::tie(o.name, o.type, o.data); }
};

// Key path ("HKLM\\Software\\X") -> its values in the registry's order.
using RegistryDump = std::map<std::string, std::vector<DumpedValue>>;

RegistryDump DumpTree(plat::IRegistry& registry, plat::HKey hive, const std::string& root);

}  // namespace testing_support
