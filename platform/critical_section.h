// A recursive lock that knows how often its owner has entered it (the Windows critical section).
#pragma once

#include <atomic>
#include <mutex>
#include <thread>

namespace platform {

class CriticalSection {
 public:
  void Enter();
  void Leave();
  bool TryEnter();
  // How many times the owning thread has entered and not yet left (0 when free).
  int EnteredCount() const { return count_.load(std::memory_order_relaxed); }
  // Whether the calling thread holds the lock.
  bool HeldByCurrentThread() const;

 private:
  std::recursive_mutex mutex_;
  std::atomic<int> count_{0};
  std::atomic<std::thread::id> owner_{};
};

// Enters on construction, leaves on destruction.
class CriticalSectionLock {
 public:
  explicit CriticalSectionLock(CriticalSection& cs) : cs_(cs) { cs_.Enter(); }
  ~CriticalSectionLock() { cs_.Leave(); }
  CriticalSectionLock(const CriticalSectionLock&) = delete;
  CriticalSectionLock& operator=(const CriticalSectionLock&) = delete;

 private:
  CriticalSection& cs_;
};

}  // namespace platform
