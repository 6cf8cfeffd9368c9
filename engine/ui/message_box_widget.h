// The engine's message box: a body canvas (the box's skin) with an optional OK button "确定", an
// optional Cancel button "取消" and an optional countdown. The caller adds the box to a scene,
// builds it, then sizes, paints and places the body and its parts as it likes; everything follows
// the body.
//
// OK and Cancel deliver a copy of their message (when its id is not 0) and close the box. The
// countdown counts down once a second and, at 0, acts as Cancel when the box has one, else as OK,
// else just closes. A box without buttons closes when it is clicked. Closing hides the box and
// removes it, with its parts, from the scene.
#pragma once

#include <cstdint>

#include "engine/core/widget_base.h"

namespace engine {

class CanvasObject;
class TextButton;

class MessageBoxWidget : public WidgetBase {
 public:
  static constexpr int32_t kButtonWidth = 80;
  static constexpr int32_t kButtonHeight = 30;
  static constexpr int32_t kCountdownWidth = 40;
  static constexpr int32_t kCountdownHeight = 20;
  static constexpr int32_t kMaxCountdown = 99;
  // What p1 of msg::kCountdownStep says: the countdown's next second, or which button was pressed.
  enum Signal : uintptr_t { kSignalCountdown = 0, kSignalOk = 1, kSignalCancel = 2, kSignalClicked = 3 };

  MessageBoxWidget() = default;
  ~MessageBoxWidget() override = default;

  int OnMessage(const ObjectMessage* message) override;

  // Makes the parts (see above) and puts the box on the top layer, in front; the body, or null
  // when the box is not in a scene.
  virtual CanvasObject* Build(int32_t width, int32_t height, const ObjectMessage* ok, const ObjectMessage* cancel,
                              int32_t countdown_seconds);           // 157
  virtual CanvasObject* GetBody() { return body_; }                 // 158
  virtual TextButton* GetOkButton() { return ok_button_; }          // 159
  virtual TextButton* GetCancelButton() { return cancel_button_; }  // 160
  // Hides the box and removes it from the scene (once).
  virtual void Close();                                                     // 161
  virtual CanvasObject* GetCountdownCanvas() { return countdown_canvas_; }  // 162

  int32_t GetCountdown() const { return count_; }
  bool IsClosing() const { return closing_; }

 private:
  TextButton* MakeButton(const char* caption, Signal signal);
  void DrawCountdown();
  void CountdownStep();
  void Answer(Signal signal);

  CanvasObject* body_ = nullptr;
  TextButton* ok_button_ = nullptr;
  TextButton* cancel_button_ = nullptr;
  CanvasObject* countdown_canvas_ = nullptr;
  ObjectMessage ok_message_{};
  ObjectMessage cancel_message_{};
  int32_t count_ = 0;
  bool closing_ = false;
};

}  // namespace engine
