#include "registry/registry_key.h"

#include <algorithm>
#include <cstring>

namespace {

// The registry reports the data's size; the text ends there or at the first
// zero byte, whichever comes first, so data without a terminator never runs
// on. Assigned into the caller's string, whose room a scan reuses.
void AssignText(std::string& text, const std::uint8_t* bytes, std::uint32_t size) {
  const char* chars = reinterpret_cast<const char*>(bytes);
  const std::size_t length = std::min<std::size_t>(size, kRegistryBufferSize);
  text.assign(chars, strnlen(chars, length));
}

}  // namespace

CRegistryKey::CRegistryKey(const plat::Platform& platform) : platform_(platform) {}

CRegistryKey::~CRegistryKey() { CloseCurrentKey(); }

void CRegistryKey::CloseCurrentKey() {
  if (currentKey_ != 0) platform_.registry.CloseKey(currentKey_);
  currentKey_ = 0;
}

bool CRegistryKey::Open(plat::HKey hive, const std::string& path) {
  CloseCurrentKey();
  ++operationCount_;
  if (hive == plat::kCurrentUser) hiveName_ = "HKEY_CURRENT_USER";
  else if (hive == plat::kLocalMachine) hiveName_ = "HKEY_LOCAL_MACHINE";
  plat::HKey key = 0;
  if (platform_.registry.OpenKeyEx(hive, path.c_str(), 0, plat::kKeyAllAccess, &key) != plat::err::kSuccess)
    return false;
  currentKey_ = key;
  return true;
}

bool CRegistryKey::ReadValue(const std::string& name, std::string& text) {
  return ReadValue(name, text, kRegistryBufferSize);
}

bool CRegistryKey::ReadValue(const std::string& name, std::string& text, std::uint32_t limit) {
  text.clear();
  limit = std::min(limit, kRegistryBufferSize);
  if (currentKey_ == 0) return false;
  ++operationCount_;
  std::uint32_t size = 0;
  if (QueryText(name, limit, text, size) != plat::err::kSuccess) {
    text = "null";
    return false;
  }
  if (size > limit) {
    platform_.messages.Show(name + " value in registry is too long.", plat::mb::kOk);
    return false;
  }
  return true;
}

bool CRegistryKey::ReadValueUnlessTooLong(const std::string& name, std::string& text, bool& tooLong) {
  text.clear();
  tooLong = false;
  if (currentKey_ == 0) return false;
  std::uint32_t size = 0;
  const plat::RegStatus status = QueryText(name, kRegistryBufferSize, text, size);
  tooLong = status == plat::err::kMoreData || (status == plat::err::kSuccess && size > kRegistryBufferSize);
  if (tooLong) return false;
  ++operationCount_;
  if (status != plat::err::kSuccess) {
    text = "null";
    return false;
  }
  return true;
}

plat::RegStatus CRegistryKey::QueryText(const std::string& name, std::uint32_t limit, std::string& text,
                                        std::uint32_t& size) {
  // Only the `size` bytes the registry fills are read (not cleared first:
  // a scan reads a value of nearly every key).
  std::uint8_t buffer[kRegistryBufferSize + 1];
  size = limit;
  const plat::RegStatus status = platform_.registry.QueryValueEx(currentKey_, name.c_str(), nullptr, buffer, &size);
  if (status == plat::err::kSuccess && size <= limit) AssignText(text, buffer, size);
  return status;
}

bool CRegistryKey::QueryValue(const std::string& name, QueriedValue& value) {
  value.text.clear();
  if (currentKey_ == 0) return false;
  ++operationCount_;
  std::uint8_t buffer[kRegistryBufferSize + 1] = {};
  std::uint32_t size = std::min(value.size, kRegistryBufferSize);
  std::uint32_t type = value.type;
  if (platform_.registry.QueryValueEx(currentKey_, name.c_str(), &type, buffer, &size) != plat::err::kSuccess) {
    value.number = 0xFFFFFFFFu;
    return false;
  }
  value.type = type;
  value.size = size;
  value.number = 0;
  value.text.assign(reinterpret_cast<const char*>(buffer), size);
  // The number takes at most its own four bytes, whatever size the value has.
  if (type == plat::regtype::kDword) std::memcpy(&value.number, buffer, std::min<std::uint32_t>(size, 4));
  if (type == plat::regtype::kBinary) value.data.assign(reinterpret_cast<const char*>(buffer), size);
  return true;
}

bool CRegistryKey::ListSubkeys() {
  if (currentKey_ == 0) return false;
  subkeyNames_.clear();
  deferredSubkeyNames_ = nullptr;
  subkeyNames_.reserve(platform_.registry.SubkeyCountHint(currentKey_));
  ++listings_;
  const std::uint32_t calls = EnumerateSubkeys(currentKey_, [this](std::string_view name) {
    subkeyNames_.emplace_back(name);
    return true;
  });
  operationCount_ += static_cast<std::int32_t>(calls);
  // A long listing is kept at its length, not at the room it grew to (the
  // class ids' had room for twice their number).
  constexpr std::size_t kSpareKept = 1024;
  if (subkeyNames_.capacity() - subkeyNames_.size() > kSpareKept) subkeyNames_.shrink_to_fit();
  return calls > 1;
}

