#include "frame/match_list_bar.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <utility>

#include "engine/core/canvas_object.h"
#include "engine/core/colour_key.h"
#include "engine/core/engine_events.h"
#include "engine/core/engine_log.h"
#include "engine/core/engine_module.h"
#include "engine/core/game_core.h"
#include "engine/core/sprite_object.h"
#include "engine/ui/font_record.h"
#include "engine/ui/number_display.h"
#include "engine/ui/rich_text_box.h"
#include "engine/ui/text_markup.h"
#include "frame/match_player_list.h"
#include "frame/match_rank_row.h"
#include "frame/match_ranking.h"
#include "platform/gbk.h"
#include "shell/app_frame_view.h"
#include "shell/game_app_base.h"
#include "shell/player_record.h"

namespace frame {

using engine::CanvasObject;
using engine::ObjectMessage;
using engine::PictureInfo;

namespace {

// The ranking list as the bar makes it: scroll bars with a vertical bar, live links, a colour
// background (the colour key: the bar shows through), text bounded to 30 pixels, 12 high, black.
constexpr int32_t kListCreateWidth = 100;
constexpr int32_t kListCreateHeight = 50;
constexpr uint32_t kListStyle = 0x409;
constexpr uint32_t kListCreationValue = 512;
constexpr int32_t kListMaxTextSize = 30;
constexpr int32_t kListTextSize = 12;
// The clock line: a child of the title that follows its moves, depth, showing and hiding.
constexpr uint32_t kClockLinks = engine::link_flag::kFollowPlace;
constexpr double kClockDepthStep = 0.0001;
constexpr int32_t kClockFontSize = 12;
constexpr int32_t kClockWeight = 400;
constexpr int32_t kClockTextTop = 4;
constexpr int32_t kGrooveX = 74;

// The overall game number (0-based) in the user's own match record of the table.
constexpr size_t kGameNumberOffset = 268;

// Rank states in which no ranking shows: the rank alone stands in the bar.
bool IsRankOnlyStatus(int32_t status) { return status == -4 || status == -2 || status == -1; }

// The ranking rows the match data really holds.
int32_t HeldRows(const shell::MatchData& data) {
  const int64_t held = static_cast<int64_t>(data.ranking_records.size());
  return static_cast<int32_t>(std::clamp<int64_t>(std::min<int64_t>(data.row_count, held), 0, kMaxRankRows));
}

// The match name up to its first NUL, cut on a character boundary to the title's bound.
std::string TitleText(const std::string& name) {
  const std::string_view text(name.c_str());
  size_t n = 0;
  while (n < text.size()) {
    const size_t width = platform::StartsTwoByteChar(static_cast<uint8_t>(text[n])) && n + 1 < text.size() ? 2 : 1;
    if (n + width > MatchListBar::kMaxTitleBytes) break;
    n += width;
  }
  return std::string(text.substr(0, n));
}

void MoveShown(engine::EngineObject* object, double x, double y) {
  if (object == nullptr) return;
  object->MoveTo(x, y);
  object->Show();
  object->Invalidate();
}

void HideObject(engine::EngineObject* object) {
  if (object == nullptr) return;
  object->Hide();
  object->Invalidate();
}

}  // namespace

MatchListBar::~MatchListBar() = default;

// ---- texts and rules ----

std::string MatchListBar::FormatClockText(uint32_t seconds, int64_t game_number) {
  const uint32_t hours = seconds / 3600;
  const uint32_t minutes = seconds % 3600 / 60;
  const uint32_t rest = seconds % 60;
  char text[256];
  if (game_number >= 0) {
    std::snprintf(text, sizeof text,
                  " <rgb=115,226,149>总第<rgb=198,255,10> %02" PRId64
                  " <rgb=115,226,149>局   比赛进行:<rgb=198,255,10>%02u小时%02u分%02u秒",
                  game_number + 1, hours, minutes, rest);
  } else {
    std::snprintf(text, sizeof text, "           <rgb=115,226,149>比赛进行:<rgb=198,255,10>%02u小时%02u分%02u秒", hours,
                  minutes, rest);
  }
  return text;
}

std::string MatchListBar::FormatSignUpText(int32_t count) {
  char text[160];
  std::snprintf(text, sizeof text, "    <rgb=115,226,149>本场比赛当前<rgb=255,255,255> %d <rgb=115,226,149>人报名。",
                count);
  return text;
}

int32_t MatchListBar::TitleCharWidth(size_t name_bytes, int32_t canvas_width) {
  const int64_t room = int64_t{canvas_width} - 30;
  int64_t width = kTitleCharWidth;
  if (name_bytes > 0 && int64_t{kTitleCharWidth} * static_cast<int64_t>(name_bytes) > room) {
    width = room / static_cast<int64_t>(name_bytes);
  }
  return static_cast<int32_t>(std::clamp<int64_t>(width, 1, kTitleCharWidth));
}

int32_t MatchListBar::RowKind(int32_t index, int32_t qualifying_count, bool qualifying_flag) {
  if (index == 0) return MatchRankRow::kHeadKind;
  if (qualifying_flag && index < qualifying_count) return index % 2 + 1;
  return index % 2 + 3;
}

int32_t MatchListBar::RollStep(int32_t shown, int32_t target) {
  const int64_t distance = int64_t{target} - shown;
  const int64_t step = (distance < 0 ? -distance : distance) / 5;
  return static_cast<int32_t>(std::clamp<int64_t>(step, 1, INT32_MAX));
}

// ---- creation and layout ----

void MatchListBar::OnAddedToScene() {
  SetName(kObjectName);
  const PictureInfo skin = GetPictureInfo(kSkinPicture, 0);
  if (skin.record == nullptr) {
    if (engine::GameCore* core = GetCore())
      core->SendEvent(engine::module_id::kMonitor, engine::core_event::kFault, 0, 0);
    return;
  }
  if (engine::SpriteObject* sprite = CreateSprite(&skin)) {
    sprite->SetDepth(EngineObject::GetDepth());
    SetSkin(sprite, engine::link_flag::kFollowAll);
  }

  rank_digits_ = new engine::NumberDisplay();
  AddToScene(rank_digits_);
  rank_digits_->LoadDigits(kRankDigits, kRankDigitCount);
  rest_digits_ = new engine::NumberDisplay();
  AddToScene(rest_digits_);
  rest_digits_->LoadDigits(kRestDigits, kRestDigitCount);
  const PictureInfo division = GetPictureInfo(kDivisionPicture, 0);
  division_ = CreateSprite(&division);
  avatar_ = CreateCanvas(kAvatarSize, kAvatarSize, engine::kColourKey);
  if (avatar_ != nullptr) {
    for (uint32_t event : {engine::QUILLARON_EVENT_LBUTTON_DOWN, engine::QUILLARON_EVENT_RBUTTON_DOWN,
                           engine::QUILLARON_EVENT_MOUSE_REST}) {
      avatar_->SubscribeMessage(event, GetKey(), kPortraitPressed, 0, 0);
    }
  }

  rank_list_ = new MatchPlayerList();
  AddToScene(rank_list_);
  rank_list_->Create(kListCreateWidth, kListCreateHeight, kListStyle, kListCreationValue);
  rank_list_->BuildMenu();
  rank_list_->SetBackColour(engine::kColourKey);
  rank_list_->Show();
  rank_list_->SetMaxTextSize(kListMaxTextSize);
  rank_list_->SetTextSize(kListTextSize);
  rank_list_->SetTextColor(0);

  title_ = CreateCanvas(skin.width, kTitleHeight, engine::kColourKey);
  if (title_ != nullptr) title_->Show();
  clock_ = CreateCanvas(kClockWidth, kClockHeight, engine::kColourKey);
  if (clock_ != nullptr) {
    clock_->SetFont(kClockFontSize, kClockWeight, engine::kDefaultFaceName);
    clock_->SetTextColour(kClockColour, 1.0);
    if (title_ != nullptr) {
      title_->AddChild(clock_, kClockLinks);
      clock_->SetDepth(title_->GetDepth() + kClockDepthStep);
    }
    clock_->Show();
  }
  built_ = true;
  Layout();
}

void MatchListBar::Layout() {
  if (!built_) return;
  const double left = GetLeft();
  const double top = GetTop();
  const double centre_x = GetX();
  if (title_ != nullptr) title_->MoveTo(centre_x, top + 30);
  if (clock_ != nullptr) clock_->MoveTo(centre_x, top + 67);
  if (avatar_ != nullptr) MoveShown(avatar_, left + 36, top + 120);
  PlaceRankDigits();

  if (rank_list_ == nullptr) return;
  const auto list_width = static_cast<int32_t>(GetWidth() - 12);
  if (list_width < 0) return;
  rank_list_->MoveTo(centre_x, GetBottom() - 6 - kListHeight / 2);
  rank_list_->Resize(list_width, kListHeight);
  engine::SetDepthExactly(rank_list_, GetDepth() + kListDepthStep);
  rank_list_->SetAbsDouble(0);
  rank_list_->Invalidate();
}

void MatchListBar::PlaceIn(const engine::RECT& rect) {
  const double width = static_cast<double>(rect.right) - rect.left;
  const double height = static_cast<double>(rect.bottom) - rect.top;
  MoveTo(rect.left + width / 2, rect.top + height / 2);
  Resize(width, height);
  Show();
  Invalidate();
  Layout();
}

void MatchListBar::PlaceRankDigits() {
  if (!built_) return;
  shell::CGameAppBase* app = shell::GetApp();
  const auto left = static_cast<int32_t>(GetLeft());
  const double top = GetTop();
  if (app == nullptr || HeldRows(app->GetMatchData()) == 0) {
    HideObject(rank_digits_);
    HideObject(division_);
    HideObject(rest_digits_);
    return;
  }
  if (IsRankOnlyStatus(app->GetMatchData().rank_status)) {
    MoveShown(rank_digits_, left + 180, top + 125);
    HideObject(division_);
    HideObject(rest_digits_);
    return;
  }
  MoveShown(rank_digits_, left + 170, top + 115);
  MoveShown(division_, left + 178, top + 125);
  MoveShown(rest_digits_, left + 185, top + 127);
}

// ---- ranking ----

void MatchListBar::RefreshRanking() {
  if (!built_ || rank_list_ == nullptr) return;
  rank_list_->Clear();
  const int32_t row_height = GetPictureInfo(kRowPicture, 0).height;
  shell::CGameAppBase* app = shell::GetApp();
  if (app == nullptr) return;
  const shell::MatchData& data = app->GetMatchData();

  if (data.players_left > 0) {
    for (auto [digits, target] : {std::pair{rank_digits_, data.own_rank}, std::pair{rest_digits_, data.players_left}}) {
      if (digits == nullptr) continue;
      digits->StopRoll();
      digits->RollTo(target, RollStep(digits->GetValue(), target));
    }
    PlaceRankDigits();
  } else {
    HideObject(rank_digits_);
    HideObject(division_);
    HideObject(rest_digits_);
  }

  const int32_t rows = HeldRows(data);
  if (rows != data.row_count) {
    engine::WriteGameLog("match list: %d ranking rows announced, %zu records held; %d shown", data.row_count,
                         data.ranking_records.size(), rows);
  }
  if (rows > 0 && row_height <= 0) {
    engine::WriteGameLog("match list: no row picture, no ranking rows");
  } else {
    const int32_t width = rank_list_->GetTextWidth();
    for (int32_t i = 0; i < rows; ++i) {
      auto* row = new MatchRankRow();
      AddToScene(row);
      MatchRankRecord record;
      std::memcpy(record.bytes, data.ranking_records[static_cast<size_t>(i)].data(), sizeof record.bytes);
      row->Setup(rank_list_->GetKey(), width, row_height, &record,
                 RowKind(i, data.qualifying_count, data.qualifying_flag != 0));
      rank_list_->AddRow(row);
    }
  }
  rank_list_->SetSelected(false);
  rank_list_->SetScrollPos(rank_list_->GetScrollPos());
}

// ---- title and portrait ----

void MatchListBar::DrawTitle() {
  if (title_ == nullptr) return;
  title_->Clear();
  shell::CGameAppBase* app = shell::GetApp();
  std::string name;
  if (app != nullptr) {
    const std::string& own = app->GetMatchData().match_name;
    name = TitleText(own.empty() ? app->FormatRoomName() : own);
  }
  const int32_t width = title_->GetSurfaceWidth();
  title_char_width_ = TitleCharWidth(name.size(), width);
  title_->SetTextColour(kTitleColour, 1.0);
  title_->SetFont(2 * title_char_width_, kTitleWeight, engine::kDefaultFaceName);
  title_->DrawTextCentred(width / 2, 15, engine::InertCanvasText(name).c_str());
  title_->Invalidate();
}

void MatchListBar::DrawAvatar() {
  if (avatar_ == nullptr) return;
  avatar_->Clear();
  shell::CGameAppBase* app = shell::GetApp();
  const shell::PlayerRecord* own = app != nullptr ? app->FindPlayerRecord(app->GetUserId()) : nullptr;
  if (own != nullptr) {
    const std::string name = shell::GetAvatarImageName(own->AvatarId(), 2);
    if (!name.empty()) {
      const PictureInfo picture = GetPictureInfo(name.c_str(), 0);
      avatar_->DrawImage(&picture, 0, 0, kAvatarSize, kAvatarSize, 0.0, 1.0);
    }
  }
  avatar_->Invalidate();
}

// ---- clock ----

void MatchListBar::StartTimer() {
  // One repeating tick at a time: a running one is cancelled before the next starts.
  if (timer_ != 0) CancelAction(timer_);
  const ObjectMessage tick = engine::MakeMessage(GetKey(), kClockTick, 0, 0);
  timer_ = RepeatMessage(kClockInterval, -1, &tick);
}

void MatchListBar::StartClock() {
  seconds_ = 0;
  StartTimer();
}

void MatchListBar::StopClock() {
  if (timer_ == 0) return;
  CancelAction(timer_);
  timer_ = 0;
}

void MatchListBar::ResumeClock() {
  shell::CGameAppBase* app = shell::GetApp();
  if (app == nullptr) return;
  const int32_t value = app->GetMatchData().clock_value;
  if (value >= 0) return;
  seconds_ = static_cast<uint32_t>(-int64_t{value});
  StartTimer();
}

void MatchListBar::Tick() {
  ++seconds_;
  int64_t game_number = -1;
  if (shell::CGameAppBase* app = shell::GetApp()) {
    if (const shell::TableExtraRecord* own = app->FindTableExtra(app->GetUserId())) {
      game_number = own->Int(kGameNumberOffset);
    }
  }
  DrawClockLine(FormatClockText(seconds_, game_number), true);
}

void MatchListBar::ShowSignUpCount(int32_t count) {
  shell::CGameAppBase* app = shell::GetApp();
  if (app != nullptr && app->IsValueAtLeast500()) return;
  DrawClockLine(FormatSignUpText(count), false);
}

void MatchListBar::DrawClockLine(const std::string& text, bool groove) {
  clock_text_ = text;
  if (clock_ == nullptr) return;
  clock_->Clear();
  clock_->SetTextColour(kClockColour, 1.0);
  clock_->DrawText(0, kClockTextTop, text.c_str());
  if (groove) {
    clock_->SetTextColour(kGrooveDark, 1.0);
    clock_->DrawLine(kGrooveX, 0, kGrooveX, kClockHeight);
    clock_->SetTextColour(kGrooveLight, 1.0);
    clock_->DrawLine(kGrooveX + 1, 0, kGrooveX + 1, kClockHeight);
    clock_->SetTextColour(kClockColour, 1.0);
  }
  clock_->Invalidate();
}

// ---- messages ----

void MatchListBar::SendPortraitQuery() {
  shell::CGameAppBase* app = shell::GetApp();
  engine::EngineObject* panel = FindObjectByName(kPanelName);
  if (app == nullptr || panel == nullptr) return;
  const ObjectMessage query = engine::MakeMessage(panel->GetKey(), kQueryUser, app->GetUserId(), 0);
  SendMessage(&query);
}

int MatchListBar::OnMessage(const ObjectMessage* message) {
  if (message == nullptr) return 1;
  switch (message->id) {
    case kClockTick:
      Tick();
      return 1;
    case kPortraitPressed:
      SendPortraitQuery();
      return 1;
    default:
      return EngineObject::OnMessage(message);
  }
}

}  // namespace frame
