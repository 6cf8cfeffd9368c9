// The match ranking as the server sends it: a row count and one 64-byte record per row, kept in
// the application's match data for the match list. A record, little-endian words:
//   word 0  user id            word 3  rank (shown)
//   word 1  score (shown)      word 4  status: the score is shown when it is -4
//   word 5  eliminated flag    words 8-15  the user name, GBK, 32 bytes, NUL-terminated when shorter
// Words 2, 6 and 7 are carried and not read here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "shell/player_record.h"

namespace shell {
struct MatchData;
}  // namespace shell

namespace frame {

struct MatchRankRecord : shell::ByteRecord<64> {
  static constexpr size_t kUserId = 0;
  static constexpr size_t kScore = 4;
  static constexpr size_t kRank = 12;
  static constexpr size_t kStatus = 16;
  static constexpr size_t kEliminated = 20;
  static constexpr size_t kName = 32;
  static constexpr size_t kNameBytes = 32;
  // The status under which an eliminated player's score still shows.
  static constexpr int32_t kShowScoreStatus = -4;

  uint32_t UserId() const { return Word(kUserId); }
  int32_t Score() const { return Int(kScore); }
  int32_t Rank() const { return Int(kRank); }
  int32_t Status() const { return Int(kStatus); }
  bool IsEliminated() const { return Word(kEliminated) != 0; }
  // The name up to its NUL, 32 bytes at most.
  std::string Name() const { return Text(kName, kNameBytes); }
  // The score shows unless the player is out (an eliminated player under status -4 still shows it).
  bool ShowsScore() const { return !IsEliminated() || Status() == kShowScoreStatus; }
};
static_assert(sizeof(MatchRankRecord) == 64);

// Most ranking rows the client keeps and shows.
inline constexpr int32_t kMaxRankRows = 512;

// Stores a ranking from the wire into the match data: row_count records of 64 bytes, which must be
// exactly the body's size. The row count and the records are replaced together; a count below 0
// or above kMaxRankRows, or a body that is shorter or longer than the count says, is refused with
// a log line and changes nothing.
bool StoreMatchRanking(shell::MatchData& data, int32_t row_count, const uint8_t* body, size_t size);

}  // namespace frame
