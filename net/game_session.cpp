#include "net/game_session.h"

#include <cstring>

#include "engine/core/engine_log.h"
#include "engine/media/byte_span.h"
#include "net/answer_codes.h"
#include "net/request_ids.h"
#include "net/text_bounds.h"
#include "net/transport.h"
#include "platform/clock.h"

namespace net {
namespace {

void PutText(std::string* out, int32_t code) {
  if (out) *out = AnswerText(code);
}

uint32_t FirstWord(const std::vector<uint8_t>& body, bool* present = nullptr) {
  if (present) *present = body.size() >= 4;
  return body.size() >= 4 ? engine::ReadU32(body.data()) : 0;
}

}  // namespace

int32_t CGameSession::SendAndWait(uint32_t request_id, const std::vector<uint8_t>& body, std::vector<uint8_t>* answer) {
  if (answer) answer->clear();
  Transport& transport = CurrentTransport();
  if (!transport.IsConnected()) {
    engine::WriteGameLog("session: request %u not sent: not connected to a game server", request_id);
    return answer::kNotConnected;
  }
  OutgoingRequest request;
  request.request_id = request_id;
  request.sequence = ++sequence_;
  request.wants_answer = true;
  request.body = body;
  if (!transport.Send(request)) {
    engine::WriteGameLog("session: request %u could not be sent", request_id);
    return answer::kNotConnected;
  }
  const uint32_t timeout = RequestTimeoutMs(request_id);
  const uint32_t start = platform::GetTickCount();
  for (;;) {
    const uint32_t elapsed = platform::GetTickCount() - start;
    if (elapsed >= timeout) {
      engine::WriteGameLog("session: request %u (sequence %u) timed out after %u ms", request_id, request.sequence,
                           elapsed);
      return answer::kTimedOut;
    }
    Answer got;
    if (transport.WaitAnswer(request.sequence, timeout - elapsed, &got) && got.sequence == request.sequence) {
      if (answer) *answer = std::move(got.body);
      return got.code;
    }
  }
}

int32_t CGameSession::SendOnly(uint32_t request_id, const std::vector<uint8_t>& body) {
  Transport& transport = CurrentTransport();
  OutgoingRequest request;
  request.request_id = request_id;
  request.wants_answer = false;
  request.body = body;
  if (!transport.IsConnected()) {
    engine::WriteGameLog("session: request %u dropped: not connected to a game server", request_id);
    return answer::kNotSent;
  }
  request.sequence = ++sequence_;
  if (!transport.Send(request)) {
    engine::WriteGameLog("session: request %u could not be sent", request_id);
    return answer::kNotSent;
  }
  return answer::kOk;
}

std::vector<uint8_t> CGameSession::SeatHead() {
  std::vector<uint8_t> body;
  engine::ByteWriter w(&body);
  w.U32(context_ ? context_->GetUserId() : 0);
  w.U32(context_ ? context_->GetRoomRecordId() : 0);
  w.U32(context_ ? context_->GetTableRecordId() : 0);
  w.U32(static_cast<uint32_t>(context_ ? context_->GetChair() : -1));
  return body;
}

bool CGameSession::SendAndWaitForSuccess(uint32_t request_id, const std::vector<uint8_t>& body,
                                         std::vector<uint8_t>* answer, std::string* answer_text) {
  const int32_t code = SendAndWait(request_id, body, answer);
  PutText(answer_text, code);
  return code == answer::kOk;
}

int CGameSession::QueryGameRunning() {
  std::vector<uint8_t> answer;
  const int32_t code = SendAndWait(request::kQueryGameRunning, SeatHead(), &answer);
  bool present = false;
  const uint32_t word = FirstWord(answer, &present);
  if (present && context_) context_->StoreGameRunningWord(word);
  return code == answer::kGameRunning ? 1 : 0;
}

int CGameSession::RequestLeave(std::string* answer_text, uint32_t user_id, int32_t chair) {
  std::vector<uint8_t> body;
  engine::ByteWriter w(&body);
  w.U32(user_id);
  w.U32(context_ ? context_->GetRoomRecordId() : 0);
  w.U32(context_ ? context_->GetTableRecordId() : 0);
  w.U32(static_cast<uint32_t>(chair));
  const int32_t code = SendAndWait(request::kLeave, body, nullptr);
  PutText(answer_text, code);
  return code == answer::kOk ? 0 : 1;
}

int CGameSession::SendForceExit(const char* reason) {
  std::vector<uint8_t> body = SeatHead();
  engine::ByteWriter w(&body);
  w.U32(0);
  const size_t at = body.size();
  w.Zeros(kForceExitReasonBytes);
  WriteTextField(body.data() + at, kForceExitReasonBytes, reason ? reason : "");
  return SendOnly(request::kForceExit, body);
}

int CGameSession::AnswerForceExit(uint32_t value, uint32_t allow) {
  std::vector<uint8_t> body = SeatHead();
  engine::ByteWriter w(&body);
  w.U32(value);
  w.U32(allow);
  return SendOnly(request::kAnswerForceExit, body);
}

int CGameSession::SendMatchBegun() { return SendOnly(request::kMatchBegun, SeatHead()); }

int CGameSession::SendRoundRequest() { return SendOnly(request::kRoundRequest, SeatHead()); }

int CGameSession::RequestMatchSignUp() { return SendOnly(request::kMatchSignUp, SeatHead()); }

int CGameSession::RequestMatchGiveUp() { return SendOnly(request::kMatchGiveUp, SeatHead()); }

int CGameSession::QueryUser(uint32_t user_id) {
  std::vector<uint8_t> body;
  body.reserve(kQueryUserBodyBytes);
  engine::ByteWriter w(&body);
  w.U32(context_ ? context_->GetRoomRecordId() : 0);
  w.U32(context_ ? context_->GetUserId() : 0);
  w.U32(user_id);
  w.Zeros(kQueryUserBodyBytes - 12);
  return SendAndWait(request::kQueryUser, body, nullptr);
}

int CGameSession::SendChat(const char* text) {
  std::vector<uint8_t> body = SeatHead();
  body.resize(kChatBodyBytes, 0);
  WriteTextField(body.data() + kSeatHeadBytes, kChatMachineIdBytes, context_ ? context_->GetMachineId() : "");
  WriteTextField(body.data() + kSeatHeadBytes + kChatMachineIdBytes, kChatTextBytes, text ? text : "");
  return SendAndWait(request::kChat, body, nullptr);
}

int CGameSession::CallPlayer(uint32_t user_id) {
  std::vector<uint8_t> body = SeatHead();
  engine::ByteWriter w(&body);
  w.U32(user_id);
  w.U32(static_cast<uint32_t>(context_ ? context_->GetChairOfUser(user_id) : -1));
  return SendOnly(request::kCallPlayer, body);
}

bool CGameSession::OpenSafeBox(SafeBoxState* state, std::string* answer_text) {
  std::vector<uint8_t> answer;
  if (!SendAndWaitForSuccess(request::kSafeBoxOpen, SeatHead(), &answer, answer_text)) return false;
  if (answer.size() < 8) {
    engine::WriteGameLog("session: safe box answer of %zu bytes is too short", answer.size());
    PutText(answer_text, answer::kFailed);
    return false;
  }
  if (state) {
    state->state = static_cast<int32_t>(engine::ReadU32(answer.data()));
    state->balance = static_cast<int32_t>(engine::ReadU32(answer.data() + 4));
  }
  return true;
}

bool CGameSession::SaveToSafeBox(int32_t amount, std::string* answer_text) {
  std::vector<uint8_t> body = SeatHead();
  engine::ByteWriter(&body).U32(static_cast<uint32_t>(amount));
  return SendAndWaitForSuccess(request::kSafeBoxSave, body, nullptr, answer_text);
}

bool CGameSession::TakeFromSafeBox(int32_t amount, int32_t key_result, std::string* answer_text) {
  std::vector<uint8_t> body = SeatHead();
  engine::ByteWriter w(&body);
  w.U32(static_cast<uint32_t>(amount));
  w.U32(static_cast<uint32_t>(key_result));
  return SendAndWaitForSuccess(request::kSafeBoxTake, body, nullptr, answer_text);
}

bool CGameSession::QueryProtectionCode(uint32_t user_id, int32_t* code, std::string* answer_text) {
  std::vector<uint8_t> body;
  engine::ByteWriter w(&body);
  w.U32(user_id);
  w.U32(context_ ? context_->GetRoomRecordId() : 0);
  w.U32(context_ ? context_->GetTableRecordId() : 0);
  w.U32(static_cast<uint32_t>(context_ ? context_->GetChair() : -1));
  std::vector<uint8_t> answer;
  if (!SendAndWaitForSuccess(request::kSafeBoxQueryCode, body, &answer, answer_text)) return false;
  bool present = false;
  const uint32_t value = FirstWord(answer, &present);
  if (!present) {
    engine::WriteGameLog("session: protection code answer without a code");
    PutText(answer_text, answer::kFailed);
    return false;
  }
  if (code) *code = static_cast<int32_t>(value);
  return true;
}

int CGameSession::RequestReady(int32_t value, std::string* answer_text) {
  std::vector<uint8_t> body = SeatHead();
  engine::ByteWriter(&body).U32(static_cast<uint32_t>(value));
  const int32_t code = SendAndWait(request::kReady, body, nullptr);
  PutText(answer_text, code);
  return code;
}

int CGameSession::RequestWelfareConfig(int32_t value, int32_t* area, std::string* answer_text) {
  if (area) std::memset(area, 0, kWelfareAreaWords * sizeof(int32_t));
  std::vector<uint8_t> body = SeatHead();
  engine::ByteWriter(&body).U32(static_cast<uint32_t>(value));
  std::vector<uint8_t> answer;
  const int32_t code = SendAndWait(request::kWelfareConfig, body, &answer);
  PutText(answer_text, code);
  if (area) {
    const size_t words = answer.size() / 4 < kWelfareAreaWords ? answer.size() / 4 : kWelfareAreaWords;
    for (size_t i = 0; i < words; ++i) area[i] = static_cast<int32_t>(engine::ReadU32(answer.data() + i * 4));
  }
  return code;
}

int CGameSession::ClaimWelfare(int32_t a, int32_t b, int32_t* amount, std::string* answer_text) {
  std::vector<uint8_t> body = SeatHead();
  engine::ByteWriter w(&body);
  w.U32(static_cast<uint32_t>(a));
  w.U32(static_cast<uint32_t>(b));
  std::vector<uint8_t> answer;
  const int32_t code = SendAndWait(request::kWelfareClaim, body, &answer);
  PutText(answer_text, code);
  if (amount) *amount = static_cast<int32_t>(FirstWord(answer));
  return code;
}

int CGameSession::RequestStart(std::string* answer_text) {
  return SendAndWaitForSuccess(request::kStart, SeatHead(), nullptr, answer_text) ? 1 : 0;
}

int CGameSession::RequestStartAuto(std::string* answer_text) {
  return SendAndWaitForSuccess(request::kStartAuto, SeatHead(), nullptr, answer_text) ? 1 : 0;
}

int CGameSession::RequestContinue(std::string* answer_text) {
  return SendAndWaitForSuccess(request::kContinue, SeatHead(), nullptr, answer_text) ? 1 : 0;
}

}  // namespace net
