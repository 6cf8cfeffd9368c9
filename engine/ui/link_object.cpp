#include "engine/ui/link_object.h"

#include "engine/core/input_module.h"
#include "engine/core/sprite_object.h"
#include "engine/ui/hand_cursor.h"
#include "engine/ui/inline_object.h"
#include "engine/ui/rich_text_box.h"

namespace engine {
namespace {

// The hover picture stands this far right of and below the pointer.
constexpr double kHoverOffset = 16.0;

}  // namespace

void LinkObject::Set(const char* target, const char* hover_picture, uint32_t owner) {
  target_ = target != nullptr ? target : "";
  owner_ = owner;
  if (hover_picture == nullptr || hover_picture[0] == '\0' || hover_ != nullptr) return;
  const PictureInfo info = FindPictureQuietly(this, hover_picture, 0, RichTextBox::kMaxPictureName);
  if (info.record == nullptr) return;
  hover_ = CreateSprite(&info);
  if (hover_ == nullptr) return;
  hover_->SetImage(&info, 1);
  hover_->Hide();
  AddChild(hover_, link_flag::kOwned);
}

int LinkObject::OnMessage(const ObjectMessage* message) {
  if (message == nullptr) return 1;
  const auto* snapshot = reinterpret_cast<const InputSnapshot*>(message->p2);
  switch (message->id) {
    case QUILLARON_EVENT_MOUSE_ENTER:
      hovered_ = true;
      ShowHandCursor(this, true);
      if (hover_ != nullptr) {
        if (snapshot != nullptr) {
          hover_->MoveTo(snapshot->x + kHoverOffset + hover_->GetWidth() / 2,
                         snapshot->y + kHoverOffset + hover_->GetHeight() / 2);
        }
        hover_->SetDepth(kMaxDepth - 1.0);
        hover_->Show();
        hover_->Invalidate();
      }
      return 1;
    case QUILLARON_EVENT_MOUSE_LEAVE:
      hovered_ = false;
      ShowHandCursor(this, false);
      if (hover_ != nullptr) {
        hover_->Hide();
        hover_->Invalidate();
      }
      return 1;
    case QUILLARON_EVENT_CLICK: {
      if (owner_ == 0) return 1;
      const ObjectMessage open =
          MakeMessage(owner_, rich_text::kMsgOpenLink, reinterpret_cast<uintptr_t>(target_.c_str()), GetKey());
      PostMessage(&open);
      return 1;
    }
    default:
      return ObjectServices::OnMessage(message);
  }
}

}  // namespace engine
