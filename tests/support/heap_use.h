// The bytes the program's heap holds now: the sanitizer's count where one runs, glibc's otherwise.
#pragma once

#include <malloc.h>

#include <cstddef>

extern "C" size_t __sanitizer_get_current_allocated_bytes() __attribute__((weak));

namespace test_support {

inline size_t HeapInUse() {
  if (__sanitizer_get_current_allocated_bytes != nullptr) return __sanitizer_get_current_allocated_bytes();
  return mallinfo2().uordblks;
}

}  // namespace test_support
