#include "platform/hive/hive_store.h"

#include <fcntl.h>
#include <hivex.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <unordered_set>

#include "platform/codepage.h"
#include "platform/registry_tree.h"

namespace plat::hive {
namespace {

// Walks no deeper than the registry itself allows.
constexpr std::size_t kMaxDepth = 512;

bool IsStringType(std::uint32_t type) {
  return type == regtype::kSz || type == regtype::kExpandSz || type == regtype::kMultiSz;
}

std::string FromUtf8(const char* text) { return Cp1252FromUtf16(Utf16FromUtf8(text ? text : "")); }
std::string ToUtf8(const std::string& text) { return Utf8FromUtf16(Utf16FromCp1252(text)); }

// String data in the hive is UTF-16LE; the registry the core sees is the
// code page's, as the "A" calls give it.
std::string AnsiData(std::uint32_t type, const char* bytes, std::size_t length) {
  std::string raw(bytes, length);
  if (!IsStringType(type) || length % 2) return raw;
  std::u16string wide;
  for (std::size_t i = 0; i + 1 < length; i += 2)
    wide.push_back(static_cast<char16_t>(static_cast<unsigned char>(raw[i]) | (static_cast<unsigned char>(raw[i + 1]) << 8)));
  return Cp1252FromUtf16(wide);
}

std::string HiveData(std::uint32_t type, const std::string& data) {
  if (!IsStringType(type)) return data;
  std::string out;
  for (char16_t c : Utf16FromCp1252(data)) {
    out += static_cast<char>(c & 0xFF);
    out += static_cast<char>(c >> 8);
  }
  return out;
}

std::string Join(const std::string& a, const std::string& b) { return a.empty() ? b : a + "\\" + b; }

struct Value {
  std::string name;
  std::uint32_t type;
  std::string data;
  bool operator==(const Value& o) const { return name == o.name && type == o.type && data == o.data; }
};

std::vector<Value> ValuesOf(IRegistry& reg, HKey hive, const std::string& path) {
  std::vector<Value> values;
  HKey key = 0;
  if (reg.OpenKeyEx(hive, path.c_str(), 0, kKeyRead, &key) != err::kSuccess) return values;
  std::vector<char> name(16384);
  std::vector<std::uint8_t> data(1 << 16);
  for (std::uint32_t i = 0;;) {
    std::uint32_t nl = static_cast<std::uint32_t>(name.size()), type = 0, size = static_cast<std::uint32_t>(data.size());
    const RegStatus s = reg.EnumValue(key, i, name.data(), &nl, &type, data.data(), &size);
    if (s == err::kMoreData && size > data.size()) {
      data.resize(size);
      continue;
    }
    if (s != err::kSuccess) break;
    values.push_back(Value{std::string(name.data(), nl), type, std::string(reinterpret_cast<char*>(data.data()), size)});
    ++i;
  }
  reg.CloseKey(key);
  return values;
}

std::vector<std::string> ChildrenOf(IRegistry& reg, HKey hive, const std::string& path) {
  std::vector<std::string> names;
  HKey key = 0;
  if (reg.OpenKeyEx(hive, path.c_str(), 0, kKeyRead, &key) != err::kSuccess) return names;
  char name[4096];
  for (std::uint32_t i = 0;; ++i) {
    std::uint32_t nl = sizeof name;
    if (reg.EnumKeyEx(key, i, name, &nl) != err::kSuccess) break;
    names.emplace_back(name, nl);
  }
  reg.CloseKey(key);
  return names;
}

bool SequenceNumbersDiffer(const std::string& path, std::uint32_t& primary, std::uint32_t& secondary) {
  std::ifstream in(path, std::ios::binary);
  char header[12] = {};
  if (!in.read(header, sizeof header)) return false;
  std::memcpy(&primary, header + 4, 4);
  std::memcpy(&secondary, header + 8, 4);
  return primary != secondary;
}

}  // namespace

struct HiveStore::Loaded {
  HiveMount mount;
  bool readOnly = false;
  memory::MemoryRegistry original;  // the tree as read, to find what changed
};

HiveStore::HiveStore() = default;
HiveStore::~HiveStore() = default;

void HiveStore::AddVolatile(HKey hive, const std::string& path) { volatile_.insert({hive, FoldName(path)}); }

bool HiveStore::Read(const HiveMount& mount, IRegistry& into, bool lenient, std::string& error) {
  hive_h* h = hivex_open(mount.hostPath.c_str(), lenient ? HIVEX_OPEN_UNSAFE : 0);
  if (!h) {
    error = mount.hostPath + ": not a hive that can be read (" + std::strerror(errno) + ")";
    return false;
  }
  struct Pending {
    hive_node_h node;
    std::string path;
    std::size_t depth;
  };
  std::vector<Pending> pending{{hivex_root(h), mount.mountPath, 0}};
  std::unordered_set<hive_node_h> seen;
  while (!pending.empty()) {
    Pending p = std::move(pending.back());
    pending.pop_back();
    // A damaged hive can point back at a key already read: each is read once.
    if (!seen.insert(p.node).second || p.depth > kMaxDepth) continue;
    HKey key = 0;
    if (into.CreateKeyEx(mount.hive, p.path.c_str(), &key) != err::kSuccess) continue;
    if (hive_value_h* values = hivex_node_values(h, p.node)) {
      for (std::size_t i = 0; values[i]; ++i) {
        char* name = hivex_value_key(h, values[i]);
        // Any 32-bit type can stand in a hive, not only hive_type's names:
        // it is received as a plain number.
        static_assert(sizeof(hive_type) == sizeof(std::uint32_t));
        std::uint32_t type = 0;
        std::size_t length = 0;
        char* data = hivex_value_value(h, values[i], reinterpret_cast<hive_type*>(&type), &length);
        if (name && data) {
          const std::string bytes = AnsiData(type, data, length);
          into.SetValueEx(key, FromUtf8(name).c_str(), type, reinterpret_cast<const std::uint8_t*>(bytes.data()),
                          static_cast<std::uint32_t>(bytes.size()));
        }
        std::free(name);
        std::free(data);
      }
      std::free(values);
    }
    into.CloseKey(key);
    if (hive_node_h* children = hivex_node_children(h, p.node)) {
      for (std::size_t i = 0; children[i]; ++i) {
        char* name = hivex_node_name(h, children[i]);
        if (name) pending.push_back({children[i], Join(p.path, FromUtf8(name)), p.depth + 1});
        std::free(name);
      }
      std::free(children);
    }
  }
  hivex_close(h);
  return true;
}

bool HiveStore::Load(const std::vector<HiveMount>& mounts, memory::MemoryRegistry& registry,
                     std::vector<std::string>& notes, std::string& error) {
  std::vector<std::unique_ptr<Loaded>> loaded;
  for (const auto& mount : mounts) {
    auto l = std::make_unique<Loaded>();
    l->mount = mount;
    std::uint32_t primary = 0, secondary = 0;
    if (SequenceNumbersDiffer(mount.hostPath, primary, secondary)) {
      l->readOnly = true;
      notes.push_back(mount.hostPath + ": its log holds changes not yet written into the hive (sequence numbers " +
                      std::to_string(primary) + " and " + std::to_string(secondary) +
                      "); it is read as it is and never written");
    }
    std::string readError;
    if (!Read(mount, l->original, false, readError)) {
      if (!Read(mount, l->original, true, error)) return false;
      l->readOnly = true;
      notes.push_back(readError + "; read leniently, it is never written");
    }
    loaded.push_back(std::move(l));
  }
  for (auto& l : loaded) {
    if (!Read(l->mount, registry, l->readOnly, error)) return false;
    hives_.push_back(std::move(l));
  }
  return true;
}

bool HiveStore::Commit(memory::MemoryRegistry& registry, const LocalTime& now, std::string& error) {
  written_.clear();
  for (auto& l : hives_)
    if (!Write(*l, registry, now, error)) return false;
  return true;
}

bool HiveStore::Write(Loaded& l, memory::MemoryRegistry& registry, const LocalTime& now, std::string& error) {
  const HKey hive = l.mount.hive;
  // The mount points of other hives below this one belong to those hives.
  std::set<std::u16string> foreign;
  for (const auto& other : hives_)
    if (other.get() != &l && other->mount.hive == hive && other->mount.mountPath.size() > l.mount.mountPath.size())
      foreign.insert(FoldName(other->mount.mountPath));
  auto skipped = [&](const std::string& path) {
    return foreign.count(FoldName(path)) || volatile_.count({hive, FoldName(path)});
  };

  hive_h* h = nullptr;
  bool changed = false;
  // Opens the hive for writing the first time something differs.
  auto writable = [&]() -> bool {
    if (h) return true;
    if (l.readOnly) {
      error = l.mount.hostPath + " changed but is read-only; nothing was written to it";
      return false;
    }
    h = hivex_open(l.mount.hostPath.c_str(), HIVEX_OPEN_WRITE);
    if (!h) error = l.mount.hostPath + ": cannot be opened for writing (" + std::strerror(errno) + ")";
    return h != nullptr;
  };
  auto childIndex = [&](hive_node_h node) {
    std::map<std::u16string, hive_node_h> index;
    if (hive_node_h* children = hivex_node_children(h, node)) {
      for (std::size_t i = 0; children[i]; ++i) {
        char* name = hivex_node_name(h, children[i]);
        if (name) index[FoldName(FromUtf8(name))] = children[i];
        std::free(name);
      }
      std::free(children);
    }
    return index;
  };
  auto setValues = [&](hive_node_h node, const std::vector<Value>& values) {
    std::vector<std::string> names, datas;
    for (const auto& v : values) {
      names.push_back(ToUtf8(v.name));
      datas.push_back(HiveData(v.type, v.data));
    }
    std::vector<hive_set_value> set(values.size());
    for (std::size_t i = 0; i < values.size(); ++i)
      set[i] = hive_set_value{names[i].data(), static_cast<hive_type>(values[i].type), datas[i].size(), datas[i].data()};
    return hivex_node_set_values(h, node, set.size(), set.data(), 0) == 0;
  };

  struct Pending {
    std::string path;
    bool fresh;  // the key is new: everything below it is written
    hive_node_h node;
  };
  std::vector<Pending> pending{{l.mount.mountPath, false, 0}};
  bool ok = true;
  while (!pending.empty() && ok) {
    Pending p = std::move(pending.back());
    pending.pop_back();
    const auto now_values = ValuesOf(registry, hive, p.path);
    const auto was_values = p.fresh ? std::vector<Value>{} : ValuesOf(l.original, hive, p.path);
    std::vector<std::string> now_children, was_children;
    for (const auto& c : ChildrenOf(registry, hive, p.path))
      if (!skipped(Join(p.path, c))) now_children.push_back(c);
    if (!p.fresh)
      for (const auto& c : ChildrenOf(l.original, hive, p.path))
        if (!skipped(Join(p.path, c))) was_children.push_back(c);
    std::set<std::u16string> now_set, was_set;
    for (const auto& c : now_children) now_set.insert(FoldName(c));
    for (const auto& c : was_children) was_set.insert(FoldName(c));
    const bool same = now_values == was_values && now_set == was_set;
    if (same && !p.fresh) {
      for (const auto& c : now_children) pending.push_back({Join(p.path, c), false, 0});
      continue;
    }
    if (!writable()) {
      ok = false;
      break;
    }
    changed = true;
    hive_node_h node = p.node;
    if (!node) {
      // Find the key's node from the root through the names of its path.
      node = hivex_root(h);
      std::string rest = p.path.substr(l.mount.mountPath.size());
      if (!rest.empty() && rest[0] == '\\') rest.erase(0, 1);
      std::size_t start = 0;
      while (node && start < rest.size()) {
        const std::size_t end = std::min(rest.find('\\', start), rest.size());
        const auto index = childIndex(node);
        const auto it = index.find(FoldName(rest.substr(start, end - start)));
        node = it == index.end() ? 0 : it->second;
        start = end + 1;
      }
      if (!node) {
        error = l.mount.hostPath + ": key " + p.path + " is not in the hive";
        ok = false;
        break;
      }
    }
    if (now_values != was_values && !setValues(node, now_values)) {
      error = l.mount.hostPath + ": values of " + p.path + " cannot be written";
      ok = false;
      break;
    }
    const auto index = childIndex(node);
    for (const auto& c : was_children)
      if (!now_set.count(FoldName(c))) {
        const auto it = index.find(FoldName(c));
        if (it != index.end() && hivex_node_delete_child(h, it->second) != 0) {
          error = l.mount.hostPath + ": key " + Join(p.path, c) + " cannot be deleted";
          ok = false;
        }
      }
    for (const auto& c : now_children) {
      if (was_set.count(FoldName(c))) {
        pending.push_back({Join(p.path, c), false, index.at(FoldName(c))});
      } else {
        const hive_node_h child = hivex_node_add_child(h, node, ToUtf8(c).c_str());
        if (!child) {
          error = l.mount.hostPath + ": key " + Join(p.path, c) + " cannot be added";
          ok = false;
          break;
        }
        pending.push_back({Join(p.path, c), true, child});
      }
    }
  }
  if (!h) return ok;
  if (!ok || !changed) {
    hivex_close(h);
    return ok;
  }
  namespace fs = std::filesystem;
  const std::string temp = l.mount.hostPath + ".tmp-tidemarrow";
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "%02d%02d%02d-%02d%02d%02d", now.year % 100, now.month, now.day, now.hour,
                now.minute, now.second);
  std::error_code ec;
  // The original is kept under a name no earlier copy has.
  std::string kept = l.mount.hostPath + ".tidemarrow-" + stamp;
  for (int n = 2; fs::exists(kept, ec) && n < 100; ++n)
    kept = l.mount.hostPath + ".tidemarrow-" + stamp + "-" + std::to_string(n);
  if (hivex_commit(h, temp.c_str(), 0) != 0) {
    error = temp + ": the hive cannot be written (" + std::strerror(errno) + ")";
    hivex_close(h);
    fs::remove(temp, ec);
    return false;
  }
  hivex_close(h);
  const int fd = ::open(temp.c_str(), O_RDONLY);
  const bool flushed = fd >= 0 && ::fsync(fd) == 0;
  if (fd >= 0) ::close(fd);
  if (!flushed || !fs::copy_file(l.mount.hostPath, kept, fs::copy_options::none, ec) || ec) {
    error = l.mount.hostPath + ": the original could not be kept as " + kept + "; nothing was replaced";
    fs::remove(temp, ec);
    return false;
  }
  fs::rename(temp, l.mount.hostPath, ec);
  if (ec) {
    error = l.mount.hostPath + ": cannot be replaced: " + ec.message();
    fs::remove(temp, ec);
    return false;
  }
  written_.push_back(l.mount.hostPath);
  // What is on the disk now is what the next commit compares with.
  DeleteTree(l.original, hive, l.mount.mountPath);
  return Read(l.mount, l.original, false, error);
}

}  // namespace plat::hive
