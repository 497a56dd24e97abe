// A run of UTF-16 units and a run of bytes kept in one block behind 16
// bytes: a value's name and data, a listed file's folded and host names, a
// key's name (no bytes). Two strings cost 64 bytes and up to two blocks of
// their own, and a hive or system32 holds hundreds of thousands of them.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>

namespace plat::memory {

class UnitsAndBytes {
 public:
  UnitsAndBytes() = default;
  UnitsAndBytes(std::u16string_view units, std::string_view bytes)
      : block_(units.empty() && bytes.empty()
                   ? nullptr
                   : std::make_unique_for_overwrite<char16_t[]>(units.size() + (bytes.size() + 1) / 2)),
        units_(static_cast<std::uint32_t>(units.size())),
        bytes_(static_cast<std::uint32_t>(bytes.size())) {
    if (!block_) return;
    std::copy(units.begin(), units.end(), block_.get());
    std::memcpy(block_.get() + units.size(), bytes.data(), bytes.size());
  }

  std::u16string_view Units() const { return {block_.get(), units_}; }
  std::string_view Bytes() const { return {reinterpret_cast<const char*>(block_.get() + units_), bytes_}; }

 private:
  std::unique_ptr<char16_t[]> block_;  // the units, then the bytes
  std::uint32_t units_ = 0;
  std::uint32_t bytes_ = 0;
};

}  // namespace plat::memory
