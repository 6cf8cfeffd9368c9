// The system message box of the game frame: a board ("bit_systemboard") with an optional icon (an
// emoticon picture such as "qzf疑问") on the left, the text, an optional link line under it, and
// its buttons: "确定" ("btn_gameset_ok") and "取消" ("btn_gameset_cancel").
//
// What Build's words mean:
//   buttons  the seconds the box stays before it answers by itself, counted down in its top
//            right corner (0: until a button is pressed; at most 99);
//   style    0x1 the OK button, 0x4 the cancel button, 0x30 the icon; a style without button
//            bits shows the buttons the given records ask for, and the OK button at least;
//   icon     the icon's picture name ("" or null: none).
// OK sends the OK record, cancel the cancel record (a missing record or id 0: nothing is sent);
// either closes the box. When the time is up the box answers as cancel when it has a cancel
// button, and otherwise just closes: it never confirms anything on the player's behalf.
//
// The link (SetLink): an underlined line under the text; a click opens the address with the
// platform's checked opener (http and https only); flag 1 closes the box as well.
#pragma once

#include <cstdint>
#include <string>

#include "dialogs/dialog_board.h"

namespace dialogs {

class CSystemMsgBox : public DialogBoard {
 public:
  static constexpr int32_t kStyleOk = 0x1;
  static constexpr int32_t kStyleCancel = 0x4;
  static constexpr int32_t kStyleIcon = 0x30;
  // The link's own message.
  static constexpr uint32_t kLinkClicked = 80001002;
  static constexpr int32_t kWidth = 290;
  static constexpr int32_t kHeight = 200;
  static constexpr int32_t kTextSize = 12;
  static constexpr uint32_t kTextColour = 0xFFFFFF;
  static constexpr uint32_t kLinkColour = 0xFFC864;

  CSystemMsgBox() = default;
  ~CSystemMsgBox() override = default;

  int OnMessage(const engine::ObjectMessage* message) override;

  // Builds the box (see above); false when it is not in a scene.
  virtual bool Build(const char* text, const engine::ObjectMessage* ok, const engine::ObjectMessage* cancel,
                     int32_t buttons, int32_t style, const char* icon);
  virtual void SetLink(const char* text, int32_t flag);

  const std::string& GetText() const { return text_; }
  const std::string& GetLinkText() const { return link_; }
  bool HasOkButton() const { return ok_index_ >= 0; }
  bool HasCancelButton() const { return cancel_index_ >= 0; }
  // Answers as the named button would; nothing when the box has no such button.
  void PressOk();
  void PressCancel();
  // Opens the link as a click on it would.
  void ClickLink();

 protected:
  void OnTimeUp() override;

 private:
  void Draw();

  std::string text_;
  std::string icon_;
  std::string link_;
  int32_t link_flag_ = 0;
  int32_t ok_index_ = -1;
  int32_t cancel_index_ = -1;
  engine::CanvasObject* link_canvas_ = nullptr;
};

}  // namespace dialogs
