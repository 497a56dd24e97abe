#include "tests/support/hive_writer.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>

#include "platform/codepage.h"

namespace testing_support {
namespace {

struct Value {
  std::string name;
  std::uint32_t type = 0;
  std::string data;
  std::uint32_t offset = 0, dataOffset = 0;
};

struct Key {
  std::string name;
  std::vector<Value> values;
  std::vector<std::unique_ptr<Key>> children;
  std::uint32_t offset = 0, listOffset = 0, valueListOffset = 0, parent = 0;
  std::vector<std::uint32_t> leafOffsets;  // the lf lists under an ri list
};

std::unique_ptr<Key> Read(plat::IRegistry& reg, plat::HKey hive, const std::string& path, const std::string& name,
                          const std::string& exclude) {
  auto key = std::make_unique<Key>();
  key->name = name;
  plat::HKey h = 0;
  if (reg.OpenKeyEx(hive, path.c_str(), 0, plat::kKeyRead, &h) != 0) return key;
  // One pair of buffers for the whole walk (a key's values and children are
  // read before its children are walked): a megabyte zeroed for every key
  // made writing a large hive take minutes.
  static thread_local std::vector<char> n(16384);
  static thread_local std::vector<std::uint8_t> d(1 << 20);
  for (std::uint32_t i = 0;; ++i) {
    std::uint32_t nl = static_cast<std::uint32_t>(n.size()), type = 0, size = static_cast<std::uint32_t>(d.size());
    if (reg.EnumValue(h, i, n.data(), &nl, &type, d.data(), &size) != 0) break;
    key->values.push_back(Value{std::string(n.data(), nl), type, std::string(reinterpret_cast<char*>(d.data()), size)});
  }
  std::vector<std::string> children;
  for (std::uint32_t i = 0;; ++i) {
    std::uint32_t nl = static_cast<std::uint32_t>(n.size());
    if (reg.EnumKeyEx(h, i, n.data(), &nl) != 0) break;
    children.emplace_back(n.data(), nl);
  }
  reg.CloseKey(h);
  for (const auto& c : children) {
    const std::string child = path.empty() ? c : path + "\\" + c;
    if (!exclude.empty() && plat::NamesEqual(child, exclude)) continue;
    key->children.push_back(Read(reg, hive, child, c, exclude));
  }
  return key;
}

// A name as the hive stores it: ASCII as one byte a character (the
// "compressed" form), anything else as UTF-16LE.
std::string StoredName(const std::string& name) {
  if (plat::IsAscii(name)) return name;
  std::string out;
  for (char16_t c : plat::Utf16FromCp1252(name)) {
    out += static_cast<char>(c & 0xFF);
    out += static_cast<char>(c >> 8);
  }
  return out;
}

std::string StoredData(std::uint32_t type, const std::string& data) {
  if (type != plat::regtype::kSz && type != plat::regtype::kExpandSz && type != plat::regtype::kMultiSz) return data;
  std::string out;
  for (char16_t c : plat::Utf16FromCp1252(data)) {
    out += static_cast<char>(c & 0xFF);
    out += static_cast<char>(c >> 8);
  }
  return out;
}

class Cells {
 public:
  // Reserves a cell of `size` payload bytes (the 4-byte length included),
  // 8-byte aligned; returns its offset from the first hive bin.
  std::uint32_t Allocate(std::size_t payload) {
    const std::size_t size = (payload + 4 + 7) & ~std::size_t(7);
    const auto offset = static_cast<std::uint32_t>(0x20 + bytes_.size());
    bytes_.resize(bytes_.size() + size);
    Put32(offset, static_cast<std::uint32_t>(-static_cast<std::int32_t>(size)));
    return offset;
  }
  void Put16(std::uint32_t at, std::uint16_t v) { std::memcpy(&bytes_[at - 0x20], &v, 2); }
  void Put32(std::uint32_t at, std::uint32_t v) { std::memcpy(&bytes_[at - 0x20], &v, 4); }
  void PutBytes(std::uint32_t at, const std::string& s) {
    if (!s.empty()) std::memcpy(&bytes_[at - 0x20], s.data(), s.size());
  }
  std::vector<char>& bytes() { return bytes_; }

