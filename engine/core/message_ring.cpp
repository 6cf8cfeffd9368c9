#include "engine/core/message_ring.h"

namespace engine {

MessageRing::MessageRing() : entries_(kInitialCapacity) {}

void MessageRing::Push(const RingEntry& entry) {
  if (count_ + 1 >= Capacity()) Grow();
  entries_[write_] = entry;
  write_ = (write_ + 1) % Capacity();
  ++count_;
}

bool MessageRing::Pop(RingEntry* out) {
  if (count_ == 0) return false;
  *out = entries_[read_];
  read_ = (read_ + 1) % Capacity();
  --count_;
  return true;
}

void MessageRing::Clear() {
  read_ = 0;
  write_ = 0;
  count_ = 0;
}

// Doubles the array and lays the entries out oldest first from index 0, so that their order
// survives indices that had wrapped round.
void MessageRing::Grow() {
  std::vector<RingEntry> bigger(entries_.size() * 2);
  for (uint32_t i = 0; i < count_; ++i) bigger[i] = entries_[(read_ + i) % Capacity()];
  entries_.swap(bigger);
  read_ = 0;
  write_ = count_;
}

}  // namespace engine
