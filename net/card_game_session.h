// The card table's requests on top of the game session: pass, table choice, asking to see the
// watched cards, look-on permission, the game's own table messages (229510) and plays (221080).
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "net/game_session.h"

namespace net {

class CCardGameSession : public CGameSession {
 public:
  static constexpr size_t kPassRecordWords = 14;
  static constexpr size_t kPlayRecordWords = 80;
  // Words of a play record sent before its card ids; the card count is the last of them.
  static constexpr size_t kPlayHeadWords = 16;
  static constexpr size_t kPlayCardCountWord = 15;
  static constexpr int32_t kMaxPlayCards = 64;
  // The header of a table message: {room record id, user id, message id, 0, data length}.
  static constexpr size_t kTableMessageHeadBytes = 20;
  static constexpr int32_t kMaxTableMessageData = 4096;

  using PassRecord = std::array<int32_t, kPassRecordWords>;

  explicit CCardGameSession(SessionContext* context) : CGameSession(context) {}

  // The pass record: {user id, room record id, own chair, table record id, table_chair (the chair
  // whose combination lies on the table), zeros}.
  PassRecord MakePassRecord(int32_t table_chair);
  // 223000 with the 14 words of the record; does not wait.
  virtual int SendPass(const PassRecord& record);
  // 221070 {seat head, a, b}; does not wait.
  virtual int SendTableChoice(int32_t a, int32_t b);
  // 229550 {seat head}: asks the watched player to show the cards; does not wait.
  virtual int AskToSeeCards();
  // 229560 {seat head, user id, allow}, waits: non-zero on success.
  virtual int SetLookOnPermission(uint32_t user_id, int32_t allow);

  // 229510 {room record id, user id, id, 0, length, data}, without waiting: 0 when it went out,
  // answer::kNotSent (10100) when it could not (also for a length outside 0..4096).
  virtual int SendTableRequest1(uint32_t id, int32_t length, const void* data, int32_t flags = 0);
  // The same request, waiting for its answer. *length: the data's length in, the answer body's
  // length out. Returns a copy of the answer body (null when there is none) with *result 0; on
  // any failure (not sent, no answer in time, refused) *result is answer::kNotSent and there is
  // no body.
  virtual std::unique_ptr<uint8_t[]> SendTableRequest2(uint32_t id, int32_t* result, int32_t* length, const void* data);
  // 221080: the first 16 words of the 80-word play record, then its card ids (the count is
  // word 15, at most 64). Waits: the answer code, with its text in *error_text; answer::kNotSent
  // when it could not be sent or the record holds a card count outside 0..64.
  virtual int SendPlay(std::string* error_text, const int32_t* play_record);

  // Called when a game ends in match mode; the game's session fills it.
  virtual void OnMatchGameEnd() {}

 private:
  bool BuildTableMessage(uint32_t id, int32_t length, const void* data, std::vector<uint8_t>* body);
};

}  // namespace net
