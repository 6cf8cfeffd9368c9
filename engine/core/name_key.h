// Name keys: the engine never keys a map by text. A resource, a package member, a cached
// picture or a sound is found by three independent 32-bit hashes of its name. The same three
// words are stored in resource packages, so every hash here is part of a file format and must
// stay bit for bit as it is.
//
// Names are hashed byte by byte exactly as given (GBK bytes, case kept); callers that want a
// case-insensitive key lower-case the text first.
#pragma once

#include <compare>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace engine {

// Three words in this order: RS hash, JS hash, x31 hash of the name. 12 bytes, as stored.
struct NameKey {
  uint32_t rs = 0;
  uint32_t js = 0;
  uint32_t x31 = 0;

  // Ordered word by word, each unsigned: the order of every engine map keyed by names.
  friend constexpr auto operator<=>(const NameKey&, const NameKey&) = default;
  friend constexpr bool operator==(const NameKey&, const NameKey&) = default;

  bool IsZero() const { return rs == 0 && js == 0 && x31 == 0; }
};
static_assert(sizeof(NameKey) == 12);

// RS hash: bytes taken as signed chars; the result is masked to 31 bits.
uint32_t HashRS(std::string_view text);
// JS hash: bytes taken as signed chars; the result is masked to 31 bits.
uint32_t HashJS(std::string_view text);
// x31 hash: bytes taken as unsigned; all 32 bits kept.
uint32_t HashX31(std::string_view text);

// The key of a name (the three hashes above).
NameKey MakeNameKey(std::string_view text);
// Fills *out with the key of the text and returns it.
NameKey& MakeNameKey(NameKey* out, std::string_view text);

// The RS hash alone: the id of a category or extension text (".imge", ".mid").
inline uint32_t NameKeyRS(std::string_view text) { return HashRS(text); }

// Strict less-than of two keys: word 1, then word 2, then word 3, each unsigned.
inline bool CompareNameKey(const NameKey& a, const NameKey& b) { return a < b; }

// The comparator of std::map<NameKey, ...> (the same order as CompareNameKey).
struct NameKeyLess {
  bool operator()(const NameKey& a, const NameKey& b) const { return a < b; }
};

// ELF hash over length bytes taken as signed chars. Offered to game code; the engine does not use it.
uint32_t HashELF(const void* bytes, size_t length);

// The one-way table hash. The 1280-word table is built on first use (PrepareHashTable may be
// called ahead of time); kind selects one of the five rows, 0..4.
void PrepareHashTable();
uint32_t HashTableString(std::string_view text, uint32_t kind);

}  // namespace engine