 private:
  std::vector<char> bytes_;
};

constexpr std::uint32_t kNone = 0xFFFFFFFFu;
constexpr std::size_t kMostInOneList = 32768;

void Layout(Key& key, std::uint32_t parent, Cells& cells, std::uint32_t sk) {
  const std::string stored = StoredName(key.name);
  key.parent = parent;
  key.offset = cells.Allocate(76 + stored.size());
  for (auto& v : key.values) {
    const std::string vname = StoredName(v.name);
    v.offset = cells.Allocate(20 + vname.size());
    const std::string data = StoredData(v.type, v.data);
    if (data.size() > 4) v.dataOffset = cells.Allocate(data.size());
  }
  key.valueListOffset = key.values.empty() ? kNone : cells.Allocate(4 * key.values.size());
  if (key.children.size() <= kMostInOneList) {
    key.listOffset = key.children.empty() ? kNone : cells.Allocate(4 + 8 * key.children.size());
  } else {
    // An lf list counts its entries in 16 bits: more children go in several
    // lf lists under an ri list, as Windows writes large keys.
    const std::size_t lists = (key.children.size() + kMostInOneList - 1) / kMostInOneList;
    key.listOffset = cells.Allocate(4 + 4 * lists);
    for (std::size_t i = 0; i < lists; ++i) {
      const std::size_t n = std::min(kMostInOneList, key.children.size() - i * kMostInOneList);
      key.leafOffsets.push_back(cells.Allocate(4 + 8 * n));
    }
  }
  for (auto& c : key.children) Layout(*c, key.offset, cells, sk);
  (void)sk;
}

void Fill(const Key& key, Cells& cells, std::uint32_t sk, bool root) {
  const std::string stored = StoredName(key.name);
  const std::uint32_t o = key.offset;
  cells.PutBytes(o + 4, "nk");
  cells.Put16(o + 6, static_cast<std::uint16_t>((root ? 0x2C : 0) | (plat::IsAscii(key.name) ? 0x20 : 0)));
  cells.Put32(o + 16, 0);
  cells.Put32(o + 20, root ? 0 : key.parent);
  cells.Put32(o + 24, static_cast<std::uint32_t>(key.children.size()));
  cells.Put32(o + 32, key.listOffset);
  cells.Put32(o + 36, kNone);
  cells.Put32(o + 40, static_cast<std::uint32_t>(key.values.size()));
  cells.Put32(o + 44, key.valueListOffset);
  cells.Put32(o + 48, sk);
  cells.Put32(o + 52, kNone);
  std::size_t maxChild = 0, maxValueName = 0, maxData = 0;
  for (const auto& c : key.children) maxChild = std::max(maxChild, c->name.size() * 2);
  for (const auto& v : key.values) {
    maxValueName = std::max(maxValueName, v.name.size() * 2);
    maxData = std::max(maxData, StoredData(v.type, v.data).size());
  }
  cells.Put32(o + 56, static_cast<std::uint32_t>(maxChild));
  cells.Put32(o + 64, static_cast<std::uint32_t>(maxValueName));
  cells.Put32(o + 68, static_cast<std::uint32_t>(maxData));
  cells.Put16(o + 76, static_cast<std::uint16_t>(stored.size()));
  cells.PutBytes(o + 80, stored);
  for (std::size_t i = 0; i < key.values.size(); ++i) {
    const Value& v = key.values[i];
    const std::string vname = StoredName(v.name);
    const std::string data = StoredData(v.type, v.data);
    cells.PutBytes(v.offset + 4, "vk");
    cells.Put16(v.offset + 6, static_cast<std::uint16_t>(vname.size()));
    if (data.size() <= 4) {
      cells.Put32(v.offset + 8, static_cast<std::uint32_t>(data.size()) | 0x80000000u);
      std::string inline4 = data;
      inline4.resize(4, '\0');
      cells.PutBytes(v.offset + 12, inline4);
    } else {
      cells.Put32(v.offset + 8, static_cast<std::uint32_t>(data.size()));
      cells.Put32(v.offset + 12, v.dataOffset);
      cells.PutBytes(v.dataOffset + 4, data);
    }
    cells.Put32(v.offset + 16, v.type);
    cells.Put16(v.offset + 20, plat::IsAscii(v.name) ? 1 : 0);
    cells.PutBytes(v.offset + 24, vname);
    cells.Put32(key.valueListOffset + 4 + 4 * static_cast<std::uint32_t>(i), v.offset);
  }
  auto fillLeaf = [&](std::uint32_t list, std::size_t first, std::size_t count) {
    cells.PutBytes(list + 4, "lf");
    cells.Put16(list + 6, static_cast<std::uint16_t>(count));
    for (std::size_t i = 0; i < count; ++i) {
      const Key& c = *key.children[first + i];
      const auto at = list + 8 + 8 * static_cast<std::uint32_t>(i);
      cells.Put32(at, c.offset);
      std::string hint = c.name.substr(0, 4);
      hint.resize(4, '\0');
      cells.PutBytes(at + 4, hint);
    }
  };
  if (!key.children.empty() && key.leafOffsets.empty()) {
    fillLeaf(key.listOffset, 0, key.children.size());
  } else if (!key.children.empty()) {
    cells.PutBytes(key.listOffset + 4, "ri");
    cells.Put16(key.listOffset + 6, static_cast<std::uint16_t>(key.leafOffsets.size()));
    for (std::size_t i = 0; i < key.leafOffsets.size(); ++i) {
      cells.Put32(key.listOffset + 8 + 4 * static_cast<std::uint32_t>(i), key.leafOffsets[i]);
      fillLeaf(key.leafOffsets[i], i * kMostInOneList,
               std::min(kMostInOneList, key.children.size() - i * kMostInOneList));
    }
  }
  for (const auto& c : key.children) Fill(*c, cells, sk, false);
}

}  // namespace

bool WriteHive(plat::IRegistry& registry, plat::HKey hive, const std::string& path, const std::string& hostFile,
               std::string& error, const std::string& exclude) {
  auto root = Read(registry, hive, path, "ROOT", exclude);
  Cells cells;
  // One security descriptor for every key: owner, group and lists absent.
  const std::string descriptor("\x01\x00\x04\x80\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0", 20);
  const std::uint32_t sk = cells.Allocate(20 + descriptor.size());
  Layout(*root, 0, cells, sk);
  cells.PutBytes(sk + 4, "sk");
  cells.Put32(sk + 8, sk);
  cells.Put32(sk + 12, sk);
  cells.Put32(sk + 16, 1u << 20);
  cells.Put32(sk + 20, static_cast<std::uint32_t>(descriptor.size()));
  cells.PutBytes(sk + 24, descriptor);
  Fill(*root, cells, sk, true);

  std::vector<char>& body = cells.bytes();
  const std::size_t binSize = ((0x20 + body.size() + 4095) / 4096) * 4096;
  const std::size_t freeBytes = binSize - 0x20 - body.size();
  std::vector<char> bin(binSize, 0);
  std::memcpy(bin.data(), "hbin", 4);
  const auto put32 = [](std::vector<char>& b, std::size_t at, std::uint32_t v) { std::memcpy(&b[at], &v, 4); };
  put32(bin, 8, static_cast<std::uint32_t>(binSize));
  std::memcpy(bin.data() + 0x20, body.data(), body.size());
  if (freeBytes >= 8) put32(bin, 0x20 + body.size(), static_cast<std::uint32_t>(freeBytes));

  std::vector<char> header(4096, 0);
  std::memcpy(header.data(), "regf", 4);
  put32(header, 4, 1);
  put32(header, 8, 1);
  put32(header, 20, 1);
  put32(header, 24, 3);
  put32(header, 32, 1);
  put32(header, 36, root->offset);
  put32(header, 40, static_cast<std::uint32_t>(binSize));
  put32(header, 44, 1);
  std::uint32_t sum = 0;
  for (int i = 0; i < 127; ++i) {
    std::uint32_t w;
    std::memcpy(&w, &header[4 * i], 4);
    sum ^= w;
  }
  put32(header, 508, sum);

  std::ofstream out(hostFile, std::ios::binary | std::ios::trunc);
  out.write(header.data(), static_cast<std::streamsize>(header.size()));
  out.write(bin.data(), static_cast<std::streamsize>(bin.size()));
  out.close();
  if (!out) {
    error = hostFile + ": cannot be written";
    return false;
  }
  return true;
}

}  // namespace testing_support

