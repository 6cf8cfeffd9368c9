// Records that the table logic fills for a table host: the start record, the game result,
// the game logs and the solo-play table record. Their byte layouts are fixed (little-endian
// 32-bit words); each struct mirrors its layout and has a writer and a reader that go field
// by field.
#pragma once

#include <cstddef>
#include <cstdint>

#include "shell/player_record.h"

namespace table {

using shell::kMaxChairs;

// A player at the table (the host's player data).
// TablePlayer::flags bits.
inline constexpr int32_t kPlayerLossRelief = 0x1;  // entitled to loss relief

struct TablePlayer {
  int32_t user_id = 0;
  int32_t flags = 0;  // kPlayerLossRelief
  int32_t chair = -1;
  int32_t looker = 0;  // 0 for a player, non-zero for a looker
  int32_t absent = 0;  // non-zero: not playing this game
  int32_t score = 0;
  int32_t holding = 0;
  int32_t level = 0;
  int32_t total = 0;         // running total
  int32_t games_played = 0;  // games played at this table (also the sit-out counter's home)
  int32_t extra1 = 0;        // two numbers of the user; they seed a made-up peer
  int32_t extra2 = 0;
};

// A snapshot of a player taken at the start (72 bytes): words 0..9 are the player's words
// user id .. games played, the rest 0.
struct CHAIR_RECORD {
  int32_t user_id = 0;  // > 0: in use
  int32_t flags = 0;
  int32_t chair = 0;
  int32_t looker = 0;
  int32_t absent = 0;
  int32_t score = 0;
  int32_t holding = 0;  // the amount word
  int32_t level = 0;
  int32_t total = 0;
  int32_t games_played = 0;
  int32_t reserved[8] = {};
};
static_assert(sizeof(CHAIR_RECORD) == 72);

// Start record (88 bytes).
struct START_RECORD {
  int32_t word1 = 0;
  int32_t word2 = 0;
  int32_t chair_count = 0;
  int32_t round_base = 0;
  int32_t stake = 0;
  int32_t status[kMaxChairs] = {};
  int32_t game_counter = 0;
  int32_t kick_time = 0;
  int32_t reserved[7] = {};
};
static_assert(sizeof(START_RECORD) == 88);

// Game result (432 bytes).
struct GAME_RESULT {
  int32_t result_flags = 0;
  int32_t flags = 0;
  int32_t chair_count = 0;
  int32_t game_counter = 0;
  int32_t banker = 0;
  int32_t sides[kMaxChairs] = {};
  int32_t banker_side = 0;
  int32_t scoring[8] = {};  // the game's rules' own area
  int32_t round_base = 0;
  int32_t stake = 0;
  int32_t scores_before[kMaxChairs] = {};
  int32_t holdings_before[kMaxChairs] = {};
  int32_t score_changes[kMaxChairs] = {};
  int32_t holding_changes[kMaxChairs] = {};
  int32_t fees[kMaxChairs] = {};
  int32_t levels[kMaxChairs] = {};
  char titles[kMaxChairs][16] = {};
  int32_t stake_word = 0;
  int32_t absent_chairs = 0;  // bit per chair without a playing player
  int32_t reserved[2] = {};
};
static_assert(sizeof(GAME_RESULT) == 432);

// Log head flags. The settle bit says, for a game's log, that not every chair carries the settle
// flag and, for the log of the playing chairs or of a leaver, that they do.
inline constexpr int32_t kLogSettleBit = 0x1;
inline constexpr int32_t kLogLargeWin = 0x2;
inline constexpr int32_t kLogLeave = 0x100;      // every leave log
inline constexpr int32_t kLogRoundFlag = 0x200;  // the table host's round flag word was set

// Log head (9 words) and user record (29 words, 116 bytes).
struct LOG_HEAD {
  int32_t user_count = 0;
  int32_t word1 = 0;
  int32_t kind = 0;
  int32_t reserved3 = 0;
  int32_t flags = 0;
  int32_t reserved5 = 0;
  int32_t round_stamp = 0;
  int32_t reserved7 = 0;
  int32_t reserved8 = 0;
};
static_assert(sizeof(LOG_HEAD) == 36);

struct LOG_USER {
  int32_t user_id = 0;
  int32_t word1 = 0;
  int32_t word2 = 0;
  int32_t chair = 0;
  int32_t kind = 0;
  int32_t round_base = 0;
  int32_t stake = 0;
  int32_t score_before = 0;
  int32_t holding_before = 0;
  int32_t minutes = 0;
  int32_t seconds = 0;
  int32_t one = 0;
  int32_t zero = 0;
  int32_t won = 0;
  int32_t lost = 0;
  int32_t drawn = 0;
  int32_t score_change = 0;
  int32_t holding_change = 0;
  int32_t level = 0;
  char title[16] = {};
  int32_t fee = 0;
  int32_t reserved[5] = {};
};
static_assert(sizeof(LOG_USER) == 116);

// The settlement of one chair that leaves a running game.
struct LEAVE_RESULT {
  int32_t user_id = 0;
  int32_t chair = 0;
  int32_t game_counter = 0;
  int32_t leave_word = 0;  // the leaver-scoring hook's first answer
  int32_t round_base = 0;
  int32_t stake = 0;
  int32_t score_before = 0;
  int32_t holding_before = 0;
  int32_t score_change = 0;
  int32_t holding_change = 0;
  int32_t fee = 0;
  int32_t level = 0;
  char title[16] = {};
};

// The solo-play table record: a chair count, presence words, and from byte 64 eight
// 136-byte player entries.
struct PEER_ENTRY {
  int32_t word0 = 0;
  int32_t flag = 0;
  int32_t word2 = 0;
  int32_t word3 = 0;
  int32_t chair = 0;
  int32_t sex = 0;
  int32_t head = 0;
  int32_t number = 0;
  int32_t look = 0;
  char name[32] = {};
  int32_t words17to20[4] = {};
  int32_t holding = 0;
  int32_t level = 0;
  int32_t score = 0;
  int32_t words24to29[6] = {};
  int32_t words30to33[4] = {};
};
static_assert(sizeof(PEER_ENTRY) == 136);

struct SOLO_TABLE {
  int32_t word0 = 0;
  int32_t word1 = 0;
  int32_t chair_count = 0;
  int32_t present[kMaxChairs] = {};
  int32_t reserved[5] = {};
  PEER_ENTRY entries[kMaxChairs];
};
static_assert(sizeof(SOLO_TABLE) == 64 + 8 * 136);

inline constexpr size_t kStartRecordBytes = 88;
inline constexpr size_t kGameResultBytes = 432;
inline constexpr size_t kLogHeadBytes = 36;
inline constexpr size_t kLogUserBytes = 116;

// Writers fill size bytes: the record's own bytes, then zeros. They refuse (false, nothing
// written) a size below the record's own. Readers refuse a size below the record's own.
bool WriteStartRecord(const START_RECORD& r, uint8_t* out, size_t size);
bool ReadStartRecord(const uint8_t* in, size_t size, START_RECORD* r);
bool WriteGameResult(const GAME_RESULT& r, uint8_t* out, size_t size);
bool ReadGameResult(const uint8_t* in, size_t size, GAME_RESULT* r);
bool WriteLogHead(const LOG_HEAD& r, uint8_t* out, size_t size);
bool ReadLogHead(const uint8_t* in, size_t size, LOG_HEAD* r);
bool WriteLogUser(const LOG_USER& r, uint8_t* out, size_t size);
bool ReadLogUser(const uint8_t* in, size_t size, LOG_USER* r);

}  // namespace table
