#include "engine/ui/inline_object.h"

#include <algorithm>

#include "engine/core/engine_log.h"
#include "engine/core/sprite_object.h"
#include "engine/media/paint_module.h"
#include "engine/ui/hand_cursor.h"
#include "engine/ui/rich_text_box.h"

namespace engine {

PictureInfo FindPictureQuietly(ObjectServices* services, std::string_view name, int32_t frame, size_t max_name) {
  PictureInfo info;
  if (services == nullptr || name.empty() || name.size() > max_name || name.find('\0') != std::string_view::npos) {
    return info;
  }
  if (PaintModule* paint = services->GetPaintModule()) paint->GetPictureInfo(&info, std::string(name), frame);
  return info;
}

bool InlineObject::MakeSprite(const char* name, int32_t frame, int32_t width, int32_t height) {
  const PictureInfo info = FindPictureQuietly(this, name != nullptr ? name : "", frame, RichTextBox::kMaxPictureName);
  if (info.record == nullptr) return false;
  StopAnimation();
  if (EngineObject* old = CurrentSkin()) {
    SetSkin(nullptr, 0);
    DeleteObject(old, false);
  }
  sprite_ = CreateSprite(&info);
  if (sprite_ == nullptr) return false;
  sprite_->SetImage(&info, 1);
  if (width > 0 || height > 0) {
    sprite_->SetSize(width > 0 ? width : info.width, height > 0 ? height : info.height);
  }
  sprite_->SetDepth(EngineObject::GetDepth());
  SetSkin(sprite_, link_flag::kFollowAll);
  if (!click_target_.empty()) SubscribeClicks();
  return true;
}

bool InlineObject::SetAnimation(const char* name, int32_t width, int32_t height) {
  if (!MakeSprite(name, 0, width, height)) return false;
  animated_ = sprite_->ForwardImageCall2() > 1;
  plain_text_ = "[动画]";
  if (shown_in_view_) StartAnimation();
  return true;
}

bool InlineObject::SetPicture(const char* name, int32_t frame, int32_t width, int32_t height) {
  if (!MakeSprite(name, frame, width, height)) return false;
  animated_ = false;
  plain_text_ = "[图片]";
  return true;
}

void InlineObject::SetPlainText(const char* text) { plain_text_ = text != nullptr ? text : ""; }

void InlineObject::SetClickTarget(uint32_t owner, const std::string& target) {
  owner_ = owner;
  click_target_ = target;
  SubscribeClicks();
}

// On the picture the pointer finds (a new picture gets them again).
void InlineObject::SubscribeClicks() {
  EngineObject* picked = GetSkinOrSelf();
  for (uint32_t event : {QUILLARON_EVENT_MOUSE_ENTER, QUILLARON_EVENT_MOUSE_LEAVE, QUILLARON_EVENT_CLICK}) {
    picked->SubscribeMessage(event, GetKey(), event, 0, 0);
  }
}

void InlineObject::SetShownInView(bool shown) {
  if (shown == shown_in_view_) return;
  shown_in_view_ = shown;
  if (shown) {
    StartAnimation();
  } else {
    StopAnimation();
  }
}

void InlineObject::StartAnimation() {
  if (!animated_ || sprite_ == nullptr || animation_ != 0) return;
  animation_ = AnimateSprite(sprite_, 0, 0xFFFFFFFF, 0, 0, nullptr);
}

void InlineObject::StopAnimation() {
  if (animation_ == 0) return;
  CancelAction(animation_);
  animation_ = 0;
}

int InlineObject::OnMessage(const ObjectMessage* message) {
  if (message == nullptr) return 1;
  if (!click_target_.empty()) {
    switch (message->id) {
      case QUILLARON_EVENT_MOUSE_ENTER:
        ShowHandCursor(this, true);
        return 1;
      case QUILLARON_EVENT_MOUSE_LEAVE:
        ShowHandCursor(this, false);
        return 1;
      case QUILLARON_EVENT_CLICK: {
        const ObjectMessage open =
            MakeMessage(owner_, rich_text::kMsgOpenLink, reinterpret_cast<uintptr_t>(click_target_.c_str()), GetKey());
        PostMessage(&open);
        return 1;
      }
      default:
        break;
    }
  }
  return WidgetBase::OnMessage(message);
}

}  // namespace engine
