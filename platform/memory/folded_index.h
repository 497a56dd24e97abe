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
#include <cstring>
#include <string_view>
#include <vector>

#include "platform/codepage.h"

namespace plat::memory {

// How many units two texts share from their start, compared eight bytes at
// a time (names and paths compared often share a long prefix: class ids,
// the path a walk took last).
template <typename Char>
std::size_t SharedPrefix(std::basic_string_view<Char> a, std::basic_string_view<Char> b) {
  constexpr std::size_t kPerWord = 8 / sizeof(Char);
  const std::size_t n = std::min(a.size(), b.size());
  std::size_t i = 0;
  for (; i + kPerWord <= n; i += kPerWord) {
    std::uint64_t x, y;
    std::memcpy(&x, a.data() + i, sizeof x);
    std::memcpy(&y, b.data() + i, sizeof y);
    if (x != y) {
      static_assert(std::endian::native == std::endian::little);
      return i + static_cast<std::size_t>(std::countr_zero(x ^ y)) / 8 / sizeof(Char);
    }
  }
  while (i < n && a[i] == b[i]) ++i;
  return i;
}

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
    return PositionIn(Slot(name, HashOf(name), nameAt));
  }

  // The same for a name as the A calls give it, neither converted nor
  // upper-cased first: `isNameAt(position)` says whether the name at a
  // position is it.
  template <typename IsNameAt>
  std::size_t FindCp1252(std::string_view name, const IsNameAt& isNameAt) const {
    return PositionIn(SlotWhere(HashOfCp1252(name), isNameAt));
  }

  // The name must not be in the index yet.
  void Insert(std::u16string_view name, std::size_t position) { Place(HashOf(name), position); }

  // Inserts the name unless one that folds alike is in already, so that of
  // such names (a directory or a hive may hold them) the first inserted is
  // the one found; false when one was.
  template <typename NameAt>
  bool InsertFirst(std::u16string_view name, std::size_t position, const NameAt& nameAt) {
    const std::uint32_t hash = HashOf(name);
    if (Slot(name, hash, nameAt) != kNotFound) return false;
    Place(hash, position);
    return true;
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

  // Of the upper-cased name, upper-casing as it reads: its units four at a
  // time, packed into a word each (names looked up are mostly class ids,
  // 38 units long). A name as stored and one as the A calls give it hash
  // alike when they are the same name.
  static std::uint32_t HashOf(std::u16string_view name) {
    const auto unitAt = [name](std::size_t i) { return UpcaseUnicode(name[i]); };
    return Hash(name.size(), unitAt, [&](std::size_t i) {
      std::uint64_t word;
      std::memcpy(&word, name.data() + i, sizeof word);
      static_assert(std::endian::native == std::endian::little);
      return word & 0xFF80FF80FF80FF80ull ? Packed(i, unitAt) : UpcaseAsciiUnits(word);
    });
  }
  static std::uint32_t HashOfCp1252(std::string_view name) {
    const auto unitAt = [name](std::size_t i) { return UnitOfCp1252(name[i]); };
    return Hash(name.size(), unitAt, [&](std::size_t i) {
      std::uint32_t bytes;
      std::memcpy(&bytes, name.data() + i, sizeof bytes);
      if (bytes & 0x80808080u) return Packed(i, unitAt);
      // The four bytes spread to a unit each, then upper-cased together.
      return UpcaseAsciiUnits((bytes & 0xFFull) | (bytes & 0xFF00ull) << 8 | (bytes & 0xFF0000ull) << 16 |
                              (std::uint64_t{bytes} & 0xFF000000ull) << 24);
    });
  }

 private:
  static constexpr std::uint64_t kPositionMask = 0xffffffffull;

  static char16_t UnitOfCp1252(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return UpcaseUnicode(byte < 0x80 ? byte : UnicodeFromCp1252(byte));
  }
  // Four ASCII units at once: those from 'a' to 'z' lose 0x20.
  static std::uint64_t UpcaseAsciiUnits(std::uint64_t word) {
    const std::uint64_t fromA = word + 0x001F001F001F001Full;  // bit 7 set from 'a' (0x61) up
    const std::uint64_t pastZ = word + 0x0005000500050005ull;  // bit 7 set from '{' (0x7B) up
    return word - (((fromA & ~pastZ) & 0x0080008000800080ull) >> 2);
  }
  // Up to four upper-cased units from `first`, packed into a word.
  template <typename UnitAt>
  static std::uint64_t Packed(std::size_t first, const UnitAt& unitAt, std::size_t count = 4) {
    std::uint64_t word = 0;
    for (std::size_t k = 0; k < count; ++k) word |= std::uint64_t{unitAt(first + k)} << (16 * k);
    return word;
  }
  // `size` units, whole words from `wordAt(i)`, the last few from `unitAt`.
  template <typename UnitAt, typename WordAt>
  static std::uint32_t Hash(std::size_t size, const UnitAt& unitAt, const WordAt& wordAt) {
    std::uint64_t h = size;
    std::size_t i = 0;
    for (; i + 4 <= size; i += 4) h = Mix(h, wordAt(i));
    return Finish(h, Packed(i, unitAt, size - i));
  }
  static std::uint64_t Mix(std::uint64_t h, std::uint64_t word) {
    h = (h ^ word) * 0x9E3779B97F4A7C15ull;
    return h ^ (h >> 29);
  }
  static std::uint32_t Finish(std::uint64_t h, std::uint64_t tail) {
    h = Mix(h, tail) * 0xBF58476D1CE4E5B9ull;
    return static_cast<std::uint32_t>(h ^ (h >> 32));
  }

  std::size_t Home(std::uint32_t hash) const {
    return static_cast<std::size_t>((hash * 0x9e3779b97f4a7c15ull) >> shift_);
  }

  template <typename NameAt>
  std::size_t Slot(std::u16string_view name, std::uint32_t hash, const NameAt& nameAt) const {
    return SlotWhere(hash, [&](std::size_t position) { return EqualFolded(nameAt(position), name); });
  }
  void Place(std::uint32_t hash, std::size_t position) {
    if ((used_ + 1) * 2 > slots_.size()) Grow();
    const std::size_t mask = slots_.size() - 1;
    std::size_t i = Home(hash);
    while (slots_[i]) i = (i + 1) & mask;
    slots_[i] = (std::uint64_t{hash} << 32) | (static_cast<std::uint64_t>(position) + 1);
    ++used_;
  }
  // The slot of the entry with that hash whose position `isNameAt` accepts,
  // or kNotFound.
  template <typename IsNameAt>
  std::size_t SlotWhere(std::uint32_t hash, const IsNameAt& isNameAt) const {
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = Home(hash);; i = (i + 1) & mask) {
      const std::uint64_t entry = slots_[i];
      if (!entry) return kNotFound;
      if ((entry >> 32) == hash && isNameAt((entry & kPositionMask) - 1)) return i;
    }
  }
  std::size_t PositionIn(std::size_t slot) const {
    return slot == kNotFound ? kNotFound : (slots_[slot] & kPositionMask) - 1;
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
