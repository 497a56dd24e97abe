#include "registry/exact_reader.h"

#include <set>

#include "platform/codepage.h"

namespace {

// Longer than any name the registry accepts (value names hold up to 16,383
// characters, key names 255), so a name that does not fit is an error.
constexpr std::uint32_t kNameBuffer = 32768;

std::string Code(plat::RegStatus status) { return std::to_string(status); }

class OpenKey {
 public:
  OpenKey(plat::IRegistry& registry, plat::HKey parent, const std::string& path) : registry_(registry) {
    status_ = registry.OpenKeyEx(parent, path.c_str(), 0, plat::kKeyAllAccess, &key_);
  }
  ~OpenKey() {
    if (key_) registry_.CloseKey(key_);
  }
  OpenKey(const OpenKey&) = delete;
  OpenKey& operator=(const OpenKey&) = delete;
  plat::RegStatus status() const { return status_; }
  plat::HKey get() const { return key_; }

 private:
  plat::IRegistry& registry_;
  plat::HKey key_ = 0;
  plat::RegStatus status_;
};

bool ReadValues(plat::IRegistry& registry, plat::HKey key, const std::string& path, std::vector<ExactValue>& values,
                std::string& reason) {
  std::vector<char> name(kNameBuffer);
  std::set<std::u16string> seen;
  for (std::uint32_t index = 0;; ++index) {
    std::uint32_t length = kNameBuffer;
    const plat::RegStatus status =
        registry.EnumValue(key, index, name.data(), &length, nullptr, nullptr, nullptr);
    if (status == plat::err::kNoMoreItems) return true;
    if (status != plat::err::kSuccess || length >= kNameBuffer) {
      reason = "the values of " + path + " cannot all be listed (error " + Code(status) + ")";
      return false;
    }
    ExactValue value;
    const std::string valueName(name.data(), length);
    if (valueName.find('\0') != std::string::npos) {
      reason = "a value of " + path + " has a zero in its name";
      return false;
    }
    // Two values listed under one name: one of them has a name the
    // program's code page cannot spell, and cannot be read by it.
    if (!seen.insert(plat::FoldName(valueName)).second) {
      reason = "two values of " + path + " read as \"" + valueName + "\"";
      return false;
    }
    if (!ReadValueExactly(registry, key, valueName, value, reason)) return false;
    values.push_back(std::move(value));
  }
}

bool ReadTree(plat::IRegistry& registry, plat::HKey hive, const std::string& path, ExactKey& out, std::size_t depth,
              std::string& reason) {
  if (depth > plat::kMaxKeyDepth) {
    reason = path + " lies deeper than the registry allows";
    return false;
  }
  OpenKey key(registry, hive, path);
  if (key.status() != plat::err::kSuccess) {
    reason = path + " cannot be opened (error " + Code(key.status()) + ")";
    return false;
  }
  out.path = path;
  std::vector<char> name(kNameBuffer);
  std::vector<std::string> children;
  std::set<std::u16string> seen;
  for (std::uint32_t index = 0;; ++index) {
    std::uint32_t length = kNameBuffer;
    const plat::RegStatus status = registry.EnumKeyEx(key.get(), index, name.data(), &length);
    if (status == plat::err::kNoMoreItems) break;
    if (status != plat::err::kSuccess || length >= kNameBuffer) {
      reason = "the subkeys of " + path + " cannot all be listed (error " + Code(status) + ")";
      return false;
    }
    children.emplace_back(name.data(), length);
    // A hive can hold names no path can spell: opening them by path would
    // reach another key, or none.
    if (children.back().find_first_of(std::string("\\\0", 2)) != std::string::npos) {
      reason = "a subkey of " + path + " has a name with a backslash or a zero in it, which no path can name";
      return false;
    }
    if (!seen.insert(plat::FoldName(children.back())).second) {
      reason = "two subkeys of " + path + " read as \"" + children.back() + "\"";
      return false;
    }
  }
  if (!ReadValues(registry, key.get(), path, out.values, reason)) return false;
  for (const auto& child : children) {
    out.children.emplace_back();
    if (!ReadTree(registry, hive, path + "\\" + child, out.children.back(), depth + 1, reason)) return false;
  }
  return true;
}

}  // namespace

bool ReadValueExactly(plat::IRegistry& registry, plat::HKey key, const std::string& name, ExactValue& value,
                      std::string& reason) {
  // The size is asked first; a value that grows between the two calls is
  // asked again.
  for (int attempt = 0; attempt < 4; ++attempt) {
    std::uint32_t type = 0, size = 0;
    plat::RegStatus status = registry.QueryValueEx(key, name.c_str(), &type, nullptr, &size);
    if (status != plat::err::kSuccess) {
      reason = "the value \"" + name + "\" cannot be read by its name (error " + Code(status) + ")";
      return false;
    }
    std::string data(size, '\0');
    std::uint32_t got = size;
    status = registry.QueryValueEx(key, name.c_str(), &type,
                                   reinterpret_cast<std::uint8_t*>(data.data()), &got);
    if (status == plat::err::kMoreData) continue;
    if (status != plat::err::kSuccess || got > size) {
      reason = "the value \"" + name + "\" cannot be read (error " + Code(status) + ")";
      return false;
    }
    data.resize(got);
    if (!registry.ValueIsExactInCodePage(key, name.c_str())) {
      reason = "the value \"" + name + "\" holds text the backup file's code page cannot carry";
      return false;
    }
    value = ExactValue{name, type, std::move(data)};
    return true;
  }
  reason = "the value \"" + name + "\" keeps changing while it is read";
  return false;
}

bool ReadKeyExactly(plat::IRegistry& registry, plat::HKey hive, const std::string& path, ExactKey& key,
                    std::string& reason) {
  key = ExactKey{};
  return ReadTree(registry, hive, path, key, 0, reason);
}
