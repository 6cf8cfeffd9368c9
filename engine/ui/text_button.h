// A push button drawn from its caption: a canvas skin with a one-pixel frame, redrawn for each of
// its four states (0 normal, 1 pointer over it, 2 pressed, 3 disabled). A click released over the
// button while it is enabled draws state 1 and delivers the button's message at once (when its id
// is not 0). Disabling draws state 3 and forgets a press in progress; enabling draws state 1 when
// the pointer is over the button, else 0.
//
// Derived rows (menu entries) override DrawState to draw themselves; the state logic stays here.
#pragma once

#include <cstdint>
#include <string>

#include "engine/core/widget_base.h"

namespace engine {

class CanvasObject;

class TextButton : public WidgetBase {
 public:
  enum State : uint32_t { kNormal = 0, kHover = 1, kPressed = 2, kDisabled = 3 };

  TextButton() = default;
  ~TextButton() override = default;

  int OnMessage(const ObjectMessage* message) override;

  // Builds the button's canvas (width x height, colour key, a frame in frame_colour), keeps the
  // caption, font size and message (null: a button that sends nothing), and takes pointer input.
  // The button must be in a scene.
  virtual bool Create(const char* caption, int32_t width, int32_t height, int32_t font_size, COLORREF colour_key,
                      COLORREF frame_colour, const ObjectMessage* message);
  // Draws the canvas for the state (0-3; anything else draws 0). It does not change GetState.
  virtual void DrawState(uint32_t state);
  // Replaces the caption and redraws.
  virtual void SetText(const char* caption);
  virtual const char* GetText() const { return caption_.c_str(); }
  // The caption's colour; redraws.
  virtual void SetTextColour(COLORREF colour);

  // The state the button's own input logic last entered.
  uint32_t GetState() const { return state_; }
  CanvasObject* GetCanvas() const;
  // The message a click delivers (id 0: none). Callers that look buttons up by the message they
  // send compare it here: the button's click subscription is its own.
  const ObjectMessage& GetMessage() const { return message_; }
  int32_t GetFontSize() const { return font_size_; }
  COLORREF GetFrameColour() const { return frame_colour_; }
  COLORREF GetTextColour() const { return text_colour_; }
  bool IsHovered() const { return hovered_; }

 protected:
  // Enters a state and draws it.
  void EnterState(uint32_t state);
  // 1 while the pointer is over the button, else 0.
  uint32_t RestingState() const { return hovered_ ? kHover : kNormal; }

 private:
  std::string caption_;
  int32_t font_size_ = 12;
  COLORREF frame_colour_ = 0;
  COLORREF text_colour_ = 0;
  ObjectMessage message_{};
  uint32_t state_ = kNormal;
  bool hovered_ = false;
  bool pressed_ = false;
};

}  // namespace engine
