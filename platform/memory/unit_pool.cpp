#include "platform/memory/unit_pool.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace plat::memory {

namespace {

constexpr std::size_t kChunkBytes = 64 * 1024;
// Counted for the pool while it still takes room from a chunk, so that room
// given back meanwhile never frees it; the pool takes this off when it moves
// on, less what it took.
constexpr std::uint32_t kHeldByPool = 1u << 31;

}  // namespace

// Chunks are aligned to their size: the chunk of any room is found from the
// room's address.
struct UnitPool::Chunk {
  std::atomic<std::uint32_t> held;
};

constexpr std::size_t kHeaderBytes = 16;
static_assert(sizeof(std::atomic<std::uint32_t>) <= kHeaderBytes);

UnitPool::~UnitPool() { LetGo(); }

void UnitPool::LetGo() {
  if (!chunk_) return;
  const std::uint32_t release = kHeldByPool - taken_;
  if (chunk_->held.fetch_sub(release, std::memory_order_acq_rel) == release) {
    chunk_->~Chunk();
    std::free(chunk_);
  }
  chunk_ = nullptr;
}

char16_t* UnitPool::Take(std::size_t units) {
  const std::size_t bytes = units * sizeof(char16_t);
  if (bytes == 0 || bytes > (kChunkBytes - kHeaderBytes) / 4) return nullptr;
  if (!chunk_ || used_ + bytes > kChunkBytes || taken_ + 1 >= kHeldByPool) {
    LetGo();
    void* memory = std::aligned_alloc(kChunkBytes, kChunkBytes);
    if (!memory) return nullptr;
    chunk_ = new (memory) Chunk{kHeldByPool};
    used_ = kHeaderBytes;
    taken_ = 0;
  }
  char16_t* room = reinterpret_cast<char16_t*>(reinterpret_cast<char*>(chunk_) + used_);
  used_ += bytes;
  ++taken_;
  return room;
}

void UnitPool::Give(char16_t* units) {
  auto* chunk = reinterpret_cast<Chunk*>(reinterpret_cast<std::uintptr_t>(units) & ~(kChunkBytes - 1));
  if (chunk->held.fetch_sub(1, std::memory_order_acq_rel) == 1) {
    chunk->~Chunk();
    std::free(chunk);
  }
}

Units::Units(std::size_t count, UnitPool* pool) {
  if (count == 0) return;
  if (char16_t* room = pool ? pool->Take(count) : nullptr) {
    bits_ = reinterpret_cast<std::uintptr_t>(room) | kPooled;
    return;
  }
  bits_ = reinterpret_cast<std::uintptr_t>(new char16_t[count]);
}

Units::~Units() {
  if (bits_ & kPooled) UnitPool::Give(get());
  else delete[] get();
}

Units& Units::operator=(Units&& other) noexcept {
  if (this != &other) {
    Units gone(std::move(*this));
    bits_ = other.bits_;
    other.bits_ = 0;
  }
  return *this;
}

}  // namespace plat::memory
