// The system message box of the game frame: a board ("bit_systemboard") with an optional icon on
// the left, the text, an optional link line under it, and its buttons: "确定" ("btn_gameset_ok")
// and "取消" ("btn_gameset_cancel").
//
// What Build's words mean (decided here, for every box the frame shows):
//   seconds  how long the box gives the user before it answers by itself (at most 99). Only a box
//            that has an answer of its own to give counts them: AnswerWhenTimeUp gives it that
//            answer and starts the count, shown as "%d秒" in the box's top right corner. Any other
//            box asks or tells the user something and stays until a button is pressed: it never
//            closes by itself, and never answers a question on the user's behalf.
//   style    0x1 the OK button, 0x4 the cancel button; a style without either shows the buttons
//            the given records ask for, and the OK button at least. 0x30 shows the named icon,
//            0x40 the information icon (the named picture when a name is given, else the box's
//            own mark: a white "i" on a blue disc); without these bits there is no icon, whatever
//            the name.
//   icon     the icon's picture name (an emoticon such as "qzf疑问"; "" or null: none).
// OK sends the OK record, cancel the cancel record (a missing record or id 0: nothing is sent);
// either closes the box.
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
  static constexpr int32_t kStyleInformation = 0x40;
  enum class Icon { kNone, kNamed, kInformation };
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
                     int32_t seconds, int32_t style, const char* icon);
  virtual void SetLink(const char* text, int32_t flag);
  // Counts down Build's seconds and then closes the box and sends `answer`; nothing when the
  // box was given no seconds.
  void AnswerWhenTimeUp(const engine::ObjectMessage& answer);

  const std::string& GetText() const { return text_; }
  const std::string& GetLinkText() const { return link_; }
  Icon GetIcon() const { return icon_kind_; }
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
  void DrawInformationMark();

  std::string text_;
  Icon icon_kind_ = Icon::kNone;
  std::string icon_;
  std::string link_;
  int32_t link_flag_ = 0;
  int32_t ok_index_ = -1;
  int32_t cancel_index_ = -1;
  int32_t seconds_ = 0;
  engine::ObjectMessage time_up_answer_{};
  engine::CanvasObject* link_canvas_ = nullptr;
};

}  // namespace dialogs
