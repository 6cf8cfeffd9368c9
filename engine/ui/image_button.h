// A button drawn from a picture: a sprite skin that shows one frame per state, counted from the
// button's first frame: +0 normal, +1 pointer over it, +2 pressed (or held down), +3 disabled. A
// picture with fewer frames than that shows its first frame for the states it lacks.
//
// What it sends: a click released over the button while it is enabled delivers the button's
// message at once (when its id is not 0); with option kPressAction (SetFlag2) the message goes
// on the press instead, before the press moves the input focus, so that a button which opens a
// list that hides on focus loss can also close it. Sounds: sound 1 plays when the pointer
// enters, sound 2 on the press (both only while enabled). With the hand-cursor option the
// pointer shows the hand while over the enabled button.
//
// Enabling: WidgetBase::SetEnabled, and also the engine's enable and disable events themselves
// (QUILLARON_EVENT_ENABLED / _DISABLED) posted to the button, so that a delayed post re-enables
// it. Disabling forgets a press in progress: its release does not click.
#pragma once

#include <cstdint>
#include <string>

#include "engine/core/image_handle.h"
#include "engine/core/widget_base.h"

namespace engine {

class SpriteObject;

class ImageButton : public WidgetBase {
 public:
  enum State : uint32_t { kNormal = 0, kHover = 1, kPressed = 2, kDisabled = 3 };
  // Button option bits.
  static constexpr uint32_t kHandCursor = 0x1;
  static constexpr uint32_t kPressAction = 0x2;
  // Link flags of the sprite: it follows everything the button does.
  static constexpr uint32_t kDefaultFrames = 4;
  // Longest sound name kept, terminator excluded.
  static constexpr size_t kMaxSoundName = 63;

  ImageButton() = default;
  ~ImageButton() override = default;

  int OnMessage(const ObjectMessage* message) override;

  // Makes the button's sprite from picture (its frame first_frame is the normal state; the
  // button uses frame_count frames from there, 4 as a rule), keeps the message (null: a button
  // that sends nothing) and takes pointer input. The button must be in a scene. False, with a
  // log line, when no sprite could be made; a missing picture still gives a button (of size 0).
  virtual bool Create(const PictureInfo* picture, const ObjectMessage* message, int32_t first_frame = 0,
                      int32_t frame_count = kDefaultFrames);
  // Sound 1 plays on hover, sound 2 on the press; other indexes are refused. Null or "" clears it.
  virtual void SetSound(int32_t index, const char* name);
  // Shows another picture (the sort and auto-play buttons switch theirs); the state stays.
  virtual void SetPicture(const PictureInfo* picture);
  // 1 shows the hand cursor while the pointer is over the button.
  virtual void SetHandCursor(bool hand);
  // Option kPressAction: the message goes on the press.
  virtual void SetFlag2(bool on);
  // Held down (frame +2) until set up again; up shows +1 while the pointer is over it, else +0.
  virtual void SetDown(bool down);
  virtual bool IsDown() const { return down_; }

  const ObjectMessage& GetMessage() const { return message_; }
  void SetMessage(const ObjectMessage& message) { message_ = message; }
  uint32_t GetState() const { return state_; }
  uint32_t GetOptions() const { return options_; }
  bool IsHovered() const { return hovered_; }
  SpriteObject* GetSprite() const;
  // The frame the sprite shows now.
  int32_t GetShownFrame() const;
  const char* GetSound(int32_t index) const;

 private:
  void EnterState(uint32_t state);
  // The state the button rests in now: disabled, held down, hovered or normal.
  uint32_t RestingState() const;
  void ShowFrame();
  void Deliver();
  void PlayButtonSound(int32_t index);
  void ShowCursor(bool hand);

  ObjectMessage message_{};
  int32_t first_frame_ = 0;
  int32_t frame_count_ = kDefaultFrames;
  uint32_t options_ = 0;
  uint32_t state_ = kNormal;
  bool hovered_ = false;
  bool pressed_ = false;
  bool down_ = false;
  std::string sounds_[2];
};

// Makes a button in parent's scene from picture (see ImageButton::Create), sending click when
// pressed. Null, with a log line, when parent is in no scene or the button made no sprite.
ImageButton* MakeImageButton(EngineObject* parent, const PictureInfo& picture, const ObjectMessage& click,
                             int32_t first_frame = 0, int32_t frame_count = ImageButton::kDefaultFrames);

}  // namespace engine
