#include "frame/call_player.h"

#include "net/card_game_session.h"
#include "shell/game_app_base.h"
#include "shell/notify_body.h"
#include "shell/server_notify.h"

namespace frame {

bool CallPlayerToTable(uint32_t user_id) {
  shell::CGameAppBase* app = shell::GetApp();
  if (app == nullptr || user_id == 0) return false;
  const int32_t chair = app->GetChairOfUser(user_id);
  if (chair == -1 || app->TestTableOption8()) return false;
  if (net::CCardGameSession* session = app->GetSession()) session->CallPlayer(user_id);
  // The call record: {caller, room record, table record, caller's chair, callee, callee's chair,
  // four zero words}.
  const uint32_t words[10] = {app->GetUserId(),
                              app->GetRoomRecordId(),
                              app->GetTableRecordId(),
                              static_cast<uint32_t>(app->GetChair()),
                              user_id,
                              static_cast<uint32_t>(chair),
                              0,
                              0,
                              0,
                              0};
  uint8_t bytes[sizeof words];
  for (size_t i = 0; i < 10; ++i) {
    for (size_t b = 0; b < 4; ++b) bytes[i * 4 + b] = static_cast<uint8_t>(words[i] >> (8 * b));
  }
  if (shell::CServerNotifyBase* handler = app->GetNotifyHandler()) {
    handler->OnCallPlayer(shell::NotifyBody{bytes, sizeof bytes});
  }
  return true;
}

}  // namespace frame
