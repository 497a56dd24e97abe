#include "platform/memory/child_table.h"

#include <algorithm>
#include <bit>

#include "platform/codepage.h"
#include "platform/memory/registry_node.h"

namespace plat::memory {

namespace {

// Of the upper-cased name, upper-casing as it reads.
std::uint32_t HashOf(std::u16string_view name) {
  std::uint64_t h = 0xcbf29ce484222325ull;
  for (const char16_t c : name) h = (h ^ UpcaseUnicode(c)) * 0x100000001b3ull;
  return static_cast<std::uint32_t>(h ^ (h >> 32));
}

constexpr std::uint64_t kPositionMask = 0xffffffffull;

std::uint64_t Entry(std::uint32_t hash, std::size_t position) {
  return (std::uint64_t{hash} << 32) | (static_cast<std::uint64_t>(position) + 1);
}

}  // namespace

ChildTable::ChildTable(const ChildList& children) {
  // Half full at most: a probe then reads about two slots.
  const std::size_t capacity = std::bit_ceil(std::max<std::size_t>(16, children.size() * 2));
  slots_.assign(capacity, 0);
  shift_ = 64 - std::countr_zero(capacity);
  for (std::size_t i = 0; i < children.size(); ++i)
    if (!children[i]->detached) Insert(children[i]->wide, i);
}

std::size_t ChildTable::Home(std::uint32_t hash) const {
  return static_cast<std::size_t>((hash * 0x9e3779b97f4a7c15ull) >> shift_);
}

std::size_t ChildTable::Slot(std::u16string_view name, std::uint32_t hash, const ChildList& children) const {
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t i = Home(hash);; i = (i + 1) & mask) {
    const std::uint64_t entry = slots_[i];
    if (!entry) return kNotFound;
    if ((entry >> 32) == hash && EqualFolded(children[(entry & kPositionMask) - 1]->wide, name)) return i;
  }
}

std::size_t ChildTable::Find(std::u16string_view name, const ChildList& children) const {
  const std::size_t slot = Slot(name, HashOf(name), children);
  return slot == kNotFound ? kNotFound : (slots_[slot] & kPositionMask) - 1;
}

void ChildTable::Insert(std::u16string_view name, std::size_t position) {
  if ((used_ + 1) * 2 > slots_.size()) Grow();
  const std::uint32_t hash = HashOf(name);
  const std::size_t mask = slots_.size() - 1;
  std::size_t i = Home(hash);
  while (slots_[i]) i = (i + 1) & mask;
  slots_[i] = Entry(hash, position);
  ++used_;
}

void ChildTable::Grow() {
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

void ChildTable::Erase(std::u16string_view name, const ChildList& children) {
  std::size_t hole = Slot(name, HashOf(name), children);
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

}  // namespace plat::memory
