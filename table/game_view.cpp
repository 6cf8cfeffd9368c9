#include "table/game_view.h"

#include <algorithm>
#include <string>

#include "dialogs/replay_bar.h"
#include "dialogs/replay_recorder.h"
#include "engine/core/engine_log.h"
#include "engine/core/widget_base.h"
#include "net/answer_codes.h"
#include "net/card_game_session.h"
#include "shell/chat_text.h"
#include "shell/game_app_base.h"
#include "table/table_messages.h"

namespace table {

CGameView::CGameView() = default;

CGameView::~CGameView() = default;

void CGameView::CreateReplayRecorder() {
  shell::CGameAppBase* app = shell::GetApp();
  if (app == nullptr || (!app->TestRecordOption() && !app->IsReplayMode())) return;
  if (app->IsMatch()) {
    recorder_ = std::make_shared<dialogs::CMatchReplayRecorder>();
  } else {
    recorder_ = std::make_shared<dialogs::CReplayRecorder>();
  }
  recorder_shown_ = app->IsReplayMode();
  replay_bar_ = nullptr;
  // The bar that holds it on screen; a view outside a scene records without one.
  if (!IsRegistered()) return;
  auto* bar = new dialogs::CReplayBar(recorder_);
  AddToScene(bar);
  if (!bar->IsRegistered()) {
    delete bar;
    return;
  }
  bar->Build();
  bar->SetTarget(GetKey());
  engine::SetDepthExactly(bar, kRecorderDepth);
  bar->SetMaxStepDelay(kRecorderMaxStepDelayMs);
  if (recorder_shown_) {
    bar->Show();
  } else {
    bar->Hide();
  }
  bar->Invalidate();
  replay_bar_ = bar;
}

void CGameView::LoadKickTime() {
  shell::CGameAppBase* app = shell::GetApp();
  if (app == nullptr || !app->TestTableOption40() || !app->TestTableOption80()) return;
  kick_seconds_ = app->GetAnswerBuffer()[kKickSecondsWord];
}

void CGameView::StartIdleKickTimer() {
  StopIdleKickTimer();
  shell::CGameAppBase* app = shell::GetApp();
  if (app == nullptr || !app->TestTableOption40() || !app->TestTableOption80()) return;
  if (kick_event_ != 0 || kick_seconds_ <= 0) return;
  const engine::ObjectMessage kick = engine::MakeMessage(GetKey(), view_msg::kIdleKick, 0, 0);
  kick_event_ = Delay(KickDelayMs(kick_seconds_), &kick);
}

uint32_t CGameView::KickDelayMs(int32_t seconds) {
  if (seconds <= 0) return 0;
  return static_cast<uint32_t>(std::min<uint64_t>(static_cast<uint64_t>(seconds) * 1000u, kMaxKickDelayMs));
}

void CGameView::StopIdleKickTimer() {
  if (kick_event_ == 0) return;
  CancelAction(kick_event_);
  kick_event_ = 0;
}

void CGameView::SendReadyRequest(int32_t value) {
  shell::CGameAppBase* app = shell::GetApp();
  if (app == nullptr || !app->TestTableOption2() || app->GetSession() == nullptr) return;
  std::string answer;
  if (app->GetSession()->RequestReady(value, &answer) != net::answer::kReadyAccepted) return;
  auto* main_game = dynamic_cast<CGameView*>(FindObjectByName("MainGame"));
  (main_game != nullptr ? main_game : this)->StopIdleKickTimer();
}

void CGameView::RequestWelfareConfig(int32_t value) {
  shell::CGameAppBase* app = shell::GetApp();
  if (app == nullptr || app->GetSession() == nullptr) return;
  int32_t area[net::CGameSession::kWelfareAreaWords] = {};
  std::string answer;
  const int result = app->GetSession()->RequestWelfareConfig(value, area, &answer);
  app->OnWelfareConfig(result, answer, value, area);
}

void CGameView::ClaimWelfare(int32_t a, int32_t b) {
  shell::CGameAppBase* app = shell::GetApp();
  if (app == nullptr || app->GetSession() == nullptr) return;
  int32_t amount = 0;
  std::string answer;
  const int result = app->GetSession()->ClaimWelfare(a, b, &amount, &answer);
  app->OnWelfareClaim(result, answer, a, b, amount);
}

int CGameView::OnMessage(const engine::ObjectMessage* message) {
  if (message == nullptr) return 1;
  switch (message->id) {
    case view_msg::kTableNotice: {
      const auto* record = reinterpret_cast<const uint8_t*>(message->p1);
      const auto size = static_cast<size_t>(message->p2);
      // The application posts only notices with a text (it refuses the others with a line).
      if (record != nullptr && size > kNoticeTextOffset && record[kNoticeTextOffset] != 0) {
        ShowTableNotice(record, size);
      } else {
        engine::WriteGameLog("table: a notice without a text; dropped");
      }
      shell::FreeHeapText(message->p1);
      return 1;
    }
    case view_msg::kIdleKick:
      if (shell::CGameAppBase* app = shell::GetApp()) {
        // The kick is for a player who never starts: a round that runs has started.
        if (app->IsGameRunning() != 0) {
          engine::WriteGameLog("table: the idle kick came while a round runs; dropped");
          return 1;
        }
        app->ShowExitBox("由于您长时间没有开始游戏，系统请您离开游戏", 10, 0x30, "qzf抱歉");
      }
      return 1;
    default:
      // The engine's own messages to the view (shown, hidden, a heap block to free) are its.
      RectObject::OnMessage(message);
      return 1;
  }
}

}  // namespace table
