// The combination record that the whole system shares: one combination of cards with its
// type, the types it may be played on, and its strength. It travels inside the play request
// and the play notification, so its layout is fixed (272 bytes, little-endian).
#pragma once

#include <cstddef>
#include <cstdint>

namespace table {

// Combination types (one bit each).
inline constexpr uint32_t COMBO_SINGLE = 0x1;
inline constexpr uint32_t COMBO_PAIR = 0x2;
inline constexpr uint32_t COMBO_TRIPLE = 0x4;
inline constexpr uint32_t COMBO_TRIPLE_PAIR = 0x20;
inline constexpr uint32_t COMBO_STRAIGHT = 0x40;
inline constexpr uint32_t COMBO_PAIR_STRAIGHT = 0x100;
inline constexpr uint32_t COMBO_TRIPLE_STRAIGHT = 0x200;
inline constexpr uint32_t COMBO_TRIPLE_PAIR_STRAIGHT = 0x400;
inline constexpr uint32_t COMBO_BOMB = 0x1000;
inline constexpr uint32_t COMBO_STRAIGHT_FLUSH = 0x4000;
inline constexpr uint32_t COMBO_LONG_SET = 0x8000;
inline constexpr uint32_t COMBO_FOUR_JOKERS = 0x80000;
inline constexpr uint32_t COMBO_ANY = 0x10000000;

// What a bomb may be played on: every basic and sequence type and a bomb.
inline constexpr uint32_t kBombBeatMask = 0x1767;
// A bomb's set plus four jokers (four jokers and "any" carry it).
inline constexpr uint32_t kJokerBeatMask = 0x81767;

inline constexpr int kComboMaxCards = 64;
inline constexpr int kComboListCapacity = 5;

struct CARD_COMBO {
  uint32_t type = 0;       // one type bit; 0 = nothing (an empty table)
  uint32_t beat_mask = 0;  // the types this combination may be played on
  uint32_t value = 0;      // strength within its type (compared unsigned)
  int32_t card_count = 0;
  int32_t cards[kComboMaxCards];

  CARD_COMBO() { Clear(); }
  // Empties the record: no type, no cards, every card place -1.
  void Clear();
};
static_assert(sizeof(CARD_COMBO) == 272);

struct CARD_COMBO_LIST {
  CARD_COMBO records[kComboListCapacity];
  int32_t count = 0;
};
static_assert(sizeof(CARD_COMBO_LIST) == 5 * 272 + 4);

inline constexpr size_t kCardComboBytes = 272;

// Writes the record's 272 bytes; false (nothing written) when size is too small.
bool WriteCardCombo(const CARD_COMBO& combo, uint8_t* out, size_t size);
// Reads a record from 272 bytes; false (combo untouched) when size is too small.
bool ReadCardCombo(const uint8_t* in, size_t size, CARD_COMBO* combo);

// Little-endian words, shared by the record writers and readers of this folder.
inline void PutWord(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
  p[2] = static_cast<uint8_t>(v >> 16);
  p[3] = static_cast<uint8_t>(v >> 24);
}
inline uint32_t GetWord(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}

}  // namespace table
