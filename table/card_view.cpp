#include "table/card_view.h"

#include <algorithm>
#include <cmath>

#include "engine/core/engine_events.h"
#include "engine/core/sprite_object.h"
#include "table/card_attributes.h"
#include "table/main_game_rect.h"
#include "table/table_messages.h"

namespace table {
namespace {

constexpr const char* kSmallBack = "牌背面50x68";
constexpr const char* kSmallFace = "牌正面50x68";
constexpr const char* kLargeBack1 = "牌背面71x96";
constexpr const char* kLargeFace1 = "牌正面71x96";
constexpr const char* kLargeBack2 = "牌背面82x110";
constexpr const char* kLargeFace2 = "牌正面82x110";
constexpr const char* kLargeBack3 = "牌背面98x132";
constexpr const char* kLargeFace3 = "牌正面98x132";

struct TableArea {
  int32_t left = 0;
  int32_t top = 0;
  int32_t w = 0;
  int32_t h = 0;
};

TableArea AreaOf(engine::ObjectServices* asker) {
  const platform::RECT r = MainGameRect(asker);
  return TableArea{r.left, r.top, r.right - r.left, r.bottom - r.top};
}

}  // namespace

int32_t FaceKindOfFrame(int32_t frame) {
  if (frame < 0 || frame >= CCardView::kFaceFrames) return -1;
  const int32_t value = DefaultCardValue(frame, 0);
  if (value < 1 || value > kFaceKinds / 2) return -1;
  return (DefaultCardSuit(frame, 0) >= 2 ? kFaceKinds / 2 : 0) + value - 1;
}

int32_t FrameOfFaceKind(int32_t kind) {
  for (int32_t f = 0; f < CCardView::kFaceFrames; ++f) {
    if (kind >= 0 && FaceKindOfFrame(f) == kind) return f;
  }
  return -1;
}

const char* CCardView::LargeBack(int32_t c) { return c == 3 ? kLargeBack3 : c == 2 ? kLargeBack2 : kLargeBack1; }
const char* CCardView::LargeFace(int32_t c) { return c == 3 ? kLargeFace3 : c == 2 ? kLargeFace2 : kLargeFace1; }
const char* CCardView::SmallBack(int32_t c) { return c == 3 ? kLargeBack1 : kSmallBack; }
const char* CCardView::SmallFace(int32_t c) { return c == 3 ? kLargeFace1 : kSmallFace; }

void CCardView::OnAddedToScene() {
  const engine::PictureInfo small = GetPictureInfo(kSmallBack, 0);
  const engine::PictureInfo large = GetPictureInfo(kLargeBack1, 0);
  small_width = small.width;
  small_height = small.height;
  large_width = large.width;
  large_height = large.height;
  sprite_ = dynamic_cast<engine::SpriteObject*>(CreateSprite(&large));
  if (sprite_ != nullptr) {
    // The picture stands exactly at the card's depth from the start, so the card's depths are its.
    sprite_->SetDepth(EngineObject::GetDepth());
    SetSkin(sprite_, kSkinLinks);
  }
  shown_picture_ = kLargeBack1;
  engine::EngineObject* main_game = FindObjectByName("MainGame");
  if (main_game == nullptr) return;
  const auto self = reinterpret_cast<uintptr_t>(this);
  const uint32_t target = main_game->GetKey();
  SubscribeMessage(engine::QUILLARON_EVENT_LBUTTON_DOWN, target, view_msg::kCardLeftDown, self, 0);
  SubscribeMessage(engine::QUILLARON_EVENT_LBUTTON_UP, target, view_msg::kCardLeftUp, self, 0);
  SubscribeMessage(engine::QUILLARON_EVENT_RBUTTON_DOWN, target, view_msg::kCardRightDown, self, 0);
  SubscribeMessage(engine::QUILLARON_EVENT_DRAG, target, view_msg::kCardMove, self, 0);
  SubscribeMessage(engine::QUILLARON_EVENT_MOUSE_ENTER, target, view_msg::kCardEnter, self, 0);
  SubscribeMessage(engine::QUILLARON_EVENT_MOUSE_LEAVE, target, view_msg::kCardLeave, self, 0);
}

int CCardView::OnMessage(const engine::ObjectMessage* message) {
  if (message != nullptr && message->id == view_msg::kCardArrived) {
    moving = 0;
    Refresh();
    return 1;
  }
  return WidgetBase::OnMessage(message);
}

int32_t CCardView::GetFaceFrame(int32_t id) { return id < 0 ? -1 : id % kFaceFrames; }

void CCardView::LoadBackImage() {
  const TableArea area = AreaOf(this);
  size_class = area.w <= kClassOneWidth ? 1 : area.w <= kClassTwoWidth ? 2 : 3;
  const engine::PictureInfo large = GetPictureInfo(LargeBack(size_class), 0);
  const engine::PictureInfo small = GetPictureInfo(SmallBack(size_class), 0);
  if (sprite_ != nullptr) sprite_->SetImage(&large, 1);
  shown_picture_ = LargeBack(size_class);
  showing_face_ = false;
  large_width = large.width;
  large_height = large.height;
  small_width = small.width;
  small_height = small.height;
}

void CCardView::ShowPicture(const char* name, int32_t frame, bool face) {
  shown_picture_ = name;
  showing_face_ = face;
  if (sprite_ == nullptr) return;
  const engine::PictureInfo info = GetPictureInfo(name, frame);
  sprite_->SetImage(&info, 1);
}

void CCardView::Refresh() {
  SetAlpha(1.0);
  if (sprite_ != nullptr) {
    sprite_->SetAngle(0);
    sprite_->SetBackdropColour(kNoTint);
  }
  const bool face = face_up == 1 && card_id >= 0 && card_id <= kMaxCardId;
  const int32_t frame = face ? GetFaceFrame(card_id) : 0;
  platform::POINT at{};
  switch (place) {
    case card_place::kDeck:
      ShowPicture(kSmallBack, 0, false);
      at = GetDeckPlace();
      MoveTo(at.x, at.y);
      SetDepth(-index);
      break;
    case card_place::kHand:
      if (position == 0) {
        if (face) {
          ShowPicture(LargeFace(size_class), frame, true);
        } else {
          ShowPicture(LargeBack(size_class), 0, false);
        }
        if (swept != 0 || hover != 0) {
          SetAlpha(swept != 0 ? kSweptAlpha : kHoverAlpha);
          if (sprite_ != nullptr) sprite_->SetBackdropColour(kTint);
        }
        // A hand card has its size class's size, whatever size its face picture has.
        if (sprite_ != nullptr) sprite_->Resize(large_width, large_height);
        at = GetHandPlace();
        MoveTo(at.x, at.y);
        SetDepth(10.0 * index + 1000);
      } else {
        const int32_t chairs = AppChairCount();
        double angle = 0;
        if (chairs == 3) {
          angle = position == 1 ? 270 : position == 2 ? 90 : 0;
        } else if (chairs == 4) {
          angle = position == 1 ? 270 : position == 3 ? 90 : 0;
        }
        if (face) {
          ShowPicture(SmallFace(size_class), frame, true);
        } else {
          ShowPicture(SmallBack(size_class), 0, false);
        }
        if (sprite_ != nullptr) {
          sprite_->SetAngle(angle);
          sprite_->Resize(small_width, small_height);
        }
        at = GetHandPlace();
        MoveTo(at.x, at.y);
        SetDepth(1000 - 10.0 * index);
      }
      break;
    case card_place::kPlayed: {
      // A card on the table shows its face whatever face_up says; an id without a face (the
      // play flow sets one before it puts a card here) shows the back rather than nothing.
      const bool known = card_id >= 0 && card_id <= kMaxCardId;
      if (known) {
        ShowPicture(LargeFace(size_class), GetFaceFrame(card_id), true);
      } else {
        ShowPicture(LargeBack(size_class), 0, false);
      }
      SetDepth(index + 2000 + (10.0 - position) * 324);
      at = GetTablePlace();
      if (moving == 0) MoveTo(at.x, at.y);
      break;
    }
    default:
      Hide();
      Invalidate();
      return;
  }
  target = at;
  Show();
  Invalidate();
}

void CCardView::Reset() {
  chair = -1;
  position = -1;
  index = -1;
  card_id = -1;
  place = card_place::kPlayedEarlier;
  group_count = 0;
  moving = 0;
  selected = 0;
  swept = 0;
  face_up = 0;
  hover = 0;
  raise_time = 0;
}

platform::POINT CCardView::GetDeckPlace() {
  const TableArea a = AreaOf(this);
  const int32_t i = index;
  const int32_t x = i < kFaceFrames ? a.w / 2 + 2 + small_width / 2 : a.w / 2 - small_width / 2 - 2;
  const int32_t y = a.h / 2 - 216 + 2 * ((i % kFaceFrames) / 2);
  return platform::POINT{a.left + x, a.top + y};
}

platform::POINT CCardView::GetHandPlace() {
  const TableArea a = AreaOf(this);
  const int32_t s = face_up != 0 ? GetFaceUpSpacing() : 8;
  const double sprite_height = sprite_ != nullptr ? sprite_->GetHeight() : 0.0;
  const auto o = static_cast<int32_t>(sprite_height / 2 + kHandGap);
  const int32_t n = group_count;
  const int32_t i = index;
  const int32_t chairs = AppChairCount();
  int32_t x = 0;
  int32_t y = 0;
  if (position == 0) {
    const int32_t g = GetOwnSpacing();
    x = a.w / 2 - ((n - 1) * g + large_width) / 2 + i * g + large_width / 2;
    y = a.h - o - (selected != 0 ? kRaise : 0);
  } else if ((chairs == 3 || chairs == 4) && position == 1) {
    x = o;
    y = a.h / 2 + (s * n) / 2 - i * s;
  } else if (chairs == 3 && position == 2) {
    x = a.w - o;
    y = a.h / 2 - (s * n) / 2 + i * s;
  } else if (chairs == 4 && position == 2) {
    x = a.w / 2 + (s * n) / 2 - i * s;
    y = o;
  } else if (chairs == 4 && position == 3) {
    x = a.w - o;
    y = a.h / 2 - (s * n) / 2 + i * s;
  }
  return platform::POINT{a.left + x, a.top + y};
}

platform::POINT CCardView::GetTablePlace() {
  const TableArea a = AreaOf(this);
  const int32_t g = GetOwnSpacing();
  const int32_t W = large_width;
  const int32_t H = large_height;
  const int32_t n = group_count;
  const int32_t i = index;
  const int32_t chairs = AppChairCount();
  int32_t x = 0;
  int32_t y = 0;
  auto left_side = [&] {
    x = W / 2 + H + 85 + i * g;
    y = a.h / 2;
  };
  auto right_side = [&] {
    x = (a.w - H) - W / 2 - 85 - n * g + i * g;
    y = a.h / 2;
  };
  auto own_side = [&] {
    x = a.w / 2 - (n / 2) * g + i * g;
    y = a.h - H - H / 2 - 100;
  };
  if (chairs == 3) {
    if (position == 1) {
      left_side();
    } else if (position == 2) {
      right_side();
    } else if (position == 0) {
      own_side();
    }
  } else if (chairs == 4) {
    if (position == 1) {
      left_side();
    } else if (position == 3) {
      right_side();
    } else if (position == 2) {
      x = a.w / 2 - (n / 2) * g + i * g;
      y = H + 40 + H / 2;
    } else {
      own_side();
    }
  }
  return platform::POINT{a.left + x, a.top + y};
}

int32_t CCardView::GetOwnSpacing() { return size_class == 3 ? 22 : size_class == 2 ? 20 : 16; }

int32_t CCardView::GetFaceUpSpacing() { return size_class == 3 ? 16 : 13; }

platform::POINT CCardView::GetRowPlace() {
  const TableArea a = AreaOf(this);
  const int32_t d = large_width + 20;
  const int32_t n = group_count;
  const int32_t i = index;
  const int32_t x = a.w / 2 - d * (n / 2 - i) + (d / 2) * (1 - n % 2);
  return platform::POINT{a.left + x, a.top + a.h / 4};
}

void CCardView::Select() {
  selected = 1;
  swept = 0;
  Refresh();
}

void CCardView::SelectTimed() {
  selected = 1;
  raise_time = GetElapsedMs();
  swept = 0;
  Refresh();
}

void CCardView::Unselect() {
  selected = 0;
  swept = 0;
  Refresh();
}

uint64_t CCardView::FlyTo(int32_t x, int32_t y, uint32_t delay_ms) {
  const double dx = x - GetX();
  const double dy = y - GetY();
  const double distance = std::sqrt(dx * dx + dy * dy);
  // The engine moves whole pixels per step: a flight shorter than its steps still moves one.
  const double speed = std::max(1.0, std::floor(distance / kFlightSteps));
  const engine::ObjectMessage arrived = engine::MakeMessage(GetKey(), view_msg::kCardArrived, 0, 0);
  BeginGroup();
  Delay(delay_ms, nullptr);
  NextGroup();
  const uint64_t id = GlideTo(this, x, y, speed, 0, 0, &arrived);
  EndGroup();
  return id;
}

}  // namespace table
