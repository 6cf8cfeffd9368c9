#include "frame/percent_slider.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "engine/core/colour_key.h"
#include "engine/core/canvas_object.h"
#include "engine/core/engine_log.h"
#include "engine/core/input_module.h"

namespace frame {
namespace {

using engine::CanvasObject;
using engine::ObjectMessage;
namespace lf = engine::link_flag;

// The track follows everything the slider does.
constexpr uint32_t kTrackLinks = lf::kFollowAll;
// The thumb moves, changes depth, shows and hides with the track.
constexpr uint32_t kThumbLinks = lf::kFollowAsPartButAlpha;
// The tip moves and hides with the thumb, but shows only while the slider wants it.
constexpr uint32_t kTipLinks = lf::kOwned | lf::kInvalidate | lf::kDepth | lf::kMove | lf::kAlwaysHide;

constexpr double kThumbDepth = 0.1;
constexpr double kTipDepth = 0.2;
// The tip stands left of a vertical slider's thumb and above a horizontal one's.
constexpr int32_t kTipLeftGap = 18;
constexpr int32_t kTipAboveGap = 20;

const engine::InputSnapshot* PointerOf(const ObjectMessage* message) {
  return reinterpret_cast<const engine::InputSnapshot*>(message->p2);
}

}  // namespace

bool PercentSlider::Create(const engine::PictureInfo* track, const engine::PictureInfo* thumb, int32_t orientation,
                           const ObjectMessage* change, int32_t value, bool enabled) {
  if (track == nullptr || thumb == nullptr) {
    engine::WriteGameLog("PercentSlider::Create: a picture is missing");
    return false;
  }
  const auto side = [](int32_t n) { return std::max(n, 1); };
  track_ = CreateCanvas(side(track->width), side(track->height), engine::kColourKey);
  thumb_ = CreateCanvas(side(thumb->width), side(thumb->height), engine::kColourKey);
  tip_ = CreateCanvas(kTipWidth, kTipHeight, engine::kColourKey);
  if (track_ == nullptr || thumb_ == nullptr || tip_ == nullptr) {
    engine::WriteGameLog("PercentSlider::Create: no canvas for the slider");
    return false;
  }

  SubscribeMessage(engine::QUILLARON_EVENT_MOUSE_ENTER, GetKey(), kMsgEnter, 0, 0);
  SubscribeMessage(engine::QUILLARON_EVENT_MOUSE_LEAVE, GetKey(), kMsgLeave, 0, 0);
  SubscribeMessage(engine::QUILLARON_EVENT_LBUTTON_DOWN, GetKey(), kMsgPress, 0, 0);
  SubscribeMessage(engine::QUILLARON_EVENT_LBUTTON_DOWN, GetKey(), kMsgPage, 0, 0);
  SubscribeMessage(engine::QUILLARON_EVENT_CLICK, GetKey(), kMsgRelease, 0, 0);
  SubscribeMessage(engine::QUILLARON_EVENT_DRAG, GetKey(), kMsgDrag, 0, 0);

  change_ = change != nullptr ? *change : ObjectMessage{};
  SetOrientation(orientation);
  enabled_ = enabled;
  track_picture_ = *track;
  thumb_picture_ = *thumb;
  value_ = value >= 0 && value <= 100 ? value : 0;

  track_->MoveTo(EngineObject::GetX(), EngineObject::GetY());
  SetSkin(track_, kTrackLinks);
  SetTakesInput(true);

  tip_->SetFillColour(kTipBack);
  tip_->SetFont(12, 400, engine::kDefaultFaceName);
  tip_->SetTextColour(kTipText, 1.0);
  tip_->SetDepth(track_->GetDepth() + kTipDepth);
  thumb_->SetDepth(track_->GetDepth() + kThumbDepth);
  PlaceThumb();
  if (orientation_ == kVertical) {
    tip_->MoveTo(thumb_->GetLeft() - kTipLeftGap, thumb_->GetY());
  } else {
    tip_->MoveTo(thumb_->GetX(), thumb_->GetTop() - kTipAboveGap);
  }
  tip_->Hide();
  thumb_->AddChild(tip_, kTipLinks);
  track_->AddChild(thumb_, kThumbLinks);
  if (track_->IsVisible()) thumb_->Show();
  Redraw();
  return true;
}

void PercentSlider::SetOrientation(int32_t orientation) {
  if (orientation == kVertical || orientation == kHorizontal) orientation_ = orientation;
}

void PercentSlider::SetEnabled(bool enabled) {
  if (enabled_ == enabled) return;
  enabled_ = enabled;
  Redraw();
}

void PercentSlider::Redraw() {
  if (track_ == nullptr || thumb_ == nullptr) return;
  track_->Clear();
  if (track_picture_.record != nullptr) track_->DrawImage(&track_picture_, 0, 0, 0, 0, 0.0, 1.0);
  if (!enabled_) track_->Darken();
  track_->Invalidate();
  DrawThumb();
  PlaceThumb();
  if (!enabled_) tip_->Hide();
  if (tip_->IsVisible()) DrawTip();
}

void PercentSlider::DrawThumb() {
  thumb_->Clear();
  if (thumb_picture_.record != nullptr) thumb_->DrawImage(&thumb_picture_, 0, 0, 0, 0, 0.0, 1.0);
  if (!enabled_) {
    thumb_->Darken();
  } else if (hovered_) {
    thumb_->Tint(kHoverTint, kHoverTintAmount);
  }
  thumb_->Invalidate();
}

void PercentSlider::PlaceThumb() {
  const double fraction = value_ / 100.0;
  if (orientation_ == kVertical) {
    thumb_->MoveTo(track_->GetX(), track_->GetBottom() - fraction * track_picture_.height);
  } else {
    thumb_->MoveTo(track_->GetLeft() + fraction * track_picture_.width, track_->GetY());
  }
  thumb_->Invalidate();
}

void PercentSlider::DrawTip() {
  tip_->Clear();
  tip_->DrawRect(1, 1, kTipWidth - 2, kTipHeight - 2, false);
  char text[16];
  std::snprintf(text, sizeof text, "%d", static_cast<int>(value_));
  tip_->DrawTextCentred(kTipWidth / 2, kTipHeight / 2, text);
  tip_->Invalidate();
}

void PercentSlider::ShowTip() {
  DrawTip();
  tip_->Show();
  tip_->Invalidate();
}

void PercentSlider::SetValue(int32_t value) {
  if (value < 0 || value > 100) return;
  value_ = value;
  Redraw();
}

void PercentSlider::NotifyChange() {
  if (change_.target == 0) return;
  ObjectMessage message = change_;
  message.p1 = reinterpret_cast<uintptr_t>(&value_);
  SendMessage(&message);
}

void PercentSlider::Change(int64_t value) {
  const auto clamped = static_cast<int32_t>(std::clamp<int64_t>(value, 0, 100));
  if (clamped == value_) return;
  value_ = clamped;
  Redraw();
  NotifyChange();
}

int PercentSlider::OnMessage(const ObjectMessage* message) {
  if (message == nullptr || message->target != GetKey() || track_ == nullptr) {
    return WidgetBase::OnMessage(message);
  }
  switch (message->id) {
    case kMsgEnter:
      if (enabled_) {
        hovered_ = true;
        DrawThumb();
        ShowTip();
      }
      return 1;
    case kMsgLeave:
      if (enabled_) {
        hovered_ = false;
        DrawThumb();
        tip_->Hide();
        tip_->Invalidate();
      }
      return 1;
    case kMsgPress:
      if (enabled_) ShowTip();
      return 1;
    case kMsgRelease:
      tip_->Hide();
      tip_->Invalidate();
      return 1;
    case kMsgDrag: {
      const engine::InputSnapshot* pointer = PointerOf(message);
      if (!enabled_ || pointer == nullptr) return 1;
      if (orientation_ == kVertical) {
        const double top = track_->GetTop();
        const double bottom = track_->GetBottom();
        const double height = bottom - top;
        if (thumb_->GetY() < top || thumb_->GetY() > bottom || height < 1.0) return 1;
        Change(static_cast<int64_t>(std::trunc((bottom - pointer->y) * 100.0 / height)));
      } else {
        const double left = track_->GetLeft();
        const double right = track_->GetRight();
        const double width = right - left;
        if (thumb_->GetX() < left || thumb_->GetX() > right || width < 1.0) return 1;
        Change(static_cast<int64_t>(std::trunc((pointer->x - left) * 100.0 / width)));
      }
      return 1;
    }
    case kMsgPage: {
      const engine::InputSnapshot* pointer = PointerOf(message);
      if (!enabled_ || pointer == nullptr) return 1;
      int64_t value = value_;
      if (orientation_ == kVertical) {
        if (pointer->y > thumb_->GetBottom()) value -= kPageStep;
        if (pointer->y < thumb_->GetTop()) value += kPageStep;
      } else {
        if (pointer->x < thumb_->GetLeft()) value -= kPageStep;
        if (pointer->x > thumb_->GetRight()) value += kPageStep;
      }
      Change(value);
      return 1;
    }
    default:
      return WidgetBase::OnMessage(message);
  }
}

}  // namespace frame
