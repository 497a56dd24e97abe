#include "platform/memory/unit_pool.h"

#include <atomic>
#include <cstdlib>
#include <mutex>
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
// room's address. Every chunk alive is in one list, so that a leak checker
// finds it from there and not only through the rooms inside it (the
// command-line program keeps its registry to the end, unfreed, on purpose).
struct UnitPool::Chunk {
  std::atomic<std::uint32_t> held;
  Chunk* previous = nullptr;
  Chunk* next = nullptr;
};

namespace {

constexpr std::size_t kHeaderBytes = 32;
static_assert(sizeof(UnitPool::Chunk) <= kHeaderBytes);

// Never destroyed: a tree may be freed while the process ends.
std::mutex& ChunksMutex() {
  static auto* mutex = new std::mutex;
  return *mutex;
}
UnitPool::Chunk* chunks = nullptr;

UnitPool::Chunk* NewChunk() {
  void* memory = std::aligned_alloc(kChunkBytes, kChunkBytes);
  if (!memory) return nullptr;
  auto* chunk = new (memory) UnitPool::Chunk{kHeldByPool};
  std::lock_guard lock(ChunksMutex());
  chunk->next = chunks;
  if (chunks) chunks->previous = chunk;
  chunks = chunk;
  return chunk;
}

void FreeChunk(UnitPool::Chunk* chunk) {
  {
    std::lock_guard lock(ChunksMutex());
    if (chunk->previous) chunk->previous->next = chunk->next;
    else chunks = chunk->next;
    if (chunk->next) chunk->next->previous = chunk->previous;
  }
  chunk->~Chunk();
  std::free(chunk);
}

}  // namespace

UnitPool::~UnitPool() { LetGo(); }

void UnitPool::LetGo() {
  if (!chunk_) return;
  const std::uint32_t release = kHeldByPool - taken_;
  if (chunk_->held.fetch_sub(release, std::memory_order_acq_rel) == release) FreeChunk(chunk_);
  chunk_ = nullptr;
}

char16_t* UnitPool::Take(std::size_t units) {
  const std::size_t bytes = units * sizeof(char16_t);
  if (bytes == 0 || bytes > (kChunkBytes - kHeaderBytes) / 4) return nullptr;
  if (!chunk_ || used_ + bytes > kChunkBytes || taken_ + 1 >= kHeldByPool) {
    LetGo();
    chunk_ = NewChunk();
    if (!chunk_) return nullptr;
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
  if (chunk->held.fetch_sub(1, std::memory_order_acq_rel) == 1) FreeChunk(chunk);
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
