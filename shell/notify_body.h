// A server notification's body as its handlers read it: bytes with their length, read as
// little-endian 32-bit words. A read past the end gives 0; the dispatch checks every length a
// handler relies on before it calls the handler.
#pragma once

#include <cstddef>
#include <cstdint>

namespace shell {

struct NotifyBody {
  const uint8_t* data = nullptr;
  uint32_t length = 0;

  // Word i (byte 4i).
  uint32_t Word(size_t index) const { return WordAt(index * 4); }
  int32_t Int(size_t index) const { return static_cast<int32_t>(Word(index)); }
  uint32_t WordAt(size_t offset) const {
    if (data == nullptr || offset + 4 > length || offset + 4 < offset) return 0;
    return static_cast<uint32_t>(data[offset]) | (static_cast<uint32_t>(data[offset + 1]) << 8) |
           (static_cast<uint32_t>(data[offset + 2]) << 16) | (static_cast<uint32_t>(data[offset + 3]) << 24);
  }
  bool Has(size_t bytes) const { return bytes <= length; }
};

}  // namespace shell
