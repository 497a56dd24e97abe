// Room for the names and values read from a hive, taken from chunks of
// 64 KiB instead of one heap block each: a hive of 200,000 keys holds half a
// million of them, and a heap block costs 16 bytes beside what it holds and
// a call into the allocator, first-touched memory being what a scan pays
// most for after reading the file. A chunk is freed when the last room taken
// from it is given back, from whichever thread.
#pragma once

#include <cstddef>
#include <cstdint>

namespace plat::memory {

class UnitPool {
 public:
  UnitPool() = default;
  ~UnitPool();
  UnitPool(const UnitPool&) = delete;
  UnitPool& operator=(const UnitPool&) = delete;

  // Room for `units` units that stays until Give, or null for more than a
  // chunk takes at once (the caller then uses the heap).
  char16_t* Take(std::size_t units);
  // Gives back room that Take gave.
  static void Give(char16_t* units);

  struct Chunk;

 private:
  void LetGo();
  Chunk* chunk_ = nullptr;
  std::size_t used_ = 0;     // bytes of the chunk given out, its header included
  std::uint32_t taken_ = 0;  // times room was taken from it
};

// A block of units from a pool or from the heap, given back to the one it
// came from: in the pool's chunks the lowest bit of its address (units are
// two bytes, so never odd) says which, and the block costs no more than the
// pointer it replaces.
class Units {
 public:
  Units() = default;
  // Room for `count` units, not cleared: from `pool` when there is one and
  // it has the room, from the heap otherwise; none for no units.
  Units(std::size_t count, UnitPool* pool);
  ~Units();
  Units(Units&& other) noexcept : bits_(other.bits_) { other.bits_ = 0; }
  Units& operator=(Units&& other) noexcept;
  Units(const Units&) = delete;
  Units& operator=(const Units&) = delete;

  char16_t* get() const { return reinterpret_cast<char16_t*>(bits_ & ~kPooled); }

 private:
  static constexpr std::uintptr_t kPooled = 1;
  std::uintptr_t bits_ = 0;
};

}  // namespace plat::memory
