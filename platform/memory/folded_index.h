// Positions of a long list of names by folded name: a key's children (the
// class ids: 60,000 subkeys of one key), a directory's files (system32:
// thousands). Open addressing: each slot holds the name's hash beside its
// position, so a probe compares a name only when the hashes agree, and a
// look-up reads one slot array instead of following a pointer per entry as
// a node-based table does (which also cost 56 bytes a name).
//
// The index keeps no names: the caller's `NameAt(position)` gives the name
// at a position, as stored or upper-cased (names are upper-cased as they are
// hashed and compared).
#pragma once

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/codepage.h"

namespace plat::memory {

// Names as Windows compares them: each unit upper-cased as it is read, so
// either side may be given as stored or upper-cased already.
int CompareFolded(std::u16string_view a, std::u16string_view b);
bool EqualFolded(std::u16string_view a, std::u16string_view b);
// A name as stored against one as the A calls give it (a unit per byte), so
// that a walk need not convert the name for a key with few subkeys.
bool EqualFoldedCp1252(std::u16string_view stored, std::string_view name);

class FoldedIndex {
 public:
  static constexpr std::size_t kNotFound = ~std::size_t{0};

  // Room for `count` names before it first grows.
  explicit FoldedIndex(std::size_t count = 0) {
    // Half full at most: a probe then reads about two slots.
    const std::size_t capacity = std::bit_ceil(std::max<std::size_t>(16, count * 2));
    slots_.assign(capacity, 0);
    shift_ = 64 - std::countr_zero(capacity);
  }

  template <typename NameAt>
  std::size_t Find(std::u16string_view name, const NameAt& nameAt) const {
    const std::size_t slot = Slot(name, HashOf(name), nameAt);
    return slot == kNotFound ? kNotFound : (slots_[slot] & kPositionMask) - 1;
  }

  // The name must not be in the index yet.
  void Insert(std::u16string_view name, std::size_t position) {
    if ((used_ + 1) * 2 > slots_.size()) Grow();
    const std::uint32_t hash = HashOf(name);
    const std::size_t mask = slots_.size() - 1;
    std::size_t i = Home(hash);
    while (slots_[i]) i = (i + 1) & mask;
    slots_[i] = (std::uint64_t{hash} << 32) | (static_cast<std::uint64_t>(position) + 1);
    ++used_;
  }

  template <typename NameAt>
  void Erase(std::u16string_view name, const NameAt& nameAt) {
    std::size_t hole = Slot(name, HashOf(name), nameAt);
    if (hole == kNotFound) return;
    // Entries after the hole that would no longer be reached from their home
    // slot move back into it (no markers left behind to slow later probes).
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t j = (hole + 1) & mask; slots_[j]; j = (j + 1) & mask) {
      const std::size_t home = Home(static_cast<std::uint32_t>(slots_[j] >> 32));
      const bool reachable = hole <= j ? (hole < home && home <= j) : (hole < home || home <= j);
      if (reachable) continue;
      slots_[hole] = slots_[j];
      hole = j;
    }
    slots_[hole] = 0;
    --used_;
  }

 private:
  static constexpr std::uint64_t kPositionMask = 0xffffffffull;

  // Of the upper-cased name, upper-casing as it reads.
  static std::uint32_t HashOf(std::u16string_view name) {
    std::uint64_t h = 0xcbf29ce484222325ull;
    for (const char16_t c : name) h = (h ^ UpcaseUnicode(c)) * 0x100000001b3ull;
    return static_cast<std::uint32_t>(h ^ (h >> 32));
  }

  std::size_t Home(std::uint32_t hash) const {
    return static_cast<std::size_t>((hash * 0x9e3779b97f4a7c15ull) >> shift_);
  }

  template <typename NameAt>
  std::size_t Slot(std::u16string_view name, std::uint32_t hash, const NameAt& nameAt) const {
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = Home(hash);; i = (i + 1) & mask) {
      const std::uint64_t entry = slots_[i];
      if (!entry) return kNotFound;
      if ((entry >> 32) == hash && EqualFolded(nameAt((entry & kPositionMask) - 1), name)) return i;
    }
  }

  void Grow() {
    std::vector<std::uint64_t> old(slots_.size() * 2, 0);
    old.swap(slots_);
    --shift_;
    const std::size_t mask = slots_.size() - 1;
    for (const std::uint64_t entry : old) {
      if (!entry) continue;
      std::size_t i = Home(static_cast<std::uint32_t>(entry >> 32));
      while (slots_[i]) i = (i + 1) & mask;
      slots_[i] = entry;
    }
  }

  // (hash << 32) | (position + 1); 0 is an empty slot.
  std::vector<std::uint64_t> slots_;
  std::size_t used_ = 0;
  unsigned shift_ = 0;  // 64 minus the number of bits of a slot's index
};

}  // namespace plat::memory
