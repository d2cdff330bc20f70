// A lock for a few instructions of work that threads seldom contend for
// (the result pool, the kept detail lines): taking it costs one atomic
// exchange, and a waiter spins rather than sleeps. Use with std::lock_guard.
#pragma once

#include <atomic>

class SpinLock {
 public:
  void lock() {
    while (flag_.test_and_set(std::memory_order_acquire)) {
    }
  }
  void unlock() { flag_.clear(std::memory_order_release); }

 private:
  std::atomic_flag flag_ = ATOMIC_FLAG_INIT;
};
