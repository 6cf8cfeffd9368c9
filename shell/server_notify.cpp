#include "shell/server_notify.h"

#include <cstdio>
#include <string_view>

#include "engine/core/engine_log.h"
#include "engine/ui/text_markup.h"
#include "platform/gbk.h"
#include "shell/app_messages.h"
#include "shell/chat_text.h"
#include "shell/game_app_base.h"
#include "shell/notify_checks.h"
#include "shell/table_notify_target.h"

namespace shell {

bool RefuseNotification(uint32_t id, const char* why, uint32_t length) {
  engine::WriteGameLog("notification %u (%u bytes) refused: %s", id, length, why);
  return false;
}

bool IsTableChair(int32_t chair) {
  CGameAppBase* app = GetApp();
  const int n = app ? app->GetChairCount() : CGameAppBase::kDefaultChairCount;
  const int count = n < 1 ? 1 : (n > kMaxChairs ? kMaxChairs : n);
  return chair >= 0 && chair < count;
}

void CServerNotifyBase::Dispatch(uint32_t notification_id, const uint8_t* body, uint32_t length) {
  NotifyBody view;
  view.data = body;
  view.length = body ? length : 0;
  Handle(notification_id, view);
}

bool CServerNotifyBase::Handle(uint32_t notification_id, const NotifyBody& body) {
  if (notification_id == notify::kCallPlayer) {
    if (!body.Has(kCallPlayerBytes)) return RefuseNotification(notification_id, "too short", body.length);
    OnCallPlayer(body);
    return true;
  }
  if (IsFrameNotification(notification_id)) return HandleFrameNotification(notification_id, body);
  engine::WriteGameLog("notification %u (%u bytes) not handled", notification_id, body.length);
  return false;
}

void CServerNotifyBase::OnCallPlayer(const NotifyBody& record) {
  CGameAppBase* app = GetApp();
  if (app == nullptr) return;
  const uint32_t caller = record.Word(0);
  const uint32_t target = record.Word(4);
  const std::string caller_name = engine::EscapeMarkupText(app->GetUserName(caller));
  const std::string target_name = engine::EscapeMarkupText(app->GetUserName(target));
  char line[200];
  std::snprintf(line, sizeof line, " %s呼叫 <c=%u>%s\n", caller_name.c_str(), kCallColour, target_name.c_str());
  app->AppendSystemText(line);
  if (target != 0 && target == app->GetUserId()) app->PlaySound("SndAhoo");
}

TableNotifyTarget* CCardServerNotify::Target() {
  CGameAppBase* app = GetApp();
  return app ? app->GetMainGame() : nullptr;
}

namespace {

// A round starts or ends: the flags the application keeps for the table, the exit rules and the
// match's round timer.
void SetRoundRunning(bool on) {
  CGameAppBase* app = GetApp();
  if (app == nullptr) return;
  app->SetGameRunning(on);
  app->SetGameFlag(on);
}

// Posts a copy of a table notice to the table view, which frees it; a longer text than the view
// takes is cut on a character boundary.
bool PostTableNotice(const NotifyBody& body) {
  CGameAppBase* app = GetApp();
  constexpr uint32_t kHead = notify::kTableNoticeTextOffset;
  const std::string_view text(reinterpret_cast<const char*>(body.data) + kHead, body.length - kHead);
  const auto size =
      static_cast<uint32_t>(kHead + platform::GbkPrefixLength(text, notify::kMaxTableNoticeBytes - kHead));
  char* copy = NewHeapText(std::string_view(reinterpret_cast<const char*>(body.data), size));
  if (app != nullptr && app->PostToObject("MainGame", app_msg::kTableNotice, reinterpret_cast<uintptr_t>(copy), size)) {
    return true;
  }
  FreeHeapText(reinterpret_cast<uintptr_t>(copy));
  engine::WriteGameLog("notification %u: no table view; dropped", notify::kTableNotice);
  return false;
}

bool IsTableNotification(uint32_t id) {
  switch (id) {
    case notify::kPlayerStarted:
    case notify::kPlayerOffline:
    case notify::kClearReady:
    case notify::kNextTurn:
    case notify::kTurn:
    case notify::kPlay:
    case notify::kPass:
    case notify::kGameMessage:
    case notify::kLookOnRequest:
    case notify::kLookOnAnswer:
    case notify::kLookOnNotice:
    case notify::kGameStarted:
    case notify::kGameEnded:
    case notify::kMatchGameStarted:
    case notify::kMatchGameRound:
      return true;
    default:
      return false;
  }
}

}  // namespace

bool CCardServerNotify::Handle(uint32_t notification_id, const NotifyBody& body) {
  const uint32_t id = notification_id;
  if (id == notify::kTableNotice) {
    // Too short for a text, or a text that is empty: the same refusal either way.
    if (!body.Has(notify::kTableNoticeTextOffset + 1) || body.data[notify::kTableNoticeTextOffset] == 0) {
      return RefuseNotification(id, "no text", body.length);
    }
    return PostTableNotice(body);
  }
  if (id == notify::kRandomTable) {
    // The table's game starts as it is seated: a recording table records from here.
    if (TableNotifyTarget* view = Target()) view->Record(id, body);
  }
  if (!IsTableNotification(id)) return CServerNotifyBase::Handle(notification_id, body);
  // Every check comes before the view is looked up: a bad body is refused whether or not a
  // table view is there.
  switch (id) {
    case notify::kPlayerStarted:
      if (!body.Has(kSeatHeadBytes)) return RefuseNotification(id, "too short", body.length);
      if (!IsTableChair(body.Int(3))) return RefuseNotification(id, "no such chair", body.length);
      break;
    case notify::kPlayerOffline:
    case notify::kLookOnRequest:
      if (!body.Has(4)) return RefuseNotification(id, "too short", body.length);
      break;
    case notify::kNextTurn:
      if (!body.Has(8)) return RefuseNotification(id, "too short", body.length);
      if (!IsTableChair(body.Int(1))) return RefuseNotification(id, "no such chair", body.length);
      break;
    case notify::kPlay: {
      if (!body.Has(kPlayHeadBytes)) return RefuseNotification(id, "too short", body.length);
      if (!IsTableChair(body.Int(3))) return RefuseNotification(id, "no such chair", body.length);
      const int32_t cards = static_cast<int32_t>(body.WordAt(kPlayCountOffset));
      if (cards < 0 || cards > kMaxComboCards) return RefuseNotification(id, "card count out of range", body.length);
      if (!body.Has(kPlayHeadBytes + static_cast<uint32_t>(cards) * 4)) {
        return RefuseNotification(id, "card ids missing", body.length);
      }
      break;
    }
    case notify::kPass: {
      if (!body.Has(kPassBytes)) return RefuseNotification(id, "too short", body.length);
      const int32_t next = body.Int(4);
      if (!IsTableChair(body.Int(2)) || (next != -1 && !IsTableChair(next)))
        return RefuseNotification(id, "no such chair", body.length);
      break;
    }
    case notify::kGameMessage: {
      if (!body.Has(kGameMessageHeadBytes)) return RefuseNotification(id, "too short", body.length);
      const uint32_t data = body.Word(4);
      if (data > body.length - kGameMessageHeadBytes)
        return RefuseNotification(id, "data longer than the body", body.length);
      break;
    }
    case notify::kLookOnAnswer:
      if (!body.Has(kLookOnAnswerBytes)) return RefuseNotification(id, "too short", body.length);
      if (!IsTableChair(body.Int(3))) return RefuseNotification(id, "no such chair", body.length);
      break;
    default:
      break;
  }
  // The application's flags change whether or not a table view is there.
  if (id == notify::kGameStarted) SetRoundRunning(true);
  if (id == notify::kGameEnded) SetRoundRunning(false);
  TableNotifyTarget* view = Target();
  if (view == nullptr) {
    engine::WriteGameLog("notification %u: no table view; dropped", id);
    return false;
  }
  view->Record(id, body);
  switch (id) {
    case notify::kPlayerStarted:
      view->OnPlayerStarted(body.Int(3));
      break;
    case notify::kPlayerOffline:
      view->OnPlayerOffline(body.Word(0));
      break;
    case notify::kClearReady:
      view->ClearReadyMarks();
      break;
    case notify::kNextTurn:
      view->OnNextTurnNotify(body);
      break;
    case notify::kTurn:
      view->OnTurnNotify(body);
      break;
    case notify::kPlay:
      view->OnPlayNotify(body);
      break;
    case notify::kPass:
      view->OnPassNotify(body);
      break;
    case notify::kGameMessage:
      view->OnGameMessage(body);
      break;
    case notify::kLookOnRequest:
      if (CGameAppBase* app = GetApp()) app->PlaySound("Snd_msg");
      view->ShowLookOnRequestBox(body);
      break;
    case notify::kLookOnAnswer:
      view->ShowLookOnAnswer(body);
      break;
    case notify::kLookOnNotice:
      view->OnLookOnNotify(body);
      break;
    case notify::kGameStarted:
      view->OnGameStarted(body);
      break;
    case notify::kGameEnded:
      view->OnGameEnded(body);
      break;
    default:
      break;
  }
  return true;
}

}  // namespace shell
