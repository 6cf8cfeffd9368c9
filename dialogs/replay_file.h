// The replay file: one recorded game, enough to play it back at the table without a server.
//
// A file is a fixed header (108 bytes, or 172 for a match game) followed by a zlib stream (the
// body). Every number is little-endian; signed fields are two's complement.
//
// Header, 108 bytes:
//   off size field
//     0   4  magic "ZPRP"
//     4   2  version (1)
//     6   2  header size: 108, or 172 when the match flag is set
//     8   4  flags: 0x1 match game, 0x2 the recorder was watching (own chair = the chair watched)
//    12   4  chair count, 1..8
//    16   4  own chair, 0..chair count - 1
//    20   4  own user id
//    24   4  room record id
//    28   4  table record id
//    32   4  game number
//    36   4  player count, 0..chair count (player entries in the body)
//    40   4  record count, at most kMaxReplayRecords
//    44   4  duration in ms: the time of the last record (0 without records)
//    48   8  start time: year (u16), month, day, hour, minute, second (u8 each), 0
//    56   4  stored length: bytes of the zlib stream after the header (the rest of the file)
//    60   4  body length: bytes of the body once inflated, at most kMaxReplayBodyBytes
//    64  40  reserved, written as zeros and not read
//   104   4  CRC-32 of the header's other bytes (0..103, then 108..header size - 1)
// Match extension, 64 bytes more:
//   108   4  match round
//   112   4  own match score
//   116   4  own match rank
//   120  32  match format name, GBK, NUL-terminated within the 32 bytes
//   152  20  reserved, written as zeros and not read
//
// Body, in this order, every part checked against the body's end:
//   player count x 52 bytes: user id, chair (0..chair count - 1, each chair once), figure,
//     score, holding (4 bytes each), name (32 bytes GBK, NUL-terminated within them)
//   table block: length (u32, at most kMaxReplayTableBlockBytes), then its bytes
//   state block: word count (u32, at most kReplayStateWords), then the words (i32)
//   record count x {time in ms since the recording started (u32, never decreasing), id (i32),
//     length (u32, at most kMaxReplayRecordBytes), data}
//   nothing after the last record
//
// A file is refused whole, with one line saying why, when anything in it is out of place: it is
// never half read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "shell/player_record.h"

