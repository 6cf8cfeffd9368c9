#include "engine/ui/image_button.h"

#include "engine/core/engine_log.h"
#include "engine/core/sprite_object.h"
#include "engine/ui/hand_cursor.h"

namespace engine {

SpriteObject* ImageButton::GetSprite() const { return dynamic_cast<SpriteObject*>(CurrentSkin()); }

bool ImageButton::Create(const PictureInfo* picture, const ObjectMessage* message, int32_t first_frame,
                         int32_t frame_count) {
  const PictureInfo none{};
  SpriteObject* sprite = CreateSprite(picture != nullptr ? picture : &none);
  if (sprite == nullptr) {
    WriteGameLog("ImageButton::Create: no sprite for the button");
    return false;
  }
  message_ = message != nullptr ? *message : ObjectMessage{};
  first_frame_ = first_frame > 0 ? first_frame : 0;
  frame_count_ = frame_count > 0 ? frame_count : 1;
  SetSkin(sprite, link_flag::kFollowAll);
  SetTakesInput(true);
  // The sprite is what the pointer finds; these subscriptions are repeated on it and come back here.
  for (uint32_t event : {QUILLARON_EVENT_MOUSE_ENTER, QUILLARON_EVENT_MOUSE_LEAVE, QUILLARON_EVENT_LBUTTON_DOWN,
                         QUILLARON_EVENT_LBUTTON_UP, QUILLARON_EVENT_CLICK}) {
    SubscribeMessage(event, GetKey(), event, 0, 0);
  }
  hovered_ = false;
  pressed_ = false;
  down_ = false;
  EnterState(kNormal);
  return true;
}

void ImageButton::SetSound(int32_t index, const char* name) {
  if (index != 1 && index != 2) {
    WriteGameLog("ImageButton::SetSound: no sound %d", index);
    return;
  }
  std::string& slot = sounds_[index - 1];
  slot = name != nullptr ? name : "";
  if (slot.size() > kMaxSoundName) {
    WriteGameLog("ImageButton::SetSound: sound name of %zu bytes refused", slot.size());
    slot.clear();
  }
}

const char* ImageButton::GetSound(int32_t index) const {
  return index == 1 || index == 2 ? sounds_[index - 1].c_str() : "";
}

void ImageButton::SetPicture(const PictureInfo* picture) {
  SpriteObject* sprite = GetSprite();
  if (sprite == nullptr || picture == nullptr) return;
  sprite->SetImage(picture, 1);
  ShowFrame();
}

void ImageButton::SetHandCursor(bool hand) {
  if (hand) {
    options_ |= kHandCursor;
  } else {
    options_ &= ~kHandCursor;
  }
}

void ImageButton::SetFlag2(bool on) {
  if (on) {
    options_ |= kPressAction;
  } else {
    options_ &= ~kPressAction;
  }
}

void ImageButton::SetDown(bool down) {
  down_ = down;
  EnterState(RestingState());
}

uint32_t ImageButton::RestingState() const {
  if (TakesInput() == 0) return kDisabled;
  // A press shows while the pointer stays on the button; held down shows always.
  if (down_ || (pressed_ && hovered_)) return kPressed;
  return hovered_ ? kHover : kNormal;
}

void ImageButton::EnterState(uint32_t state) {
  state_ = state <= kDisabled ? state : kNormal;
  ShowFrame();
}

int32_t ImageButton::GetShownFrame() const {
  SpriteObject* sprite = GetSprite();
  return sprite != nullptr ? sprite->ForwardImageCall3() : 0;
}

void ImageButton::ShowFrame() {
  SpriteObject* sprite = GetSprite();
  if (sprite == nullptr) return;
  const int32_t frames = sprite->ForwardImageCall2();
  int32_t frame = first_frame_ + static_cast<int32_t>(state_);
  // A state past the button's frames, or past the picture's, shows the normal frame.
  if (static_cast<int32_t>(state_) >= frame_count_ || frame >= frames) frame = first_frame_;
  if (frame >= frames) frame = 0;
  sprite->SetFrame(static_cast<uint16_t>(frame));
  sprite->Invalidate();
}

void ImageButton::Deliver() {
  if (message_.id == 0) return;
  // A copy: the receiver may change or remove this button.
  const ObjectMessage copy = message_;
  SendMessage(&copy);
}

void ImageButton::PlayButtonSound(int32_t index) {
  const std::string& name = sounds_[index - 1];
  if (!name.empty()) PlaySound(name.c_str(), 1, nullptr);
}

void ImageButton::ShowCursor(bool hand) { ShowHandCursor(this, hand); }

int ImageButton::OnMessage(const ObjectMessage* message) {
  if (message == nullptr) return 1;
  const bool enabled = TakesInput() != 0;
  switch (message->id) {
    case QUILLARON_EVENT_MOUSE_ENTER:
      hovered_ = true;
      if (!enabled) break;
      EnterState(RestingState());
      PlayButtonSound(1);
      if (options_ & kHandCursor) ShowCursor(true);
      break;
    case QUILLARON_EVENT_MOUSE_LEAVE:
      hovered_ = false;
      if (options_ & kHandCursor) ShowCursor(false);
      if (enabled) EnterState(RestingState());
      break;
    case QUILLARON_EVENT_LBUTTON_DOWN:
      if (!enabled) break;
      pressed_ = true;
      EnterState(kPressed);
      PlayButtonSound(2);
      if (options_ & kPressAction) Deliver();
      break;
    case QUILLARON_EVENT_LBUTTON_UP:
      pressed_ = false;
      if (enabled) EnterState(RestingState());
      break;
    case QUILLARON_EVENT_CLICK:
      pressed_ = false;
      if (!enabled) return 1;
      EnterState(RestingState());
      if (!(options_ & kPressAction)) Deliver();
      return 1;
    case QUILLARON_EVENT_ENABLED:
      // Also posted on its own (a delayed re-enable): then it is what enables the button.
      if (!enabled) {
        SetEnabled(true);
        return 1;
      }
      EnterState(RestingState());
      return 1;
    case QUILLARON_EVENT_DISABLED:
      if (enabled) {
        SetEnabled(false);
        return 1;
      }
      pressed_ = false;
      if ((options_ & kHandCursor) && hovered_) ShowCursor(false);
      EnterState(kDisabled);
      return 1;
    default:
      break;
  }
  return WidgetBase::OnMessage(message);
}

ImageButton* MakeImageButton(EngineObject* parent, const PictureInfo& picture, const ObjectMessage& click,
                             int32_t first_frame, int32_t frame_count) {
  auto* button = new ImageButton();
  parent->AddToScene(button);
  if (!button->IsRegistered()) {
    WriteGameLog("ImageButton: the parent is in no scene; no button");
    delete button;
    return nullptr;
  }
  if (!button->Create(&picture, &click, first_frame, frame_count)) {
    button->DeleteObject(button, true);
    return nullptr;
  }
  return button;
}

}  // namespace engine
