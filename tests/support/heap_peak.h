// The most the heap grew by while a function ran, counted at every allocation through the
// sanitizer's allocation hooks (the tests run under AddressSanitizer); 0 without them.
#pragma once

#include <atomic>
#include <cstddef>
#include <mutex>

extern "C" size_t __sanitizer_get_current_allocated_bytes() __attribute__((weak));
extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*)(const volatile void*, size_t),
                                                         void (*)(const volatile void*)) __attribute__((weak));

namespace test_support {

inline std::atomic<bool> g_heap_peak_counting{false};
inline std::atomic<size_t> g_heap_peak{0};

inline void NoteHeapFree(const volatile void*) {}
inline void NoteHeapPeak(const volatile void*, size_t) {
  if (!g_heap_peak_counting.load(std::memory_order_relaxed)) return;
  const size_t now = __sanitizer_get_current_allocated_bytes();
  for (size_t most = g_heap_peak.load(); now > most && !g_heap_peak.compare_exchange_weak(most, now);) {
  }
}

// Whether the growth can be counted here.
inline bool HeapPeakCounted() {
  return __sanitizer_get_current_allocated_bytes != nullptr && __sanitizer_install_malloc_and_free_hooks != nullptr;
}

template <typename Run>
size_t PeakHeapGrowth(Run run) {
  if (!HeapPeakCounted()) {
    run();
    return 0;
  }
  static std::once_flag once;
  std::call_once(once, [] { __sanitizer_install_malloc_and_free_hooks(NoteHeapPeak, NoteHeapFree); });
  const size_t before = __sanitizer_get_current_allocated_bytes();
  g_heap_peak = before;
  g_heap_peak_counting = true;
  run();
  g_heap_peak_counting = false;
  return g_heap_peak - before;
}

}  // namespace test_support
