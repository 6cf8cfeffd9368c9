// The most bytes the program's heap held at once while some work ran, counted at every
// allocation through the sanitizer's hooks (tests run under AddressSanitizer); without a
// sanitizer nothing is counted and HeapPeakCounted says so.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <functional>

extern "C" size_t __sanitizer_get_current_allocated_bytes() __attribute__((weak));
extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*)(const volatile void*, size_t),
                                                         void (*)(const volatile void*)) __attribute__((weak));

namespace test_support {

inline std::atomic<size_t>& HeapPeakSoFar() {
  static std::atomic<size_t> peak{0};
  return peak;
}

inline bool HeapPeakCounted() {
  static const bool installed = __sanitizer_install_malloc_and_free_hooks != nullptr &&
                                __sanitizer_get_current_allocated_bytes != nullptr &&
                                __sanitizer_install_malloc_and_free_hooks(
                                    [](const volatile void*, size_t) {
                                      const size_t now = __sanitizer_get_current_allocated_bytes();
                                      size_t seen = HeapPeakSoFar().load(std::memory_order_relaxed);
                                      while (now > seen && !HeapPeakSoFar().compare_exchange_weak(seen, now)) {
                                      }
                                    },
                                    [](const volatile void*) {}) != 0;
  return installed;
}

// Bytes the heap held at its fullest during `work`, beyond what it held before (0 where nothing
// is counted: the work is done all the same).
inline size_t HeapPeakOf(const std::function<void()>& work) {
  if (!HeapPeakCounted()) {
    work();
    return 0;
  }
  const size_t before = __sanitizer_get_current_allocated_bytes();
  HeapPeakSoFar().store(before);
  work();
  return HeapPeakSoFar().load() - before;
}

}  // namespace test_support
