// Positions of a long list of a key's children by folded name (the class
// ids: 60,000 subkeys of one key). Open addressing: each slot holds the
// name's hash beside its position, so a probe compares a name only when the
// hashes agree, and looking a name up reads one slot array instead of
// following a pointer per entry as a node-based table does.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace plat::memory {

struct RegNode;
using ChildList = std::vector<std::shared_ptr<RegNode>>;

class ChildTable {
 public:
  static constexpr std::size_t kNotFound = ~std::size_t{0};

  // Indexes every child not marked removed.
  explicit ChildTable(const ChildList& children);
  // Names are given as stored or upper-cased: they are upper-cased as they
  // are hashed and compared.
  std::size_t Find(std::u16string_view name, const ChildList& children) const;
  // The name must not be in the table yet.
  void Insert(std::u16string_view name, std::size_t position);
  void Erase(std::u16string_view name, const ChildList& children);

 private:
  std::size_t Home(std::uint32_t hash) const;
  std::size_t Slot(std::u16string_view name, std::uint32_t hash, const ChildList& children) const;
  void Grow();

  // (hash << 32) | (position + 1); 0 is an empty slot.
  std::vector<std::uint64_t> slots_;
  std::size_t used_ = 0;
  unsigned shift_ = 0;  // 64 minus the number of bits of a slot's index
};

}  // namespace plat::memory
