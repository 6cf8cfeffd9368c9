// The lobby's start data for a table (WM_COPYDATA record 1): a 444-byte room block, a 176-byte
// table block, then the player records and the looker records (320 bytes each), little-endian.
//
// Room block:  0 u32 room record id, 4 u32 room options, 8 u32 match room (non-zero),
//              12 char[64] room name, 76 char[64] location text, the rest reserved.
// Table block: 0 u32 table record id (zero-based table number), 4 u32 player count (0..8),
//              8 u32 looker count (0..64), the rest reserved.
//
// The data are taken only when their length is exactly what the counts say, every player's
// chair lies in 0..7 and no two players share a chair.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "shell/player_record.h"

namespace shell {

inline constexpr int kMaxLookers = 64;

struct RoomBlock : ByteRecord<444> {
  static constexpr size_t kRoomRecordId = 0;
  static constexpr size_t kRoomOptions = 4;
  static constexpr size_t kMatchRoom = 8;
  static constexpr size_t kRoomName = 12;
  static constexpr size_t kLocationName = 76;
  static constexpr size_t kTextBytes = 64;
};
static_assert(sizeof(RoomBlock) == 444);

struct TableBlock : ByteRecord<176> {
  static constexpr size_t kTableRecordId = 0;
  static constexpr size_t kPlayerCount = 4;
  static constexpr size_t kLookerCount = 8;
};
static_assert(sizeof(TableBlock) == 176);

struct EnterGameData {
  RoomBlock room;
  TableBlock table;
  std::vector<PlayerRecord> players;  // in the order received
  std::vector<PlayerRecord> lookers;

  // Reads the start data; false (out untouched) with the reason in *error when they are refused.
  static bool Parse(const uint8_t* data, size_t size, EnterGameData* out, std::string* error);
  // The bytes of these start data (counts from the vectors): what the lobby would send.
  std::vector<uint8_t> Serialize() const;
};

}  // namespace shell
