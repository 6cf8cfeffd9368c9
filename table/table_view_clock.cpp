// The table view's turn clock and its information boxes. The clock is a number display beside
// the acting chair's board, counted down by a repeating 1000 ms view_msg::kClockTick; at zero it
// plays for the user once and then reminds the server every ten ticks. The information box in the
// table's top-left corner shows the base score, or in match mode the round, the base score and
// the match format.
#include <algorithm>
#include <cstdio>
#include <string>

#include "engine/core/canvas_object.h"
#include "engine/core/colour_key.h"
#include "engine/core/engine_log.h"
#include "engine/ui/font_record.h"
#include "engine/ui/image_button.h"
#include "engine/ui/number_display.h"
#include "engine/ui/text_markup.h"
#include "shell/game_app_base.h"
#include "shell/game_handler.h"
#include "table/card_view.h"
#include "table/main_game_rect.h"
#include "table/player_board.h"
#include "table/table_messages.h"
#include "table/table_view.h"

namespace table {
namespace {

constexpr uint32_t kWalkClearsFlag = 0x100;  // the holder's state flag: a turn clears the chairs it passes
constexpr int32_t kClockBesideBoard = 2;     // the board's anchor kind for a clock of a table without walks
constexpr int32_t kZeroReminderEvery = 10;
constexpr int32_t kZeroReminderAt = 3;
constexpr platform::COLORREF kMatchTextColour = 0x81C593;
constexpr platform::COLORREF kFormatNoteColour = 0x09FEC5;
constexpr const char* kKnockoutFormat = "定局淘汰";
constexpr double kFadeStep = 0.1;
constexpr uint32_t kFadeIntervalMs = 30;
enum InfoBoxKind : int32_t { kNoBox = 0, kGameBox = 1, kMatchBox = 2 };

// A colour as the canvas's "color=" tag reads it: six hex digits RRGGBB (a COLORREF holds
// 0x00BBGGRR).
std::string ColourTag(platform::COLORREF colour) {
  char tag[16];
  std::snprintf(tag, sizeof tag, "<color=%02X%02X%02X>", colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
  return tag;
}

}  // namespace

void CTableView::StartClock() {
  // A clock already running is stopped first: two repeating ticks would count twice as fast.
  if (clock_timer_ != 0) CancelAction(clock_timer_);
  clock_held_ = false;
  const engine::ObjectMessage tick = engine::MakeMessage(GetKey(), view_msg::kClockTick, 0, 0);
  clock_timer_ = RepeatMessage(kClockPeriodMs, -1, &tick);
  if (clock_ != nullptr) {
    clock_->Show();
    clock_->Invalidate();
  }
  ToggleAutoPlay(0);
  if (CPlayerBoard* own = BoardAt(0)) own->ShowAutoPlay(0);
}

void CTableView::StopClock() {
  if (clock_timer_ != 0) CancelAction(clock_timer_);
  clock_timer_ = 0;
  clock_held_ = false;
  if (clock_ != nullptr) {
    clock_->Hide();
    clock_->Invalidate();
  }
  ToggleAutoPlay(0);
  if (CPlayerBoard* own = BoardAt(0)) own->ShowAutoPlay(0);
}

void CTableView::UpdateClock(int32_t chair, int32_t seconds) {
  if (!IsChair(chair)) {
    engine::WriteGameLog("table: the clock cannot go to chair %d", chair);
    return;
  }
  if (clock_ != nullptr && seconds >= 0) clock_->SetValue(seconds);
  shell::IGameHandler* holder = shell::GetTableStateHolder();
  const bool walk_clears = holder != nullptr && (holder->GetStateFlags() & kWalkClearsFlag) != 0;
  if (CPlayerBoard* board = BoardOfChair(chair); board != nullptr && clock_ != nullptr) {
    platform::POINT at{};
    const int32_t kind = !walk_clears           ? kClockBesideBoard
                         : ChairOnTable() == -1 ? CPlayerBoard::kAnchorLead
                                                : CPlayerBoard::kAnchorFollow;
    board->GetCardAnchor(&at, kind);
    clock_->MoveTo(at.x, at.y);
    clock_->Invalidate();
  }
  if (walk_clears && holder != nullptr) {
    // Each player's last play leaves the table when the turn comes round to them. A walk from a
    // chair outside the table clears the new chair only; no walk goes round more than once.
    int32_t c = holder->GetActiveChair();
    if (!IsChair(c)) {
      ClearPlayedCards(chair);
    } else {
      for (int32_t steps = 0; c != chair && steps < chair_count_; ++steps) {
        c = PrevChair(c);
        if (c < 0) break;
        ClearPlayedCards(c);
      }
    }
  }
  if (ChairGameState* state = GetChairState(chair); state != nullptr && seconds >= 0) state->seconds = seconds;
  if (holder != nullptr) holder->SetActiveChair(chair);
  shell::CGameAppBase* app = shell::GetApp();
  const int32_t players = app != nullptr ? std::min(app->GetPlayerCount(), chair_count_) : 0;
  for (int32_t c = 0; c < players; ++c) {
    if (CPlayerBoard* board = BoardOfChair(c)) board->SetHighlighted(c == chair ? 1 : 0);
  }
}

void CTableView::OnClockTick() {
  if (clock_ == nullptr) return;
  const int32_t shown = clock_->GetValue();
  if (shown >= 1) {
    zero_ticks_ = 0;
    clock_->SetValue(shown - 1);
    if (auto_play_ != 0 && !Watching()) AutoPlayTick();
    return;
  }
  if (shown < 0) return;
  if (zero_ticks_ == 0) AutoPlayStep();
  ++zero_ticks_;
  if (zero_ticks_ % kZeroReminderEvery == kZeroReminderAt) SendGameMessage(game_msg::kClockAtZero, 0, nullptr, 0);
}

// ---- The information boxes ----

namespace {

// Makes (or remakes at the picture's size) the box's canvas and draws the picture into it.
engine::CanvasObject* BoxCanvas(CTableView* view, engine::CanvasObject* box, const engine::PictureInfo& picture) {
  if (box == nullptr) {
    box = view->CreateCanvas(picture.width, picture.height, engine::kColourKey);
    if (box == nullptr) return nullptr;
  } else if (box->GetSurfaceWidth() != picture.width || box->GetSurfaceHeight() != picture.height) {
    // The object takes the new size too: the layout places the box by it.
    box->ResizeSurface(picture.width, picture.height);
    box->Resize(picture.width, picture.height);
  }
  box->Clear();
  box->DrawImage(&picture, 0, 0, -1, -1, 0, 1.0);
  return box;
}

}  // namespace

void CTableView::ShowGameInfoBox() {
  const engine::PictureInfo picture = GetPictureInfo("游戏信息框", 0);
  info_box_ = BoxCanvas(this, info_box_, picture);
  if (info_box_ == nullptr) return;
  info_box_kind_ = kGameBox;
  if (info_number_ == nullptr) {
    info_number_ = new engine::NumberDisplay();
    AddToScene(info_number_);
    info_number_->LoadDigits("digit_Pen", 2);
    const engine::PictureInfo unit = GetPictureInfo("str_分", 0);
    info_number_->SetUnit("分", &unit);
  }
  const engine::PictureInfo base = GetPictureInfo("str_基础分", 0);
  info_box_->DrawImage(&base, 10, 10, -1, -1, 0, 1.0);
  shell::IGameHandler* holder = shell::GetTableStateHolder();
  char score[32];
  std::snprintf(score, sizeof score, "%d分", holder != nullptr ? static_cast<int>(holder->GetBaseScore()) : 0);
  info_number_->DrawNumberText(info_box_, 80, 10, score, 1);
  const engine::PictureInfo turn = GetPictureInfo("str_翻牌", 0);
  info_box_->DrawImage(&turn, 10, 40, -1, -1, 0, 1.0);
  const engine::PictureInfo corner = GetPictureInfo("牌角", 0);
  info_box_->DrawImage(&corner, 85, 40, -1, -1, 0, 1.0);
  platform::RECT r{};
  GetRect(&r);
  info_box_->MoveTo(r.left + picture.width / 2.0 + kInfoBoxInset, r.top + picture.height / 2.0 + kInfoBoxInset);
  info_box_->Invalidate();
  shell::CGameAppBase* app = shell::GetApp();
  info_box_->Show();
  if (app != nullptr && app->IsReplayMode()) {
    info_box_->SetAlpha(1.0);
  } else {
    CancelObjectActions(info_box_->GetKey());
    info_box_->SetAlpha(0.0);
    FadeTo(info_box_, kFadeStep, 1.0, kFadeIntervalMs, nullptr);
  }
}

void CTableView::ShowMatchInfoBox() {
  const engine::PictureInfo picture = GetPictureInfo("比赛信息框", 0);
  info_box_ = BoxCanvas(this, info_box_, picture);
  if (info_box_ == nullptr) return;
  info_box_kind_ = kMatchBox;
  info_box_->SetTextColour(kMatchTextColour, 1.0);
  shell::CGameAppBase* app = shell::GetApp();
  // Without the user's own match record the box stays cleared to its frame, where it was.
  if (app == nullptr || app->FindTableExtra(app->GetUserId()) == nullptr) {
    info_box_->Invalidate();
    return;
  }
  shell::IGameHandler* holder = shell::GetTableStateHolder();
  const shell::MatchData& match = app->GetMatchData();
  const bool knockout = match.format_name == kKnockoutFormat;
  const int32_t w = info_box_->GetSurfaceWidth();
  char line[160];
  if (knockout) {
    info_box_->SetFont(20, 400, engine::kDefaultFaceName);
    std::snprintf(line, sizeof line, "本轮第%d局", holder != nullptr ? static_cast<int>(holder->GetRoundNumber()) : 0);
    info_box_->DrawTextCentred(w / 2, 25 + 10, line);
  }
  const int32_t origin_y = knockout ? 20 : 10;
  const int32_t first = knockout ? 40 : 30;
  info_box_->SetFont(12, 400, engine::kDefaultFaceName);
  info_box_->SetTextMargins(20, origin_y);
  info_box_->SetTextSpacing(0, 6);
  std::snprintf(line, sizeof line, "基础分  : %d分", holder != nullptr ? static_cast<int>(holder->GetBaseScore()) : 0);
  info_box_->DrawText(20, first, line);
  const std::string format = "赛制    : " + engine::InertCanvasText(match.format_name);
  info_box_->DrawText(20, first + 20, format.c_str());
  const std::string note =
      "赛制说明: " + ColourTag(kFormatNoteColour) + engine::InertCanvasText(match.format_description);
  info_box_->DrawText(20, first + 40, note.c_str());
  platform::RECT r{};
  GetRect(&r);
  info_box_->MoveTo(r.left + picture.width / 2.0, r.top + picture.height / 2.0);
  info_box_->Invalidate();
  info_box_->Show();
  if (app->IsReplayMode()) {
    info_box_->SetAlpha(1.0);
  } else {
    CancelObjectActions(info_box_->GetKey());
    info_box_->SetAlpha(0.0);
    FadeTo(info_box_, kFadeStep, 1.0, kFadeIntervalMs, nullptr);
  }
}

}  // namespace table
