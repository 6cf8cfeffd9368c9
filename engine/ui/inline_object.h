// An object that stands as one item in a rich-text view's text: an emoticon, a picture, a button
// or (in subclasses) a whole row of a list. The view adopts it (InsertObject), places it over its
// text area, clips it there, hides it while it is scrolled out of sight, and removes it from the
// scene with its item.
//
// Its size is its skin's. Its plain-text form is what copying the view's text gives for it
// ("[动画]" for an animation unless set otherwise). With a click target it is a button: the hand
// cursor shows over it and a click posts 80000007 (p1 = the target, p2 = its key) to its owner.
// A view sends it 1050 (p1 = the view's text width) when it is wider than the view's text area;
// here that changes nothing (rows of a list resize themselves).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/core/widget_base.h"

namespace engine {

class SpriteObject;

class InlineObject : public WidgetBase {
 public:
  // Link flags of the picture that shows the object.

  InlineObject() = default;
  ~InlineObject() override = default;

  int OnMessage(const ObjectMessage* message) override;

  // A looping animation of the named picture, width x height (0: its natural size); the plain
  // text becomes "[动画]". False (and nothing shown) when the picture does not exist.
  virtual bool SetAnimation(const char* name, int32_t width, int32_t height);
  virtual void SetPlainText(const char* text);
  // One frame of the named picture, width x height (0: natural size); plain text "[图片]".
  virtual bool SetPicture(const char* name, int32_t frame, int32_t width, int32_t height);
  // Makes the object a button that posts its target to owner.
  virtual void SetClickTarget(uint32_t owner, const std::string& target);
  // The view shows or hides the object as it scrolls; an animation only runs while shown.
  virtual void SetShownInView(bool shown);

  const std::string& GetPlainText() const { return plain_text_; }
  const std::string& GetClickTarget() const { return click_target_; }
  bool IsAnimated() const { return animated_; }
  bool IsShownInView() const { return shown_in_view_; }
  SpriteObject* GetSprite() const { return sprite_; }

 private:
  bool MakeSprite(const char* name, int32_t frame, int32_t width, int32_t height);
  void SubscribeClicks();
  void StartAnimation();
  void StopAnimation();

  std::string plain_text_;
  std::string click_target_;
  uint32_t owner_ = 0;
  SpriteObject* sprite_ = nullptr;
  uint64_t animation_ = 0;
  bool animated_ = false;
  bool shown_in_view_ = false;
};

// A picture looked up by a name that came from outside (a markup tag, another player's text):
// a null record when it is missing or the name is empty or longer than max_name bytes. Nothing is
// logged, so such names never reach the logs.
PictureInfo FindPictureQuietly(ObjectServices* services, std::string_view name, int32_t frame, size_t max_name = 63);

}  // namespace engine
