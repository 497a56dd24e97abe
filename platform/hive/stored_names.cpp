#include "platform/hive/stored_names.h"

#include <cstdint>
#include <cstring>

#include "platform/hive/hive_bytes.h"

namespace plat::hive {
namespace {

// Where a record keeps its name, from the start of its cell (whose first
// four bytes are the cell's size, negative while in use).
struct Layout {
  char id[2];
  std::size_t lengthAt;     // the name's length in bytes, 16 bits
  std::size_t flagsAt;      // 16 bits of flags
  unsigned compressedFlag;  // set: a byte per unit
  std::size_t nameAt;
};

constexpr Layout kKey{{'n', 'k'}, 76, 6, 0x20, 80};
constexpr Layout kValue{{'v', 'k'}, 6, 20, 0x01, 24};

bool ReadName(std::string_view file, std::size_t cell, const Layout& layout, std::u16string& name) {
  if (cell >= file.size() || file.size() - cell < layout.nameAt) return false;
  const auto* p = reinterpret_cast<const unsigned char*>(file.data()) + cell;
  if (p[4] != static_cast<unsigned char>(layout.id[0]) || p[5] != static_cast<unsigned char>(layout.id[1]))
    return false;
  const std::size_t length = Le16(p + layout.lengthAt);
  if (layout.nameAt + length > CellLength(p) || file.size() - cell < layout.nameAt + length)
    return false;
  const unsigned char* stored = p + layout.nameAt;
  if (Le16(p + layout.flagsAt) & layout.compressedFlag) {
    // Checked, then widened, each in one pass the compiler can make many
    // bytes at a time (half a million names in a large hive).
    if (std::memchr(stored, 0, length)) return false;
    name.resize(length);
    for (std::size_t i = 0; i < length; ++i) name[i] = stored[i];
    return true;
  }
  if (length % 2) return false;
  name.resize(length / 2);
  for (std::size_t i = 0; i < name.size(); ++i) {
    const char16_t unit = static_cast<char16_t>(Le16(stored + 2 * i));
    if (unit == 0 || (unit >= 0xD800 && unit <= 0xDFFF)) return false;
    name[i] = unit;
  }
  return true;
}

}  // namespace

bool StoredNames::KeyName(hive_node_h node, std::u16string& name) const { return ReadName(file_, node, kKey, name); }

bool StoredNames::ValueName(hive_value_h value, std::u16string& name) const { return ReadName(file_, value, kValue, name); }

}  // namespace plat::hive
