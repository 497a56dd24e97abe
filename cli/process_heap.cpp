#include "cli/process_heap.h"

#include <cstddef>  // before the test below: it defines __GLIBC__

#if defined(__GLIBC__) && defined(__linux__)
#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>
#endif

namespace cli {

void SetUpProcessHeap() {
#if defined(__GLIBC__) && defined(__linux__)
  // One heap for every thread: the image is read on this thread and the job
  // runs on another, and with a heap each, what reading the image freed was
  // never reused by the job (a megabyte more at the peak of a scan).
  mallopt(M_ARENA_MAX, 1);

  // The tree of an image is a few hundred thousand small blocks. Each new
  // 4 KB page of the heap costs a fault when first touched, and in a virtual
  // machine the faults cost more than reading the hive: a 40 MB hive took
  // 17,000 of them, a third of the scan's time. So the heap is grown here at
  // once, in pieces small enough to come from it, given back (kept, not
  // returned to the system) and marked for huge pages: it is then faulted
  // 2 MB at a time. What the image never uses is never touched and costs no
  // memory. Beyond it the heap grows as usual; where the system has no huge
  // pages the mark does nothing. (Under a checker that replaces malloc the
  // heap does not grow here, and nothing is marked.)
  constexpr std::size_t kPiece = 16u << 20;
  std::size_t reserve = 256u << 20;
  const long pages = sysconf(_SC_PHYS_PAGES);
  const long pageSize = sysconf(_SC_PAGESIZE);
  if (pages > 0 && pageSize > 0)
    reserve = std::min(reserve, static_cast<std::size_t>(pages) * static_cast<std::size_t>(pageSize) / 4);
  mallopt(M_TRIM_THRESHOLD, static_cast<int>(reserve * 2));
  mallopt(M_MMAP_THRESHOLD, static_cast<int>(kPiece * 2));
  const auto begin = reinterpret_cast<std::uintptr_t>(sbrk(0));
  std::vector<void*> pieces;
  pieces.reserve(reserve / kPiece);
  for (std::size_t got = 0; got < reserve; got += kPiece) {
    void* piece = std::malloc(kPiece);
    if (!piece) break;
    pieces.push_back(piece);
    if (reinterpret_cast<std::uintptr_t>(sbrk(0)) == begin) break;  // not from this heap
  }
  const auto end = reinterpret_cast<std::uintptr_t>(sbrk(0));
  for (void* piece : pieces) std::free(piece);
  // Blocks of 128 KB and more come from mappings of their own again (the
  // threshold glibc starts with; it no longer rises by itself).
  mallopt(M_MMAP_THRESHOLD, 128 * 1024);
  constexpr std::uintptr_t kHugePage = 2u << 20;
  const std::uintptr_t from = (begin + kHugePage - 1) & ~(kHugePage - 1);
  const std::uintptr_t to = end & ~(kHugePage - 1);
  if (to > from) madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
#endif
}

}  // namespace cli
