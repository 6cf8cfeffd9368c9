#include "shell/app_frame_view.h"

#include "engine/core/engine_log.h"
#include "engine/core/rect_object.h"
#include "shell/game_app_base.h"

namespace shell {
namespace {

void LogPerson(const char* what, const PlayerRecord* record) {
  engine::WriteGameLog("%s: user %u", what, record != nullptr ? record->UserId() : 0);
}

}  // namespace

void AppFrameView::ShowMessageBox(const char* text, const engine::ObjectMessage*, const engine::ObjectMessage*, int32_t,
                                  int32_t, const char*) {
  engine::WriteGameLog("message box: %s", text ? text : "");
}

void AppFrameView::ShowExitBox(const char* text, int32_t, int32_t, const char*) {
  engine::WriteGameLog("system message: %s", text ? text : "");
}

void AppFrameView::ShowAutoPlay(bool on) { engine::WriteGameLog("auto-play animation %s", on ? "on" : "off"); }

void AppFrameView::ExitRules() {
  // A frame without exit rules of its own lets the user go.
  if (CGameAppBase* app = GetApp()) app->ConfirmClose();
}

platform::RECT AppFrameView::GetMainGameRect() {
  platform::RECT rect{};
  CGameAppBase* app = GetApp();
  if (engine::RectObject* frame = app ? app->GetGameFrame() : nullptr) frame->GetRect(&rect);
  return rect;
}

std::string AppFrameView::GetAvatarImageName(int32_t, int32_t) { return std::string(); }

void AppFrameView::SlideInBoard(engine::EngineObject*) { engine::WriteGameLog("a board would slide in now"); }

void AppFrameView::ShowExitRequest(const uint8_t* record, size_t) {
  engine::WriteGameLog("exit request from user %u", record != nullptr ? NotifyBody{record, 4}.Word(0) : 0);
}

void AppFrameView::OnPlayerEnter(const PlayerRecord* record) { LogPerson("player came", record); }
void AppFrameView::OnPlayerLeave(const PlayerRecord* record) { LogPerson("player left", record); }
void AppFrameView::OnLookerEnter(const PlayerRecord* record) { LogPerson("looker came", record); }
void AppFrameView::OnLookerLeave(const PlayerRecord* record) { LogPerson("looker left", record); }
void AppFrameView::OnRandomTable() { engine::WriteGameLog("the table was seated at random"); }
void AppFrameView::OnMovedTable() { engine::WriteGameLog("moved to another table"); }
void AppFrameView::AddChatLine(const NotifyBody& body) { engine::WriteGameLog("chat line (%u bytes)", body.length); }
void AppFrameView::AddRelayedChat(const NotifyBody& body) {
  engine::WriteGameLog("relayed chat line (%u bytes)", body.length);
}
void AppFrameView::ShowAmuletNotice(const NotifyBody& body) {
  engine::WriteGameLog("amulet notice (%u bytes)", body.length);
}
void AppFrameView::OnSafeBoxEvent(const SafeBoxRecord& record) {
  engine::WriteGameLog("safe box event: user %u, kind %u", record.user_id, record.kind);
}
void AppFrameView::OnChairRecords(const ChairRecords& records) {
  engine::WriteGameLog("chair records: %d chairs", records.count);
}

void AppFrameView::OnMatchProgress() { engine::WriteGameLog("match: progress"); }
void AppFrameView::OnMatchTableState() { engine::WriteGameLog("match: the table's state"); }
void AppFrameView::ShowNoSignUpBoard() { engine::WriteGameLog("match board: not signed up"); }
void AppFrameView::ShowWashoutBoard() { engine::WriteGameLog("match board: washed out"); }
void AppFrameView::ShowMatchEndBoard() { engine::WriteGameLog("match board: the match is over"); }
void AppFrameView::ShowMatchLateBoard() { engine::WriteGameLog("match board: too late"); }
void AppFrameView::ShowSystemCancelBoard() { engine::WriteGameLog("match board: cancelled"); }
void AppFrameView::ShowSelfCancelBoard() { engine::WriteGameLog("match board: sign-up withdrawn"); }
void AppFrameView::ShowWaitSignUpCheckBoard() { engine::WriteGameLog("match board: sign-up being checked"); }
void AppFrameView::ShowSystemRejectedBoard() { engine::WriteGameLog("match board: sign-up rejected"); }
void AppFrameView::ShowMatchStartedBoard() { engine::WriteGameLog("match board: the match has started"); }
void AppFrameView::OnSignUpOk() { engine::WriteGameLog("match: signed up"); }
void AppFrameView::OnWithdrawn() { engine::WriteGameLog("match: withdrawn"); }
void AppFrameView::ShowWaitAnimation(int32_t kind) { engine::WriteGameLog("match: wait animation %d", kind); }
void AppFrameView::BroadcastMatchNotice11() { engine::WriteGameLog("match notice 11"); }
void AppFrameView::BroadcastMatchNotice12() { engine::WriteGameLog("match notice 12"); }
void AppFrameView::BroadcastMatchNotice13() { engine::WriteGameLog("match notice 13"); }
void AppFrameView::ShowMatchRound() { engine::WriteGameLog("match: a new round"); }
void AppFrameView::OnMatchBegin() { engine::WriteGameLog("match: begins"); }
void AppFrameView::ShowTablesLeft(const uint8_t*, size_t) { engine::WriteGameLog("match: tables left"); }
void AppFrameView::ShowPlayerDuan(const uint8_t*, size_t) { engine::WriteGameLog("match: a duan card"); }

void AppFrameView::QueueMatchEnd(uintptr_t p) {
  engine::WriteGameLog("match: the end board is not shown");
  delete[] reinterpret_cast<uint8_t*>(p);
}

void AppFrameView::QueueMatchResult(uintptr_t p) {
  engine::WriteGameLog("match: the result is not shown");
  delete[] reinterpret_cast<uint8_t*>(p);
}

void AppFrameView::OnMatchRanking(int32_t row_count, const uint8_t*, size_t, const int32_t*) {
  engine::WriteGameLog("match: a ranking of %d rows is not shown", row_count);
}

platform::RECT GetMainGameRect() {
  AppFrameView* view = GetAppView();
  return view ? view->GetMainGameRect() : platform::RECT{};
}

std::string GetAvatarImageName(int32_t character, int32_t size_type) {
  AppFrameView* view = GetAppView();
  return view ? view->GetAvatarImageName(character, size_type) : std::string();
}

engine::EngineObject* GetAppViewMember() {
  AppFrameView* view = GetAppView();
  return view ? view->GetMatchCountdown() : nullptr;
}

}  // namespace shell
