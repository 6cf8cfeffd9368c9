// A watch on the blocks SDL allocates: its own, SDL2_mixer's, and the sound channels' chunks,
// which all come through SDL's memory functions. For tests that hold a reader to a bound on
// what it may ask for.
//
// Only one watch at a time; SDL's own functions are back in place when it ends. SDL swaps its
// memory functions without a lock: begin and end a watch while no other thread allocates through
// SDL (the audio thread of an open device only mixes).
#pragma once

#include <cstddef>

namespace platform {

class ScopedSdlMemoryWatch {
 public:
  ScopedSdlMemoryWatch();
  ~ScopedSdlMemoryWatch();
  ScopedSdlMemoryWatch(const ScopedSdlMemoryWatch&) = delete;
  ScopedSdlMemoryWatch& operator=(const ScopedSdlMemoryWatch&) = delete;

  // The largest block asked for (by malloc, calloc or realloc) since the watch began.
  size_t LargestBlock() const;
};

}  // namespace platform