namespace testing_support {

bool WriteWindowsPartition(plat::IRegistry& registry, const std::string& driveDirectory, const std::string& root,
                           const std::string& user, std::string& error) {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::create_directories(root, ec);
  fs::copy(driveDirectory, root, fs::copy_options::recursive | fs::copy_options::overwrite_existing, ec);
  if (ec) {
    error = "copy: " + ec.message();
    return false;
  }
  const fs::path config = fs::path(root) / "WINDOWS" / "system32" / "config";
  fs::create_directories(config, ec);
  for (const char* name : {"SAM", "SECURITY", "SOFTWARE", "SYSTEM"}) {
    plat::HKey key = 0;
    if (registry.OpenKeyEx(plat::kLocalMachine, name, 0, plat::kKeyRead, &key) != 0) continue;
    registry.CloseKey(key);
    if (!WriteHive(registry, plat::kLocalMachine, name, (config / name).string(), error)) return false;
  }
  const fs::path profile = fs::path(root) / "Documents and Settings" / user;
  const fs::path classes = profile / "Local Settings" / "Application Data" / "Microsoft" / "Windows";
  fs::create_directories(classes, ec);
  if (!WriteHive(registry, plat::kCurrentUser, "", (profile / "NTUSER.DAT").string(), error, "Software\\Classes"))
    return false;
  return WriteHive(registry, plat::kCurrentUser, "Software\\Classes", (classes / "UsrClass.dat").string(), error);
}

}  // namespace testing_support
