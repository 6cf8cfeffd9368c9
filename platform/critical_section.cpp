// The recursive lock with an entered count.
#include "platform/critical_section.h"

namespace platform {

void CriticalSection::Enter() {
  mutex_.lock();
  owner_.store(std::this_thread::get_id(), std::memory_order_relaxed);
  count_.fetch_add(1, std::memory_order_relaxed);
}

bool CriticalSection::TryEnter() {
  if (!mutex_.try_lock()) return false;
  owner_.store(std::this_thread::get_id(), std::memory_order_relaxed);
  count_.fetch_add(1, std::memory_order_relaxed);
  return true;
}

void CriticalSection::Leave() {
  // Leaving a lock this thread does not hold is a caller's bug; ignore it rather than corrupt the mutex.
  if (!HeldByCurrentThread()) return;
  if (count_.fetch_sub(1, std::memory_order_relaxed) == 1) owner_.store(std::thread::id{}, std::memory_order_relaxed);
  mutex_.unlock();
}

bool CriticalSection::HeldByCurrentThread() const {
  return count_.load(std::memory_order_relaxed) > 0 &&
         owner_.load(std::memory_order_relaxed) == std::this_thread::get_id();
}

}  // namespace platform
