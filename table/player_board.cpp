#include "table/player_board.h"

#include <cstdio>

#include "engine/core/canvas_object.h"
#include "engine/core/colour_key.h"
#include "engine/core/engine_events.h"
#include "engine/core/rect_object.h"
#include "engine/core/sprite_object.h"
#include "engine/ui/font_record.h"
#include "engine/ui/number_display.h"
#include "engine/ui/text_markup.h"
#include "platform/gbk.h"
#include "shell/app_frame_view.h"
#include "shell/game_app_base.h"
#include "table/main_game_rect.h"
#include "table/table_messages.h"
#include "table/table_view.h"

namespace table {
namespace {

constexpr const char* kPlatePicture = "PlayerBoardSmall";
constexpr const char* kAutoPlayPicture = "animation_AutoPlay";
constexpr const char* kOfflinePicture = "animation_Offline";
constexpr const char* kReadyPicture = "animation_Ready";
constexpr const char* kRankPicture = "bit_Duan";
constexpr const char* kMatchScorePicture = "Player_MatchScore";
constexpr const char* kCountDigitPicture = "digit_restcard";
constexpr const char* kCountUnitPicture = "word_zhang";

// Plate frames.
constexpr int32_t kFrameNormal = 0;
constexpr int32_t kFrameHighlighted = 1;
constexpr int32_t kFrameHovered = 2;

// The status animation's place on the unturned plate, from its left edge and its top.
constexpr int32_t kStatusX = 40;
constexpr int32_t kStatusY = 3;

// Seats of the banner: this far in from the table's edges.
constexpr int32_t kBannerInset = 200;
// The own seat's card anchors, left of the table's middle, by anchor kind (1, 0, other).
constexpr int32_t kAnchorLeadLeft = 80;
constexpr int32_t kAnchorFollowLeft = 160;
constexpr int32_t kAnchorOtherLeft = 200;
constexpr int32_t kAnchorBottomGap = 48;
constexpr int32_t kAnchorSideInset = 180;

// The table view publishes the large card back's height and the board's height.
constexpr uint32_t kLargeCardHeightSetting = CTableView::kSettingLargeBackHeight;
constexpr uint32_t kBoardHeightSetting = CTableView::kSettingBoardHeight;

// The pulse of the auto-play and offline marks.
constexpr double kPulseStep = 0.1;
constexpr uint32_t kPulseInterval = 200;
constexpr double kPulseHigh = 1.0;
constexpr double kPulseLow = 0.3;
constexpr uint32_t kForever = 0xFFFFFFFF;

}  // namespace

std::string ShortenName(const std::string& name) {
  const std::string whole = name.substr(0, name.find('\0'));
  if (whole.size() < 10) return whole;
  // Eight bytes, or seven when the eighth would be the first half of a character.
  size_t keep = 0;
  while (keep < 8) {
    const size_t step = platform::IsDBCSLeadByte(static_cast<uint8_t>(whole[keep])) ? 2 : 1;
    if (keep + step > 8) break;
    keep += step;
  }
  return whole.substr(0, keep) + "..";
}

std::string ChineseNumeral(int32_t n) {
  static constexpr const char* kNumerals[] = {"零",   "一",   "二",   "三",   "四",   "五",   "六",
                                              "七",   "八",   "九",   "十",   "十一", "十二", "十三",
                                              "十四", "十五", "十六", "十七", "十八", "十九", "二十"};
  if (n < 0 || n > 20) return "N";
  return kNumerals[n];
}

shell::CGameAppBase* CPlayerBoard::GetApp() { return shell::GetApp(); }

std::string CPlayerBoard::ShortenName(const std::string& name) { return table::ShortenName(name); }

platform::RECT CPlayerBoard::Area() { return MainGameRect(this); }

void CPlayerBoard::Build(int32_t position) {
  position_ = position;
  const engine::PictureInfo plate = GetPictureInfo(kPlatePicture, 0);
  plate_ = CreateCanvas(plate.width, plate.height, engine::kColourKey);
  if (plate_ != nullptr) {
    plate_->SetDepth(EngineObject::GetDepth());
    SetSkin(plate_, kPlateLinks);
  }
  const engine::PictureInfo status = GetPictureInfo(kAutoPlayPicture, 0);
  status_ = dynamic_cast<engine::SpriteObject*>(CreateSprite(&status));
  if (plate_ != nullptr && status_ != nullptr) plate_->AddChild(status_, kStatusLinks);
  count_ = new engine::NumberDisplay();
  AddToScene(count_);
  count_->LoadDigits(kCountDigitPicture, kCountDigits);
  const engine::PictureInfo unit = GetPictureInfo(kCountUnitPicture, 0);
  count_->SetUnit("张", &unit);
  count_->Hide();
  ShowMatchScore();
  SetDepth(kPlateDepth);
  if (status_ != nullptr) status_->SetDepth(kPlateDepth + kPartDepth);
  count_->SetDepth(kPlateDepth + kPartDepth);
  if (plate_ != nullptr) plate_->SetTextColour(0xFFFFFF, 1.0);
  char name[32];
  std::snprintf(name, sizeof name, "玩家姓名板%d", static_cast<int>(position));
  SetName(name);
}

void CPlayerBoard::ShowRankBadge(int32_t chair) {
  if (chair < 0) return;
  chair_ = chair;
  ShowMatchScore();
  shell::CGameAppBase* app = GetApp();
  if (app != nullptr && app->IsMatch()) {
    const shell::TableExtraRecord* extra = app->FindTableExtra(app->GetChairUserId(chair));
    Refresh(extra != nullptr ? extra->DuanScore() : 0, app->GetMatchData().info_value);
  }
  Subscriptions(app != nullptr ? app->GetChairUserId(chair) : 0);
  Show();
  // After the board is shown: showing it brings back a status that it hid.
  ShowBadgeOrHide();
  Invalidate();
}

void CPlayerBoard::Subscriptions(uint32_t user_id) {
  DropSubscriptions();
  SubscribeMessage(engine::QUILLARON_EVENT_MOUSE_ENTER, GetKey(), view_msg::kBoardHoverOn, 0, 0);
  SubscribeMessage(engine::QUILLARON_EVENT_MOUSE_LEAVE, GetKey(), view_msg::kBoardHoverOff, 0, 0);
  shell::CGameAppBase* app = GetApp();
  engine::EngineObject* frame = app != nullptr ? app->GetGameFrame() : nullptr;
  if (frame == nullptr) frame = FindObjectByName("GameFrame");
  if (frame == nullptr) return;
  SubscribeMessage(engine::QUILLARON_EVENT_LBUTTON_DOWN, frame->GetKey(), view_msg::kBoardLeftClick, user_id, 0);
  SubscribeMessage(engine::QUILLARON_EVENT_RBUTTON_DOWN, frame->GetKey(), view_msg::kBoardRightClick, user_id, 0);
}

void CPlayerBoard::DropSubscriptions() {
  // The plate carries copies of the board's subscriptions: both lose them, so that a board
  // attached again sends the new player's id and not the old one's.
  for (const uint32_t event : {engine::QUILLARON_EVENT_MOUSE_ENTER, engine::QUILLARON_EVENT_MOUSE_LEAVE,
                               engine::QUILLARON_EVENT_LBUTTON_DOWN, engine::QUILLARON_EVENT_RBUTTON_DOWN}) {
    Unsubscribe(event);
    if (plate_ != nullptr) plate_->Unsubscribe(event);
  }
}

void CPlayerBoard::Clear() {
  DropSubscriptions();
  HideReady();
  if (count_ != nullptr) count_->Hide();
  chair_ = -1;
  highlighted_ = 0;
  hover_ = 0;
  offline_ = 0;
  ShowAutoPlay(0);
  Hide();
  Invalidate();
}

void CPlayerBoard::ClearHighlight() {
  highlighted_ = 0;
  if (count_ != nullptr) {
    count_->Hide();
    count_->Invalidate();
  }
  ShowMatchScore();
}

void CPlayerBoard::ShowMatchScore() {
  if (chair_ < 0 || plate_ == nullptr) return;
  shell::CGameAppBase* app = GetApp();
  const shell::PlayerRecord* record = app != nullptr ? app->GetPlayerRecord(chair_) : nullptr;
  if (record == nullptr) return;
  const int32_t height = plate_->GetSurfaceHeight();
  plate_->Clear();
  const int32_t frame = highlighted_ != 0 ? kFrameHighlighted : hover_ != 0 ? kFrameHovered : kFrameNormal;
  const engine::PictureInfo back = GetPictureInfo(kPlatePicture, frame);
  plate_->DrawImage(&back, 0, 0, 0, 0, 0, 1.0);
  const std::string avatar = shell::GetAvatarImageName(record->AvatarId(), 1);
  if (!avatar.empty()) {
    const engine::PictureInfo face = GetPictureInfo(avatar.c_str(), 0);
    plate_->DrawImage(&face, kAvatarX, height - kAvatarBottomGap, -1, -1, 0, 1.0);
  }
  plate_->SetTextColour(kNameColour, 1.0);
  // The name is the player's own text: drawn inert, then shortened to fit the plate.
  drawn_name_ = ShortenName(engine::InertCanvasText(record->Name()));
  if (app->IsMatch()) {
    constexpr int32_t kNameY = 11;
    plate_->SetFont(kNameFontSize, 400, engine::kDefaultFaceName);
    plate_->DrawText(kNameX, kNameY, drawn_name_.c_str());
    const engine::PictureInfo score_back = GetPictureInfo(kMatchScorePicture, highlighted_ != 0 ? 1 : 0);
    const int32_t score_y = kNameY + kNameFontSize + 1;
    plate_->DrawImage(&score_back, kNameX, score_y, -1, -1, 0, 1.0);
    const shell::TableExtraRecord* extra = app->FindTableExtra(record->UserId());
    char score[32];
    std::snprintf(score, sizeof score, "积分:%d", extra != nullptr ? static_cast<int>(extra->DuanScore()) : 0);
    plate_->SetTextColour(kScoreColour, 1.0);
    plate_->SetFont(kScoreFontSize, 400, engine::kDefaultFaceName);
    plate_->DrawText(kNameX + 4, score_y + 1, score);
  } else {
    plate_->SetFont(kNameFontSize, 400, engine::kDefaultFaceName);
    plate_->DrawText(kNameX, (height - kNameFontSize) / 2, drawn_name_.c_str());
  }
  name_right_ = kNameX + 4 * kNameFontSize;
  plate_->Invalidate();
}

void CPlayerBoard::PlaceOnTable() {
  const int32_t H = GetPictureInfo(kPlatePicture, 0).height;
  const platform::RECT r = Area();
  const int32_t w = r.right - r.left;
  const int32_t h = r.bottom - r.top;
  const int32_t chairs = AppChairCount();
  double x = 0;
  double y = 0;
  double angle = 0;
  if (position_ == 0) {
    x = w / 2;
    y = h - H / 2;
  } else if (position_ == 1) {
    x = H / 2 - 1;
    y = h / 2;
    angle = 270;
  } else if (position_ == 2 && chairs == 4) {
    x = w / 2;
    y = H / 2;
  } else if (position_ == 2 || position_ == 3) {
    x = w - H / 2;
    y = h / 2;
    angle = 90;
  }
  // Placed unturned, with the status beside the plate, then turned about its centre.
  SetAngle(0);
  MoveTo(r.left + x, r.top + y);
  if (status_ != nullptr && plate_ != nullptr) {
    status_->MoveTo(plate_->GetLeft() + kStatusX, plate_->GetTop() + kStatusY + status_->GetHeight() / 2);
  }
  SetAngle(angle);
  Invalidate();
  PositionBanner();
}

void CPlayerBoard::PositionBanner() {
  if (banner_ == nullptr) return;
  const platform::RECT r = Area();
  const int32_t w = r.right - r.left;
  const int32_t h = r.bottom - r.top;
  const int32_t chairs = AppChairCount();
  int32_t x = 0;
  int32_t y = 0;
  if (position_ == 0) {
    x = w / 2;
    y = h - kBannerInset;
  } else if (position_ == 1) {
    x = kBannerInset;
    y = h / 2;
  } else if (position_ == 2 && chairs == 4) {
    x = w / 2;
    y = kBannerInset;
  } else if (position_ == 2 || position_ == 3) {
    x = w - kBannerInset;
    y = h / 2;
  }
  banner_->MoveTo(r.left + x, r.top + y);
  banner_->Invalidate();
}

void CPlayerBoard::SetHighlighted(int32_t flag) {
  highlighted_ = flag;
  ShowMatchScore();
}

void CPlayerBoard::ShowReady() { ShowBanner(kReadyPicture); }

void CPlayerBoard::HideReady() { HideBanner(); }

void CPlayerBoard::ShowBanner(const char* picture) {
  const engine::PictureInfo info = GetPictureInfo(picture, 0);
  if (banner_ == nullptr) {
    banner_ = dynamic_cast<engine::SpriteObject*>(CreateSprite(&info));
    if (banner_ == nullptr) return;
    banner_->SetDepth(kBannerDepth);
  } else {
    CancelObjectActions(banner_->GetKey());
    banner_->SetImage(&info, 1);
  }
  PositionBanner();
  banner_->Show();
  AnimateSprite(banner_, 0, kForever, 0, 0, nullptr);
  banner_->Invalidate();
}

void CPlayerBoard::HideBanner() {
  if (banner_ == nullptr) return;
  CancelObjectActions(banner_->GetKey());
  banner_->Hide();
  banner_->Invalidate();
}

void CPlayerBoard::GetCardAnchor(platform::POINT* out, int32_t kind) {
  if (out == nullptr) return;
  const platform::RECT r = Area();
  const int32_t w = r.right - r.left;
  const int32_t h = r.bottom - r.top;
  const int32_t chairs = AppChairCount();
  shell::CGameAppBase* app = GetApp();
  int32_t x = 0;
  int32_t y = 0;
  if (position_ == 0) {
    if (app != nullptr && app->GetLookOn() != 0) {
      x = w / 2;
    } else {
      x = w / 2 - (kind == kAnchorLead     ? kAnchorLeadLeft
                   : kind == kAnchorFollow ? kAnchorFollowLeft
                                           : kAnchorOtherLeft);
    }
    y = h - kAnchorBottomGap - GetIntSetting(kLargeCardHeightSetting) - GetIntSetting(kBoardHeightSetting);
  } else if (position_ == 1) {
    x = kAnchorSideInset;
    y = h / 2;
  } else if (position_ == 2 && chairs == 4) {
    x = w / 2;
    y = kAnchorSideInset;
  } else if (position_ == 2 || position_ == 3) {
    x = w - kAnchorSideInset;
    y = h / 2;
  }
  *out = platform::POINT{r.left + x, r.top + y};
}

void CPlayerBoard::Refresh(int32_t, int32_t) { ShowMatchScore(); }

void CPlayerBoard::SetStatus(const char* picture, int32_t frame) {
  if (status_ == nullptr) return;
  CancelObjectActions(status_->GetKey());
  const engine::PictureInfo info = GetPictureInfo(picture, frame);
  status_->SetImage(&info, 1);
  status_->SetAlpha(1.0);
  status_->Show();
  status_->Invalidate();
  status_picture_ = picture;
}

void CPlayerBoard::ShowBadgeOrHide() {
  shell::CGameAppBase* app = GetApp();
  const int32_t rank = chair_ >= 0 && app != nullptr ? app->GetMatchChairValue(chair_) : -1;
  if (rank >= 0) {
    SetStatus(kRankPicture, rank);
  } else {
    HideStatus();
  }
}

void CPlayerBoard::ShowAutoPlay(int32_t on) {
  if (on != 0) {
    SetStatus(kAutoPlayPicture, 0);
    if (status_ != nullptr) {
      AnimateSprite(status_, 0, kForever, 0, 0, nullptr);
      PulseAlpha(status_, kPulseStep, kForever, kPulseInterval, kPulseHigh, kPulseLow, nullptr);
    }
  } else {
    ShowBadgeOrHide();
  }
}

void CPlayerBoard::ShowOffline(int32_t on) {
  offline_ = on != 0 ? 1 : 0;
  if (on != 0) {
    SetStatus(kOfflinePicture, 0);
    if (status_ != nullptr) {
      AnimateSprite(status_, 0, kForever, 0, 0, nullptr);
      PulseAlpha(status_, kPulseStep, kForever, kPulseInterval, kPulseHigh, kPulseLow, nullptr);
    }
  } else {
    ShowBadgeOrHide();
  }
}

void CPlayerBoard::HideStatus() {
  status_picture_.clear();
  if (status_ == nullptr) return;
  CancelObjectActions(status_->GetKey());
  status_->SetAlpha(1.0);
  status_->Hide();
  status_->Invalidate();
}

void CPlayerBoard::ShowStatusPicture(const char* picture) {
  if (picture != nullptr) SetStatus(picture, 0);
}

void CPlayerBoard::ResetLook() {
  highlighted_ = 0;
  offline_ = 0;
  HideReady();
  if (count_ != nullptr) count_->Hide();
  ShowBadgeOrHide();
  ShowMatchScore();
}

void CPlayerBoard::SetRemainingCards(int32_t n) {
  if (count_ == nullptr) return;
  if (n < 1) {
    count_->Hide();
  } else {
    count_->SetValue(n);
  }
  count_->Invalidate();
}

void CPlayerBoard::MoveRemainingCards(int32_t x, int32_t y) {
  if (count_ == nullptr) return;
  count_->MoveTo(x, y);
  count_->Show();
  count_->Invalidate();
}

int32_t CPlayerBoard::GetCountX() const { return count_ != nullptr ? static_cast<int32_t>(count_->GetX()) : 0; }

int32_t CPlayerBoard::GetCountY() const { return count_ != nullptr ? static_cast<int32_t>(count_->GetY()) : 0; }

int CPlayerBoard::OnMessage(const engine::ObjectMessage* message) {
  if (message != nullptr && (message->id == view_msg::kBoardHoverOn || message->id == view_msg::kBoardHoverOff)) {
    hover_ = message->id == view_msg::kBoardHoverOn ? 1 : 0;
    ShowMatchScore();
  }
  return WidgetBase::OnMessage(message);
}

}  // namespace table