std::uint32_t CRegistryKey::EnumerateSubkeys(plat::HKey key, const std::function<bool(std::string_view)>& visit) {
  char name[kRegistryBufferSize];
  for (std::uint32_t index = 0;; ++index) {
    name[0] = '\0';
    std::uint32_t length = kRegistryBufferSize;
    if (platform_.registry.EnumKeyEx(key, index, name, &length) != plat::err::kSuccess ||
        !visit(std::string_view(name, strnlen(name, std::min(length, kRegistryBufferSize - 1)))))
      return index + 1;
  }
}

const std::vector<std::string>& CRegistryKey::SubkeyNames() const {
  if (deferredSubkeyNames_) subkeyNames_ = std::exchange(deferredSubkeyNames_, nullptr)();
  return subkeyNames_;
}

std::vector<std::string> CRegistryKey::TakeSubkeyNames() {
  SubkeyNames();
  ++listings_;
  return std::exchange(subkeyNames_, {});
}

void CRegistryKey::DeferSubkeyNames(std::function<std::vector<std::string>()> make) {
  subkeyNames_ = {};
  deferredSubkeyNames_ = std::move(make);
  ++listings_;
}

void CRegistryKey::DropSubkeyNames() {
  subkeyNames_ = {};
  deferredSubkeyNames_ = nullptr;
  ++listings_;
}

void CRegistryKey::ListValues() {
  if (currentKey_ == 0) return;
  valueNames_.clear();
  char name[kRegistryBufferSize];
  for (std::uint32_t index = 0;; ++index) {
    name[0] = '\0';
    std::uint32_t length = kRegistryBufferSize;
    const plat::RegStatus status =
        platform_.registry.EnumValue(currentKey_, index, name, &length, nullptr, nullptr, nullptr);
    ++operationCount_;
    if (status != plat::err::kSuccess) return;
    valueNames_.emplace_back(name, strnlen(name, std::min(length, kRegistryBufferSize - 1)));
  }
}

bool CRegistryKey::OpenAndListSubkeys(plat::HKey hive, const std::string& path) {
  if (!Open(hive, path)) return false;
  return ListSubkeys();
}

bool CRegistryKey::ForEachSubkey(plat::HKey hive, const std::string& path,
                                 const std::function<void(const std::string&)>& visit) {
  plat::IRegistry& registry = platform_.registry;
  if (!registry.ChangesOnlyThroughThisProcess()) {
    if (!OpenAndListSubkeys(hive, path)) return false;
    for (const std::string& name : TakeSubkeyNames()) visit(name);
    return true;
  }
  if (!Open(hive, path)) return false;
  // Enumerated through a handle of its own: `visit` opens other keys through
  // this object's.
  plat::HKey listed = 0;
  if (registry.OpenKeyEx(hive, path.c_str(), 0, plat::kKeyRead, &listed) != plat::err::kSuccess) return false;
  DropSubkeyNames();
  std::string current;  // each name in turn, its room reused
  const std::uint32_t calls = EnumerateSubkeys(listed, [&visit, &current](std::string_view name) {
    current.assign(name);
    visit(current);
    return true;
  });
  operationCount_ += static_cast<std::int32_t>(calls);
  registry.CloseKey(listed);
  return calls > 1;
}

bool CRegistryKey::OpenAndListClassesRoot(const std::string& path) {
  return OpenAndListSubkeys(plat::kClassesRoot, path);
}

bool CRegistryKey::OpenAndListLocalMachine(const std::string& path) {
  return OpenAndListSubkeys(plat::kLocalMachine, path);
}

bool CRegistryKey::OpenAndListCurrentUser(const std::string& path) {
  return OpenAndListSubkeys(plat::kCurrentUser, path);
}

bool CRegistryKey::ValueSize(const std::string& name, std::uint32_t& size) {
  size = 0;
  return currentKey_ != 0 &&
         platform_.registry.QueryValueEx(currentKey_, name.c_str(), nullptr, nullptr, &size) == plat::err::kSuccess;
}

bool CRegistryKey::ValueExists(const std::string& name) {
  std::uint32_t size = 0;
  return ValueSize(name, size);
}

bool CRegistryKey::SetStringValue(const std::string& name, const std::string& text) {
  if (currentKey_ == 0) return false;
  ++operationCount_;
  return platform_.registry.SetValueEx(currentKey_, name.c_str(), plat::regtype::kSz,
                                       reinterpret_cast<const std::uint8_t*>(text.c_str()),
                                       static_cast<std::uint32_t>(text.size() + 1)) == plat::err::kSuccess;
}

bool CRegistryKey::SetDwordValue(const std::string& name, std::uint32_t number) {
  if (currentKey_ == 0) return false;
  ++operationCount_;
  std::uint8_t bytes[4];
  std::memcpy(bytes, &number, 4);
  return platform_.registry.SetValueEx(currentKey_, name.c_str(), plat::regtype::kDword, bytes, 4) ==
         plat::err::kSuccess;
}
