#include "engine/core/byte_buffer.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

#include "engine/core/engine_log.h"

namespace engine {

namespace {

constexpr uint64_t kMaxCapacity = uint64_t{1} << 31;

}  // namespace

ByteBuffer::ByteBuffer() : data_(kInitialCapacity, 0) {}

uint8_t* ByteBuffer::At(int32_t offset) {
  if (offset < 0 || offset > size_) return nullptr;
  return data_.data() + offset;
}

int32_t ByteBuffer::Append(const void* bytes, uint32_t count) {
  if (count == 0) return size_;
  const uint64_t end = uint64_t{position_} + count;
  if (bytes == nullptr || end >= kMaxCapacity) {
    WriteGameLog("ByteBuffer: refused to append %u bytes at %u", count, position_);
    return size_;
  }
  // At least one byte always stays spare after the used bytes.
  while (end >= data_.size()) {
    if (!Grow()) {
      WriteGameLog("ByteBuffer: no memory to grow past %zu bytes", data_.size());
      return size_;
    }
  }
  std::memcpy(data_.data() + position_, bytes, count);
  position_ = static_cast<uint32_t>(end);
  size_ = std::max(size_, static_cast<int32_t>(end));
  return size_;
}

int32_t ByteBuffer::Clear() {
  size_ = 0;
  position_ = 0;
  std::fill(data_.begin(), data_.end(), uint8_t{0});
  return 0;
}

bool ByteBuffer::Grow() {
  const uint64_t doubled = uint64_t{data_.size()} * 2;
  if (doubled > kMaxCapacity) return false;
  try {
    data_.resize(doubled, 0);
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

void ByteBuffer::Seek(int32_t offset) { position_ = static_cast<uint32_t>(std::clamp(offset, 0, size_)); }

void ByteBuffer::Skip(int32_t count) {
  const int64_t target = int64_t{position_} + count;
  position_ = static_cast<uint32_t>(std::clamp<int64_t>(target, 0, size_));
}

}  // namespace engine
