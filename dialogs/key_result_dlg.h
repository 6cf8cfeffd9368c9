// The protection code dialog: shown when the user takes silver from the safe box and has set a
// protection code. It shows the code's number and takes the user's answer (digits only); OK with
// an answer hides it and sends kMsgConfirmed to the object named "InputBar" (p1 = the answer,
// p2 = the purpose), which then takes the silver. Cancel hides it and sends nothing.
//
// Private ids on itself: 1071 (OK) and 1072 (cancel).
#pragma once

#include <cstdint>

#include "dialogs/dialog_panel.h"

namespace engine {
class InputBox;
}  // namespace engine

namespace dialogs {

class CKeyResultDlg : public DialogPanel {
 public:
  // Where it stands among the scene's layers.
  static constexpr double kDepth = 89980.0;
  static constexpr const char* kPicture = "KeyResultDlg";
  // The same number as a looker's leaving, which the frame hands to the table scene and the side
  // panel (frame::child_msg::kLookerLeave): the two never meet, this one goes only to "InputBar".
  static constexpr uint32_t kMsgConfirmed = 80000017;
  static constexpr const char* kTarget = "InputBar";
  static constexpr uint32_t kMsgOk = 1071;
  static constexpr uint32_t kMsgCancel = 1072;
  // The purpose of the quick silver's take.
  static constexpr int32_t kPurposeQuickSilver = 1;

  CKeyResultDlg() = default;
  ~CKeyResultDlg() override = default;

  // Builds the dialog for a code; it starts hidden.
  virtual bool Create(int32_t code);
  virtual void SetCode(int32_t code);
  // Draws the panel for the current code.
  virtual void Relayout();
  // Forgets the answer and the result; the box takes the focus.
  virtual void Reset();
  virtual void SetPurpose(int32_t purpose);
  // The confirmed answer (0 before one).
  virtual int32_t GetResult() const { return result_; }

  int32_t GetCode() const { return code_; }
  int32_t GetPurpose() const { return purpose_; }
  engine::InputBox* GetBox() const { return box_; }
  // OK: the answer is taken when it is 1 to 9 digits (ParseProtectionAnswer); else the user is told and nothing is
  // sent.
  void Confirm();
  void CancelDialog();

 private:
  void OnOk() override { Confirm(); }
  void OnCancel() override { CancelDialog(); }

  int32_t code_ = 0;
  int32_t purpose_ = kPurposeQuickSilver;
  int32_t result_ = 0;
  engine::InputBox* box_ = nullptr;
};

}  // namespace dialogs
