#include "engine/ui/rich_text_scroll_bar.h"

#include <algorithm>

#include "engine/core/canvas_object.h"
#include "engine/core/input_module.h"
#include "engine/ui/inline_object.h"
#include "engine/ui/rich_text_box.h"

namespace engine {
namespace {

// The engine's string settings that name the vertical bar's pictures.
constexpr uint32_t kBackSetting = 22;
constexpr uint32_t kThumbSetting = 23;
constexpr uint32_t kUpSetting = 25;
constexpr uint32_t kDownSetting = 26;

// Plain colours where a picture is missing (COLORREF).
constexpr COLORREF kTrackColour = 0xE8E8E8;
constexpr COLORREF kButtonColour = 0xC8C8C8;
constexpr COLORREF kThumbColour = 0x989898;
constexpr COLORREF kEdgeColour = 0x808080;

}  // namespace

CanvasObject* RichTextScrollBar::GetCanvas() const { return dynamic_cast<CanvasObject*>(CurrentSkin()); }

bool RichTextScrollBar::Create(uint32_t owner, int32_t height) {
  owner_ = owner;
  const char* back_name = GetStringSetting(kBackSetting);
  const PictureInfo back = FindPictureQuietly(this, back_name != nullptr ? back_name : "", 0);
  width_ = back.record != nullptr && back.width > 0 ? std::min(back.width, 64) : kDefaultWidth;
  height_ = std::clamp(height, 1, CanvasObject::kMaxSide);
  CanvasObject* canvas = CreateCanvas(width_, height_, kColourKey);
  if (canvas == nullptr) return false;
  SetSkin(canvas, link_flag::kFollowAllButSize);
  SetSize(width_, height_);
  for (uint32_t event : {QUILLARON_EVENT_LBUTTON_DOWN, QUILLARON_EVENT_DRAG, QUILLARON_EVENT_LBUTTON_UP}) {
    SubscribeMessage(event, GetKey(), event, 0, 0);
  }
  Draw();
  return true;
}

void RichTextScrollBar::SetHeight(int32_t height) {
  height = std::clamp(height, 1, CanvasObject::kMaxSide);
  if (height == height_) return;
  height_ = height;
  if (CanvasObject* canvas = GetCanvas()) {
    canvas->ResizeSurface(width_, height_);
    canvas->SetSize(width_, height_);
  }
  SetSize(width_, height_);
  Draw();
}

void RichTextScrollBar::SetRange(int32_t total, int32_t page, int32_t position) {
  total = std::max(total, 0);
  page = std::max(page, 0);
  position = std::clamp(position, 0, std::max(total - page, 0));
  if (total == total_ && page == page_ && position == position_) return;
  total_ = total;
  page_ = page;
  position_ = position;
  Draw();
}

int32_t RichTextScrollBar::MaxPosition() const { return std::max(total_ - page_, 0); }

int32_t RichTextScrollBar::ButtonLength() const { return std::min(width_, height_ / 3); }

int32_t RichTextScrollBar::ThumbLength() const {
  const int32_t track = std::max(height_ - 2 * ButtonLength(), 0);
  if (total_ <= page_ || total_ <= 0) return track;
  const int64_t length = int64_t{track} * page_ / total_;
  return static_cast<int32_t>(std::clamp<int64_t>(length, std::min(kMinThumb, track), track));
}

int32_t RichTextScrollBar::ThumbTop() const {
  const int32_t track = std::max(height_ - 2 * ButtonLength(), 0);
  const int32_t room = track - ThumbLength();
  const int32_t max = MaxPosition();
  return ButtonLength() + (max > 0 ? static_cast<int32_t>(int64_t{room} * position_ / max) : 0);
}

void RichTextScrollBar::Draw() {
  CanvasObject* canvas = GetCanvas();
  if (canvas == nullptr) return;
  auto picture = [this](uint32_t setting) {
    const char* name = GetStringSetting(setting);
    return FindPictureQuietly(this, name != nullptr ? name : "", 0);
  };
  auto part = [&](uint32_t setting, COLORREF colour, int32_t top, int32_t length) {
    if (length <= 0) return;
    const PictureInfo info = picture(setting);
    if (info.record != nullptr) {
      canvas->DrawImage(&info, 0, top, width_, length, 0.0, 1.0);
      return;
    }
    canvas->SetFillColour(colour);
    canvas->FillRect(0, top, width_, top + length);
    canvas->SetTextColour(kEdgeColour, 1.0);
    canvas->DrawRect(0, top, width_ - 1, top + length - 1, false);
  };
  canvas->SetFillColour(kTrackColour);
  canvas->Clear();
  part(kBackSetting, kTrackColour, 0, height_);
  const int32_t button = ButtonLength();
  part(kUpSetting, kButtonColour, 0, button);
  part(kDownSetting, kButtonColour, height_ - button, button);
  if (MaxPosition() > 0) part(kThumbSetting, kThumbColour, ThumbTop(), ThumbLength());
  canvas->Invalidate();
}

void RichTextScrollBar::ScrollTo(int32_t position) {
  position = std::clamp(position, 0, MaxPosition());
  if (position == position_) return;
  position_ = position;
  Draw();
  const ObjectMessage moved = MakeMessage(owner_, rich_text::kMsgScrollTo, static_cast<uintptr_t>(position), 0);
  SendMessage(&moved);
}

bool RichTextScrollBar::LocalY(const ObjectMessage* message, int32_t* y) const {
  const auto* snapshot = reinterpret_cast<const InputSnapshot*>(message->p2);
  CanvasObject* canvas = GetCanvas();
  if (snapshot == nullptr || canvas == nullptr) return false;
  *y = snapshot->y - static_cast<int32_t>(canvas->GetTop());
  return true;
}

int RichTextScrollBar::OnMessage(const ObjectMessage* message) {
  if (message == nullptr) return 1;
  int32_t y = 0;
  switch (message->id) {
    case QUILLARON_EVENT_LBUTTON_DOWN: {
      if (!LocalY(message, &y)) return 1;
      const int32_t button = ButtonLength();
      const int32_t top = ThumbTop();
      if (y < button) {
        ScrollTo(position_ - kStep);
      } else if (y >= height_ - button) {
        ScrollTo(position_ + kStep);
      } else if (MaxPosition() > 0 && y >= top && y < top + ThumbLength()) {
        drag_offset_ = y - top;
      } else if (y < top) {
        ScrollTo(position_ - std::max(page_, kStep));
      } else {
        ScrollTo(position_ + std::max(page_, kStep));
      }
      return 1;
    }
    case QUILLARON_EVENT_DRAG: {
      if (drag_offset_ < 0 || !LocalY(message, &y)) return 1;
      const int32_t room = std::max(height_ - 2 * ButtonLength(), 0) - ThumbLength();
      if (room <= 0) return 1;
      const int64_t top = std::clamp<int64_t>(int64_t{y} - drag_offset_ - ButtonLength(), 0, room);
      ScrollTo(static_cast<int32_t>(top * MaxPosition() / room));
      return 1;
    }
    case QUILLARON_EVENT_LBUTTON_UP:
      drag_offset_ = -1;
      return 1;
    default:
      return WidgetBase::OnMessage(message);
  }
}

}  // namespace engine
