// The table view turns notifications into what the player sees besides the hand: the round
// banner and the chat lines for players who start, drop out and come back, the look-on request
// box and its answers, the framework's game messages, and a played combination's flying cards.
#include <algorithm>
#include <cstdio>
#include <string>

#include "dialogs/look_on_request_box.h"
#include "engine/core/engine_log.h"
#include "engine/ui/image_button.h"
#include "engine/ui/number_display.h"
#include "engine/ui/text_markup.h"
#include "shell/app_frame_view.h"
#include "shell/game_app_base.h"
#include "shell/game_handler.h"
#include "shell/server_notify.h"
#include "table/card_attributes.h"
#include "table/card_rules.h"
#include "table/card_view.h"
#include "table/main_game_rect.h"
#include "table/player_board.h"
#include "table/table_messages.h"
#include "table/table_view.h"

namespace table {
namespace {

constexpr platform::COLORREF kStartedColour = 0x808080;
constexpr platform::COLORREF kMatchRoundColour = 0xFF;
constexpr platform::COLORREF kTableBannerColour = 0xFF0000;
constexpr platform::COLORREF kOfflineColour = 0x4B967D;
constexpr platform::COLORREF kLookOnColour = 0x2C5858;

bool IsSequence(uint32_t type) {
  return type == COMBO_STRAIGHT || type == COMBO_PAIR_STRAIGHT || type == COMBO_TRIPLE_STRAIGHT ||
         type == COMBO_TRIPLE_PAIR_STRAIGHT;
}

std::string Escaped(const std::string& name) { return engine::EscapeMarkupText(name); }

}  // namespace

void CTableView::OnPlayerStarted(int32_t chair) {
  shell::CGameAppBase* app = shell::GetApp();
  if (app == nullptr || app->IsMatch() || !IsChair(chair)) return;
  if (chair != AppOwnChair()) {
    char line[160];
    std::snprintf(line, sizeof line, "<c=%u> %s 已经开始\r\n", static_cast<unsigned>(kStartedColour),
                  Escaped(app->GetChairDisplayName(chair)).c_str());
    AddChatLine(line);
  }
  if (CPlayerBoard* board = BoardOfChair(chair)) board->ShowReady();
}

void CTableView::ShowRoundBanner() {
  shell::CGameAppBase* app = shell::GetApp();
  shell::IGameHandler* holder = shell::GetTableStateHolder();
  if (app != nullptr && !app->IsReplayMode()) {
    const int32_t game = holder != nullptr ? holder->GetGameNumber() : 0;
    char line[200];
    if (app->IsMatch() && app->GetMatchData().round > 0) {
      std::snprintf(line, sizeof line, " <c=%u><size=16>淘汰赛第%s轮\r\n", static_cast<unsigned>(kMatchRoundColour),
                    ChineseNumeral(app->GetMatchData().round).c_str());
      AddChatLine(line);
    } else {
      std::snprintf(line, sizeof line, "\r\n<c=%u><size=16><第%u桌,第%d局>\r\n",
                    static_cast<unsigned>(kTableBannerColour), app->GetTableRecordId(), static_cast<int>(game));
      AddChatLine(line);
      if (!app->TestRoomOption4()) {
        std::snprintf(line, sizeof line, "\r\n<size=12>【第%d局】基础分：<c=255>%d<>分\r\n", static_cast<int>(game),
                      holder != nullptr ? static_cast<int>(holder->GetBaseScore()) : 0);
      } else {
        std::snprintf(line, sizeof line, "\r\n<size=12>【第%d局】基础银：<c=255>%d<>两\r\n", static_cast<int>(game),
                      holder != nullptr ? static_cast<int>(holder->GetBaseSilver()) : 0);
      }
      AddChatLine(line);
    }
  }
  ResetRound();
  if (app != nullptr && app->IsMatch()) {
    ShowMatchInfoBox();
  } else {
    ShowGameInfoBox();
  }
  HideWaitSign();
  DealStep1();
  if (app != nullptr && !app->GetMatchData().ranking_text.empty()) RunAdvertScript("刷新排名");
}

void CTableView::RunAdvertScript(const char* name) {
  if (shell::AppFrameView* frame = shell::GetAppView()) frame->RunAdvertScript(name);
}

void CTableView::OnPlayerOffline(uint32_t user_id) {
  shell::CGameAppBase* app = shell::GetApp();
  if (app == nullptr || !app->IsPlayer(user_id)) return;
  const int32_t chair = app->GetChairOfUser(user_id);
  if (!IsChair(chair)) return;
  if (!Watching() && chair == AppOwnChair()) {
    SendGameMessage(game_msg::kTablePrepared, 0, nullptr, 0);
    return;
  }
  char line[160];
  std::snprintf(line, sizeof line, " <z=qm系统通知> <c=%u>%s掉线了!\r\n", static_cast<unsigned>(kOfflineColour),
                Escaped(app->GetChairName(chair)).c_str());
  AddChatLine(line);
  if (CPlayerBoard* board = BoardOfChair(chair)) board->ShowOffline(1);
}

// ---- Looking on ----

void CTableView::ShowLookOnAnswer(const shell::NotifyBody& body) {
  LookOnAnswerNotice answer;
  if (!ReadLookOnAnswer(body, std::clamp(AppChairCount(), 0, kMaxBoards), &answer)) return;
  ApplyLookOnAnswer(answer);
}

void CTableView::ApplyLookOnAnswer(const LookOnAnswerNotice& answer) {
  shell::CGameAppBase* app = shell::GetApp();
  if (app == nullptr) return;
  char line[200];
  std::snprintf(line, sizeof line, " <c=%u>%s%s%s看牌 \r\n", static_cast<unsigned>(kLookOnColour),
                Escaped(app->GetUserName(answer.user_id)).c_str(), answer.allow == 1 ? "允许" : "禁止",
                Escaped(app->GetUserName(answer.watcher_id)).c_str());
  AddChatLine(line);
  if (!Watching() || answer.chair != AppOwnChair() || answer.watcher_id != app->GetUserId() || answer.allow != 0) {
    return;
  }
  if (HasFaceUpOwnCards() == 0) return;
  for (int32_t i = 0; i < card_view_count_; ++i) {
    CCardView* card = card_views_[i];
    if (card == nullptr || card->chair != AppOwnChair() || card->place != card_place::kHand) continue;
    if (card->card_id < 0 || card->face_up == 0) continue;
    card->face_up = 0;
    card->card_id = -1;
    card->Refresh();
  }
}

int CTableView::HasFaceUpOwnCards() {
  if (!Watching()) return 0;
  for (int32_t i = 0; i < card_view_count_; ++i) {
    const CCardView* card = card_views_[i];
    if (card != nullptr && card->chair == AppOwnChair() && card->place == card_place::kHand && card->card_id >= 0 &&
        card->face_up != 0) {
      return 1;
    }
  }
  return 0;
}

void CTableView::ShowLookOnRequestBox(const shell::NotifyBody& body) {
  shell::CGameAppBase* app = shell::GetApp();
  if (app == nullptr || !body.Has(4)) return;
  const uint32_t user = body.Word(0);
  const shell::PlayerRecord* record = app->FindPlayerRecord(user);
  if (record == nullptr) return;
  const engine::ObjectMessage accept = engine::MakeMessage(GetKey(), view_msg::kLookOnAnswer, user, 1);
  const engine::ObjectMessage refuse = engine::MakeMessage(GetKey(), view_msg::kLookOnAnswer, user, 0);
  const std::string avatar = shell::GetAvatarImageName(record->AvatarId(), 1);
  engine::EngineObject* box = CreateLookOnRequestBox(record->Name().c_str(), avatar.c_str(), &accept, &refuse);
  if (box == nullptr) return;
  box->SetDraggable(true);
  box->SetDepth(kLookOnBoxDepth);
  box->Invalidate();
  PlaySound("SndHi", 1, nullptr);
  if (shell::AppFrameView* frame = shell::GetAppView()) frame->SlideInBoard(box);
}

engine::EngineObject* CTableView::CreateLookOnRequestBox(const char* name, const char* avatar,
                                                         const engine::ObjectMessage* accept,
                                                         const engine::ObjectMessage* refuse) {
  auto* box = new dialogs::CLookOnRequestBox();
  AddToScene(box);
  if (!box->IsRegistered()) {
    delete box;
    return nullptr;
  }
  if (!box->Setup(name, avatar, accept, refuse)) {
    engine::WriteGameLog("table: the look-on request box for \"%s\" cannot be made", name != nullptr ? name : "");
    box->Close();
    return nullptr;
  }
  return box;
}

// ---- Game messages ----

void CTableView::OnGameMessage(const shell::NotifyBody& body) {
  GameMessageNotice message;
  if (!ReadGameMessage(body, &message)) return;
  if (message.id >= kFirstFrameworkMessage && message.id <= kLastFrameworkMessage) {
    OnFrameworkGameMessage(message.id, message.data, message.length);
  } else if (message.id >= kFirstFrameworkMessage2 && message.id <= kLastFrameworkMessage2) {
    OnFrameworkGameMessage2(message.id, message.data, message.length);
  }
}

void CTableView::OnFrameworkGameMessage(int32_t id, const uint8_t* data, int32_t length) {
  if (id != game_msg::kPlayerBack && id != game_msg::kAutoPlayOn && id != game_msg::kAutoPlayOff) return;
  int32_t chair = -1;
  if (!ReadChairWord(id, data, length, std::clamp(AppChairCount(), 0, kMaxBoards), &chair)) return;
  if (id == game_msg::kAutoPlayOn) {
    OnAutoPlayOn(chair);
    return;
  }
  if (id == game_msg::kAutoPlayOff) {
    OnAutoPlayOff(chair);
    return;
  }
  CPlayerBoard* board = BoardOfChair(chair);
  if (board == nullptr || board->IsOffline() == 0) return;
  shell::CGameAppBase* app = shell::GetApp();
  if (app != nullptr) {
    char line[160];
    std::snprintf(line, sizeof line, " <z=qm系统通知> <c=%d>%s重新回到了游戏!\r\n",
                  static_cast<int>(GetIntSetting(kSettingChatColour2)), Escaped(app->GetChairName(chair)).c_str());
    AddChatLine(line);
  }
  board->ShowOffline(0);
  if (clock_ == nullptr) return;
  clock_->Show();
  clock_->Invalidate();
  shell::IGameHandler* holder = shell::GetTableStateHolder();
  if (holder != nullptr && holder->GetActiveChair() == chair) {
    if (const ChairGameState* state = GetChairState(chair)) clock_->SetValue(state->seconds);
  }
}

void CTableView::OnFrameworkGameMessage2(int32_t id, const uint8_t* data, int32_t length) {
  if (id == game_msg::kShowChairCards) ShowChairCards(data, length);
}

void CTableView::ShowChairCards(const uint8_t* data, int32_t length) {
  ChairCardsNotice cards;
  if (!ReadChairCards(data, length, std::clamp(AppChairCount(), 0, kMaxBoards), &cards)) return;
  SetChairHand(cards.chair, cards.ids, cards.count);
  LayoutChairCards(cards.chair);
  if (Watching() && cards.chair == AppOwnChair()) ShowButton(ask_card_view_button_, false);
}

// ---- A play ----

void CTableView::OnPlayNotify(const shell::NotifyBody& body) {
  PlayNotice play;
  if (!ReadPlayNotice(body, std::clamp(AppChairCount(), 0, kMaxBoards), &play)) return;
  CARD_COMBO& combo = play.combo;
  const int32_t chair = play.chair;
  const int32_t n = combo.card_count;
  // A sequence shows from its highest card down, unless the own hand is sorted rising.
  if (IsSequence(combo.type) && sort_mode_ != sort_mode::kCountFalling && sort_mode_ != sort_mode::kValueRising) {
    auto key = [](int32_t id) { return int64_t{GetCardOrder(id, 0, 0)} * 10 + GetCardSuit(id, 0); };
    std::stable_sort(combo.cards, combo.cards + n, [&](int32_t a, int32_t b) { return key(a) > key(b); });
  }
  if (TableGameState* state = GetGameState()) {
    state->chair_on_table = chair;
    state->combo = combo;
  }
  HidePlayButtons();
  PlayComboSound(combo.type, n);
  // What the chair did earlier in this trick gives way to this play: its cards would lie in the
  // same places at the same depths, and its pass mark would stand beside them.
  RetirePlayedCards(chair);
  if (CPlayerBoard* board = BoardOfChair(chair); board != nullptr && board->GetStatusPicture() == kPassPicture) {
    board->HideStatus();
  }
  // One card sets off each action step; each flies in CCardView::kFlightSteps moves.
  const uint32_t step_ms = std::max<uint32_t>(GetMinActionInterval(), 1);
  const int32_t position = ChairToPosition(chair);
  for (int32_t i = 0; i < n; ++i) {
    const int32_t id = combo.cards[i];
    if (id < 0) continue;
    if (id >= card_view_count_) {
      engine::WriteGameLog("table: played card %d is not a card of this table", id);
      continue;
    }
    CCardView* card = FindChairCardById(chair, id);
    if (card == nullptr) continue;
    if (chair == AppOwnChair() && !Watching() && card->card_id != id) {
      engine::WriteGameLog("table: the own hand holds no card %d; card %d is played in its place", id, card->card_id);
    }
    card->card_id = id;
    card->position = position;
    card->chair = chair;
    card->group_count = n;
    card->index = i;
    card->place = card_place::kPlayed;
    card->moving = 1;
    card->selected = 0;
    card->Refresh();
    card->FlyTo(card->target.x, card->target.y, step_ms * static_cast<uint32_t>(i));
  }
  LayoutChairCards(chair);
  if (chair == AppOwnChair()) SortHand(sort_mode_);
  if (play.next_chair != -1) UpdateClock(play.next_chair, play.seconds);
  UpdateActionButtons();
}

// ---- Replay playback ----

bool CTableView::PlayRecordedMessage(int32_t id, const uint8_t* data, uint32_t length) {
  const shell::NotifyBody body{data, data != nullptr ? length : 0};
  const int32_t chairs = std::clamp(AppChairCount(), 0, kMaxBoards);
  switch (static_cast<uint32_t>(id)) {
    case replay_record::kGameStarted:
    case replay_record::kGameStartedAgain:
      DealRecordedRound();
      return true;
    case replay_record::kGameEnded:
      EndRecordedRound();
      return true;
    case shell::notify::kPlay: {
      PlayNotice play;
      if (!ReadPlayNotice(body, chairs, &play)) return false;
      OnPlayNotify(body);
      return true;
    }
    case shell::notify::kPass: {
      PassNotice pass;
      if (!ReadPassNotice(body, chairs, &pass)) return false;
      OnPassNotify(body);
      return true;
    }
    case shell::notify::kGameMessage: {
      GameMessageNotice message;
      if (!ReadGameMessage(body, &message)) return false;
      OnGameMessage(body);
      return true;
    }
    case shell::notify::kNextTurn:
      if (!body.Has(8) || !IsChair(body.Int(1))) return false;
      OnNextTurnNotify(body);
      return true;
    case shell::notify::kTurn:
      OnTurnNotify(body);
      return true;
    default:
      return false;
  }
}

}  // namespace table
