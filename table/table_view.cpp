// The table view: construction, layout, the enter-game step and the board refreshes.
#include "table/table_view.h"

#include <algorithm>

#include "engine/core/canvas_object.h"
#include "engine/core/engine_events.h"
#include "engine/core/sprite_object.h"
#include "engine/ui/bar_button.h"
#include "engine/ui/image_button.h"
#include "engine/ui/number_display.h"
#include "platform/cursor.h"
#include "shell/game_app_base.h"
#include "shell/game_handler.h"
#include "table/card_view.h"
#include "table/main_game_rect.h"
#include "table/player_board.h"
#include "table/table_messages.h"

namespace table {
namespace {

constexpr const char* kBackgroundPicture = "bit_BkgPattern";
constexpr const char* kClockDigits = "digiti_Clock";
constexpr const char* kPenDigits = "digit_Pen";
constexpr const char* kPen2Digits = "digit_Pen2";
constexpr const char* kPassHintPicture = "过牌提示";
constexpr const char* kWaitPicture = "waitsolo";
constexpr int32_t kPenPlusFrame = 10;
constexpr int32_t kPenMinusFrame = 11;
constexpr int32_t kDigitCount = 2;
constexpr uint32_t kForever = 0xFFFFFFFF;

constexpr platform::COLORREF kChatColour1 = 0x408000;
constexpr platform::COLORREF kChatColour2 = 0xF67130;
constexpr platform::COLORREF kChatColour3 = 0x404040;

}  // namespace

CTableView::CTableView() = default;

CTableView::~CTableView() = default;

shell::CGameAppBase* CTableView::GetAppObject() { return shell::GetApp(); }

bool CTableView::Watching() {
  shell::CGameAppBase* app = shell::GetApp();
  return app != nullptr && app->GetLookOn() != 0;
}

CCardView* CTableView::CardView(int32_t i) const { return i >= 0 && i < card_view_count_ ? card_views_[i] : nullptr; }

// ---- Building ----

void CTableView::OnAddedToScene() {
  // The frame names its table "MainGame" before it adds it; the cards find the view by it.
  if (GetName() == nullptr) SetName("MainGame");
  CreateClock();
  CreateBackground();
  CreateTableObjects();
  CreatePlayerBoards(AppChairCount());
  CreateCardViews();
  CreateButtons();
  built_ = true;
  shell::IGameHandler* holder = shell::GetTableStateHolder();
  if (holder == nullptr || !holder->IsGameInProgress()) ResetRound();
  hand_cursor_ = platform::LoadCursorA(nullptr, platform::IDC_HAND);
  arrow_cursor_ = platform::LoadCursorA(nullptr, platform::IDC_ARROW);
  sort_mode_ = sort_mode::kValueFalling;
  prev_sort_mode_ = sort_mode::kValueFalling;
  ApplySoundSetting();
}

void CTableView::CreateClock() {
  clock_ = new engine::NumberDisplay();
  AddToScene(clock_);
  clock_->LoadDigits(kClockDigits, kDigitCount);
  clock_->SetDepth(kClockDepth);
  clock_->Invalidate();
}

void CTableView::CreateBackground() {
  const engine::PictureInfo back = GetPictureInfo(kBackgroundPicture, 0);
  background_ = dynamic_cast<engine::SpriteObject*>(CreateSprite(&back));
  if (background_ != nullptr) {
    background_->SetDepth(kBackgroundDepth);
    background_->Show();
    background_->Invalidate();
  }
  digit_pen_ = new engine::NumberDisplay();
  AddToScene(digit_pen_);
  digit_pen_->LoadDigits(kPenDigits, kDigitCount);
  digit_pen_->AddGlyph("+", kPenDigits, kPenPlusFrame);
  digit_pen_->AddGlyph("-", kPenDigits, kPenMinusFrame);
  digit_pen_->SetDepth(kPenDepth);
  digit_pen_->SetName("DigitPen");
  digit_pen_->Invalidate();
  digit_pen2_ = new engine::NumberDisplay();
  AddToScene(digit_pen2_);
  digit_pen2_->LoadDigits(kPen2Digits, kDigitCount);
  digit_pen2_->SetDepth(kPenDepth);
  digit_pen2_->SetName("DigitPen2");
  digit_pen2_->Invalidate();
  const engine::PictureInfo hint = GetPictureInfo(kPassHintPicture, 0);
  pass_hint_ = dynamic_cast<engine::SpriteObject*>(CreateSprite(&hint));
}

void CTableView::CreateTableObjects() {
  listener_ = CreateObject();
  if (listener_ == nullptr) return;
  SetListener(listener_->GetKey());
  const engine::ObjectMessage right = engine::MakeMessage(GetKey(), view_msg::kGlobalRightDown, 0, 0);
  const engine::ObjectMessage mouse = engine::MakeMessage(GetKey(), view_msg::kGlobalMouse, 0, 0);
  SubscribeListener(engine::QUILLARON_EVENT_RBUTTON_DOWN, &right);
  SubscribeListener(engine::QUILLARON_EVENT_RBUTTON_DOWN, &mouse);
  SubscribeListener(engine::QUILLARON_EVENT_LBUTTON_DOWN, &mouse);
}

void CTableView::CreatePlayerBoards(int32_t chair_count) {
  chair_count_ = std::clamp(chair_count, 0, kMaxBoards);
  for (int32_t c = 0; c < chair_count_; ++c) {
    const int32_t p = ChairToPosition(c);
    if (p < 0 || p >= kMaxBoards || boards_[p] != nullptr) continue;
    auto* board = new CPlayerBoard();
    AddToScene(board);
    board->Build(p);
    boards_[p] = board;
  }
}

void CTableView::CreateCardViews() {
  card_view_count_ = std::clamp(GetTotalCards(), 0, kMaxCardViews);
  for (int32_t i = 0; i < card_view_count_; ++i) {
    auto* card = new CCardView();
    AddToScene(card);
    card->Hide();
    card->Invalidate();
    card_views_[i] = card;
  }
}

void CTableView::CreateButtons() {
  start_button_ = CreateButton("btn_StartGame", view_msg::kStartButton, nullptr, 1);
  throw_button_ = CreateButton("btnThrow", view_msg::kThrow, nullptr, 1);
  pass_button_ = CreateButton("btnPass", view_msg::kPass, nullptr, 1);
  remind_button_ = CreateButton("btnRemaind", view_msg::kRemind, nullptr, 1);
  sort_buttons_[0] = CreateButton("btn_Sort1", view_msg::kSort1, "单张", 1);
  sort_buttons_[1] = CreateButton("btn_Sort2", view_msg::kSort2, "对子", 1);
  sort_buttons_[2] = CreateButton("btn_Sort3", view_msg::kSort3, "三张", 1);
  sort_buttons_[3] = CreateButton("btn_SortBomb", view_msg::kSortBomb, "炸弹", 1);
  sort_buttons_[4] = CreateButton("btn_SortBig", view_msg::kSortBig, "大小排序", 1);
  sort_buttons_[5] = CreateButton("btn_SortType", view_msg::kSortType, "张数排序", 1);
  auto_play_button_ = CreateButton("btn_AutoPlay", view_msg::kAutoPlay, nullptr, 1);
  check_result_button_ = CreateButton("btn_CheckResult", view_msg::kCheckResult, nullptr, 1);
  ask_card_view_button_ = CreateButton("btn_AskCardView", view_msg::kAskCardView, nullptr, 0);
}

engine::ImageButton* CTableView::CreateButton(const char* picture, uint32_t message, const char* tip, int32_t hand,
                                              int32_t first_frame, int32_t frame_count) {
  engine::ImageButton* button = engine::MakeImageButton(
      this, GetPictureInfo(picture, 0), engine::MakeMessage(GetKey(), message, 0, 0), first_frame, frame_count);
  if (button == nullptr) return nullptr;
  button->SetSound(1, "SndTouchButton");
  button->SetSound(2, "SndHitButton");
  button->SetDepth(kButtonDepth);
  button->SetHandCursor(hand != 0);
  if (tip != nullptr) AttachTip(button, tip);
  return button;
}

void CTableView::AttachTip(engine::EngineObject* target, const char* tip) {
  auto* bar = new engine::BarButton();
  AddToScene(bar);
  bar->Create(target, tip, kTipWidth);
}

void CTableView::LoadCardBacks(int32_t, int32_t) {
  const engine::PictureInfo small = GetPictureInfo("牌背面50x68", 0);
  const engine::PictureInfo large = GetPictureInfo("牌背面71x96", 0);
  const engine::PictureInfo board = GetPictureInfo("PlayerBoardSmall", 0);
  SetIntSetting(kSettingLargeBackWidth, large.width);
  SetIntSetting(kSettingLargeBackHeight, large.height);
  SetIntSetting(kSettingSmallBackWidth, small.width);
  SetIntSetting(kSettingSmallBackHeight, small.height);
  SetIntSetting(kSettingBoardHeight, board.height);
  SetIntSetting(kSettingChatColour1, static_cast<int32_t>(kChatColour1));
  SetIntSetting(kSettingChatColour2, static_cast<int32_t>(kChatColour2));
  SetIntSetting(kSettingChatColour3, static_cast<int32_t>(kChatColour3));
}

// ---- Layout ----

void CTableView::OnRectChanged() {
  if (!built_) return;
  platform::RECT r{};
  GetRect(&r);
  const int32_t left = r.left;
  const int32_t top = r.top;
  const int32_t w = r.right - r.left;
  const int32_t h = r.bottom - r.top;
  LoadCardBacks(w, h);
  if (background_ != nullptr) {
    background_->MoveTo(left + w / 2, top + h / 2);
    background_->Invalidate();
  }
  for (int32_t i = 0; i < card_view_count_; ++i) {
    if (CCardView* card = card_views_[i]) {
      card->LoadBackImage();
      card->Refresh();
    }
  }
  for (int32_t c = 0; c < chair_count_; ++c) {
    if (CPlayerBoard* board = BoardOfChair(c)) board->PlaceOnTable();
    LayoutChairCards(c);
  }
  if (start_button_ != nullptr) {
    start_button_->MoveTo(left + w / 2, top + (3 * h) / 4);
    start_button_->Invalidate();
  }
  if (CCardView* first = CardView(0)) SetIntSetting(kSettingLargeBackHeight, first->large_height);
  const double card_height = GetIntSetting(kSettingLargeBackHeight);
  const double board_height = GetIntSetting(kSettingBoardHeight);
  const double pass_height = pass_button_ != nullptr ? pass_button_->GetHeight() : 0.0;
  const auto row = static_cast<int32_t>(top + h - card_height - kActionRowGap - board_height - pass_height / 2);
  engine::ImageButton* action_row[] = {pass_button_, throw_button_, remind_button_};
  for (int k = 0; k < 3; ++k) {
    if (action_row[k] == nullptr) continue;
    action_row[k]->MoveTo(left + w / 2 + (k - 1) * kActionSpacing, row);
    action_row[k]->Invalidate();
  }
  if (clock_ != nullptr) {
    shell::IGameHandler* holder = shell::GetTableStateHolder();
    const int32_t active = holder != nullptr ? holder->GetActiveChair() : -1;
    if (CPlayerBoard* board = BoardOfChair(active)) {
      platform::POINT at{};
      board->GetCardAnchor(&at, ChairOnTable() == -1 ? CPlayerBoard::kAnchorLead : CPlayerBoard::kAnchorFollow);
      clock_->MoveTo(at.x, at.y);
    }
    clock_->Invalidate();
  }
  // From the right: bomb, triples, pairs, singles, by count, by size.
  const int order[kSortButtons] = {3, 2, 1, 0, 5, 4};
  for (int k = 0; k < kSortButtons; ++k) {
    if (engine::ImageButton* b = sort_buttons_[order[k]]) {
      b->MoveTo(left + w - kSortInset - kSortSpacing * k, top + h - kSortInset);
      b->Invalidate();
    }
  }
  if (auto_play_button_ != nullptr) {
    auto_play_button_->MoveTo(left + 37, top + h - 18);
    auto_play_button_->Invalidate();
  }
  if (check_result_button_ != nullptr) {
    check_result_button_->MoveTo(left + 107, top + h - 18);
    check_result_button_->Invalidate();
  }
  if (ask_card_view_button_ != nullptr) {
    ask_card_view_button_->MoveTo(left + 35, top + h - 20);
    ask_card_view_button_->Invalidate();
  }
  if (pass_hint_ != nullptr && throw_button_ != nullptr) {
    pass_hint_->MoveTo(throw_button_->GetX(), throw_button_->GetY() + 28);
    pass_hint_->Invalidate();
  }
  if (info_box_ != nullptr) {
    const double bw = info_box_->GetWidth();
    const double bh = info_box_->GetHeight();
    shell::CGameAppBase* app = shell::GetApp();
    const double inset = app != nullptr && app->IsMatch() ? 0.0 : 10.0;
    info_box_->MoveTo(left + bw / 2 + inset, top + bh / 2 + inset);
    info_box_->Invalidate();
  }
  PlaceReplayBar();
  RedrawAll();
}

int32_t CTableView::ChairOnTable() {
  const TableGameState* state = GetGameState();
  return state != nullptr ? state->chair_on_table : -1;
}

void CTableView::OnEnterGame() {
  RefreshOwnBoard();
  if (GetRecorder() == nullptr) CreateReplayRecorder();
  OpenReplayFile();
  LoadKickTime();
}

void CTableView::SendReadyRequest(int32_t value) { CGameView::SendReadyRequest(value); }

void CTableView::ApplySoundSetting() {
  shell::CGameAppBase* app = shell::GetApp();
  if (app != nullptr) SetSoundOff(!app->IsSoundOn());
}

// ---- Boards ----

void CTableView::RefreshOwnBoard() {
  if (CPlayerBoard* own = BoardAt(0)) own->ShowRankBadge(AppOwnChair());
}

void CTableView::ShowSeatedPlayers() {
  shell::CGameAppBase* app = shell::GetApp();
  if (app == nullptr) return;
  shell::IGameHandler* holder = shell::GetTableStateHolder();
  for (int32_t c = 0; c < chair_count_; ++c) {
    CPlayerBoard* board = BoardOfChair(c);
    if (board == nullptr || !app->IsChairTaken(c)) continue;
    board->ShowRankBadge(c);
    if (holder != nullptr && holder->IsChairReady(c)) board->ShowReady();
  }
  if (app->TestTableOption2() && app->GetField9() == 0) {
    if (Watching() || app->IsGameRunning() != 0) return;
    ShowWaiting();
  } else if (!Watching()) {
    ShowStartButton();
  }
}

void CTableView::RefreshBoards() {
  shell::CGameAppBase* app = shell::GetApp();
  for (int32_t c = 0; app != nullptr && c < chair_count_; ++c) {
    CPlayerBoard* board = BoardOfChair(c);
    if (board != nullptr && app->IsChairTaken(c)) board->ShowRankBadge(c);
  }
  PrepareTable();
}

void CTableView::OnPlayerSeated(const shell::PlayerRecord* record) {
  if (record == nullptr) return;
  const int32_t chair = record->Chair();
  if (CPlayerBoard* board = BoardOfChair(chair)) board->ShowRankBadge(chair);
}

void CTableView::OnPlayerLeft(const shell::PlayerRecord* record) {
  if (record == nullptr) return;
  if (CPlayerBoard* board = BoardOfChair(record->Chair())) board->Clear();
}

void CTableView::OnTableArranged() {
  if (shell::IGameHandler* holder = shell::GetTableStateHolder()) holder->ClearState();
  ResetTable();
  RefreshPlayerBoards();
}

void CTableView::OnTableRearranged() { OnTableArranged(); }

void CTableView::RefreshPlayerBoards() {
  shell::CGameAppBase* app = shell::GetApp();
  // The players seated, never more than the table has boards for.
  const int32_t n = app != nullptr ? std::min(app->GetPlayerCount(), chair_count_) : 0;
  for (int32_t c = 0; c < n; ++c) {
    if (CPlayerBoard* board = BoardOfChair(c)) {
      board->Clear();
      board->ShowRankBadge(c);
    }
  }
  PlaySound("snd_ArrageTable", 1, nullptr);
}

void CTableView::RefreshSeatedBoards() {
  shell::CGameAppBase* app = shell::GetApp();
  for (int32_t c = 0; c < chair_count_; ++c) {
    CPlayerBoard* board = BoardOfChair(c);
    if (board == nullptr) continue;
    board->Clear();
    if (app != nullptr && app->IsChairTaken(c)) board->ShowRankBadge(c);
  }
  PlaySound("snd_ArrageTable", 1, nullptr);
}

void CTableView::ClearReadyMarks() {
  for (int32_t c = 0; c < chair_count_; ++c) {
    if (CPlayerBoard* board = BoardOfChair(c)) board->HideReady();
  }
  ShowWaiting();
}

// ---- The deal, the start button, the waiting sign and the clock ----

void CTableView::ResetRound() {
  chair_count_ = std::clamp(AppChairCount(), 0, kMaxBoards);
  drag_anchor_ = -1;
  deal_step_ = 0;
  selected_count_ = 0;
  last_sort_group_ = 0;
  auto_play_off_time_ = 0;
  hint_combo_.Clear();
  group_hint_combo_.Clear();
  for (int32_t i = 0; i < card_view_count_; ++i) {
    CCardView* card = card_views_[i];
    if (card == nullptr) continue;
    card->Reset();
    card->index = i;
    card->Refresh();
  }
  for (int32_t c = 0; c < chair_count_; ++c) {
    // A new deal changes the boards' look, not who sits at them.
    if (CPlayerBoard* board = BoardOfChair(c)) board->ResetLook();
    if (ChairGameState* state = GetChairState(c)) state->round_flag = 0;
  }
  if (clock_timer_ != 0) {
    CancelAction(clock_timer_);
    clock_timer_ = 0;
  }
  if (auto_pass_action_ != 0) {
    CancelAction(auto_pass_action_);
    auto_pass_action_ = 0;
  }
}

void CTableView::ShowStartButton() {
  shell::CGameAppBase* app = shell::GetApp();
  if (app != nullptr && app->IsGameRunning() != 0) return;
  if (start_button_ != nullptr) {
    start_button_->Show();
    start_button_->Invalidate();
  }
  StartIdleKickTimer();
}

void CTableView::ShowWaiting() {
  shell::CGameAppBase* app = shell::GetApp();
  if (app != nullptr && app->IsGameRunning() != 0) return;
  if (wait_sign_ == nullptr) {
    const engine::PictureInfo info = GetPictureInfo(kWaitPicture, 0);
    wait_sign_ = dynamic_cast<engine::SpriteObject*>(CreateSprite(&info));
    if (wait_sign_ == nullptr) return;
    wait_sign_->SetDepth(kWaitSignDepth);
    platform::RECT r{};
    GetRect(&r);
    wait_sign_->MoveTo(r.left + (r.right - r.left) / 2, r.top + (3 * (r.bottom - r.top)) / 4);
  }
  // One loop at a time: a second call restarts it rather than adding another.
  CancelObjectActions(wait_sign_->GetKey());
  AnimateSprite(wait_sign_, 0, kForever, 0, 0, nullptr);
  wait_sign_->Show();
  wait_sign_->Invalidate();
}

void CTableView::HideWaitSign() {
  if (wait_sign_ == nullptr) return;
  CancelObjectActions(wait_sign_->GetKey());
  wait_sign_->Hide();
  wait_sign_->Invalidate();
}

}  // namespace table
