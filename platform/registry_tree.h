// Whole-tree operations built on the registry calls alone, so they work on
// every backend.
#pragma once

#include <string>

#include "platform/registry.h"

namespace plat {

// Deletes a key and everything below it, children first; kSuccess when the
// key itself was deleted.
RegStatus DeleteTree(IRegistry& registry, HKey hive, const std::string& path);

}  // namespace plat
