// A hover tip bound to a target object: a small framed caption that shows while the pointer is
// over the target and hides when it leaves or presses it. The tip is at most the given width
// (120 throughout the game); longer captions wrap. It stands centred under the target, or above
// it when there is no room below, kept inside the screen, in the engine's top-most layer. It
// takes no input itself, so it never takes the pointer from its target.
//
// It subscribes the target's enter, leave and left-press events (to itself); the target's own
// subscriptions are left alone, but as with any subscription to input events the target takes
// input from then on (bind tips to enabled targets). Nothing is sent to anyone else.
#pragma once

#include <cstdint>
#include <string>

#include "engine/core/widget_base.h"

namespace engine {

class CanvasObject;

class BarButton : public WidgetBase {
 public:
  static constexpr int32_t kDefaultWidth = 120;
  static constexpr int32_t kPadding = 4;
  static constexpr int32_t kGap = 4;  // between the target and the tip
  static constexpr int32_t kFontSize = 12;
  static constexpr COLORREF kBackColour = 0xE1FFFF;
  static constexpr COLORREF kFrameColour = 0x808080;
  static constexpr COLORREF kTextColour = 0x000000;
  // Longest caption kept, in bytes.
  static constexpr size_t kMaxText = 256;
  // Link flags of the canvas: it follows everything the tip does.

  BarButton() = default;
  ~BarButton() override = default;

  int OnMessage(const ObjectMessage* message) override;

  // Binds the tip to target with the caption, at most width pixels wide. The tip must be in a
  // scene; it starts hidden. False when target is null or no canvas could be made.
  virtual bool Create(EngineObject* target, const char* text, int32_t width);
  // Replaces the caption (a tip that is shown is redrawn in place).
  virtual void SetText(const char* text);
  virtual const char* GetText() const { return text_.c_str(); }
  // Shows the tip beside its target, or hides it.
  virtual void ShowTip(bool show);

  uint32_t GetTargetKey() const { return target_key_; }
  CanvasObject* GetCanvas() const;

 private:
  void Draw();
  void Place();

  uint32_t target_key_ = 0;
  std::string text_;
  int32_t max_width_ = kDefaultWidth;
};

}  // namespace engine