namespace dialogs {

inline constexpr uint32_t kReplayMagic = 0x5052505A;  // "ZPRP" on disk
inline constexpr uint16_t kReplayVersion = 1;
inline constexpr size_t kReplayHeaderSize = 108;
inline constexpr size_t kMatchReplayHeaderSize = 172;

inline constexpr uint32_t kReplayFlagMatch = 0x1;
inline constexpr uint32_t kReplayFlagWatching = 0x2;

// Bytes of a name field, its terminating zero included.
inline constexpr size_t kReplayNameBytes = 32;
inline constexpr size_t kReplayPlayerEntrySize = 5 * 4 + kReplayNameBytes;
inline constexpr size_t kReplayRecordHeadSize = 12;

// The recorded hands: up to 64 card ids for each of up to 8 chairs, -1 for none.
inline constexpr size_t kReplayStateWords = shell::kMaxChairs * 64;

// Limits a file may not pass (a longer game could not come from one table).
inline constexpr uint32_t kMaxReplayRecords = 100000;
inline constexpr uint32_t kMaxReplayRecordBytes = 1u << 20;
inline constexpr uint32_t kMaxReplayTableBlockBytes = 1u << 16;
inline constexpr uint32_t kMaxReplayBodyBytes = 64u << 20;

// Field offsets of the header.
namespace replay_header {
inline constexpr size_t kMagic = 0;
inline constexpr size_t kVersion = 4;
inline constexpr size_t kHeaderSize = 6;
inline constexpr size_t kFlags = 8;
inline constexpr size_t kChairCount = 12;
inline constexpr size_t kOwnChair = 16;
inline constexpr size_t kUserId = 20;
inline constexpr size_t kRoomRecordId = 24;
inline constexpr size_t kTableRecordId = 28;
inline constexpr size_t kGameNumber = 32;
inline constexpr size_t kPlayerCount = 36;
inline constexpr size_t kRecordCount = 40;
inline constexpr size_t kDuration = 44;
inline constexpr size_t kStartTime = 48;
inline constexpr size_t kStoredLength = 56;
inline constexpr size_t kBodyLength = 60;
inline constexpr size_t kReserved = 64;
inline constexpr size_t kReservedBytes = 40;
inline constexpr size_t kHeaderCrc = 104;
inline constexpr size_t kMatchRound = 108;
inline constexpr size_t kMatchScore = 112;
inline constexpr size_t kMatchRank = 116;
inline constexpr size_t kMatchFormatName = 120;
inline constexpr size_t kMatchReserved = 152;
inline constexpr size_t kMatchReservedBytes = 20;
}  // namespace replay_header

static_assert(replay_header::kStartTime + 8 == replay_header::kStoredLength);
static_assert(replay_header::kReserved + replay_header::kReservedBytes == replay_header::kHeaderCrc);
static_assert(replay_header::kHeaderCrc + 4 == kReplayHeaderSize);
static_assert(replay_header::kMatchFormatName + kReplayNameBytes == replay_header::kMatchReserved);
static_assert(replay_header::kMatchReserved + replay_header::kMatchReservedBytes == kMatchReplayHeaderSize);
static_assert(kReplayPlayerEntrySize == 52);

// A player seated at the recorded table.
struct ReplayPlayer {
  int32_t user_id = 0;
  int32_t chair = -1;
  int32_t figure = 0;  // the avatar's character id
  int32_t score = 0;
  int32_t holding = 0;  // silver at the table
  std::string name;     // GBK, at most kReplayNameBytes - 1 bytes
  bool operator==(const ReplayPlayer&) const = default;
};

// The table as it was when the recording started.
struct ReplayTableSnapshot {
  int32_t chair_count = 0;
  int32_t own_chair = 0;
  bool watching = false;
  int32_t user_id = 0;
  int32_t room_record_id = 0;
  int32_t table_record_id = 0;
  int32_t game_number = 0;
  std::vector<ReplayPlayer> players;  // at most chair_count, one per chair
  std::vector<uint8_t> table_block;   // the table view's own record of the table, kept as given
  bool operator==(const ReplayTableSnapshot&) const = default;
};

// What a match game adds.
struct ReplayMatchInfo {
  int32_t round = 0;
  int32_t score = 0;
  int32_t rank = 0;
  std::string format_name;  // GBK, at most kReplayNameBytes - 1 bytes
  bool operator==(const ReplayMatchInfo&) const = default;
};

// One message of the game as the table view received it.
struct ReplayRecord {
  uint32_t time_ms = 0;  // since the recording started
  int32_t id = 0;
  std::vector<uint8_t> data;
  bool operator==(const ReplayRecord&) const = default;
};

struct ReplayFile {
  bool match = false;
  platform::SystemTime start_time;  // milliseconds are not kept
  ReplayTableSnapshot table;
  ReplayMatchInfo match_info;        // written only for a match game
  std::vector<int32_t> state_block;  // at most kReplayStateWords
  std::vector<ReplayRecord> records;

  // The time of the last record, or 0.
  uint32_t DurationMs() const { return records.empty() ? 0 : records.back().time_ms; }
  size_t HeaderSize() const { return match ? kMatchReplayHeaderSize : kReplayHeaderSize; }
};

// The checksum stored at replay_header::kHeaderCrc: CRC-32 of the header's other bytes.
// header_size is 108 or 172 and the header holds that many bytes.
uint32_t ReplayHeaderCrc(const uint8_t* header, size_t header_size);

// Whether the replay can be written and read back as it is: chairs, counts, lengths, names and
// times within their limits. The reason of a refusal goes to *error, or to the daily log.
bool CheckReplayFile(const ReplayFile& replay, std::string* error);

// The whole file. False (and nothing in *out) when the replay is refused by CheckReplayFile or
// zlib fails.
bool EncodeReplayFile(const ReplayFile& replay, std::vector<uint8_t>* out, std::string* error);
// Reads a whole file. False when anything in it is out of place; *out is then left empty.
bool DecodeReplayFile(const uint8_t* bytes, size_t size, ReplayFile* out, std::string* error);

// Writes the file whole or not at all (a temporary file, then a rename): a failed write leaves
// whatever was at the path before.
bool SaveReplayFile(const std::string& path, const ReplayFile& replay, std::string* error);
// Writes the game to a new file, whole or not at all, under the first of names (paths in one
// folder) that nothing stands at when the file takes its name: no file is ever replaced, not even
// one made a moment before. The index of the name taken, or -1 (the reason in *error).
int SaveNewReplayFile(const std::vector<std::string>& names, const ReplayFile& replay, std::string* error);
bool LoadReplayFile(const std::string& path, ReplayFile* out, std::string* error);

}  // namespace dialogs
