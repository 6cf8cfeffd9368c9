// A push button drawn from its caption: a canvas skin with a one-pixel frame, redrawn for each of
// its four states (normal, pointer over it, pressed, disabled). A click released over the button
// while it is enabled delivers the button's message at once.
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
  // Redraws the canvas for the state.
  virtual void DrawState(uint32_t state);
  virtual void SetText(const char* caption);
  virtual const char* GetText() const { return caption_.c_str(); }

  uint32_t GetState() const { return state_; }
  CanvasObject* GetCanvas() const;

 private:
  std::string caption_;
  int32_t font_size_ = 12;
  COLORREF frame_colour_ = 0;
  ObjectMessage message_{};
  uint32_t state_ = kNormal;
};

}  // namespace engine
