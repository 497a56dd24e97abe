#include "tests/support/registry_generator.h"

namespace testing_support {
namespace {

// Characters that the backup's format must escape, quote around or carry
// as they are; the key names leave out the backslash, which separates them.
constexpr char kHard[] = {'"', '\\', '[', ']', '=', ';', '@', '-', ' ', '?', '\'', '%', ','};

}  // namespace

std::string RegistryGenerator::HardText(std::size_t length, bool keyName) {
  std::string out;
  for (std::size_t i = 0; i < length; ++i) {
    const std::size_t kind = Pick(10);
    char c;
    if (kind < 5) c = static_cast<char>('a' + Pick(26));
    else if (kind < 7) c = kHard[Pick(sizeof kHard)];
    else if (kind < 9) c = static_cast<char>(0x80 + Pick(0x80));
    else c = Chance(50) ? '\r' : '\n';
    if (keyName && c == '\\') c = '_';
    if (c == '\r' || c == '\n') {
      if (!Chance(15)) c = 'x';  // line ends are rare, but present
    }
    out += c;
  }
  return out;
}

std::string RegistryGenerator::KeyName() {
  if (Chance(40)) return "Key" + std::to_string(Pick(1000));
  return HardText(1 + Pick(Chance(5) ? 255 : 12), true);
}

std::string RegistryGenerator::ValueName() {
  if (Chance(10)) return "";
  if (Chance(4)) return HardText(4090 + Pick(2000), false);  // beyond the 4,096-byte listing buffer
  if (Chance(40)) return "v" + std::to_string(Pick(1000));
  return HardText(1 + Pick(16), false);
}

void RegistryGenerator::Value(std::uint32_t& type, std::string& data) {
  static constexpr std::string_view kPlain = "C:\\Program Files\\app.exe 0123";
  static constexpr std::uint32_t kOddTypes[] = {12, 0x7F, 0x12345678, 0xFFFF0001, 0xFFFFFFFF};
  type = Chance(90) ? static_cast<std::uint32_t>(Pick(12)) : kOddTypes[Pick(std::size(kOddTypes))];
  static constexpr std::size_t kSizes[] = {0, 1, 2, 3, 4, 7, 255, 4095, 4096, 4097, 5000, 100000};
  std::size_t size = Chance(70) ? Pick(40) : kSizes[Pick(std::size(kSizes))];
  if (Chance(5)) size = 100000;
  data.clear();
  if (type == plat::regtype::kSz || type == plat::regtype::kExpandSz) {
    switch (Pick(7)) {
      case 0: data = ""; break;                                  // zero bytes
      case 1: data = HardText(size, false); break;               // no terminator
      case 2: data = HardText(size, false) + '\0' + "tail" + '\0'; break;  // a zero inside
      case 3:  // plain ASCII, as nearly every string of a real machine
        for (std::size_t i = 0; i < size; ++i) data += kPlain[Pick(kPlain.size())];
        data += '\0';
        break;
      default: data = HardText(size, false) + '\0'; break;        // ordinary text
    }
    return;
  }
  if (type == plat::regtype::kDword && Chance(80)) size = 4;
  for (std::size_t i = 0; i < size; ++i) data += static_cast<char>(Pick(256));
}

void RegistryGenerator::FillKey(plat::IRegistry& registry, plat::HKey hive, const std::string& path, int depth,
                                GeneratedTree& tree) {
  plat::HKey key = 0;
  if (registry.CreateKeyEx(hive, path.c_str(), &key) != plat::err::kSuccess) return;
  const std::size_t values = Pick(depth == 0 ? 6 : 5);
  for (std::size_t i = 0; i < values; ++i) {
    const std::string name = ValueName();
    std::uint32_t type = 0;
    std::string data;
    Value(type, data);
    if (registry.SetValueEx(key, name.c_str(), type, reinterpret_cast<const std::uint8_t*>(data.data()),
                            static_cast<std::uint32_t>(data.size())) == plat::err::kSuccess)
      tree.values.push_back({path, name});
  }
  registry.CloseKey(key);
  if (depth >= 4 && !Chance(10)) return;
  const std::size_t children = depth >= 8 ? 0 : Pick(depth == 0 ? 6 : 4);
  for (std::size_t i = 0; i < children; ++i) {
    const std::string name = KeyName();
    const std::string child = path + "\\" + name;
    tree.keys.push_back(child);
    FillKey(registry, hive, child, depth + 1, tree);
    // A twin whose name has blanks where the other has line ends: the
    // name a filed record shows for both.
    if (name.find_first_of("\r\n") != std::string::npos && Chance(50)) {
      std::string twin = name;
      for (auto& c : twin)
        if (c == '\r' || c == '\n') c = ' ';
      tree.keys.push_back(path + "\\" + twin);
      FillKey(registry, hive, path + "\\" + twin, depth + 2, tree);
    }
  }
}

void RegistryGenerator::Fill(plat::IRegistry& registry, plat::HKey hive, const std::string& root,
                             GeneratedTree& tree) {
  FillKey(registry, hive, root, 0, tree);
}

}  // namespace testing_support
