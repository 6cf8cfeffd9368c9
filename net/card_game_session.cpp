#include "net/card_game_session.h"

#include <cstring>

#include "engine/core/engine_log.h"
#include "engine/media/byte_span.h"
#include "net/answer_codes.h"
#include "net/request_ids.h"

namespace net {

CCardGameSession::PassRecord CCardGameSession::MakePassRecord(int32_t table_chair) {
  PassRecord record{};
  SessionContext* c = context();
  record[0] = static_cast<int32_t>(c ? c->GetUserId() : 0);
  record[1] = static_cast<int32_t>(c ? c->GetRoomRecordId() : 0);
  record[2] = c ? c->GetChair() : -1;
  record[3] = static_cast<int32_t>(c ? c->GetTableRecordId() : 0);
  record[4] = table_chair;
  return record;
}

int CCardGameSession::SendPass(const PassRecord& record) {
  std::vector<uint8_t> body;
  engine::ByteWriter w(&body);
  for (int32_t word : record) w.U32(static_cast<uint32_t>(word));
  return SendOnly(request::kPass, body);
}

int CCardGameSession::SendTableChoice(int32_t a, int32_t b) {
  std::vector<uint8_t> body = SeatHead();
  engine::ByteWriter w(&body);
  w.U32(static_cast<uint32_t>(a));
  w.U32(static_cast<uint32_t>(b));
  return SendOnly(request::kTableChoice, body);
}

int CCardGameSession::AskToSeeCards() { return SendOnly(request::kAskToSeeCards, SeatHead()); }

int CCardGameSession::SetLookOnPermission(uint32_t user_id, int32_t allow) {
  std::vector<uint8_t> body = SeatHead();
  engine::ByteWriter w(&body);
  w.U32(user_id);
  w.U32(static_cast<uint32_t>(allow));
  return SendAndWait(request::kLookOnPermission, body, nullptr) == answer::kOk ? 1 : 0;
}

bool CCardGameSession::BuildTableMessage(uint32_t id, int32_t length, const void* data, std::vector<uint8_t>* body) {
  if (length < 0 || length > kMaxTableMessageData || (length > 0 && data == nullptr)) {
    engine::WriteGameLog("session: table message %u with a data length of %d refused", id, length);
    return false;
  }
  SessionContext* c = context();
  engine::ByteWriter w(body);
  w.U32(c ? c->GetRoomRecordId() : 0);
  w.U32(c ? c->GetUserId() : 0);
  w.U32(id);
  w.U32(0);
  w.U32(static_cast<uint32_t>(length));
  if (length > 0) w.Bytes(data, static_cast<size_t>(length));
  return true;
}

int CCardGameSession::SendTableRequest1(uint32_t id, int32_t length, const void* data, int32_t) {
  std::vector<uint8_t> body;
  if (!BuildTableMessage(id, length, data, &body)) return answer::kNotSent;
  return SendOnly(request::kTableMessage, body);
}

std::unique_ptr<uint8_t[]> CCardGameSession::SendTableRequest2(uint32_t id, int32_t* result, int32_t* length,
                                                               const void* data) {
  const int32_t data_length = length ? *length : 0;
  if (length) *length = 0;
  std::vector<uint8_t> body;
  if (!BuildTableMessage(id, data_length, data, &body)) {
    if (result) *result = answer::kNotSent;
    return nullptr;
  }
  std::vector<uint8_t> answer;
  const int32_t code = SendAndWait(request::kTableMessage, body, &answer);
  if (code != answer::kOk) {
    // Not sent, not answered in time, or refused: a failure, whose body is nobody's to read.
    engine::WriteGameLog("session: table message %u failed with %d", id, code);
    if (result) *result = answer::kNotSent;
    return nullptr;
  }
  if (result) *result = code;
  if (answer.empty()) return nullptr;
  auto copy = std::make_unique<uint8_t[]>(answer.size());
  std::memcpy(copy.get(), answer.data(), answer.size());
  if (length) *length = static_cast<int32_t>(answer.size());
  return copy;
}

int CCardGameSession::SendPlay(std::string* error_text, const int32_t* play_record) {
  if (play_record == nullptr) return answer::kNotSent;
  const int32_t count = play_record[kPlayCardCountWord];
  if (count < 0 || count > kMaxPlayCards) {
    engine::WriteGameLog("session: play with a card count of %d refused", count);
    if (error_text) *error_text = AnswerText(answer::kNotSent);
    return answer::kNotSent;
  }
  std::vector<uint8_t> body;
  engine::ByteWriter w(&body);
  for (size_t i = 0; i < kPlayHeadWords; ++i) w.U32(static_cast<uint32_t>(play_record[i]));
  for (int32_t i = 0; i < count; ++i) w.U32(static_cast<uint32_t>(play_record[kPlayHeadWords + i]));
  int32_t code = SendAndWait(request::kPlay, body, nullptr);
  if (code == answer::kNotConnected) code = answer::kNotSent;
  if (error_text) *error_text = AnswerText(code);
  return code;
}

}  // namespace net
