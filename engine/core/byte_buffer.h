// A growable byte array with a movable position, for the replay recorder and player.
//
// The buffer starts with 32 zero bytes and doubles when an append would leave no spare byte.
// Append writes at the position (normally the end of the used bytes) and extends the used size
// when it writes past it. The position never leaves [0, Size()].
#pragma once

#include <cstdint>
#include <vector>

namespace engine {

class ByteBuffer {
 public:
  static constexpr uint32_t kInitialCapacity = 32;

  ByteBuffer();

  uint8_t* Data() { return data_.data(); }
  const uint8_t* Data() const { return data_.data(); }
  uint8_t* Position() { return data_.data() + position_; }
  int32_t Tell() const { return static_cast<int32_t>(position_); }
  int32_t Size() const { return size_; }
  uint32_t Capacity() const { return static_cast<uint32_t>(data_.size()); }

  // data + offset for 0 <= offset <= Size(), else null.
  uint8_t* At(int32_t offset);
  // Copies count bytes to the position and moves the position past them; returns the new size.
  // An append the buffer cannot hold is refused with a log line and changes nothing.
  int32_t Append(const void* bytes, uint32_t count);
  // Size 0, position at the start, every byte zeroed; returns 0.
  int32_t Clear();
  // Doubles the capacity; the new bytes are zero and the position keeps its offset.
  bool Grow();
  // Position = offset, held to [0, Size()].
  void Seek(int32_t offset);
  // Position += count, held to [0, Size()].
  void Skip(int32_t count);

 private:
  std::vector<uint8_t> data_;
  int32_t size_ = 0;
  uint32_t position_ = 0;
};

}  // namespace engine
