// The table view's share of a game in progress: its game messages to the server, the turn and
// pass notifications, pass marks and combination sounds, played cards cleared, auto-play
// switched on and off, and the table reset and prepared around each game.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "engine/core/canvas_object.h"
#include "engine/core/engine_log.h"
#include "engine/core/sprite_object.h"
#include "engine/ui/image_button.h"
#include "net/answer_codes.h"
#include "net/card_game_session.h"
#include "shell/app_frame_view.h"
#include "shell/chat_text.h"
#include "shell/game_app_base.h"
#include "shell/game_handler.h"
#include "shell/server_notify.h"
#include "table/card_view.h"
#include "table/main_game_rect.h"
#include "table/player_board.h"
#include "table/table_messages.h"
#include "table/table_view.h"

namespace table {
namespace {

constexpr uint32_t kOfflineStatus = 0x8 | 0x20;  // either bit of a chair's status word: offline
constexpr int32_t kSmallestBomb = 4;             // fewer cards make no bomb sound

}  // namespace

bool CTableView::IsChair(int32_t chair) { return IsTableChair(chair, std::clamp(AppChairCount(), 0, kMaxBoards)); }

bool CTableView::IsOwnTurn() {
  shell::IGameHandler* holder = shell::GetTableStateHolder();
  return !Watching() && holder != nullptr && holder->GetActiveChair() == AppOwnChair() && IsChair(AppOwnChair());
}

bool CTableView::Usable(const engine::ImageButton* button) {
  return button != nullptr && button->IsVisible() != 0 && button->TakesInput() != 0;
}

void CTableView::ShowButton(engine::ImageButton* button, bool show) {
  if (button == nullptr) return;
  if (show) {
    button->Show();
  } else {
    button->Hide();
  }
  button->Invalidate();
}

CARD_COMBO CTableView::TableCombo() {
  const TableGameState* state = GetGameState();
  if (state == nullptr || state->chair_on_table == -1) return CARD_COMBO();
  CARD_COMBO combo = state->combo;
  combo.card_count = std::clamp(combo.card_count, 0, kComboMaxCards);
  return combo;
}

void CTableView::AddChatLine(const std::string& line) {
  if (shell::CGameAppBase* app = shell::GetApp()) app->AppendSystemText(line.c_str());
}

// ---- Game messages ----

int CTableView::SendGameMessage(int32_t id, int32_t length, const void* data, int32_t wait) {
  shell::CGameAppBase* app = shell::GetApp();
  net::CCardGameSession* session = app != nullptr ? app->GetSession() : nullptr;
  // A replay being watched has no game to send to.
  if (session == nullptr || app->IsReplayMode()) return net::answer::kNotSent;
  if (wait == 0) return session->SendTableRequest1(static_cast<uint32_t>(id), length, data);
  int32_t result = net::answer::kNotSent;
  int32_t size = length;
  std::unique_ptr<uint8_t[]> answer = session->SendTableRequest2(static_cast<uint32_t>(id), &result, &size, data);
  // An answer's body is handled as if the server had pushed it.
  if (answer != nullptr && size > 0) {
    if (shell::CServerNotifyBase* handler = app->GetNotifyHandler()) {
      handler->Dispatch(shell::notify::kGameMessage, answer.get(), static_cast<uint32_t>(size));
    }
  }
  return result;
}

// ---- Turns and passes ----

void CTableView::OnPassNotify(const shell::NotifyBody& body) {
  PassNotice pass;
  if (!ReadPassNotice(body, std::clamp(AppChairCount(), 0, kMaxBoards), &pass)) return;
  PlaySound("Snd_Pass", 1, nullptr);
  HidePlayButtons();
  ShowPass(pass.chair, kPassMark);
  if (pass.trick_over) {
    if (TableGameState* state = GetGameState()) state->chair_on_table = -1;
    ClearPlayedCards(-1);
  }
  if (pass.next_chair != -1) UpdateClock(pass.next_chair, pass.seconds);
  UpdateActionButtons();
}

void CTableView::ShowPass(int32_t chair, uint32_t flags) {
  if (flags != kPassMark) return;
  if (CPlayerBoard* board = BoardOfChair(chair)) board->ShowStatusPicture(kPassPicture);
}

void CTableView::PlayComboSound(uint32_t type, int32_t card_count) {
  const char* sound = "Snd_Throw";
  if (type == COMBO_BOMB) {
    if (card_count < kSmallestBomb) return;
    sound = card_count == 4   ? "Snd_Bomb4"
            : card_count == 5 ? "Snd_Bomb5"
            : card_count == 6 ? "Snd_Bomb6"
                              : "Snd_Bomb78";
  } else if (type == COMBO_FOUR_JOKERS) {
    sound = "Snd_4King";
  }
  PlaySound(sound, 1, nullptr);
}

void CTableView::OnNextTurnNotify(const shell::NotifyBody& body) {
  if (!body.Has(8) || !IsChair(body.Int(1))) {
    engine::WriteGameLog("table: next turn of %u bytes refused", body.length);
    return;
  }
  shell::CGameAppBase* app = shell::GetApp();
  UpdateClock(PrevChair(body.Int(1)), app != nullptr ? app->GetTurnTime() : shell::CGameAppBase::kTurnSeconds);
}

void CTableView::OnTurnNotify(const shell::NotifyBody&) {
  shell::IGameHandler* holder = shell::GetTableStateHolder();
  shell::CGameAppBase* app = shell::GetApp();
  if (holder != nullptr && app != nullptr) UpdateClock(holder->GetActiveChair(), app->GetTurnTime());
  UpdateActionButtons();
}

// ---- Auto-play ----

void CTableView::OnAutoPlayOn(int32_t chair) {
  if (!IsChair(chair)) return;
  if (chair == AppOwnChair() && !Watching()) {
    ToggleAutoPlay(1);
    AddChatLine(" <m=qm系统通知> #r游戏托管已启动,单击鼠标解除!\r\n");
  }
  if (CPlayerBoard* board = BoardOfChair(chair)) board->ShowAutoPlay(1);
}

void CTableView::OnAutoPlayOff(int32_t chair) {
  if (!IsChair(chair)) return;
  if (chair == AppOwnChair() && !Watching()) {
    // The cool-down counts from here; 0 stands for "never switched off".
    const uint32_t now = GetElapsedMs();
    auto_play_off_time_ = now != 0 ? now : 1;
    ToggleAutoPlay(0);
    AddChatLine(" <z=qm系统通知> #b游戏托管已解除!\r\n");
  }
  if (CPlayerBoard* board = BoardOfChair(chair)) board->ShowAutoPlay(0);
}

// ---- Played cards and buttons ----

void CTableView::RetirePlayedCards(int32_t chair) {
  for (int32_t i = 0; i < card_view_count_; ++i) {
    CCardView* card = card_views_[i];
    if (card == nullptr || card->place != card_place::kPlayed || (chair != -1 && card->chair != chair)) continue;
    card->place = card_place::kPlayedEarlier;
    card->Refresh();
  }
}

void CTableView::ClearPlayedCards(int32_t chair) {
  RetirePlayedCards(chair);
  for (int32_t c = 0; c < chair_count_; ++c) {
    if (chair != -1 && c != chair) continue;
    if (CPlayerBoard* board = BoardOfChair(c)) {
      board->HideStatus();
      board->ResetPlayedCards();
    }
  }
}

void CTableView::HidePlayButtons() {
  // The turn's automatic pass goes with its buttons: it must not pass a later turn.
  if (auto_pass_action_ != 0) {
    CancelAction(auto_pass_action_);
    auto_pass_action_ = 0;
  }
  ShowButton(pass_button_, false);
  ShowButton(throw_button_, false);
  ShowButton(remind_button_, false);
  // The pass hint belongs to the buttons of the turn.
  if (pass_hint_ != nullptr && pass_hint_->IsVisible() != 0) {
    CancelObjectActions(pass_hint_->GetKey());
    pass_hint_->Hide();
    pass_hint_->Invalidate();
  }
}

void CTableView::ShowGameButtons(int32_t show) {
  shell::CGameAppBase* app = shell::GetApp();
  if (app == nullptr || app->IsReplayMode() || app->TestTableOption8()) return;
  if (Watching()) {
    ShowButton(ask_card_view_button_, true);
    return;
  }
  ShowButton(check_result_button_, true);
  for (engine::ImageButton* button : sort_buttons_) ShowButton(button, show != 0);
  ShowButton(auto_play_button_, show != 0);
  if (show == 0) ShowButton(check_result_button_, false);
}

void CTableView::RestorePlayButtons(const char* what, int code) {
  const std::string reason = net::AnswerText(code);
  char line[256];
  std::snprintf(line, sizeof line, " <z=qm系统通知> #r%s没有成功: %s\r\n", what, reason.c_str());
  AddChatLine(line);
  if (!IsOwnTurn()) return;
  const bool following = ChairOnTable() != -1;
  ShowButton(throw_button_, true);
  ShowButton(pass_button_, following);
  ShowButton(remind_button_, following);
  if (following) {
    if (pass_button_ != nullptr) pass_button_->SetEnabled(true);
    if (remind_button_ != nullptr) remind_button_->SetEnabled(true);
  }
  UpdateThrowButton();
}

// ---- Around a game ----

void CTableView::ResetTable() {
  for (int32_t i = 0; i < card_view_count_; ++i) {
    if (CCardView* card = card_views_[i]) {
      card->place = card_place::kOutOfPlay;
      card->Refresh();
    }
  }
  for (int32_t c = 0; c < chair_count_; ++c) {
    if (CPlayerBoard* board = BoardOfChair(c)) {
      board->HideStatus();
      board->ResetLook();
    }
  }
  if (info_box_ != nullptr) {
    CancelObjectActions(info_box_->GetKey());
    info_box_->Hide();
    info_box_->Invalidate();
  }
  HidePlayButtons();
  ShowGameButtons(0);
  if (shell::AppFrameView* frame = shell::GetAppView()) {
    frame->HideMatchWaitParts();
    frame->HideMatchResult();
  }
}

void CTableView::PrepareTable() {
  if (!Watching()) SendGameMessage(game_msg::kTablePrepared, 0, nullptr, 0);
  for (int32_t c = 0; c < chair_count_; ++c) LayoutChairCards(c);
  StartClock();
  shell::CGameAppBase* app = shell::GetApp();
  shell::IGameHandler* holder = shell::GetTableStateHolder();
  const int32_t turn = app != nullptr ? app->GetTurnTime() : shell::CGameAppBase::kTurnSeconds;
  if (holder != nullptr && IsChair(holder->GetActiveChair())) UpdateClock(holder->GetActiveChair(), turn);
  if (app != nullptr && app->IsMatch()) {
    ShowMatchInfoBox();
  } else {
    ShowGameInfoBox();
  }
  SortHand(sort_mode::kValueFalling);
  ShowGameButtons(1);
  UpdateActionButtons();
  const TableGameState* state = GetGameState();
  for (int32_t c = 0; state != nullptr && c < chair_count_; ++c) {
    if (c == AppOwnChair() && !Watching()) continue;
    if ((static_cast<uint32_t>(state->chair_status[c]) & kOfflineStatus) == 0) continue;
    if (CPlayerBoard* board = BoardOfChair(c)) board->ShowOffline(1);
  }
}

void CTableView::OnDealOver() {
  DealReplayHands();
  if (auto_play_ != 0) {
    if (CPlayerBoard* own = BoardAt(0)) own->ShowAutoPlay(1);
  }
  StartClock();
  shell::CGameAppBase* app = shell::GetApp();
  shell::IGameHandler* holder = shell::GetTableStateHolder();
  const int32_t turn = app != nullptr ? app->GetTurnTime() : shell::CGameAppBase::kTurnSeconds;
  if (holder != nullptr && IsChair(holder->GetActiveChair())) UpdateClock(holder->GetActiveChair(), turn);
  UpdateActionButtons();
  ShowGameButtons(1);
  auto_play_ticks_ = 0;
}

void CTableView::ClearAfterGame() {
  shell::IGameHandler* holder = shell::GetTableStateHolder();
  if (holder != nullptr && holder->IsGameInProgress()) return;
  TakeFrameQueueEntry();
  if (holder != nullptr) holder->ClearState();
  ResetTable();
  shell::CGameAppBase* app = shell::GetApp();
  if (app == nullptr) return;
  if (app->GetScoreEntries().entries.empty()) {
    // Every seat but the user's own, by where it sits on the screen: the own board stays.
    const int32_t seats = std::min(app->GetPlayerCount(), chair_count_);
    for (int32_t p = 1; p < seats; ++p) {
      if (CPlayerBoard* board = BoardAt(p)) board->Clear();
    }
  }
  if (app->IsMatch()) {
    if (net::CCardGameSession* session = app->GetSession()) session->OnMatchGameEnd();
  }
}

void CTableView::ShowBoardScores() {
  shell::CGameAppBase* app = shell::GetApp();
  if (app == nullptr) return;
  const shell::ScoreEntries& scores = app->GetScoreEntries();
  if (scores.entries.empty()) {
    // No entries: the own board shows nothing won or lost.
    if (CPlayerBoard* own = BoardAt(0)) own->Refresh(0, scores.common);
    return;
  }
  const size_t count = std::min(scores.entries.size(), static_cast<size_t>(std::max(app->GetPlayerCount(), 0)));
  for (size_t i = 0; i < count; ++i) {
    const auto& entry = scores.entries[i];
    const uint32_t user = GetWord(entry.data());
    const auto value = static_cast<int32_t>(GetWord(entry.data() + 4));
    const int32_t position = ChairToPosition(app->GetChairOfUser(user));
    if (position < 0) return;
    if (CPlayerBoard* board = BoardAt(position)) board->Refresh(value, scores.common);
  }
}

void CTableView::RefreshOwnBoardScore() {
  if (CPlayerBoard* own = BoardAt(0)) own->ShowMatchScore();
}

}  // namespace table
