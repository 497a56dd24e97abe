// Reading a key, or one value, exactly as the registry holds it: every
// subkey name, value name, type and data byte, with buffers sized to what
// the registry reports rather than the scan's fixed listing buffers. This is
// what a deletion backs up; anything that cannot be read whole, or read back
// by the name it was listed under, makes the read fail with a reason, and
// then nothing of it may be deleted.
#pragma once

#include <string>
#include <vector>

#include "platform/registry.h"
#include "registry/backup_format.h"

struct ExactKey {
  std::string path;
  std::vector<ExactValue> values;  // in the registry's order
  std::vector<ExactKey> children;  // in the registry's order
};

// The key hive\path and everything below it.
bool ReadKeyExactly(plat::IRegistry& registry, plat::HKey hive, const std::string& path, ExactKey& key,
                    std::string& reason);
// One value of an open key.
bool ReadValueExactly(plat::IRegistry& registry, plat::HKey key, const std::string& name, ExactValue& value,
                      std::string& reason);
