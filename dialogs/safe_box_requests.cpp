#include "dialogs/safe_box_requests.h"

#include "engine/core/engine_log.h"
#include "net/answer_codes.h"
#include "shell/game_app_base.h"

namespace dialogs {
namespace {

// Runs request between the wait text's showing and hiding; false (with the session's text for
// a missing connection) when there is no application or session.
template <class Request>
bool WithWaitText(const char* wait_text, std::string* answer_text, Request request) {
  shell::CGameAppBase* app = shell::GetApp();
  net::CCardGameSession* session = app != nullptr ? app->GetSession() : nullptr;
  if (session == nullptr) {
    if (answer_text != nullptr) *answer_text = net::AnswerText(net::answer::kNotConnected);
    engine::WriteGameLog("safe box: no session for the request");
    return false;
  }
  app->PostToCommThread(wait_text, 1);
  const bool ok = request(*session);
  app->PostToCommThread(wait_text, 0);
  return ok;
}

bool RefuseAmount(int32_t amount, std::string* answer_text) {
  if (amount > 0) return false;
  engine::WriteGameLog("safe box: amount %d refused", static_cast<int>(amount));
  if (answer_text != nullptr) *answer_text = net::AnswerText(net::answer::kBadRequest);
  return true;
}

}  // namespace

bool RequestOpenSafeBox(net::SafeBoxState* state, std::string* answer_text) {
  return WithWaitText(kWaitOpenSafeBox, answer_text,
                      [&](net::CCardGameSession& s) { return s.OpenSafeBox(state, answer_text); });
}

bool RequestSaveSilver(int32_t amount, std::string* answer_text) {
  if (RefuseAmount(amount, answer_text)) return false;
  return WithWaitText(kWaitSaveSilver, answer_text,
                      [&](net::CCardGameSession& s) { return s.SaveToSafeBox(amount, answer_text); });
}

bool RequestTakeSilver(int32_t amount, int32_t key_result, std::string* answer_text) {
  if (RefuseAmount(amount, answer_text)) return false;
  return WithWaitText(kWaitTakeSilver, answer_text,
                      [&](net::CCardGameSession& s) { return s.TakeFromSafeBox(amount, key_result, answer_text); });
}

bool RequestProtectionCode(int32_t* code, std::string* answer_text) {
  shell::CGameAppBase* app = shell::GetApp();
  const uint32_t user_id = app != nullptr ? app->GetUserId() : 0;
  return WithWaitText(kWaitQueryCode, answer_text,
                      [&](net::CCardGameSession& s) { return s.QueryProtectionCode(user_id, code, answer_text); });
}

bool ParseProtectionAnswer(std::string_view text, int32_t* answer) {
  if (text.empty() || text.size() > kMaxProtectionDigits) return false;
  int32_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  if (answer != nullptr) *answer = value;
  return true;
}

bool GetOwnSilver(int32_t* silver) {
  shell::CGameAppBase* app = shell::GetApp();
  if (app == nullptr || app->GetLookOn() != 0) return false;
  const shell::PlayerRecord* record = app->GetPlayerRecord(app->GetChair());
  if (record == nullptr || record->UserId() != app->GetUserId()) return false;
  if (silver != nullptr) *silver = record->Silver();
  return true;
}

void ShowSafeBoxMessage(const char* text) {
  if (shell::CGameAppBase* app = shell::GetApp()) {
    app->ShowMessageBox(text, nullptr, nullptr, kMessageButtons, kMessageStyle, kMessageIcon);
  } else {
    engine::WriteGameLog("safe box: %s", text != nullptr ? text : "");
  }
}

}  // namespace dialogs
