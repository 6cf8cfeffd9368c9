#include "frame/panel_scroll_bar.h"

#include <algorithm>
#include <cmath>

#include "engine/core/canvas_object.h"
#include "engine/core/colour_key.h"
#include "engine/core/engine_log.h"
#include "engine/core/input_module.h"
#include "engine/core/sprite_object.h"
#include "engine/ui/image_button.h"
#include "frame/panel_messages.h"

namespace frame {
namespace {

using engine::CanvasObject;
using engine::ObjectMessage;
using engine::PictureInfo;

// What the thumb and the track tell the bar about themselves.
constexpr uint32_t kThumbEntered = 80000002;
constexpr uint32_t kThumbLeft = 80000003;
constexpr uint32_t kThumbPressed = 80000004;
constexpr uint32_t kThumbClicked = 80000005;
constexpr uint32_t kThumbDragged = 80000006;
constexpr uint32_t kTrackPressed = 80000007;

double Finite(double v) { return std::isfinite(v) ? v : 0.0; }

// The picture with its frame kept within the picture's frames.
PictureInfo FrameOf(PictureInfo picture, int32_t frame) {
  const int32_t frames = picture.record != nullptr ? std::max<int32_t>(picture.record->frame_count, 1) : 1;
  picture.frame = std::clamp(frame, 0, frames - 1);
  return picture;
}

}  // namespace

bool PanelScrollBar::Create(uint32_t owner, int32_t width, int32_t height, int32_t orientation, int32_t flag) {
  if (!IsRegistered()) {
    engine::WriteGameLog("PanelScrollBar::Create: the bar is not in a scene");
    return false;
  }
  owner_ = owner;
  orientation_ = orientation;
  flag_ = flag;
  thumb_ = CreateCanvas(width, height, engine::kColourKey);
  track_ = CreateCanvas(width, height, engine::kColourKey);
  if (thumb_ == nullptr || track_ == nullptr) {
    engine::WriteGameLog("PanelScrollBar::Create: no canvas for the bar");
    return false;
  }
  thumb_->SetFillColour(kThumbFill);
  thumb_->SubscribeMessage(engine::QUILLARON_EVENT_MOUSE_ENTER, GetKey(), kThumbEntered, 0, 0);
  thumb_->SubscribeMessage(engine::QUILLARON_EVENT_MOUSE_LEAVE, GetKey(), kThumbLeft, 0, 0);
  thumb_->SubscribeMessage(engine::QUILLARON_EVENT_LBUTTON_DOWN, GetKey(), kThumbPressed, 0, 0);
  thumb_->SubscribeMessage(engine::QUILLARON_EVENT_CLICK, GetKey(), kThumbClicked, 0, 0);
  thumb_->SubscribeMessage(engine::QUILLARON_EVENT_DRAG, GetKey(), kThumbDragged, 0, 0);
  track_->SetFillColour(kTrackFill);
  track_->SubscribeMessage(engine::QUILLARON_EVENT_LBUTTON_DOWN, GetKey(), kTrackPressed, 0, 0);
  // The bar's own place is its track's, and the thumb starts centred on it.
  track_->MoveTo(EngineObject::GetX(), EngineObject::GetY());
  thumb_->MoveTo(EngineObject::GetX(), EngineObject::GetY());
  geometry().width = track_->GetWidth();
  geometry().height = track_->GetHeight();
  SetSkin(track_, kTrackLinks);
  thumb_->SetDepth(track_->GetDepth() + 0.1);
  track_->AddChild(thumb_, kPartLinks);
  Redraw();
  return true;
}

void PanelScrollBar::SizeCanvas(CanvasObject* canvas, int32_t width, int32_t height) {
  if (canvas == nullptr || width <= 0 || height <= 0) return;
  canvas->ResizeSurface(width, height);
  canvas->Resize(width, height);
}

double PanelScrollBar::TrackLength() const {
  if (track_ == nullptr) return 0.0;
  return IsVertical() ? track_->GetHeight() : track_->GetWidth();
}

double PanelScrollBar::TrackLead() const {
  if (track_ == nullptr) return 0.0;
  return IsVertical() ? track_->GetTop() : track_->GetLeft();
}

double PanelScrollBar::ThumbLead() const {
  if (thumb_ == nullptr) return 0.0;
  return IsVertical() ? thumb_->GetTop() : thumb_->GetLeft();
}

double PanelScrollBar::MaxPosition() const { return std::max(0.0, total_ - page_); }

void PanelScrollBar::SetGripPicture(const PictureInfo& picture) {
  if (thumb_ == nullptr) return;
  if (grip_ != nullptr) {
    grip_->SetImage(&picture, 1);
    return;
  }
  grip_ = CreateSprite(&picture);
  if (grip_ == nullptr) return;
  grip_->MoveTo(thumb_->GetX(), thumb_->GetY());
  grip_->SetDepth(thumb_->GetDepth() + 0.5);
  if (thumb_->IsVisible()) grip_->Show();
  thumb_->AddChild(grip_, kGripLinks);
}

engine::ImageButton* PanelScrollBar::MakeButton(engine::ImageButton* existing, const PictureInfo& picture,
                                                uint32_t id) {
  if (existing != nullptr) {
    existing->SetPicture(&picture);
    return existing;
  }
  if (track_ == nullptr) return nullptr;
  engine::ImageButton* button = engine::MakeImageButton(this, picture, engine::MakeMessage(owner_, id, 0, 0));
  if (button == nullptr) return nullptr;
  button->SetDepth(track_->GetDepth() + 0.1);
  if (track_->IsVisible()) button->Show();
  track_->AddChild(button, kPartLinks);
  return button;
}

void PanelScrollBar::SetUpButtonPicture(const PictureInfo& picture) {
  if (!IsVertical()) return;
  first_button_ = MakeButton(first_button_, picture, panel_msg::kScrollUp);
  SetRange(position_, page_, total_, -1.0);
}

void PanelScrollBar::SetDownButtonPicture(const PictureInfo& picture) {
  if (!IsVertical()) return;
  second_button_ = MakeButton(second_button_, picture, panel_msg::kScrollDown);
  SetRange(position_, page_, total_, -1.0);
}

void PanelScrollBar::SetLeftButtonPicture(const PictureInfo& picture) {
  if (orientation_ == kVertical) return;
  first_button_ = MakeButton(first_button_, picture, panel_msg::kScrollLeft);
  SetRange(position_, page_, total_, -1.0);
}

void PanelScrollBar::SetRightButtonPicture(const PictureInfo& picture) {
  if (orientation_ == kVertical) return;
  second_button_ = MakeButton(second_button_, picture, panel_msg::kScrollRight);
  SetRange(position_, page_, total_, -1.0);
}

void PanelScrollBar::SetTrackPicture(const PictureInfo& picture) {
  if (track_ == nullptr) return;
  track_->SetFillColour(engine::kColourKey);
  track_picture_ = picture;
  Redraw();
}

void PanelScrollBar::SetThumbPicture(const PictureInfo& picture) {
  if (thumb_ == nullptr) return;
  const int32_t state = thumb_picture_.frame;
  if (picture.width > 0) SizeCanvas(thumb_, picture.width, static_cast<int32_t>(thumb_->GetHeight()));
  thumb_->SetFillColour(engine::kColourKey);
  thumb_picture_ = picture;
  thumb_picture_.frame = state;
  Redraw();
}

int32_t PanelScrollBar::GetTotalLength() {
  auto along = [this](const engine::EngineObject* o) {
    if (o == nullptr) return 0;
    return static_cast<int32_t>(IsVertical() ? o->GetHeight() : o->GetWidth());
  };
  return along(track_) + along(first_button_) + along(second_button_);
}

int32_t PanelScrollBar::GetThumbLength() {
  if (thumb_ == nullptr) return 0;
  return static_cast<int32_t>(IsVertical() ? thumb_->GetHeight() : thumb_->GetWidth());
}

void PanelScrollBar::SetLength(double length) {
  if (length > 0) length_hint_ = length;
}

void PanelScrollBar::SetRange(double position, double page, double total, double length) {
  page_ = Finite(page);
  total_ = Finite(total);
  position_ = std::clamp(Finite(position), 0.0, MaxPosition());
  PlaceButtons();
  if (total_ <= 0 || thumb_ == nullptr) return;
  SetLength(length);

  const double track = TrackLength();
  if (track <= 0) return;
  // Never shorter than the minimum, never longer than the track.
  const double wanted = std::max(track * page_ / total_, min_thumb_);
  const auto thumb = static_cast<int32_t>(std::min(wanted, track));
  if (IsVertical()) {
    SizeCanvas(thumb_, static_cast<int32_t>(thumb_->GetWidth()), thumb);
  } else {
    SizeCanvas(thumb_, thumb, static_cast<int32_t>(thumb_->GetHeight()));
  }
  Redraw();

  // Nothing to scroll, or no room to move: the thumb rests at the track's start.
  const double range = total_ - page_;
  const double room = track - thumb;
  const double lead = TrackLead();
  const double half = thumb / 2.0;
  double centre = lead + half;
  if (range > 0 && room > 0) centre += room * position_ / range;
  if (centre - half < lead + 1) centre = lead + 1 + half;
  if (centre + half > lead + track) centre = lead + track - half;
  if (IsVertical()) {
    thumb_->MoveTo(thumb_->GetX(), centre);
  } else {
    thumb_->MoveTo(centre, thumb_->GetY());
  }
  thumb_->Invalidate();
}

void PanelScrollBar::PlaceButtons() {
  if (track_ == nullptr) return;
  if (IsVertical()) {
    if (first_button_ != nullptr)
      first_button_->MoveTo(track_->GetX(), track_->GetTop() - first_button_->GetHeight() / 2);
    if (second_button_ != nullptr)
      second_button_->MoveTo(track_->GetX(), track_->GetBottom() + second_button_->GetHeight() / 2);
  } else {
    if (first_button_ != nullptr)
      first_button_->MoveTo(track_->GetLeft() - first_button_->GetWidth() / 2, track_->GetY());
    if (second_button_ != nullptr)
      second_button_->MoveTo(track_->GetRight() + second_button_->GetWidth() / 2, track_->GetY());
  }
  if (first_button_ != nullptr) first_button_->Invalidate();
  if (second_button_ != nullptr) second_button_->Invalidate();
}

void PanelScrollBar::Notify() {
  ScrollPos copy{position_, page_, total_};
  const ObjectMessage message =
      engine::MakeMessage(owner_, panel_msg::kScrollChanged, reinterpret_cast<uintptr_t>(&copy),
                          static_cast<uintptr_t>(static_cast<uint32_t>(orientation_)));
  SendMessage(&message);
}

void PanelScrollBar::Redraw() {
  auto draw = [this](CanvasObject* canvas, const PictureInfo& picture) {
    if (canvas == nullptr) return;
    canvas->Clear();
    if (picture.record == nullptr) {
      canvas->DrawBorder(0, 1);
    } else if (IsVertical()) {
      canvas->DrawStretchedV(picture);
    } else {
      canvas->DrawStretchedH(picture);
    }
    canvas->Invalidate();
  };
  draw(track_, track_picture_);
  draw(thumb_, FrameOf(thumb_picture_, thumb_picture_.frame));
}

void PanelScrollBar::SetMinThumbLength(double length) { min_thumb_ = Finite(length); }

int32_t PanelScrollBar::GetMaxPos() { return static_cast<int32_t>(MaxPosition()); }

int32_t PanelScrollBar::GetPos() { return static_cast<int32_t>(position_); }

void PanelScrollBar::Resize(double width, double height) {
  if (track_ == nullptr) {
    WidgetBase::Resize(width, height);
    return;
  }
  auto along = [this](const engine::EngineObject* o) {
    if (o == nullptr) return 0.0;
    return IsVertical() ? o->GetHeight() : o->GetWidth();
  };
  const double buttons = along(first_button_) + along(second_button_);
  const double length = (IsVertical() ? height : width) - buttons;
  if (length <= 0) return;
  const auto w = static_cast<int32_t>(IsVertical() ? width : length);
  const auto h = static_cast<int32_t>(IsVertical() ? length : height);
  SizeCanvas(track_, w, h);
  geometry().width = track_->GetWidth();
  geometry().height = track_->GetHeight();
  SetRange(position_, page_, total_, -1.0);
}

void PanelScrollBar::SetThumbState(int32_t state) {
  thumb_picture_.frame = state;
  Redraw();
}

void PanelScrollBar::OnDrag(const ObjectMessage* message) {
  if (message->p2 == 0 || thumb_ == nullptr) return;
  const auto* snapshot = reinterpret_cast<const engine::InputSnapshot*>(message->p2);
  const double pointer = IsVertical() ? snapshot->y : snapshot->x;
  const double lead = TrackLead();
  const double track = TrackLength();
  if (pointer < lead || pointer > lead + track) return;
  const double range = total_ - page_;
  const double room = track - (IsVertical() ? thumb_->GetHeight() : thumb_->GetWidth());
  // A thumb that fills the track has nowhere to go.
  if (range <= 0 || room <= 0) return;
  // The thumb keeps the place where the pointer took it, so a pointer that went past an end
  // must come back to that place before the thumb follows again.
  const double position = range * ((pointer - grab_offset_) - lead) / room;
  SetRange(std::clamp(position, 0.0, range), page_, total_, -1.0);
  Notify();
}

void PanelScrollBar::OnTrackPress(const ObjectMessage* message) {
  if (message->p2 == 0 || track_ == nullptr) return;
  const auto* snapshot = reinterpret_cast<const engine::InputSnapshot*>(message->p2);
  const double track = TrackLength();
  if (track <= 0) return;
  const double pointer = IsVertical() ? snapshot->y : snapshot->x;
  double position = std::trunc((pointer - TrackLead()) * total_ / track);
  position = std::clamp(position, 0.0, std::trunc(MaxPosition()));
  SetRange(position, page_, total_, -1.0);
  Notify();
}

int PanelScrollBar::OnMessage(const ObjectMessage* message) {
  if (message == nullptr) return 1;
  switch (message->id) {
    case kThumbEntered:
      SetThumbState(1);
      return 1;
    case kThumbLeft:
      SetThumbState(0);
      return 1;
    case kThumbPressed:
      if (message->p2 != 0 && thumb_ != nullptr) {
        const auto* snapshot = reinterpret_cast<const engine::InputSnapshot*>(message->p2);
        grab_offset_ = (IsVertical() ? snapshot->y : snapshot->x) - ThumbLead();
      }
      SetThumbState(2);
      return 1;
    case kThumbClicked:
      SetThumbState(1);
      return 1;
    case kThumbDragged:
      OnDrag(message);
      return 1;
    case kTrackPressed:
      OnTrackPress(message);
      return 1;
    default:
      return WidgetBase::OnMessage(message);
  }
}

}  // namespace frame
