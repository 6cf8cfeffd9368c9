#include "engine/core/name_key.h"

#include <array>
#include <mutex>

namespace engine {

namespace {

// Packages made on Windows hash bytes as signed chars: a byte of 0x80 or more counts as c - 256.
// The arithmetic is modulo 2^32, so adding the sign-extended value is adding its 32-bit pattern.
inline uint32_t SignedByte(char c) { return static_cast<uint32_t>(static_cast<int32_t>(static_cast<int8_t>(c))); }

constexpr size_t kTableRows = 5;
using HashTable = std::array<uint32_t, kTableRows * 256>;

HashTable BuildHashTable() {
  HashTable table{};
  uint32_t seed = 0x00100001;
  for (uint32_t i = 0; i < 256; ++i) {
    for (uint32_t row = 0; row < kTableRows; ++row) {
      const uint32_t t1 = (seed * 125 + 3) % 0x2AAAAB;
      seed = (t1 * 125 + 3) % 0x2AAAAB;
      table[row * 256 + i] = (t1 << 16) | (seed & 0xFFFF);
    }
  }
  return table;
}

const HashTable& TheHashTable() {
  static const HashTable table = BuildHashTable();
  return table;
}

}  // namespace

uint32_t HashRS(std::string_view text) {
  uint32_t a = 63689;
  const uint32_t b = 378551;
  uint32_t h = 0;
  for (char c : text) {
    h = h * a + SignedByte(c);
    a *= b;
  }
  return h & 0x7FFFFFFF;
}

uint32_t HashJS(std::string_view text) {
  uint32_t h = 1315423911;
  for (char c : text) h ^= (h << 5) + SignedByte(c) + (h >> 2);
  return h & 0x7FFFFFFF;
}

uint32_t HashX31(std::string_view text) {
  uint32_t h = 0;
  for (char c : text) h = h * 31 + static_cast<uint8_t>(c);
  return h;
}

NameKey MakeNameKey(std::string_view text) { return NameKey{HashRS(text), HashJS(text), HashX31(text)}; }

NameKey& MakeNameKey(NameKey* out, std::string_view text) {
  *out = MakeNameKey(text);
  return *out;
}

uint32_t HashELF(const void* bytes, size_t length) {
  const char* p = static_cast<const char*>(bytes);
  uint32_t h = 0;
  for (size_t i = 0; i < length; ++i) {
    h = (h << 4) + SignedByte(p[i]);
    const uint32_t g = h & 0xF0000000;
    if (h > 0x0FFFFFFF) {
      h ^= g >> 24;
      h ^= g;
    }
  }
  return h;
}

void PrepareHashTable() { (void)TheHashTable(); }

uint32_t HashTableString(std::string_view text, uint32_t kind) {
  if (kind >= kTableRows) return 0;  // there are only five rows
  const HashTable& table = TheHashTable();
  uint32_t s1 = 0x7FED7FED;
  uint32_t s2 = 0xEEEEEEEE;
  for (char c : text) {
    uint32_t ch = static_cast<uint8_t>(c);
    if (ch >= 'a' && ch <= 'z') ch -= 32;
    s1 = table[kind * 256 + ch] ^ (s1 + s2);
    s2 = ch + s1 + s2 + (s2 << 5) + 3;
  }
  return s1;
}

}  // namespace engine
