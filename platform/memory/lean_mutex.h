// A mutex whose uncontended lock and unlock are one atomic instruction each,
// inline. The in-memory registry takes its lock for every call, a million
// and a half in one scan of a large hive, nearly always with no other
// thread waiting: the general mutex's checks of its kind and owner cost a
// twentieth of such a scan. A thread that finds the lock taken sleeps until
// it is given back (the three-state futex mutex: free, taken, taken with
// sleepers), so a long hold by one thread costs the others no CPU.
#pragma once

#include <atomic>

namespace plat::memory {

class LeanMutex {
 public:
  LeanMutex() = default;
  LeanMutex(const LeanMutex&) = delete;
  LeanMutex& operator=(const LeanMutex&) = delete;

  void lock() {
    int expected = kFree;
    if (state_.compare_exchange_strong(expected, kTaken, std::memory_order_acquire, std::memory_order_relaxed)) return;
    // Marked as having sleepers before sleeping, so that the unlock that
    // frees it wakes one; a thread that takes it so keeps the mark, which
    // costs at most one wake-up too many.
    while (state_.exchange(kSleepers, std::memory_order_acquire) != kFree) state_.wait(kSleepers, std::memory_order_relaxed);
  }

  void unlock() {
    if (state_.exchange(kFree, std::memory_order_release) == kSleepers) state_.notify_one();
  }

 private:
  static constexpr int kFree = 0;
  static constexpr int kTaken = 1;
  static constexpr int kSleepers = 2;
  std::atomic<int> state_{kFree};
};

}  // namespace plat::memory
