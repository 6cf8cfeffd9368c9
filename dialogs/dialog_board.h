// What the message boxes are built on: a board whose body canvas (the board's skin) shows a
// background picture of the skin, or a plain framed panel when the skin has none, with answer
// buttons linked to the body and an optional countdown in its top right corner.
//
// An answer button is drawn from its picture (four frames) or, when the skin lacks it, from its
// caption. Pressing it closes the board, then sends the button's record ({target, id, p1, p2},
// delivered at once; nothing for id 0). A countdown shows the seconds left ("%d秒") in the top
// right corner; when it reaches 0 the board asks OnTimeUp (which closes it unless a box says
// otherwise). Closing hides the board at once and takes it, with its parts, out of the scene in
// the object module's next turn.
//
// The owner adds the board to a scene (AddToScene) before building it, then shows, places and
// stacks it like any widget: moves, depth, showing, hiding and dragging go to the body, and the
// parts follow. As for any object, Invalidate after moving it lets the scene draw it there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/core/object_message.h"
#include "engine/core/widget_base.h"

namespace engine {
class CanvasObject;
}  // namespace engine

namespace dialogs {

class DialogBoard : public engine::WidgetBase {
 public:
  // The board's own messages: a button was pressed (p1: its index), the countdown's step.
  static constexpr uint32_t kButtonPressed = 80001000;
  static constexpr uint32_t kCountdownStep = 80001001;
  static constexpr int32_t kMaxCountdown = 99;
  // The plain panel of a board without its picture.
  static constexpr uint32_t kPanelFill = 0x2E3B4A;
  static constexpr uint32_t kPanelEdge = 0x7FB4D8;
  static constexpr int32_t kCaptionButtonWidth = 56;
  static constexpr int32_t kCaptionButtonHeight = 24;

  DialogBoard() = default;
  ~DialogBoard() override = default;

  int OnMessage(const engine::ObjectMessage* message) override;
  // Shows the board and has the scene draw it where it stands.
  void Show() override;

  // Hides the board and takes it out of the scene (once).
  virtual void Close();
  // Presses answer button `index` as a click on it would.
  void Press(size_t index);

  bool IsClosing() const { return closing_; }
  engine::CanvasObject* GetBody() const { return body_; }
  size_t ButtonCount() const { return buttons_.size(); }
  engine::WidgetBase* GetButton(size_t index) const {
    return index < buttons_.size() ? buttons_[index].widget : nullptr;
  }
  const engine::ObjectMessage& GetAnswer(size_t index) const;
  int32_t GetCountdown() const { return count_; }

 protected:
  // The body: a canvas of the picture's size (w x h when the picture is missing), the board's
  // skin; false when the board is not in a scene.
  bool MakeBody(const char* picture, int32_t fallback_width, int32_t fallback_height);
  // Clears the body and draws its background: the picture, or the plain panel.
  void DrawBackground();
  // A button centred at (x, y) of the body that answers `answer` (null or id 0: just closes).
  engine::WidgetBase* AddButton(const char* picture, const char* caption, const engine::ObjectMessage* answer,
                                int32_t x, int32_t y);
  // Counts down from `seconds` (at most kMaxCountdown), once a second.
  void StartCountdown(int32_t seconds);
  // Text drawn on the body with margins, wrapped; '\r' is dropped. The text's tags apply.
  void DrawBodyText(const std::string& text, int32_t top, int32_t left_margin, int32_t right_margin, int32_t size,
                    uint32_t colour);
  // A picture's frame 0 on the body, centred at (x, y) within a w x h place (0: its own size).
  void DrawBodyPicture(const char* name, int32_t x, int32_t y, int32_t width, int32_t height);
  // The countdown is up: closes the board unless overridden.
  virtual void OnTimeUp() { Close(); }
  // Answer button `index` was pressed: Answer with the button's record.
  virtual void OnAnswer(size_t index);
  // Closes the board, then sends the record (nothing for id 0); nothing once closing.
  void Answer(const engine::ObjectMessage& answer);
  virtual void DrawCountdown();

 private:
  struct Button {
    engine::WidgetBase* widget = nullptr;
    engine::ObjectMessage answer{};
  };

  engine::CanvasObject* body_ = nullptr;
  engine::CanvasObject* countdown_canvas_ = nullptr;
  std::string background_;
  std::vector<Button> buttons_;
  int32_t count_ = 0;
  bool closing_ = false;
};

}  // namespace dialogs
