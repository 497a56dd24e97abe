// Numbers as a hive file and its logs store them: little-endian, whatever
// the host. And a cell's length from its size field, which is negative while
// the cell is in use.
#pragma once

#include <cstdint>

namespace plat::hive {

inline unsigned Le16(const unsigned char* p) { return p[0] | (p[1] << 8); }

inline std::uint32_t Le32(const unsigned char* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

inline bool CellInUse(const unsigned char* cell) { return static_cast<std::int32_t>(Le32(cell)) < 0; }

inline std::uint64_t CellLength(const unsigned char* cell) {
  const auto size = static_cast<std::int32_t>(Le32(cell));
  return size < 0 ? static_cast<std::uint64_t>(-static_cast<std::int64_t>(size)) : static_cast<std::uint64_t>(size);
}

}  // namespace plat::hive
