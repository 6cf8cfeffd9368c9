// Records the notification handler reads out of a body for the game frame and its side panel:
// the safe-box event (what a player moved between the safe box and the game, an allowance
// claimed, the table's base silver) and the chair records. Each is read whole, with its length
// checked, into a record of its own; the frame and the panel are handed the record, never the
// body's bytes.
#pragma once

#include <cstddef>
#include <cstdint>

#include "shell/notify_body.h"
#include "shell/player_record.h"

namespace shell {

// A safe-box event, 28 bytes on the wire: u32 user id (byte 0), a word not read (4), u32 kind
// (8), i32 a (12), i32 b (16), i32 the table's base silver (20), u32 where (24: 0 into the game,
// else into the reserve box).
struct SafeBoxRecord {
  static constexpr uint32_t kBytes = 28;
  static constexpr uint32_t kTakenOut = 1;   // a: silver taken out, b: silver now in the game
  static constexpr uint32_t kStored = 2;     // a: silver stored, b: silver now in the game
  static constexpr uint32_t kAllowance = 3;  // a: the allowance, where: into the game or the reserve box

  uint32_t user_id = 0;
  uint32_t kind = 0;
  int32_t a = 0;
  int32_t b = 0;
  int32_t base_silver = 0;
  uint32_t where = 0;
};

// False (record untouched) for a body shorter than SafeBoxRecord::kBytes.
bool ReadSafeBoxRecord(const NotifyBody& body, SafeBoxRecord* record);

// The chair records: from chair 0 on, one 72-byte record per chair (u32 user id, flags, chair,
// looker flag, absent flag, score, holding, level, total, games played, 8 words reserved).
struct ChairRecords {
  static constexpr uint32_t kRecordBytes = 72;
  using Record = ByteRecord<kRecordBytes>;

  int32_t count = 0;
  Record chairs[kMaxChairs];
};

// False (records untouched) unless the body is a whole number of records, one to kMaxChairs.
bool ReadChairRecords(const NotifyBody& body, ChairRecords* records);

}  // namespace shell
