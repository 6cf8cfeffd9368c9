// The table view's buttons: play, pass, hint, the group and sort buttons, auto-play, asking to
// see the watched cards, the start and continue steps, and the answer to a look-on request.
#include <algorithm>
#include <cstdio>
#include <string>

#include "engine/core/engine_events.h"
#include "engine/core/engine_log.h"
#include "engine/ui/image_button.h"
#include "engine/ui/text_markup.h"
#include "net/answer_codes.h"
#include "net/card_game_session.h"
#include "platform/win_messages.h"
#include "shell/app_frame_view.h"
#include "shell/game_app_base.h"
#include "shell/game_frame_wnd.h"
#include "shell/game_handler.h"
#include "table/card_view.h"
#include "table/main_game_rect.h"
#include "table/player_board.h"
#include "table/table_messages.h"
#include "table/table_view.h"

namespace table {
namespace {

constexpr platform::COLORREF kLookOnColour = 0x2C5858;
// The failed start's box: the information icon and its OK, no time limit: it stays until read.
constexpr int32_t kNoTimeLimit = 0;
constexpr int32_t kInformationStyle = 0x40;

// The first k counts of the group buttons: singles, pairs, triples; bombs take 4 to 8.
constexpr int32_t kBombSizes[] = {4, 5, 6, 7, 8};

}  // namespace

int CTableView::OnButton(const engine::ObjectMessage* message) {
  if (message == nullptr) return 1;
  const uint32_t id = message->id;
  switch (id) {
    case view_msg::kThrow:
      PlaySelected();
      break;
    case view_msg::kPass:
      RequestPass();
      break;
    case view_msg::kRemind:
      ShowNextHint();
      break;
    case view_msg::kAskCardView:
    case view_msg::kAskCardView2:
      AskToSeeCards();
      break;
    case view_msg::kCheckResult:
      ToggleResultPanel();
      break;
    case view_msg::kSettlementClosed:
      OnSettlementClosed();
      break;
    case view_msg::kContinueAfterResult:
      ContinueAfterResult();
      break;
    case view_msg::kSort1:
      SelectSingles(id);
      break;
    case view_msg::kSort2:
      SelectPairs(id);
      break;
    case view_msg::kSort3:
      SelectTriples(id);
      break;
    case view_msg::kSortBomb:
      SelectBombs(id);
      break;
    case view_msg::kSortBig:
      ToggleValueOrder();
      break;
    case view_msg::kSortType:
      SortByCount();
      break;
    case view_msg::kSortSuit:
      SortBySuit();
      break;
    case view_msg::kAutoPlay:
      ToggleAutoPlay();
      break;
    case view_msg::kCloseWindow:
      // Leaving goes through the main window's exit rules, as the window's own close does.
      if (shell::CGameAppBase* app = shell::GetApp(); app != nullptr && app->GetMainWnd() != nullptr) {
        app->GetMainWnd()->PostMessage(platform::WM_CLOSE, 0, 0);
      }
      break;
    case view_msg::kTableChoice1:
      SendTableChoice(0, 1);
      break;
    case view_msg::kTableChoice2:
      SendTableChoice(0, 2);
      break;
    case view_msg::kTableChoice3:
      SendTableChoice(0, 3);
      break;
    case view_msg::kTableChoice4:
      SendTableChoice(1, 0);
      break;
    default:
      break;
  }
  return 1;
}

// ---- Play and pass ----

void CTableView::PlaySelected() {
  if (Watching() || !Usable(throw_button_)) return;
  CCardView* hand[kMaxCardViews];
  const int32_t n = OwnHand(hand, kMaxCardViews);
  int32_t ids[kCardList];
  int32_t count = 0;
  for (int32_t i = 0; i < n && count < kCardList; ++i) {
    if (hand[i]->selected != 0 && hand[i]->card_id >= 0) ids[count++] = hand[i]->card_id;
  }
  if (count == 0) return;
  HidePlayButtons();
  const int code = SendPlay(ids, count);
  if (code != net::answer::kOk) RestorePlayButtons("出牌", code);
}

void CTableView::RequestPass() {
  if (Watching() || !Usable(pass_button_)) return;
  HidePlayButtons();
  ClearSelection();
  shell::CGameAppBase* app = shell::GetApp();
  net::CCardGameSession* session = app != nullptr ? app->GetSession() : nullptr;
  const int code =
      session != nullptr ? session->SendPass(session->MakePassRecord(ChairOnTable())) : net::answer::kNotSent;
  if (code != net::answer::kOk) RestorePlayButtons("不出", code);
}

void CTableView::SendTableChoice(int32_t a, int32_t b) {
  shell::CGameAppBase* app = shell::GetApp();
  if (net::CCardGameSession* session = app != nullptr ? app->GetSession() : nullptr) session->SendTableChoice(a, b);
}

// ---- Group and sort buttons ----

namespace {

// Runs a group button's selection: a second press of the same button clears.
template <typename Select>
void GroupButton(CTableView* view, uint32_t message, uint32_t* last, Select select) {
  view->PlaySound("Snd_HitCard", 1, nullptr);
  view->ClearSelection();
  if (*last == message) {
    view->UpdateThrowButton();
    *last = 0;
    return;
  }
  select();
  *last = message;
}

}  // namespace

void CTableView::SelectSingles(uint32_t message) {
  GroupButton(this, message, &last_sort_group_, [this] { SelectGroupsOfCount(1); });
}

void CTableView::SelectPairs(uint32_t message) {
  GroupButton(this, message, &last_sort_group_, [this] { SelectGroupsOfCount(2); });
}

void CTableView::SelectTriples(uint32_t message) {
  GroupButton(this, message, &last_sort_group_, [this] { SelectGroupsOfCount(3); });
}

void CTableView::SelectBombs(uint32_t message) {
  GroupButton(this, message, &last_sort_group_, [this] {
    SelectHandHintOfType(COMBO_FOUR_JOKERS, 1);
    for (const int32_t k : kBombSizes) SelectGroupsOfCount(k);
  });
}

void CTableView::SortByCount() {
  last_sort_group_ = 0;
  if (sort_mode_ == sort_mode::kCountRising || sort_mode_ == sort_mode::kCountFalling) {
    sort_mode_ = sort_mode_ == sort_mode::kCountRising ? sort_mode::kCountFalling : sort_mode::kCountRising;
  } else {
    prev_sort_mode_ = sort_mode_;
    sort_mode_ = sort_mode::kCountRising;
  }
  SortHand(sort_mode_);
  PlaySound("snd_sort", 1, nullptr);
}

void CTableView::SortBySuit() {
  last_sort_group_ = 0;
  if (sort_mode_ == sort_mode::kSuit) {
    sort_mode_ = prev_sort_mode_;
  } else {
    prev_sort_mode_ = sort_mode_;
    sort_mode_ = sort_mode::kSuit;
  }
  SortHand(sort_mode_);
  PlaySound("snd_sort", 1, nullptr);
}

void CTableView::ToggleValueOrder() {
  last_sort_group_ = 0;
  if (sort_mode_ == sort_mode::kSuit) sort_mode_ = prev_sort_mode_;
  const char* picture = nullptr;
  if (sort_mode_ == sort_mode::kValueFalling) {
    sort_mode_ = sort_mode::kValueRising;
    picture = "btn_SortSmall";
  } else {
    sort_mode_ = sort_mode::kValueFalling;
    picture = "btn_SortBig";
  }
  if (engine::ImageButton* button = sort_buttons_[4]) {
    const engine::PictureInfo info = GetPictureInfo(picture, 0);
    button->SetPicture(&info);
  }
  SortHand(sort_mode_);
  PlaySound("snd_sort", 1, nullptr);
}

// ---- Auto-play ----

void CTableView::ToggleAutoPlay() {
  const uint32_t now = GetElapsedMs();
  if (auto_play_ == 0 && auto_play_off_time_ != 0 && now - auto_play_off_time_ < kAutoPlayCoolDownMs) {
    char line[128];
    std::snprintf(line, sizeof line, " <z=qm系统通知> #b您还需要%d秒才能再次开启托管功能!\r\n",
                  static_cast<int>((auto_play_off_time_ + kAutoPlayCoolDownMs - now) / 1000 + 1));
    AddChatLine(line);
    return;
  }
  const int32_t own = AppOwnChair();
  SendGameMessage(auto_play_ == 0 ? game_msg::kAutoPlayOn : game_msg::kAutoPlayOff, sizeof own, &own, 0);
}

void CTableView::ToggleAutoPlay(int32_t on) {
  auto_play_ = on != 0 ? 1 : 0;
  shell::CGameAppBase* app = shell::GetApp();
  if (app != nullptr && !app->IsReplayMode()) {
    if (shell::AppFrameView* frame = shell::GetAppView()) frame->ShowAutoPlay(auto_play_ != 0);
  }
  if (auto_play_button_ != nullptr) {
    const engine::PictureInfo info = GetPictureInfo(auto_play_ != 0 ? "btn_CancelAutoPlay" : "btn_AutoPlay", 0);
    auto_play_button_->SetPicture(&info);
    auto_play_button_->Invalidate();
  }
}

// ---- Starting and continuing ----

void CTableView::OnStartStep() {
  ShowButton(start_button_, false);
  // The player starts: the idle kick is not for them (a refused start shows the button, and
  // with it the kick, again).
  StopIdleKickTimer();
  auto_play_ticks_ = 0;
  shell::IGameHandler* holder = shell::GetTableStateHolder();
  if (holder != nullptr && holder->IsGameInProgress()) return;
  ResetTable();
  for (int32_t c = 0; holder != nullptr && c < chair_count_; ++c) {
    if (!holder->IsChairReady(c)) continue;
    if (CPlayerBoard* board = BoardOfChair(c)) board->ShowReady();
  }
  shell::CGameAppBase* app = shell::GetApp();
  net::CCardGameSession* session = app != nullptr ? app->GetSession() : nullptr;
  if (session == nullptr) return;
  std::string text;
  if (app->TestTableOption40() && app->TestTableOption80()) {
    if (session->RequestStartAuto(&text) == 0) ShowStartButton();
    return;
  }
  if (session->RequestStart(&text) != 0 || app->IsOfflineMode() != 0) return;
  // The client cannot play at this table: the user reads why, and OK closes the main window
  // through its close rules, as any close does.
  engine::WriteGameLog("table: the start was refused: %s", text.c_str());
  const engine::ObjectMessage ok = engine::MakeMessage(GetKey(), view_msg::kCloseWindow, 0, 0);
  app->ShowMessageBox(text.c_str(), &ok, nullptr, kNoTimeLimit, kInformationStyle, "");
}

void CTableView::RequestContinue() {
  shell::CGameAppBase* app = shell::GetApp();
  if (app == nullptr || !app->TestTableOption40() || !app->TestTableOption80() || app->TestTableOption2()) return;
  net::CCardGameSession* session = app->GetSession();
  std::string text;
  if (session == nullptr || session->RequestContinue(&text) == 0) return;
  if (CPlayerBoard* own = BoardAt(0)) own->HideReady();
  ShowStartButton();
}

void CTableView::OnSettlementClosed() {
  shell::CGameAppBase* app = shell::GetApp();
  if (app == nullptr || app->IsGameRunning() != 0 || app->IsMatch() || Watching()) return;
  ShowStartButton();
}

void CTableView::ContinueAfterResult() {
  shell::CGameAppBase* app = shell::GetApp();
  if (app == nullptr || app->IsGameRunning() != 0 || Watching() || app->IsReplayMode()) return;
  ResetTable();
  shell::IGameHandler* holder = shell::GetTableStateHolder();
  for (int32_t c = 0; holder != nullptr && c < chair_count_; ++c) {
    if (!holder->IsChairReady(c)) continue;
    if (CPlayerBoard* board = BoardOfChair(c)) board->ShowReady();
  }
  OnStartStep();
}

// ---- Looking on ----

void CTableView::AskToSeeCards() {
  shell::CGameAppBase* app = shell::GetApp();
  shell::IGameHandler* holder = shell::GetTableStateHolder();
  if (app == nullptr || !Watching() || app->TestTableOption8() || holder == nullptr || !holder->IsGameInProgress()) {
    return;
  }
  if (net::CCardGameSession* session = app->GetSession()) session->AskToSeeCards();
  PlaySound("SndHitButton", 1, nullptr);
  if (ask_card_view_button_ != nullptr) {
    ask_card_view_button_->SetEnabled(false);
    CancelObjectActions(ask_card_view_button_->GetKey());
    if (ask_card_view_action_ != 0) CancelAction(ask_card_view_action_);
    // The button takes the engine's enable event as "enable yourself": pressable again in 15 s.
    const engine::ObjectMessage enable =
        engine::MakeMessage(ask_card_view_button_->GetKey(), engine::QUILLARON_EVENT_ENABLED, 0, 0);
    ask_card_view_action_ = Delay(kAskCardViewRestMs, &enable);
  }
  char line[160];
  std::snprintf(line, sizeof line, " <c=%u>请求%s给我看牌\r\n", static_cast<unsigned>(kLookOnColour),
                engine::EscapeMarkupText(app->GetChairDisplayName(AppOwnChair())).c_str());
  AddChatLine(line);
}

void CTableView::AnswerLookOnRequest(uint32_t user_id, int32_t allow) {
  shell::CGameAppBase* app = shell::GetApp();
  net::CCardGameSession* session = app != nullptr ? app->GetSession() : nullptr;
  if (session == nullptr) return;
  if (session->SetLookOnPermission(user_id, allow) == 0) {
    // The server did not take the answer: nothing changed, and the user is told.
    AddChatLine(" <z=qm系统通知> #r看牌的回答没有送到服务器\r\n");
    return;
  }
  LookOnAnswerNotice answer;
  answer.user_id = app->GetUserId();
  answer.room_record_id = app->GetRoomRecordId();
  answer.table_record_id = app->GetTableRecordId();
  answer.chair = AppOwnChair();
  answer.watcher_id = user_id;
  answer.allow = allow;
  ApplyLookOnAnswer(answer);
}

}  // namespace table
