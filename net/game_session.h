// The game-server session: builds each request's body from its arguments and the user's seat,
// sends it through the installed transport, and for the requests that wait, blocks the calling
// thread until the answer with the same sequence number comes or the request's time-out passes
// on the platform clock.
//
// Results: a waiting request answers the server's answer code, answer::kTimedOut (1030) when no
// answer came in time, or answer::kNotConnected (1031) at once when there is no server. A request
// that does not wait answers 0 when it went out and answer::kNotSent (10100) when it could not;
// without a server it is dropped with a log line. Answer texts are AnswerText's.
//
// Bodies are little-endian records. Most begin with the seat head, four 32-bit words:
// {user id, room record id, table record id, chair}.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "net/session_context.h"

namespace net {

// The safe box as its open request answers: {i32 state, i32 balance}.
struct SafeBoxState {
  int32_t state = 0;
  int32_t balance = 0;
};

class CGameSession {
 public:
  static constexpr size_t kSeatHeadBytes = 16;
  static constexpr size_t kChatBodyBytes = 128;
  static constexpr size_t kChatMachineIdBytes = 50;
  static constexpr size_t kChatTextBytes = 62;  // 61 bytes of text and the terminator
  static constexpr size_t kQueryUserBodyBytes = 32;
  static constexpr size_t kForceExitReasonBytes = 64;
  static constexpr size_t kWelfareAreaWords = 31;

  explicit CGameSession(SessionContext* context) : context_(context) {}
  virtual ~CGameSession() = default;
  CGameSession(const CGameSession&) = delete;
  CGameSession& operator=(const CGameSession&) = delete;

  // Leaving the table.
  // 201130 {seat head}, waits: 1 when the answer is answer::kGameRunning, else 0. The first word
  // of the answer body goes to the context.
  virtual int QueryGameRunning();
  // 201125 {user id, room record id, table record id, chair}, waits: 0 on success, else 1 with
  // the answer's text in *answer_text.
  virtual int RequestLeave(std::string* answer_text, uint32_t user_id, int32_t chair);
  // 201212 {seat head, u32 0, the reason text in 64 bytes}: the text starts at byte 20.
  virtual int SendForceExit(const char* reason);
  // 201213 {seat head, value, allow}: the answer to another player's force-exit request.
  virtual int AnswerForceExit(uint32_t value, uint32_t allow = 1);

  // Match mode: each {seat head}, none waits.
  virtual int SendMatchBegun();      // 201221
  virtual int SendRoundRequest();    // 201161
  virtual int RequestMatchSignUp();  // 201231
  virtual int RequestMatchGiveUp();  // 201232

  // Players and chat.
  // 201230, 32 bytes {room record id, own user id, user id, zeros}, waits: the answer code.
  virtual int QueryUser(uint32_t user_id);
  // 201211, 128 bytes {seat head, machine id in 50 bytes, text in 62 bytes}: the text is cut
  // on a character boundary at 61 bytes. Waits: the answer code.
  virtual int SendChat(const char* text);
  // 201200 {own user id, room record id, table record id, own chair, user id, the user's chair}.
  virtual int CallPlayer(uint32_t user_id);

  // Safe box; each waits and answers true on success, else false with the answer's text.
  // 214100 {seat head}: the answer body is the state record.
  virtual bool OpenSafeBox(SafeBoxState* state, std::string* answer_text);
  // 214110 {seat head, amount}.
  virtual bool SaveToSafeBox(int32_t amount, std::string* answer_text);
  // 214120 {seat head, amount, key result}.
  virtual bool TakeFromSafeBox(int32_t amount, int32_t key_result, std::string* answer_text);
  // 214130 {user id, room record id, table record id, chair}: true when the user has set a
  // protection code; the answer body's first word is the code value.
  virtual bool QueryProtectionCode(uint32_t user_id, int32_t* code, std::string* answer_text);

  // The table: each waits and gives the answer's text.
  // 201302 {seat head, value}: the answer code (answer::kReadyAccepted stops the idle kick).
  virtual int RequestReady(int32_t value, std::string* answer_text);
  // 214010 {seat head, value}: the answer code; up to 31 words of the answer body go to area
  // (which is zeroed first).
  virtual int RequestWelfareConfig(int32_t value, int32_t* area, std::string* answer_text);
  // 214000 {seat head, a, b}: the answer code; the answer body's first word goes to *amount.
  virtual int ClaimWelfare(int32_t a, int32_t b, int32_t* amount, std::string* answer_text);
  // 201160, 201165 (tables with options 0x40 and 0x80) and 201300 (ready again), each {seat head}:
  // non-zero on success.
  virtual int RequestStart(std::string* answer_text);
  virtual int RequestStartAuto(std::string* answer_text);
  virtual int RequestContinue(std::string* answer_text);

  // The core the requests are built on, for a game's own requests.
  // Sends and waits; the answer code (or 1030 / 1031) and, when answer is not null, its body.
  int32_t SendAndWait(uint32_t request_id, const std::vector<uint8_t>& body, std::vector<uint8_t>* answer);
  // Sends without waiting: 0 when it went out, answer::kNotSent when it could not.
  int32_t SendOnly(uint32_t request_id, const std::vector<uint8_t>& body);
  // The sequence number of the last request handed to the transport.
  uint32_t LastSequence() const { return sequence_; }

 protected:
  SessionContext* context() { return context_; }
  // A body that starts with the seat head.
  std::vector<uint8_t> SeatHead();
  // A waiting request whose result is success or the answer's text.
  bool SendAndWaitForSuccess(uint32_t request_id, const std::vector<uint8_t>& body, std::vector<uint8_t>* answer,
                             std::string* answer_text);

 private:
  SessionContext* context_;
  uint32_t sequence_ = 0;
};

}  // namespace net
