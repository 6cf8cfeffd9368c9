#include "shell/table_notify_target.h"

#include "engine/core/engine_log.h"

namespace shell {
namespace {

void Unhandled(const char* operation, uint32_t length) {
  engine::WriteGameLog("table view: %s (%u bytes) left to the game", operation, length);
}

void UnhandledValue(const char* operation, long value) {
  engine::WriteGameLog("table view: %s (%ld) left to the game", operation, value);
}

}  // namespace

void TableNotifyTarget::OnPlayerStarted(int32_t chair) { UnhandledValue("OnPlayerStarted", chair); }
void TableNotifyTarget::OnPlayerOffline(uint32_t user_id) {
  UnhandledValue("OnPlayerOffline", static_cast<long>(user_id));
}
void TableNotifyTarget::ClearReadyMarks() { UnhandledValue("ClearReadyMarks", 0); }
void TableNotifyTarget::OnNextTurnNotify(const NotifyBody& body) { Unhandled("OnNextTurnNotify", body.length); }
void TableNotifyTarget::OnTurnNotify(const NotifyBody& body) { Unhandled("OnTurnNotify", body.length); }
void TableNotifyTarget::OnPlayNotify(const NotifyBody& body) { Unhandled("OnPlayNotify", body.length); }
void TableNotifyTarget::OnPassNotify(const NotifyBody& body) { Unhandled("OnPassNotify", body.length); }
void TableNotifyTarget::OnGameMessage(const NotifyBody& body) { Unhandled("OnGameMessage", body.length); }
void TableNotifyTarget::ShowLookOnRequestBox(const NotifyBody& body) { Unhandled("ShowLookOnRequestBox", body.length); }
void TableNotifyTarget::ShowLookOnAnswer(const NotifyBody& body) { Unhandled("ShowLookOnAnswer", body.length); }
void TableNotifyTarget::OnLookOnNotify(const NotifyBody& body) { Unhandled("OnLookOnNotify", body.length); }
void TableNotifyTarget::OnGameStarted(const NotifyBody& body) { Unhandled("OnGameStarted", body.length); }
void TableNotifyTarget::OnGameEnded(const NotifyBody& body) { Unhandled("OnGameEnded", body.length); }
void TableNotifyTarget::Record(uint32_t, const NotifyBody&) {}

}  // namespace shell
