// What the table view reads of the table's notifications and game messages. Each reader checks
// the body's length, counts and chairs before it reads, refuses a bad body with a log line
// (false, *out untouched), and copies what it read, so nothing from the wire indexes a board,
// a hand or a card list unchecked. The chairs are those of a table of `chairs` chairs.
//
// Layouts (little-endian 32-bit words):
//   221170 play      word 3 the chair that played, word 5 the chair to act next (-1: none),
//                    word 7 its seconds; from byte 48 the combination: type, beat mask, value,
//                    card count (0..64), then that many card ids
//   223100 pass      word 2 the chair that passed, word 4 the chair to act next (-1: none),
//                    word 5 non-zero when the trick is over, word 8 the seconds
//   229500 message   word 2 the game message id, word 4 the data length, the data from byte 20
//   229570 look-on   {user id, room record id, table record id, chair, watcher id, allow}
//   19840337         {word, chair, count n (0..64), n card ids}
//   19840324/29/30   data word 0: a chair
#pragma once

#include <cstdint>

#include "shell/notify_body.h"
#include "table/card_combo.h"

namespace table {

struct PlayNotice {
  int32_t chair = -1;
  int32_t next_chair = -1;
  int32_t seconds = -1;
  CARD_COMBO combo;  // card places past the count are -1
};

struct PassNotice {
  int32_t chair = -1;
  int32_t next_chair = -1;
  bool trick_over = false;
  int32_t seconds = -1;
};

struct GameMessageNotice {
  int32_t id = 0;
  const uint8_t* data = nullptr;  // inside the body, valid while the body is
  int32_t length = 0;
};

struct ChairCardsNotice {
  int32_t chair = -1;
  int32_t count = 0;
  int32_t ids[kComboMaxCards];  // padded with -1
};

struct LookOnAnswerNotice {
  uint32_t user_id = 0;
  uint32_t room_record_id = 0;
  uint32_t table_record_id = 0;
  int32_t chair = -1;
  uint32_t watcher_id = 0;
  int32_t allow = 0;
};

inline constexpr uint32_t kPlayNoticeHeadBytes = 64;  // up to the first card id
inline constexpr uint32_t kPlayNoticeComboOffset = 48;
inline constexpr uint32_t kPassNoticeBytes = 36;
inline constexpr uint32_t kGameMessageHeadBytes = 20;
inline constexpr uint32_t kLookOnAnswerBytes = 24;
inline constexpr uint32_t kChairCardsHeadBytes = 12;

// Whether chair is one of the table's 0 .. chairs - 1.
inline bool IsTableChair(int32_t chair, int32_t chairs) { return chair >= 0 && chair < chairs; }

bool ReadPlayNotice(const shell::NotifyBody& body, int32_t chairs, PlayNotice* out);
bool ReadPassNotice(const shell::NotifyBody& body, int32_t chairs, PassNotice* out);
bool ReadGameMessage(const shell::NotifyBody& body, GameMessageNotice* out);
bool ReadLookOnAnswer(const shell::NotifyBody& body, int32_t chairs, LookOnAnswerNotice* out);
bool ReadChairCards(const uint8_t* data, int32_t length, int32_t chairs, ChairCardsNotice* out);
// A game message whose data word 0 names a chair.
bool ReadChairWord(int32_t id, const uint8_t* data, int32_t length, int32_t chairs, int32_t* chair);

}  // namespace table
