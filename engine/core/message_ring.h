// A module's own first-in first-out queue of events, filled from the core's event list at the
// start of the module's update and emptied by its tick.
#pragma once

#include <cstdint>
#include <vector>

namespace engine {

struct RingEntry {
  uint32_t target = 0;
  uint32_t code = 0;
  uintptr_t p1 = 0;
  uintptr_t p2 = 0;
};

class MessageRing {
 public:
  static constexpr uint32_t kInitialCapacity = 16;

  MessageRing();

  // Appends an entry; doubles the capacity first when only one free slot (or none) is left.
  void Push(const RingEntry& entry);
  // Takes the oldest entry; false when the ring is empty.
  bool Pop(RingEntry* out);
  // Empties the ring (indices and count back to 0).
  void Clear();

  uint32_t Count() const { return count_; }
  uint32_t Capacity() const { return static_cast<uint32_t>(entries_.size()); }

 private:
  void Grow();

  std::vector<RingEntry> entries_;
  uint32_t read_ = 0;
  uint32_t write_ = 0;
  uint32_t count_ = 0;
};

}  // namespace engine
